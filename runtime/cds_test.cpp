#include "runtime/cds.h"

#include "gtest/gtest.h"

TEST(ClassDataSharingTest, ReadsTheFeatureVersionOfARelease) {
  EXPECT_EQ(17, ReleaseJavaVersion("IMPLEMENTOR=\"Debian\"\nJAVA_VERSION=\"17.0.15\"\n"));
  EXPECT_EQ(25, ReleaseJavaVersion("JAVA_VERSION=\"25\""));
  // Java 8 and older wrote 1.8.0: too old for archives either way.
  EXPECT_GT(13, ReleaseJavaVersion("JAVA_VERSION=\"1.8.0_392\""));
  EXPECT_EQ(0, ReleaseJavaVersion("JAVA_VERSION=\"\""));
  EXPECT_EQ(0, ReleaseJavaVersion("JAVA_RUNTIME_VERSION=\"17\""));
}
