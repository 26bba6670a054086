#include "runtime/cds.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/test_support.h"

TEST(ClassDataSharingTest, ReadsTheVersionOfARelease) {
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
