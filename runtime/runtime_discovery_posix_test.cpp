#include <limits.h>
#include <stdlib.h>

#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "runtime/runtime_discovery.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

TEST(FindRuntimeLibrary, FindsTheMachinesOwnRuntime) {
  char java[PATH_MAX];
  if (realpath("/usr/bin/java", java) == nullptr) GTEST_SKIP() << "no java";
  std::string home(java);
  home.resize(home.size() - std::string("/bin/java").size());
  std::string library = home + "/lib/server/libjvm.so";

  ScopedEnv jreHome("JRE_HOME");
  ScopedEnv javaHome("JAVA_HOME", home);
  EXPECT_EQ(library, SearchRuntimeHomes().c_str());

  ScopedTempDir app;
  std::string exe = app.Join("app");
  WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                     "jre_order c\njvmdll %JAVA_HOME%/lib/server/libjvm.so");
  ConfigStore store(exe.c_str(), "");
  EXPECT_EQ(library, FindRuntimeLibrary(store).c_str());
}

}  // namespace
