#include "merge.h"

#include <gtest/gtest.h>

#include "byte_order.h"
#include "main_class.h"
#include "test_util.h"
#include "zip_archive.h"

namespace zovpack {
namespace {

using test::ScratchDir;

class MergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("zip") || !test::HaveTool("unzip")) {
      GTEST_SKIP() << "zip and unzip are needed";
    }
  }
  // A jar of `files` (name, contents) made by zip; -0 stores them.
  std::string Jar(const std::string& name,
                  const std::vector<std::pair<std::string, std::string>>& files,
                  const char* flags = "-q") {
    std::string tree = dir_.Join(name + ".d");
    std::string list;
    for (const auto& f : files) {
      test::Run("mkdir -p \"$(dirname '" + tree + "/" + f.first + "')\"");
      test::WriteFileOrDie(tree + "/" + f.first, f.second);
      list += " '" + f.first + "'";
    }
    std::string log;
    EXPECT_EQ(0, test::Run("cd '" + tree + "' && zip " + flags + " ../" + name +
                               list, &log)) << log;
    return test::ReadFileOrDie(dir_.Join(name));
  }
  std::string Entry(const std::string& data, const std::string& name) {
    ZipArchive zip;
    std::string error, out;
    EXPECT_TRUE(ParseZip(data, &zip, &error)) << error;
    for (const ZipEntry& e : zip.entries) {
      if (e.name == name) {
        EXPECT_TRUE(ReadZipEntry(data, zip, e, 1 << 24, &out, &error)) << error;
        return out;
      }
    }
    return "<none>";
  }
  ScratchDir dir_;
};

TEST_F(MergeTest, ThePackedManifestSaysWhatTheDependenciesManifestsSaid) {
  JarFile app{"app.jar", Jar("app.jar", {
      {"a/App.class", "app"},
      {"META-INF/MANIFEST.MF", "Main-Class: a.App\nClass-Path: lib/x.jar\n\n"
                               "Name: d/own/\nImplementation-Version: app's\n"},
      {"module-info.class", "app module"}})};
  JarFile mr{"mr.jar", Jar("mr.jar", {
      {"META-INF/MANIFEST.MF", "Multi-Release: TRUE\nImplementation-Title: d\n"
                               "Implementation-Version: 2.5\nSpecification-Version: 2\n"
                               "Created-By: x\n\nName: d/sub/\nImplementation-Version: 2.6\n"},
      {"d/Lib.class", "base"},
      {"d/sub/S.class", "sub"},
      {"d/own/O.class", "own"},
      {"META-INF/versions/11/d/Lib.class", "eleven"},
      {"META-INF/versions/11/a/App.class", "would shadow the app's"},
      {"module-info.class", "dep module"},
      {"META-INF/versions/9/module-info.class", "dep module 9"}})};
  JarFile plain{"plain.jar", Jar("plain.jar", {{"e/E.class", "e"}})};
  std::string merged, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(MergeJars(app, {mr, plain}, &merged, &warnings, &error, true)) << error;
  EXPECT_EQ("app module", Entry(merged, "module-info.class"));
  EXPECT_EQ("<none>", Entry(merged, "META-INF/versions/9/module-info.class"));
  EXPECT_EQ("eleven", Entry(merged, "META-INF/versions/11/d/Lib.class"));
  EXPECT_EQ("<none>", Entry(merged, "META-INF/versions/11/a/App.class"));

  JarManifest m = ParseManifest(Entry(merged, "META-INF/MANIFEST.MF"));
  EXPECT_EQ("a.App", *m.main.Value("Main-Class"));
  EXPECT_EQ("true", *m.main.Value("Multi-Release"));
  EXPECT_EQ(nullptr, m.main.Value("Class-Path"));
  EXPECT_EQ(nullptr, m.main.Value("Implementation-Version"));
  ASSERT_NE(nullptr, m.Entry("d/"));
  EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                {"Implementation-Title", "d"}, {"Implementation-Version", "2.5"},
                {"Specification-Version", "2"}}),
            m.Entry("d/")->attributes);
  EXPECT_EQ("2.6", *m.Entry("d/sub/")->Value("Implementation-Version"));
  EXPECT_EQ("d", *m.Entry("d/sub/")->Value("Implementation-Title"));
  EXPECT_EQ("app's", *m.Entry("d/own/")->Value("Implementation-Version"));
  EXPECT_EQ(nullptr, m.Entry("e/"));  // plain.jar said nothing

  // Nothing to say: the application's manifest stays as it was.
  ASSERT_TRUE(MergeJars(app, {plain}, &merged, &warnings, &error)) << error;
  EXPECT_EQ("Main-Class: a.App\nClass-Path: lib/x.jar\n\nName: d/own/\n"
            "Implementation-Version: app's\n",
            Entry(merged, "META-INF/MANIFEST.MF"));
}

TEST_F(MergeTest, AppFirstServicesJoinedSignaturesAndManifestsDropped) {
  const std::string big(100000, 'z');
  JarFile app{"app.jar", Jar("app.jar", {
      {"META-INF/MANIFEST.MF", "Main-Class: a.App\n"},
      {"a/App.class", "app"},
      {"a/Shared.class", "from app"},
      {"META-INF/services/x.Svc", "a.Impl\r\n# note"}})};
  JarFile one{"one.jar", Jar("one.jar", {
      {"META-INF/MANIFEST.MF", "Name: b/B.class\nSHA-256-Digest: x\n"},
      {"META-INF/ONE.SF", "sf"},
      {"META-INF/ONE.RSA", "rsa"},
      {"META-INF/INDEX.LIST", "JarIndex-Version: 1.0\n"},
      {"a/Shared.class", "from one"},
      {"b/B.class", "one"},
      {"META-INF/services/x.Svc", "b.Impl\na.Impl\n# note\n"},
      {"META-INF/services/y.Other", "b.Y\n"}})};
  JarFile two{"two.jar", Jar("two.jar", {
      {"b/B.class", "two"},
      {"c/Big.class", big},
      {"META-INF/SIG-X", "not a signature here"}},
      "-q -r")};
  std::string merged, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(MergeJars(app, {one, two}, &merged, &warnings, &error)) << error;

  EXPECT_EQ("Main-Class: a.App\n", Entry(merged, "META-INF/MANIFEST.MF"));
  EXPECT_EQ("from app", Entry(merged, "a/Shared.class"));
  EXPECT_EQ("one", Entry(merged, "b/B.class"));
  EXPECT_EQ(big, Entry(merged, "c/Big.class"));
  EXPECT_EQ("a.Impl\n# note\nb.Impl\n", Entry(merged, "META-INF/services/x.Svc"));
  EXPECT_EQ("b.Y\n", Entry(merged, "META-INF/services/y.Other"));
  for (const char* gone : {"META-INF/ONE.SF", "META-INF/ONE.RSA",
                           "META-INF/INDEX.LIST", "META-INF/SIG-X"}) {
    EXPECT_EQ("<none>", Entry(merged, gone)) << gone;
  }
  ASSERT_EQ(2u, warnings.size());
  EXPECT_EQ(0u, warnings[0].find("2 files of the merged jars were left out"))
      << warnings[0];
  EXPECT_NE(std::string::npos, warnings[1].find(": one.jar, two.jar"))
      << warnings[1];

  // Copied as stored: the deflated bytes are the same.
  ZipArchive in, out;
  ASSERT_TRUE(ParseZip(two.data, &in, &error));
  ASSERT_TRUE(ParseZip(merged, &out, &error));
  const ZipEntry* a = FindZipEntry(in, "c/Big.class");
  const ZipEntry* b = FindZipEntry(out, "c/Big.class");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(8, b->method);
  EXPECT_EQ(a->compressed_size, b->compressed_size);
  EXPECT_LT(b->compressed_size, 1000u);
  // Whatever reads ZIP files reads it.
  test::WriteFileOrDie(dir_.Join("merged.jar"), merged);
  std::string log;
  EXPECT_EQ(0, test::Run("unzip -tq '" + dir_.Join("merged.jar") + "'", &log))
      << log;

  // The main class check sees the merged entries.
  EXPECT_TRUE(CheckMainClass(out, "b.B", {}, &warnings, &error));
  EXPECT_FALSE(CheckMainClass(out, "b.Missing", {"option -Xmx1g"}, &warnings,
                              &error));
  EXPECT_NE(std::string::npos, error.find("b/Missing.class")) << error;
  warnings.clear();
  EXPECT_TRUE(CheckMainClass(out, "b.Missing", {"classpath x.jar"}, &warnings,
                             &error));
  EXPECT_EQ(1u, warnings.size());

  JarFile bad{"bad.jar", "not a zip at all, longer than an end record"};
  EXPECT_FALSE(MergeJars(app, {bad}, &merged, &warnings, &error));
  EXPECT_EQ(0u, error.find("bad.jar: ")) << error;
}

// A ZIP of `count` stored one-byte files f0, f1, ..., without zip64: its
// end record's count wraps, as some tools write them.
std::string ManyEntries(uint32_t count) {
  std::string data, central;
  for (uint32_t i = 0; i < count; ++i) {
    std::string name = "f" + std::to_string(i);
    std::string fields;  // version .. name length, shared by both headers
    Append16(&fields, 10);
    Append16(&fields, 0);
    Append16(&fields, 0);
    Append32(&fields, 0);
    Append32(&fields, 0x8cdc1683);  // CRC-32 of "x"
    Append32(&fields, 1);
    Append32(&fields, 1);
    Append16(&fields, static_cast<uint16_t>(name.size()));
    Append32(&central, 0x02014b50);
    Append16(&central, 10);
    central += fields + std::string(12, '\0');
    Append32(&central, static_cast<uint32_t>(data.size()));
    central += name;
    Append32(&data, 0x04034b50);
    data += fields + std::string(2, '\0') + name + "x";
  }
  std::string end;
  Append32(&end, 0x06054b50);
  Append32(&end, 0);
  Append16(&end, static_cast<uint16_t>(count));
  Append16(&end, static_cast<uint16_t>(count));
  Append32(&end, static_cast<uint32_t>(central.size()));
  Append32(&end, static_cast<uint32_t>(data.size()));
  Append16(&end, 0);
  return data + central + end;
}

TEST_F(MergeTest, WritesZip64WhenTheEntriesOutnumberTheEndRecord) {
  JarFile app{"app.jar", Jar("app.jar", {{"a/App.class", "app"}})};
  JarFile dep{"many.jar", ManyEntries(70000)};
  std::string merged, error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(MergeJars(app, {dep}, &merged, &warnings, &error)) << error;
  ZipArchive zip;
  ASSERT_TRUE(ParseZip(merged, &zip, &error)) << error;
  EXPECT_TRUE(zip.zip64);
  EXPECT_EQ(70001u, zip.entries.size());
  EXPECT_EQ("x", Entry(merged, "f69999"));
  test::WriteFileOrDie(dir_.Join("merged.jar"), merged);
  std::string log;
  EXPECT_EQ(0, test::Run("unzip -tq '" + dir_.Join("merged.jar") + "'", &log))
      << log;
}

TEST_F(MergeTest, ListsAFoldersJarsInNameOrder) {
  test::Run("mkdir -p '" + dir_.Join("lib/sub.jar") + "' '" +
            dir_.Join("empty") + "'");
  for (const char* name : {"b.jar", "A.JAR", "a.jar", "notes.txt"}) {
    test::WriteFileOrDie(dir_.Join("lib/") + name, "");
  }
  std::vector<std::string> jars;
  std::string error;
  ASSERT_TRUE(ListMergeJars(dir_.Join("lib"), &jars, &error)) << error;
  ASSERT_TRUE(ListMergeJars(dir_.Join("lib/b.jar"), &jars, &error)) << error;
  const std::string lib = dir_.Join("lib/");
  EXPECT_EQ((std::vector<std::string>{lib + "A.JAR", lib + "a.jar",
                                      lib + "b.jar", lib + "b.jar"}),
            jars);
  EXPECT_FALSE(ListMergeJars(dir_.Join("empty"), &jars, &error));
  EXPECT_NE(std::string::npos, error.find("no .jar file")) << error;
  EXPECT_FALSE(ListMergeJars(dir_.Join("none"), &jars, &error));
}

}  // namespace
}  // namespace zovpack
