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

TEST(ComposeClassPath, LeavesNoEmptyFirstEntryWhenTheExecutableIsUnknown) {
  ScopedEnv classPath("CLASSPATH", "c.jar");
  ScopedEnv classPath2("CLASS_PATH");
  ConfigStore store("", "");
  EXPECT_STREQ("c.jar", ComposeClassPath(store).c_str());
}

}  // namespace
