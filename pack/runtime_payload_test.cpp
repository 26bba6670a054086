#include "runtime_payload.h"

#include <filesystem>

#include "gtest/gtest.h"
#include "test_util.h"

namespace zovpack {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::WriteFileOrDie;

// The header of a PE image for machine, as far as the check reads it.
std::string FakePe(uint16_t machine) {
  std::string image = "MZ" + std::string(58, '\0') + std::string("\x40\0\0\0", 4);
  image += std::string("PE\0\0", 4);
  image += static_cast<char>(machine & 0xff);
  image += static_cast<char>(machine >> 8);
  return image + std::string(64, '\0');
}

std::string FakeElf(uint16_t machine) {
  std::string image = "\x7f" "ELF" + std::string("\x02\x01\x01", 3) + std::string(11, '\0');
  image += static_cast<char>(machine & 0xff);
  image += static_cast<char>(machine >> 8);
  return image + std::string(64, '\0');
}

void MakeHome(const std::string& home, const std::string& library,
              const std::string& image) {
  fs::create_directories(fs::path(home + "/" + library).parent_path());
  WriteFileOrDie(home + "/" + library, image);
  WriteFileOrDie(home + "/release",
                 "IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"21.0.2\"\nMODULES=\"java.base java.desktop\"\n");
}

TEST(RuntimeImageTest, RefusesARuntimeOfAnotherTargetSayingWhatItFound) {
  ScratchDir dir;
  PackedRuntime runtime;
  std::string error;
  EXPECT_FALSE(PackRuntime(dir.path(), Target::kWin64, &runtime, &error));
  EXPECT_NE(std::string::npos, error.find("no bin/server/jvm.dll or bin/client/jvm.dll"))
      << error;

  std::string win32 = dir.Join("win32");
  MakeHome(win32, "bin/client/jvm.dll", FakePe(0x14c));
  EXPECT_FALSE(PackRuntime(win32, Target::kWin64, &runtime, &error));
  EXPECT_NE(std::string::npos,
            error.find("bin/client/jvm.dll is for Windows x86 (machine 0x14c); "
                       "target win64 needs Windows x64 (machine 0x8664)"))
      << error;
  EXPECT_TRUE(PackRuntime(win32, Target::kWin32, &runtime, &error)) << error;

  std::string arm = dir.Join("arm");
  MakeHome(arm, "lib/server/libjvm.so", FakeElf(183));
  EXPECT_FALSE(PackRuntime(arm, Target::kLinux, &runtime, &error));
  EXPECT_NE(std::string::npos, error.find("Linux AArch64 (machine 0xb7)")) << error;
  // A Windows library where Linux needs its own.
  MakeHome(arm, "lib/server/libjvm.so", FakePe(0x8664));
  EXPECT_FALSE(PackRuntime(arm, Target::kLinux, &runtime, &error));
  EXPECT_NE(std::string::npos, error.find("is for Windows x64")) << error;
}

TEST(RuntimeImageTest, SameContentGivesTheSameKeyWhereverItLies) {
  ScratchDir dir;
  std::string a = dir.Join("a"), b = dir.Join("b");
  for (const std::string& home : {a, b}) {
    MakeHome(home, "lib/server/libjvm.so", FakeElf(62));
    fs::create_directories(home + "/bin");
    WriteFileOrDie(home + "/bin/java", "#!");
    fs::permissions(home + "/bin/java", fs::perms::owner_all);
    WriteFileOrDie(home + "/lib/empty", "");
  }
  // A link is stored as the file it names, under its own path.
  fs::create_symlink("../release", b + "/lib/release-link");
  fs::create_symlink("../release", a + "/lib/release-link");
  PackedRuntime first, second;
  std::string error;
  ASSERT_TRUE(PackRuntime(a, Target::kLinux, &first, &error)) << error;
  ASSERT_TRUE(PackRuntime(b, Target::kLinux, &second, &error)) << error;
  EXPECT_EQ(first.key, second.key);
  EXPECT_EQ(32u, first.key.size());
  EXPECT_EQ("21.0.2", first.version);
  EXPECT_EQ("java.base java.desktop", first.modules);
  EXPECT_EQ(5u, first.files);

  WriteFileOrDie(b + "/lib/empty", "x");
  ASSERT_TRUE(PackRuntime(b, Target::kLinux, &second, &error)) << error;
  EXPECT_NE(first.key, second.key);

  // The file as --show reads it back.
  std::string file = "stub" + first.payload + "archive";
  std::string report;
  ASSERT_TRUE(DescribeRuntime(file, RuntimeLineValue(4, first), &report));
  EXPECT_NE(std::string::npos, report.find("runtime:     Java 21.0.2\n")) << report;
  EXPECT_NE(std::string::npos, report.find("cache key: " + first.key)) << report;
  file[10] ^= 0x55;
  EXPECT_FALSE(DescribeRuntime(file, RuntimeLineValue(4, first), &report));
  EXPECT_NE(std::string::npos, report.find("damaged")) << report;
}

TEST(RuntimeImageTest, StreamListsFoldersBeforeTheirFilesWithKinds) {
  std::vector<RuntimeEntry> entries = {
      {'d', "bin", ""}, {'x', "bin/java", "#!"}, {'f', "release", "JAVA_VERSION=\"17\""}};
  std::string stream = EncodeRuntimeStream(entries);
  std::vector<RuntimeEntry> back;
  std::string error;
  ASSERT_TRUE(DecodeRuntimeStream(stream, &back, &error)) << error;
  ASSERT_EQ(3u, back.size());
  EXPECT_EQ('x', back[1].kind);
  EXPECT_EQ("bin/java", back[1].path);
  EXPECT_EQ("#!", back[1].data);
  EXPECT_EQ("17", ReleaseValue(back[2].data, "JAVA_VERSION"));
  EXPECT_FALSE(DecodeRuntimeStream(stream.substr(0, stream.size() - 1), &back, &error));
}

}  // namespace
}  // namespace zovpack
