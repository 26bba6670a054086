#include <time.h>

#include <string>

#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

// The caches compare these times with day-long spans, on every system alike.
TEST(PlatformFileStamp, GivesTheSizeAndMillisecondsSinceTheUnixEpoch) {
  testing_support::ScopedTempDir dir;
  std::string file = dir.Join("stamped");
  testing_support::WriteFile(file, "12345");
  int64_t size = -1, time = -1;
  ASSERT_TRUE(PlatformFileStamp(file.c_str(), &size, &time));
  EXPECT_EQ(5, size);
  int64_t now = static_cast<int64_t>(::time(nullptr)) * 1000;
  EXPECT_LT(now - 60000, time);
  EXPECT_GT(now + 60000, time);
  EXPECT_FALSE(PlatformFileStamp(dir.Join("missing").c_str(), &size, &time));
}

}  // namespace

TEST(PlatformDirectory, MissingFolderListsNothingAndMakingOneTellsFoldersFromFiles) {
  testing_support::ScopedTempDir dir;
  std::string folder = dir.Join("folder");
  EXPECT_TRUE(PlatformMakeDirectory(folder.c_str()));
  EXPECT_TRUE(PlatformMakeDirectory(folder.c_str()));  // there already
  std::string file = dir.Join("file");
  testing_support::WriteFile(file, "x");
  EXPECT_FALSE(PlatformMakeDirectory(file.c_str()));

  std::string missing = dir.Join("missing") + kPathSeparator;
  PlatformDirectory* none = PlatformOpenDirectory(missing.c_str());
  EXPECT_EQ(nullptr, none);
  const char* name = nullptr;
  bool isDirectory = false;
  EXPECT_FALSE(PlatformNextEntry(none, &name, &isDirectory));
  PlatformCloseDirectory(none);
}
