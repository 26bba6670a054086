#include "carried.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace zovpack {
namespace {

using test::ScratchDir;

class CarriedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("zip")) GTEST_SKIP() << "zip is needed";
  }
  // A jar at path (below the scratch folder) whose manifest has class_path.
  void Jar(const std::string& path, const std::string& class_path = "") {
    std::string tree = dir_.Join(path + ".d");
    test::Run("mkdir -p '" + tree + "/META-INF' \"$(dirname '" + dir_.Join(path) + "')\"");
    test::WriteFileOrDie(tree + "/META-INF/MANIFEST.MF",
                         "Manifest-Version: 1.0\r\n" +
                             (class_path.empty() ? "" : "Class-Path: " + class_path + "\r\n") +
                             "\r\n");
    test::WriteFileOrDie(tree + "/id.txt", path);
    std::string log;
    ASSERT_EQ(0, test::Run("cd '" + tree + "' && zip -qr '" + dir_.Join(path) + "' .", &log))
        << log;
  }
  ScratchDir dir_;
  std::string report_;
};

TEST_F(CarriedTest, LibrariesKeepTheirNamesOrderAndWhatTheirClassPathReaches) {
  Jar("lib/z.jar", "sub/b.jar ../outside.jar http://host/x.jar missing.jar");
  Jar("lib/sub/b.jar");
  Jar("more/a.jar", "b.jar");  // names a jar it does not sit beside
  PackedRuntime payload;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(PackLibraries({dir_.Join("lib/z.jar"), dir_.Join("more")}, &payload,
                            &warnings, &error))
      << error;
  ASSERT_TRUE(DescribeCarried("stub" + payload.payload, "packed_lib",
                              "4 " + std::to_string(payload.payload.size()) + " " +
                                  std::to_string(payload.adler) + " " + payload.key,
                              &report_));
  // The class path in the order given, then what Class-Path reaches.
  size_t z = report_.find("    z.jar"), a = report_.find("    a.jar"),
         b = report_.find("    sub/b.jar");
  ASSERT_NE(std::string::npos, b) << report_;
  EXPECT_LT(z, a);
  EXPECT_LT(a, b);
  EXPECT_NE(std::string::npos, report_.find("    z.jar  ")) << report_;
  EXPECT_NE(std::string::npos, report_.find("a.jar  ")) << report_;
  EXPECT_NE(std::string::npos, report_.find("bytes, on the class path\n    sub/b.jar"))
      << report_;
  EXPECT_NE(std::string::npos, report_.find("cache key: " + payload.key)) << report_;
  // Every item it cannot carry, by name.
  std::string all;
  for (const std::string& w : warnings) all += w + "\n";
  EXPECT_NE(std::string::npos, all.find("../outside.jar, which lies outside")) << all;
  EXPECT_NE(std::string::npos, all.find("http://host/x.jar")) << all;
  EXPECT_NE(std::string::npos, all.find("missing.jar, which is no file there")) << all;
  EXPECT_NE(std::string::npos, all.find("more/a.jar names b.jar")) << all;
  EXPECT_EQ(4u, warnings.size()) << all;

  // The same jars give the same key; another order another one.
  PackedRuntime again, swapped;
  warnings.clear();
  ASSERT_TRUE(PackLibraries({dir_.Join("lib/z.jar"), dir_.Join("more")}, &again,
                            &warnings, &error));
  ASSERT_TRUE(PackLibraries({dir_.Join("more"), dir_.Join("lib/z.jar")}, &swapped,
                            &warnings, &error));
  EXPECT_EQ(payload.key, again.key);
  EXPECT_NE(payload.key, swapped.key);

  // Two jars of one name would be one file.
  Jar("other/z.jar");
  EXPECT_FALSE(PackLibraries({dir_.Join("lib/z.jar"), dir_.Join("other/z.jar")},
                             &payload, &warnings, &error));
  EXPECT_NE(std::string::npos, error.find("two jars would be z.jar")) << error;
  test::WriteFileOrDie(dir_.Join("bad.jar"), "not a zip");
  EXPECT_FALSE(PackLibraries({dir_.Join("bad.jar")}, &payload, &warnings, &error));
  EXPECT_NE(std::string::npos, error.find("--lib " + dir_.Join("bad.jar"))) << error;
  EXPECT_FALSE(PackLibraries({dir_.Join("nothing")}, &payload, &warnings, &error));
  EXPECT_EQ(0u, error.find("--lib ")) << error;
}

TEST_F(CarriedTest, NativeLibrariesMustBeForTheTarget) {
  test::Run("mkdir -p '" + dir_.Join("native/sub") + "'");
  std::string elf(64, '\0');
  elf.replace(0, 4, "\x7f" "ELF");
  elf[18] = 62;  // x86-64
  test::WriteFileOrDie(dir_.Join("native/sub/libok.so"), elf);
  test::WriteFileOrDie(dir_.Join("native/LICENSE"), "text is fine");
  PackedRuntime payload;
  std::vector<std::string> warnings;
  std::string error;
  EXPECT_TRUE(PackNative(dir_.Join("native"), Target::kLinux, &payload, &warnings, &error))
      << error;
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(2u, payload.files);

  // The Linux library named, with what it is and what the target needs.
  EXPECT_FALSE(PackNative(dir_.Join("native"), Target::kWin64, &payload, &warnings, &error));
  EXPECT_NE(std::string::npos,
            error.find("sub/libok.so is for Linux x86-64 (machine 0x3e); the target "
                       "needs Windows x64"))
      << error;
  elf[18] = 3;
  test::WriteFileOrDie(dir_.Join("native/sub/libok.so"), elf);
  EXPECT_FALSE(PackNative(dir_.Join("native"), Target::kLinux, &payload, &warnings, &error));
  EXPECT_NE(std::string::npos, error.find("is for Linux i386")) << error;

  test::Run("rm -r '" + dir_.Join("native/sub") + "'");
  EXPECT_TRUE(PackNative(dir_.Join("native"), Target::kLinux, &payload, &warnings, &error));
  ASSERT_EQ(1u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("holds no library")) << warnings[0];
  EXPECT_FALSE(PackNative(dir_.Join("none"), Target::kLinux, &payload, &warnings, &error));
  EXPECT_EQ("--native " + dir_.Join("none") + ": no such folder", error);
}

TEST_F(CarriedTest, ShowSaysADamagedPayloadIsDamaged) {
  test::Run("mkdir -p '" + dir_.Join("files/modes") + "'");
  test::WriteFileOrDie(dir_.Join("files/modes/one"), "1");
  PackedRuntime payload;
  std::string error, report;
  ASSERT_TRUE(PackFiles(dir_.Join("files"), Target::kLinux, &payload, &error));
  std::string value = "0 " + std::to_string(payload.payload.size()) + " " +
                      std::to_string(payload.adler) + " " + payload.key;
  EXPECT_TRUE(DescribeCarried(payload.payload, "packed_files", value, &report));
  EXPECT_NE(std::string::npos, report.find("files:      1 files")) << report;
  EXPECT_NE(std::string::npos, report.find("    modes/one  1 bytes\n")) << report;
  std::string damaged = payload.payload;
  damaged[damaged.size() / 2] ^= 0x55;
  EXPECT_FALSE(DescribeCarried(damaged, "packed_files", value, &report));
  EXPECT_NE(std::string::npos, report.find("damaged")) << report;
  EXPECT_FALSE(DescribeCarried(payload.payload, "packed_files", "0 99999 1 k", &report));
}

}  // namespace
}  // namespace zovpack
