#include "platform/platform.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/test_support.h"
#include "text/text.h"

namespace {

using testing_support::ScopedEnv;

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

}  // namespace
