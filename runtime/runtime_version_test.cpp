#include "runtime/runtime_version.h"

#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "runtime/launch_error.h"
#include "tests/test_support.h"

namespace {

RuntimeChoice Bounds(const std::string& lines) {
  testing_support::ScopedTempDir dir;
  std::string exe = dir.Join("app.exe");
  testing_support::WriteFile(
      exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') + lines);
  ConfigStore store(exe.c_str(), "");
  return RuntimeChoice(store);
}

TEST(JudgeVersion, PassesOverOutOfBoundsAndNamesTheClosest) {
  RuntimeChoice choice = Bounds("minjre 11\nmaxjre 21");
  TextBuffer verdict("found");
  EXPECT_TRUE(JudgeVersion(&choice, "21.3.1", &verdict));  // every 21.x
  EXPECT_STREQ("found 21.3.1", verdict.c_str());
  verdict.Assign("found");
  EXPECT_TRUE(JudgeVersion(&choice, "", &verdict));  // known only once loaded
  EXPECT_STREQ("found", verdict.c_str());
  for (const char* version : {"1.8.0_392", "10", "25.0.3", "22", "1.8"}) {
    EXPECT_FALSE(JudgeVersion(&choice, version, &verdict)) << version;
  }
  EXPECT_STREQ("too old: 1.8 < 11", verdict.c_str());
  EXPECT_EQ(10, choice.low[0]);
  EXPECT_EQ(22, choice.high[0]);
  int version[2], bound[2];
  EXPECT_EQ(VersionTooLow, MissedVersions(choice, &version[0], &version[1], &bound[0], &bound[1]));
  EXPECT_EQ(10, version[0]);
  EXPECT_EQ(11, bound[0]);

  choice.low[0] = -1;
  EXPECT_EQ(VersionTooHigh, MissedVersions(choice, &version[0], &version[1], &bound[0], &bound[1]));
  EXPECT_EQ(22, version[0]);
  EXPECT_EQ(21, bound[0]);
  EXPECT_EQ(0, bound[1]);
  choice.high[0] = -1;
  EXPECT_EQ(Success, MissedVersions(choice, &version[0], &version[1], &bound[0], &bound[1]));

  // A minor given is a bound of its own.
  RuntimeChoice exact = Bounds("maxjre 17.0");
  EXPECT_TRUE(JudgeVersion(&exact, "17.0.9", &verdict));
  EXPECT_FALSE(JudgeVersion(&exact, "17.1", &verdict));
  EXPECT_TRUE(JudgeVersion(&exact, "1.4", &verdict));  // no minimum
}

}  // namespace
