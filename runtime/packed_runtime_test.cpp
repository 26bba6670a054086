#include "runtime/packed_runtime.h"

#include <filesystem>
#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;

#ifndef _WIN32  // Windows refuses such paths before anything is unpacked
// A cache path too long for the folder name a start unpacks into must fail
// the unpacking, never name a shorter path that is then removed: cut at
// the formatting limit, KEY.PID would become the runtimes folder itself.
TEST(PackedRuntime, ALongCachePathRemovesNothingOutsideItsOwnFolder) {
  ScopedTempDir dir;
  const std::string runtimes = "zov/runtimes/";
  const size_t limit = 1031;  // what a formatted name is cut to
  std::string cache = dir.path();
  while (cache.size() + runtimes.size() < limit) {
    size_t need = limit - runtimes.size() - cache.size();
    cache += std::string(need - 1 <= 200 ? need - 1 : 150, 'c') + "/";
  }
  ASSERT_EQ(limit, (cache + runtimes).size());
  testing_support::MakeDirectory(cache + runtimes + "other-app");
  testing_support::WriteFile(cache + runtimes + "other-app/lib", "in use");
  testing_support::MakeDirectory(dir.Join("tmp"));
  ScopedEnv cacheHome("XDG_CACHE_HOME", cache.substr(0, cache.size() - 1));
  ScopedEnv temporary("TMPDIR", dir.Join("tmp"));

  // The payload is damaged: every unpacking fails and cleans up.
  std::string exe = dir.Join("app");
  testing_support::WriteFile(
      exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
               "packed_runtime 0 10 1 0123456789abcdef0123456789abcdef");
  ConfigStore store(exe.c_str(), "");
  EXPECT_STREQ("", PackedRuntimeHome(store).c_str());
  EXPECT_TRUE(PackedRuntimeFailed());
  EXPECT_EQ("in use",
            testing_support::ReadFile(cache + runtimes + "other-app/lib"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.Join("tmp")));
}
#endif

}  // namespace
