#include "packer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app_resources.h"
#include "byte_order.h"
#include "config_lines.h"
#include "show.h"
#include "test_util.h"
#include "windows_manifest.h"
#include "zip_archive.h"

namespace zovpack {
namespace {

using test::ScratchDir;

class PackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("zip") || !test::HaveTool("unzip")) {
      GTEST_SKIP() << "zip and unzip are needed";
    }
    test::Run("mkdir -p '" + dir_.path() + "/META-INF'");
    test::WriteFileOrDie(dir_.Join("META-INF/MANIFEST.MF"),
                         "Manifest-Version: 1.0\r\nMain-Class: from.Manifest\r\n\r\n");
    test::WriteFileOrDie(dir_.Join("App.class"), std::string(3000, 'c'));
    std::string log;
    ASSERT_EQ(0, test::Run("cd '" + dir_.path() + "' && zip -q app.jar META-INF/MANIFEST.MF "
                           "App.class && zip -q plain.zip App.class", &log)) << log;
    in_.stub = test::ReadFileOrDie("/proc/self/exe");
    in_.archive = test::ReadFileOrDie(dir_.Join("app.jar"));
  }

  std::string Comment(const std::string& file) {
    std::string comment;
    EXPECT_NE(std::string::npos, FindLauncherComment(file, &comment));
    return comment;
  }

  bool Unzips(const std::string& file) {
    test::WriteFileOrDie(dir_.Join("check.zip"), file);
    std::string log;
    // Info-ZIP warns (status 1) of the stub its offsets do not count.
    return test::Run("unzip -t '" + dir_.Join("check.zip") + "'", &log) <= 1 &&
           log.find("No errors detected") != std::string::npos;
  }

  bool Fails(const PackInputs& in, const char* fragment) {
    std::string out, error;
    std::vector<std::string> warnings;
    bool ok = BuildPackedFile(in, &out, &warnings, &error);
    EXPECT_NE(std::string::npos, error.find(fragment)) << error;
    return !ok && out.empty();
  }

  ScratchDir dir_;
  PackInputs in_;
};

TEST_F(PackerTest, WritesStubArchiveAndConfiguration) {
  in_.lines = {"option -Xmx1g", "options -Xmx2g"};
  std::string out, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  EXPECT_EQ(in_.stub, out.substr(0, in_.stub.size()));
  EXPECT_EQ("mainclass from.Manifest\r\noption -Xmx1g\r\noptions -Xmx2g", Comment(out));
  ASSERT_EQ(1u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("\"s -Xmx2g\"")) << warnings[0];
  EXPECT_TRUE(Unzips(out));

  // The main class: --main-class, else a mainclass line, else the manifest;
  // it always comes first and once.
  in_.lines = {"option -Xss1m", "MAINCLASS from.Line", "mainclass other.Line"};
  warnings.clear();
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  EXPECT_EQ("mainclass from.Line\r\noption -Xss1m", Comment(out));
  EXPECT_EQ(1u, warnings.size());
  in_.main_class = "from.Option";
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  EXPECT_EQ("mainclass from.Option\r\noption -Xss1m", Comment(out));

  // Packing a packed file again is almost certainly a mistake.
  PackInputs again = in_;
  again.stub = out;
  warnings.clear();
  ASSERT_TRUE(BuildPackedFile(again, &out, &warnings, &error)) << error;
  EXPECT_TRUE(std::any_of(warnings.begin(), warnings.end(), [](const std::string& w) {
    return w.find("already holds an archive") != std::string::npos;
  }));

  // A comment of exactly the size the launcher finds.
  in_.lines = {"option " + std::string(2048 - 21 - 2 - 7, 'x')};
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  EXPECT_EQ(2048u, Comment(out).size());
  // One byte more, and the message names the ways around it.
  in_.lines[0] += "x";
  EXPECT_TRUE(Fails(in_, "(classpath lib\\*), or merge the jars into the "
                         "archive (--merge lib)"));
}

TEST_F(PackerTest, RefusesWhatWouldNotRun) {
  PackInputs in = in_;
  in.archive = test::ReadFileOrDie(dir_.Join("plain.zip"));
  EXPECT_TRUE(Fails(in, "no main class"));
  in = in_;
  in.archive = "PK not an archive at all";
  in.archive_name = "x.jar";
  EXPECT_TRUE(Fails(in, "x.jar: not a"));
  in = in_;
  in.main_class = "a.B";
  in.lines = {"option " + std::string(2049 - 13 - 2 - 7, 'x')};
  EXPECT_TRUE(Fails(in, "2049 bytes"));
  in.lines = {"option a\nb"};
  EXPECT_TRUE(Fails(in, "line break"));
  in.lines = {"property x=PK\x05\x06"};
  EXPECT_TRUE(Fails(in, "PK"));
  in.lines.clear();
  in.splash_bmp = test::MakeBmp(2, 2, 24);
  EXPECT_TRUE(Fails(in, "Windows stub"));
  in = in_;
  in.expected_kind = ExecutableKind::kPe32Plus;
  EXPECT_TRUE(Fails(in, "ELF"));
  in.stub = "#!/bin/sh\n";
  EXPECT_TRUE(Fails(in, "neither"));
}

TEST_F(PackerTest, KeepsEndRecordFieldsFromHidingTheConfiguration) {
  // A central directory at 0x054b5010 of the archive and a comment of 0x106
  // bytes put the bytes 50 4b 05 06 at offset 17 of the end record.
  ZipArchive zip;
  std::string error;
  ASSERT_TRUE(ParseZip(in_.archive, &zip, &error));
  std::string far;
  ASSERT_TRUE(AppendRelocatedZip(in_.archive, zip, "", &far, &error,
                                 0x054b5010 - zip.central_pos));
  in_.archive.swap(far);
  ASSERT_TRUE(ParseZip(in_.archive, &zip, &error));
  in_.main_class = "a.B";
  in_.lines = {"option " + std::string(0x106 - 13 - 2 - 7, 'x')};
  std::string comment = "mainclass a.B\r\n" + in_.lines[0];

  std::string naive = in_.stub;
  ASSERT_TRUE(AppendRelocatedZip(in_.archive, zip, comment, &naive, &error));
  std::string found;
  EXPECT_EQ(naive.size() - comment.size() - 5, FindLauncherComment(naive, &found));

  std::string out;
  std::vector<std::string> warnings;
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  EXPECT_EQ(comment, Comment(out));
  ASSERT_TRUE(ParseZip(out, &zip, &error)) << error;
  EXPECT_EQ(in_.stub.size(), zip.start);
  EXPECT_EQ(0x054b5010u + 256, zip.central_pos - zip.start);
}

TEST_F(PackerTest, WindowsStubGetsResourcesAndChecksum) {
  std::string stub = test::TestStub("stub64.exe");
  if (stub.empty()) GTEST_SKIP() << "no mingw-w64 test stub";
  in_.stub = test::ReadFileOrDie(stub);
  in_.expected_kind = ExecutableKind::kPe32Plus;
  in_.splash_bmp = test::MakeBmp(200, 100, 24);
  in_.icon_ico = test::MakeIco({32});
  std::string out, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  PeImage image;
  ASSERT_TRUE(ParsePe(out, &image, &error));
  EXPECT_EQ(ComputePeChecksum(out, image.checksum_pos()),
            *reinterpret_cast<const uint32_t*>(out.data() + image.checksum_pos()));
  EXPECT_TRUE(Unzips(out));
  EXPECT_EQ("mainclass from.Manifest", Comment(out));

  PackInputs bad = in_;
  bad.splash_bmp = "BM broken";
  EXPECT_TRUE(Fails(bad, "splash"));
  bad = in_;
  bad.icon_ico = test::MakeBmp(2, 2, 24);
  EXPECT_TRUE(Fails(bad, "icon"));
}

TEST_F(PackerTest, TheManifestsSplashScreenImageIsTheSplashUnlessLeftOut) {
  std::string stub = test::TestStub("stub64.exe");
  if (stub.empty()) GTEST_SKIP() << "no mingw-w64 test stub";
  test::WriteFileOrDie(dir_.Join("s.bmp"), test::MakeBmp(30, 20, 24));
  auto jar = [&](const std::string& image) {
    test::WriteFileOrDie(dir_.Join("META-INF/MANIFEST.MF"),
                         "Manifest-Version: 1.0\r\nMain-Class: from.Manifest\r\n"
                         "SplashScreen-Image: " + image + "\r\n\r\n");
    test::Run("cd '" + dir_.path() + "' && rm -f s.jar && zip -q s.jar "
              "META-INF/MANIFEST.MF App.class s.bmp");
    return test::ReadFileOrDie(dir_.Join("s.jar"));
  };
  in_.stub = test::ReadFileOrDie(stub);
  in_.archive = jar("/s.bmp");
  auto splash = [&](const PackInputs& in, std::vector<std::string>* warnings) {
    std::string out, error;
    EXPECT_TRUE(BuildPackedFile(in, &out, warnings, &error)) << error;
    PeImage image;
    std::vector<Resource> resources;
    EXPECT_TRUE(ParsePe(out, &image, &error) &&
                ReadResources(out, image, &resources, &error));
    const Resource* bitmap = FindSplashBitmap(resources);
    return bitmap == nullptr ? 0 : static_cast<int>(Load32(bitmap->data, 4));
  };
  std::vector<std::string> warnings;
  EXPECT_EQ(30, splash(in_, &warnings));
  ASSERT_EQ(1u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("SplashScreen-Image /s.bmp")) << warnings[0];
  PackInputs given = in_;
  given.splash_bmp = test::MakeBmp(40, 10, 24);
  EXPECT_EQ(40, splash(given, &warnings));
  in_.no_splash = true;
  EXPECT_EQ(0, splash(in_, &warnings));
  in_.no_splash = false;
  in_.console = true;  // which shows no splash
  EXPECT_EQ(0, splash(in_, &warnings));
  in_.console = false;

  in_.archive = jar("missing.png");
  warnings.clear();
  EXPECT_EQ(0, splash(in_, &warnings));
  ASSERT_EQ(1u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("missing.png is not in the archive"));
  in_.archive = jar("App.class");
  EXPECT_TRUE(Fails(in_, "SplashScreen-Image App.class: not a BMP, PNG, JPEG or GIF"));
}

// The x64 test stub with the machine field of ARM64 stands in for
// zova64.exe: PE32+ both, told apart by that field alone.
TEST_F(PackerTest, ArmTargetTakesAnArm64StubAndSaysSo) {
  std::string stub = test::TestStub("stub64.exe");
  if (stub.empty()) GTEST_SKIP() << "no mingw-w64 test stub";
  Target target = Target::kWin64;
  ASSERT_TRUE(ParseTarget("winarm64", &target));
  EXPECT_EQ(Target::kWinArm64, target);
  EXPECT_STREQ("zova64.exe", StubFileName(target));
  EXPECT_STREQ("zovca64.exe", StubFileName(target, true));
  EXPECT_EQ(0xAA64, TargetMachine(target));
  EXPECT_EQ(0x8664, TargetMachine(Target::kWin64));

  std::string x64 = test::ReadFileOrDie(stub);
  std::string arm64 = x64;
  Store16(&arm64, Load32(arm64, 0x3C) + 4, 0xAA64);
  EXPECT_EQ(ExecutableKind::kPeArm64, DetectExecutable(arm64));
  EXPECT_EQ(ExecutableKind::kPe32Plus, DetectExecutable(x64));
  in_.stub = arm64;
  in_.expected_kind = TargetExecutableKind(Target::kWinArm64);
  in_.icon_ico = test::MakeIco({32});
  std::string out, report, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  ASSERT_TRUE(DescribePackedFile(out, &report, &error)) << error;
  EXPECT_NE(std::string::npos, report.find("target:      PE32+ ARM64 (winarm64)\n"))
      << report;
  EXPECT_NE(std::string::npos, report.find("icon:        1 image")) << report;
  // Either stub for the other target is refused, naming both kinds.
  in_.stub = x64;
  EXPECT_TRUE(Fails(in_, "the stub is PE32+ but the target needs PE32+ ARM64"));
  in_.stub = arm64;
  in_.expected_kind = ExecutableKind::kPe32Plus;
  EXPECT_TRUE(Fails(in_, "the stub is PE32+ ARM64 but the target needs PE32+"));
}

TEST_F(PackerTest, SigningAfterPackingKeepsArchiveAndConfiguration) {
  std::string stub = test::TestStub("stub64.exe");
  if (stub.empty()) GTEST_SKIP() << "no mingw-w64 test stub";
  in_.stub = test::ReadFileOrDie(stub);
  in_.lines = {"option " + std::string(2048 - 23 - 2 - 7, 'x')};  // 2048 in all
  std::string out, error, report;
  std::vector<std::string> warnings;
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  // Already aligned, a signer adds no padding to push the comment out.
  EXPECT_EQ(0u, out.size() % 8);
  std::string comment = Comment(out);

  // What a signer does: the table at the end, entry 4 naming it.
  std::string table(5000, 'S');
  table.replace(100, 4, "PK\x05\x06");
  PeImage image;
  ASSERT_TRUE(ParsePe(out, &image, &error)) << error;
  std::string signed_file = out + table;
  Store32(&signed_file, image.directory_pos(kSecurityDirectory),
          static_cast<uint32_t>(out.size()));
  Store32(&signed_file, image.directory_pos(kSecurityDirectory) + 4, 5000);
  EXPECT_EQ(comment, Comment(signed_file));
  ZipArchive zip;
  ASSERT_TRUE(ParseZip(signed_file, &zip, &error)) << error;
  EXPECT_EQ(2u, zip.entries.size());
  ASSERT_TRUE(DescribePackedFile(signed_file, &report, &error)) << error;
  EXPECT_NE(std::string::npos,
            report.find("signature:   5000 bytes at the end; the "
                        "configuration is still found")) << report;
  if (test::HaveTool("jar")) {
    // Java reads past trailing bytes only when offsets count from the
    // archive's own start.
    std::string log;
    test::WriteFileOrDie(dir_.Join("signed.exe"), signed_file);
    EXPECT_EQ(0, test::Run("cd '" + dir_.path() + "' && jar tf signed.exe", &log))
        << log;
    EXPECT_NE(std::string::npos, log.find("App.class")) << log;
  }

  // Packing a signed file again would break its signature.
  in_.stub = signed_file;
  EXPECT_TRUE(Fails(in_, "the stub is signed"));
}

TEST_F(PackerTest, ConsoleAndUtf8AskTheStubForWhatTheyNeed) {
  std::string stub = test::TestStub("stub64.exe");  // a console program
  if (stub.empty()) GTEST_SKIP() << "no mingw-w64 test stub";
  in_.stub = test::ReadFileOrDie(stub);
  in_.console = true;
  in_.lines = {"property name=\xC3\xA9"};
  std::string out, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  auto warned = [&] {
    return std::any_of(warnings.begin(), warnings.end(), [](const std::string& w) {
      return w.find("non-ASCII") != std::string::npos;
    });
  };
  EXPECT_TRUE(warned());

  in_.utf8 = true;
  warnings.clear();
  ASSERT_TRUE(BuildPackedFile(in_, &out, &warnings, &error)) << error;
  EXPECT_FALSE(warned());
  PeImage image;
  std::vector<Resource> resources;
  ASSERT_TRUE(ParsePe(out, &image, &error) &&
              ReadResources(out, image, &resources, &error)) << error;
  ASSERT_NE(nullptr, FindManifest(resources));
  EXPECT_EQ("UTF-8", ActiveCodePage(FindManifest(resources)->data));
  EXPECT_TRUE(Unzips(out));

  PackInputs bad = in_;
  bad.splash_bmp = test::MakeBmp(20, 10, 24);
  EXPECT_TRUE(Fails(bad, "no splash"));
  bad = in_;
  ASSERT_TRUE(ParsePe(bad.stub, &image, &error));
  bad.stub[image.optional_pos + 68] = 2;  // the Windows GUI subsystem
  EXPECT_TRUE(Fails(bad, "GUI program"));
}

TEST_F(PackerTest, PackWritesAtomically) {
  test::WriteFileOrDie(dir_.Join("stub"), in_.stub);
  PackRequest request;
  request.archive_path = dir_.Join("plain.zip");  // no main class: fails
  request.output_path = dir_.Join("out");
  request.stub_path = dir_.Join("stub");
  test::WriteFileOrDie(request.output_path, "previous");
  std::vector<std::string> warnings;
  std::string error, listing;
  EXPECT_FALSE(Pack(request, &warnings, &error));
  EXPECT_EQ("previous", test::ReadFileOrDie(request.output_path));
  test::Run("ls '" + dir_.path() + "'", &listing);
  EXPECT_EQ(std::string::npos, listing.find(".tmp")) << listing;

  request.archive_path = dir_.Join("app.jar");
  // Pack refuses a main class the archive lacks.
  EXPECT_FALSE(Pack(request, &warnings, &error));
  EXPECT_NE(std::string::npos, error.find("from/Manifest.class")) << error;
  test::Run("cd '" + dir_.path() + "' && mkdir from && touch from/Manifest.class"
            " && zip -q app.jar from/Manifest.class");
  test::WriteFileOrDie(dir_.Join("app.cfg"), "\xef\xbb\xbf# comment\r\n\r\noption -Xmx1g\r\n  minjre 1.8\n");
  request.config_path = dir_.Join("app.cfg");
  request.lines = {"jre_order es"};
  ASSERT_TRUE(Pack(request, &warnings, &error)) << error;
  std::string out = test::ReadFileOrDie(request.output_path);
  EXPECT_EQ("mainclass from.Manifest\r\noption -Xmx1g\r\n  minjre 1.8\r\njre_order es",
            Comment(out));
  EXPECT_EQ(0, test::Run("test -x '" + request.output_path + "'"));

  // The stub is found by target name in ZOV_STUB_DIR.
  request.stub_path.clear();
  request.target = Target::kLinux;
  setenv("ZOV_STUB_DIR", dir_.path().c_str(), 1);
  EXPECT_EQ(dir_.Join("zov"), DefaultStubPath(Target::kLinux));
  EXPECT_FALSE(Pack(request, &warnings, &error));
  EXPECT_NE(std::string::npos, error.find("missing stub")) << error;
  test::WriteFileOrDie(dir_.Join("zov"), in_.stub);
  EXPECT_TRUE(Pack(request, &warnings, &error)) << error;
  unsetenv("ZOV_STUB_DIR");
}

}  // namespace
}  // namespace zovpack
