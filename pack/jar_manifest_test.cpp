#include "jar_manifest.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace zovpack {
namespace {

TEST(JarManifestTest, ReadsMainClassOfMainSection) {
  EXPECT_EQ("a.B", ManifestMainClass("Manifest-Version: 1.0\r\nMain-Class: a.B\r\n\r\n"));
  EXPECT_EQ("a.B", ManifestMainClass("main-class:   a.B  \n"));
  EXPECT_EQ("a.B", ManifestMainClass("Main-Class: a.B"));
  EXPECT_EQ("a.B", ManifestMainClass("X: y\rMain-Class: a.B\r"));
  // Continuation lines join without their leading space.
  EXPECT_EQ("com.example.averyveryverylongpackagename.Main",
            ManifestMainClass("Main-Class: com.example.averyveryverylong\r\n"
                              " packagename.Main\r\n"));
  // Only the main section counts; similar names do not.
  EXPECT_EQ("", ManifestMainClass("Manifest-Version: 1.0\n\nName: x/\n"
                                  "Main-Class: not.This\n"));
  EXPECT_EQ("", ManifestMainClass("Main-Classes: a.B\nX-Main-Class: c.D\n"));
  EXPECT_EQ("", ManifestMainClass(""));
}

TEST(JarManifestTest, ParsesSectionsAndWritesThemBack) {
  JarManifest m = ParseManifest(
      "Manifest-Version: 1.0\r\nClass-Path: a.jar\r\n  b.jar\nbroken line\n"
      "Multi-Release: true\r\r\n\n"
      "Name: dep/\nImplementation-Version: 2.\n 5\n\nStray: x\n\nName: b/\r\n");
  EXPECT_EQ("a.jar b.jar", *m.main.Value("class-path"));
  EXPECT_EQ("true", *m.main.Value("Multi-Release"));
  EXPECT_EQ(nullptr, m.main.Value("Stray"));
  ASSERT_EQ(2u, m.entries.size());
  EXPECT_EQ("2.5", *m.Entry("dep/")->Value("Implementation-Version"));
  EXPECT_TRUE(m.Entry("b/")->attributes.empty());
  EXPECT_EQ(nullptr, m.Entry("c/"));

  m.main.Remove("class-path");
  m.main.Set("Created-By", std::string(100, 'x') + "\xc3\xa9" + std::string(60, 'y'));
  std::string text = WriteManifest(m);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    ASSERT_NE(std::string::npos, end);
    EXPECT_LE(end - pos, 72u);
    // A folded line never starts inside a UTF-8 sequence.
    EXPECT_NE(0x80, static_cast<unsigned char>(text[pos + 1]) & 0xc0);
    pos = end + 2;
  }
  JarManifest again = ParseManifest(text);
  EXPECT_EQ(m.main.attributes, again.main.attributes);
  EXPECT_EQ(nullptr, again.main.Value("Class-Path"));
  ASSERT_EQ(2u, again.entries.size());
  EXPECT_EQ(m.entries[0].attributes, again.entries[0].attributes);
  EXPECT_EQ("Manifest-Version: 1.0\r\n\r\n", WriteManifest(JarManifest()));
}

TEST(JarManifestTest, ReadsManifestFromArchive) {
  if (!test::HaveTool("jar") || !test::HaveTool("zip")) {
    GTEST_SKIP() << "jar and zip are needed";
  }
  test::ScratchDir dir;
  test::WriteFileOrDie(dir.Join("x.txt"), "x");
  std::string log;
  // jar deflates the manifest.
  ASSERT_EQ(0, test::Run("cd '" + dir.path() + "' && jar cfe app.jar org.demo.App x.txt", &log)) << log;
  std::string data = test::ReadFileOrDie(dir.Join("app.jar"));
  ZipArchive zip;
  std::string error, main_class;
  ASSERT_TRUE(ParseZip(data, &zip, &error)) << error;
  ASSERT_EQ(8, FindZipEntry(zip, "META-INF/MANIFEST.MF")->method);
  ASSERT_TRUE(ReadJarMainClass(data, zip, &main_class, &error)) << error;
  EXPECT_EQ("org.demo.App", main_class);

  // A stored manifest, and an archive without one.
  test::Run("mkdir -p '" + dir.path() + "/META-INF'");
  test::WriteFileOrDie(dir.Join("META-INF/MANIFEST.MF"), "Main-Class: s.T\r\n");
  ASSERT_EQ(0, test::Run("cd '" + dir.path() + "' && zip -q -0 stored.zip META-INF/MANIFEST.MF && zip -q none.zip x.txt", &log)) << log;
  data = test::ReadFileOrDie(dir.Join("stored.zip"));
  ASSERT_TRUE(ParseZip(data, &zip, &error));
  ASSERT_TRUE(ReadJarMainClass(data, zip, &main_class, &error)) << error;
  EXPECT_EQ("s.T", main_class);
  data = test::ReadFileOrDie(dir.Join("none.zip"));
  ASSERT_TRUE(ParseZip(data, &zip, &error));
  ASSERT_TRUE(ReadJarMainClass(data, zip, &main_class, &error)) << error;
  EXPECT_EQ("", main_class);
}

}  // namespace
}  // namespace zovpack
