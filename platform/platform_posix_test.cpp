#include "platform/platform.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/test_support.h"
#include "text/text.h"

namespace {

using testing_support::MakeDirectory;
using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

// The existence test searches as FindFirstFileA does: wildcards in the last
// part of the name only, so that no name makes it walk a tree.
TEST(PlatformFileExists, TakesWildcardsInTheLastPartOnly) {
  ScopedTempDir dir;
  MakeDirectory(dir.Join("lib"));
  WriteFile(dir.Join("lib/a.jar"), "");
  WriteFile(dir.Join("[b].jar"), "");

  EXPECT_TRUE(PlatformFileExists(dir.Join("lib").c_str()));
  EXPECT_TRUE(PlatformFileExists(dir.Join("lib/*.jar").c_str()));
  EXPECT_TRUE(PlatformFileExists(dir.Join("lib/?.j*").c_str()));
  EXPECT_TRUE(PlatformFileExists(dir.Join("*b].jar").c_str()));  // no brackets
  EXPECT_FALSE(PlatformFileExists(dir.Join("lib/*.zip").c_str()));
  EXPECT_FALSE(PlatformFileExists(dir.Join("lib/??.jar").c_str()));
  EXPECT_FALSE(PlatformFileExists(dir.Join("l*/a.jar").c_str()));
  EXPECT_FALSE(PlatformFileExists(dir.Join("nowhere/*").c_str()));
  // Would name millions of files if every part were searched.
  EXPECT_FALSE(PlatformFileExists("/*/*/*/*/*/*/*/*/*/*"));
  EXPECT_FALSE(PlatformFileExists(""));
}

// "=" ends a name in the environment: a name holding one is no variable,
// though it may match the start of an entry such as ZOV_EQ=k=v.
TEST(PlatformGetEnvironment, FindsNoNameHoldingAnEqualsSign) {
  ScopedEnv set("ZOV_EQ", "k=v");
  TextBuffer value("untouched");
  EXPECT_FALSE(PlatformGetEnvironment("ZOV_EQ=k", &value));
  EXPECT_FALSE(PlatformGetEnvironment("=", &value));
  EXPECT_STREQ("untouched", value.c_str());
  EXPECT_TRUE(PlatformGetEnvironment("zov_eq", &value));
  EXPECT_STREQ("k=v", value.c_str());
}

// Set first, the lower-case name would come first in the environment.
TEST(PlatformGetEnvironment, PrefersTheExactNameToOtherCases) {
  ScopedEnv lower("zov_case", "lower");
  ScopedEnv upper("ZOV_CASE", "upper");
  TextBuffer value;
  EXPECT_TRUE(PlatformGetEnvironment("ZOV_CASE", &value));
  EXPECT_STREQ("upper", value.c_str());
  EXPECT_TRUE(PlatformGetEnvironment("zov_case", &value));
  EXPECT_STREQ("lower", value.c_str());
  EXPECT_TRUE(PlatformGetEnvironment("Zov_Case", &value));
}

}  // namespace
