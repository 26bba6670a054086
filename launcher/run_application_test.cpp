#include "launcher/run_application.h"

#include "gtest/gtest.h"

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

}  // namespace
