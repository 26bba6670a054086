#include "config/resolve_path.h"

#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

using testing_support::MakeDirectory;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

std::string Resolve(const std::string& path) {
  return ResolvePath(TextBuffer(path.c_str())).c_str();
}

TEST(ResolvePath, PrefersExeDirThenWorkDirThenExeDir) {
  ScopedTempDir exeDir;
  ScopedTempDir workDir;
  ConfigStore store(exeDir.Join("app.exe").c_str(), workDir.path().c_str());
  WriteFile(exeDir.Join("both.jar"), "");
  WriteFile(workDir.Join("both.jar"), "");
  WriteFile(workDir.Join("work.jar"), "");
  MakeDirectory(workDir.Join("lib"));

  EXPECT_EQ(exeDir.Join("both.jar"), Resolve("both.jar"));
  EXPECT_EQ(workDir.Join("work.jar"), Resolve("work.jar"));
  EXPECT_EQ(workDir.path() + "lib", Resolve("lib"));  // directories count
  EXPECT_EQ(exeDir.path() + "none.jar", Resolve("none.jar"));

  for (const char* absolute : {"\\rooted\\x.jar", "/usr/x.jar",
                               "\\\\server\\share\\x.jar"}) {
    EXPECT_EQ(absolute, Resolve(absolute));
  }
#ifdef _WIN32
  EXPECT_EQ("C:\\x.jar", Resolve("C:\\x.jar"));
  EXPECT_EQ("D:x.jar", Resolve("D:x.jar"));
#else
  // Drive letters are Windows's: here "D:x.jar" is a relative name.
  EXPECT_EQ(exeDir.path() + "D:x.jar", Resolve("D:x.jar"));
#endif
}

TEST(ResolvePath, LeavesAPathRelativeWhenTheDirectoriesAreUnknown) {
  ConfigStore store("", "");
  EXPECT_EQ("lib.jar", Resolve("lib.jar"));
}

}  // namespace
