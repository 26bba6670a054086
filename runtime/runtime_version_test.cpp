#include "runtime/runtime_version.h"

#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "runtime/launch_error.h"
#include "tests/test_support.h"

namespace {

bool TooLow(const char* runtime, const char* minimum) {
  int major, minor, requiredMajor, requiredMinor;
  ParseVersion(runtime, &major, &minor);
  ParseVersion(minimum, &requiredMajor, &requiredMinor);
  return RuntimeTooOld(major, minor, requiredMajor, requiredMinor);
}

TEST(VersionGate, ComparesTheFirstTwoNumbersAsIntegers) {
  EXPECT_FALSE(TooLow("1.5.0_22-b03", "1.5"));  // equal passes
  EXPECT_TRUE(TooLow("1.9", "1.10"));           // integers, not text
  EXPECT_FALSE(TooLow("2.0", "1.6"));           // a larger major wins
  EXPECT_FALSE(TooLow("17.0.15+6-Debian", "1.8"));
  EXPECT_TRUE(TooLow("17.0.15", "99.0"));
  EXPECT_FALSE(TooLow("17.0.2", " 17.0"));      // blanks before a number
}

TEST(VersionGate, MissingNumbersCountAsZero) {
  int major = -1, minor = -1;
  ParseVersion("11", &major, &minor);
  EXPECT_EQ(11, major);
  EXPECT_EQ(0, minor);
  ParseVersion("", &major, &minor);
  EXPECT_EQ(0, major);
  EXPECT_EQ(0, minor);
  ParseVersion("abc", &major, &minor);
  EXPECT_EQ(0, major);
  // A minimum of "1" alone is 1.0, which 1.0 meets and 0.9 does not.
  EXPECT_FALSE(TooLow("1.0", "1"));
  EXPECT_TRUE(TooLow("0.9", "1"));
  // An unreadable runtime version is 0.0: below any real minimum.
  EXPECT_TRUE(TooLow("", "1.1"));
}

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

TEST(ReleaseVersion, ReadsTheVersionOfARelease) {
  EXPECT_EQ(17, ReleaseJavaVersion("17.0.15"));
  EXPECT_EQ(25, ReleaseJavaVersion("25"));
  // Java 8 and older wrote 1.8.0: too old for archives either way.
  EXPECT_GT(13, ReleaseJavaVersion("1.8.0_392"));
  EXPECT_EQ(0, ReleaseJavaVersion(""));

  // The release file of the home, found from the library upwards.
  testing_support::ScopedTempDir home;
  testing_support::MakeDirectory(home.Join("lib"));
  testing_support::MakeDirectory(home.Join("lib/server"));
  std::string library = home.Join("lib/server/libjvm.so");
  EXPECT_STREQ("", ReadReleaseVersion(library.c_str()).c_str());
  for (const char* text : {"JAVA_RUNTIME_VERSION=\"17\"\n", "JAVA_VERSION=\"17"}) {
    testing_support::WriteFile(home.Join("release"), text);
    EXPECT_STREQ("", ReadReleaseVersion(library.c_str()).c_str()) << text;
  }
  testing_support::WriteFile(home.Join("release"),
                             "IMPLEMENTOR=\"Debian\"\nJAVA_VERSION=\"17.0.15\"\n");
  EXPECT_STREQ("17.0.15", ReadReleaseVersion(library.c_str()).c_str());
}

}  // namespace
