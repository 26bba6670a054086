#include "runtime/class_path.h"

#include <stdio.h>

#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

using testing_support::kSep;
using testing_support::MakeDirectory;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

TEST(ComposeClassPath, PutsTheExecutableThenTheKeyThenTheEnvironment) {
  ScopedTempDir app;
  std::string exe = app.Join("tool.exe");
  MakeDirectory(app.Join("lib"));
  std::string a = "lib" + std::string(kSep) + "a.jar";
  std::string b = "lib" + std::string(kSep) + "b.jar";
  WriteFile(app.path() + a, "");
  WriteFile(app.path() + b, "");
  ScopedEnv classPath("CLASSPATH");
  ScopedEnv classPath2("CLASS_PATH");
  auto compose = [&](const std::string& side, const std::string& embedded) {
    WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                       embedded);
    remove(app.Join("tool.cfg").c_str());
    if (!side.empty()) WriteFile(app.Join("tool.cfg"), side);
    ConfigStore store(exe.c_str(), app.path().c_str());
    return std::string(ComposeClassPath(store).c_str());
  };
  const std::string s(1, kClassPathSeparator);

  EXPECT_EQ(exe, compose("", ""));
  EXPECT_EQ(exe + s + app.path() + a + s + app.path() + b,
            compose("", "classpath " + a + ";" + b));
  // Side file first; empty pieces skipped; a variable's ";" cuts nothing.
  ScopedEnv pair("ZOV_T_CP", "x.jar;y.jar");
  EXPECT_EQ(exe + s + app.path() + "side.jar" + s + app.path() + a + s +
                app.path() + "x.jar;y.jar",
            compose("classpath side.jar", "classpath ;;" + a + ";%ZOV_T_CP%;"));
  {
    ScopedEnv empty("CLASSPATH", "");
    EXPECT_EQ(exe + s, compose("", ""));
  }
  ScopedEnv first("CLASSPATH", "rel.jar");
  ScopedEnv second("CLASS_PATH", "x;%ZOV_T_NONE%");
  EXPECT_EQ(exe + s + "rel.jar" + s + "x;%ZOV_T_NONE%", compose("", ""));
}

TEST(ComposeClassPath, ExpandsAWildcardToTheDirectorysJarsInNameOrder) {
  ScopedTempDir app;
  ScopedTempDir work;
  std::string exe = app.Join("tool.exe");
  MakeDirectory(app.Join("lib"));
  MakeDirectory(app.Join("lib/dir.jar"));  // a directory: left out
  MakeDirectory(app.Join("lib/sub"));
  MakeDirectory(app.Join("empty"));
  MakeDirectory(work.Join("wlib"));
  for (const char* name : {"lib/b.jar", "lib/a.jar", "lib/C.JAR", "lib/x.txt",
                           "lib/jar", "lib/sub/deep.jar", "top.jar",
                           "wlib/w.jar"}) {
    WriteFile(std::string(name)[0] == 'w' ? work.Join(name) : app.Join(name),
              "");
  }
  ScopedEnv classPath("CLASSPATH");
  ScopedEnv classPath2("CLASS_PATH");
  auto compose = [&](const std::string& value) {
    WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                       "classpath " + value);
    ConfigStore store(exe.c_str(), work.path().c_str());
    std::string result = ComposeClassPath(store).c_str();
    return result.substr(exe.size());
  };
  const std::string s(1, kClassPathSeparator);
  const std::string lib = app.Join("lib") + kSep;

  // Bytewise order, any case of ".jar"; no subdirectory, no other file.
  const std::string jars = s + lib + "C.JAR" + s + lib + "a.jar" + s + lib +
                           "b.jar";
  EXPECT_EQ(jars, compose("lib/*"));
  EXPECT_EQ(jars, compose("lib\\*"));
  EXPECT_EQ(jars + s + app.Join("x.jar"), compose("%ZOV_APP_DIR%" + std::string(kSep) + "lib" + kSep + "*;x.jar"));
  EXPECT_EQ(s + app.path() + "top.jar", compose("*"));
  // Never the start-up directory's jars, as a plain entry may be.
  EXPECT_EQ("", compose("wlib/*"));
  EXPECT_EQ(s + work.Join("wlib") + kSep + "w.jar", compose(work.Join("wlib") + kSep + "*"));
  EXPECT_EQ(s + work.path() + "wlib/w.jar", compose("wlib/w.jar"));
  EXPECT_EQ("", compose("empty/*;none/*"));
  // Only a whole last part is a wildcard.
  EXPECT_EQ(s + app.path() + "lib*", compose("lib*"));
#ifndef _WIN32
  // Linux class paths also list entries with ":".
  EXPECT_EQ(s + lib + "a.jar" + jars, compose("lib/a.jar:lib/*"));
#endif
}

TEST(ComposeClassPath, LeavesNoEmptyFirstEntryWhenTheExecutableIsUnknown) {
  ScopedEnv classPath("CLASSPATH", "c.jar");
  ScopedEnv classPath2("CLASS_PATH");
  ConfigStore store("", "");
  EXPECT_STREQ("c.jar", ComposeClassPath(store).c_str());
  // The file's carried jars come before the configured entries.
  std::string s(1, kClassPathSeparator);
  TextBuffer carried((s + "w.jar" + s + "v.jar").c_str());
  EXPECT_EQ("w.jar" + s + "v.jar" + s + "c.jar",
            std::string(ComposeClassPath(store, carried).c_str()));
}

}  // namespace
