#include "config/expand.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedEnv;

std::string Expand(const std::string& text) {
  return ExpandEnvironment(
             TextBuffer(text.data(), static_cast<int32_t>(text.size())))
      .c_str();
}

TEST(ExpandEnvironment, ReplacesDefinedReferencesInOnePass) {
  ScopedEnv javaHome("JAVA_HOME", "C:\\jdk");
  ScopedEnv home("ZOV_T_HOME", "H");
  ScopedEnv unset("ZOV_T_UNSET");
  ScopedEnv empty("ZOV_T_EMPTY", "");
  ScopedEnv nested("ZOV_T_NESTED", "%ZOV_T_HOME%");

  EXPECT_EQ("C:\\jdk\\bin", Expand("%JAVA_HOME%\\bin"));
  EXPECT_EQ("%ZOV_T_UNSET%\\bin", Expand("%ZOV_T_UNSET%\\bin"));
  EXPECT_EQ("%ZOV_T_UNSETH", Expand("%ZOV_T_UNSET%ZOV_T_HOME%"));
  EXPECT_EQ("aHbH", Expand("a%ZOV_T_HOME%b%ZOV_T_HOME%"));
  EXPECT_EQ("100%", Expand("100%"));
  EXPECT_EQ("%%", Expand("%%"));
  EXPECT_EQ("H", Expand("%zov_t_home%"));  // names compare without case
  EXPECT_EQ("[]", Expand("[%ZOV_T_EMPTY%]"));
  EXPECT_EQ("%ZOV_T_HOME%", Expand("%ZOV_T_NESTED%"));  // not scanned again
  EXPECT_EQ("", Expand(""));
}

TEST(ExpandEnvironment, GivesTheDefaultForAnUndefinedOrEmptyVariable) {
  ScopedEnv home("ZOV_T_HOME", "H");
  ScopedEnv unset("ZOV_T_UNSET");
  ScopedEnv empty("ZOV_T_EMPTY", "");

  EXPECT_EQ("H/x", Expand("%ZOV_T_HOME:-/d%/x"));
  EXPECT_EQ("/d/x", Expand("%ZOV_T_UNSET:-/d%/x"));
  EXPECT_EQ("[/d]", Expand("[%ZOV_T_EMPTY:-/d%]"));
  EXPECT_EQ("[]", Expand("[%ZOV_T_UNSET:-%]"));  // an empty default
  EXPECT_EQ("a:-b/H", Expand("%ZOV_T_UNSET:-a:-b%/%ZOV_T_HOME%"));
  // The default ends at the next "%" and is not expanded.
  EXPECT_EQ("ZOV_T_HOME%%", Expand("%ZOV_T_UNSET:-%ZOV_T_HOME%%"));
  EXPECT_EQ("x%", Expand("%:-x%%"));  // no name: the default still stands in
  EXPECT_EQ("%ZOV_T_UNSET:x%", Expand("%ZOV_T_UNSET:x%"));
}

}  // namespace
