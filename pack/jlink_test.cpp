#include "jlink.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "jdk_tools.h"
#include "test_util.h"

namespace zovpack {
namespace {

TEST(JlinkTest, ReadsTheModuleListPastWarningsAndNamesAFailureInOneLine) {
  std::string modules, error;
  std::vector<std::string> warnings;
  EXPECT_TRUE(ReadJdepsAnswer(true, "java.base,java.desktop\n", &modules, &warnings, &error));
  EXPECT_EQ("java.base,java.desktop", modules);
  EXPECT_TRUE(warnings.empty());

  EXPECT_TRUE(ReadJdepsAnswer(
      true, "Warning: split package: a.b file:/x/app.jar file:/x/app.jar\r\n\r\njava.base\r\n",
      &modules, &warnings, &error));
  EXPECT_EQ("java.base", modules);
  EXPECT_EQ(std::vector<std::string>{
                "jdeps: Warning: split package: a.b file:/x/app.jar file:/x/app.jar"},
            warnings);

  warnings.clear();
  EXPECT_FALSE(ReadJdepsAnswer(false,
                               "Exception in thread \"main\" x\nError: app.jar is a multi-release "
                               "jar file but --multi-release option is not set\n  at y\n",
                               &modules, &warnings, &error));
  EXPECT_EQ("--jlink: jdeps failed: Error: app.jar is a multi-release jar file but "
            "--multi-release option is not set",
            error);
  // Status 0 but no list: a sentence is not a module list.
  EXPECT_FALSE(ReadJdepsAnswer(true, "Warning: nothing to analyze\n", &modules, &warnings, &error));
  EXPECT_EQ("--jlink: jdeps failed: Warning: nothing to analyze", error);
  EXPECT_FALSE(ReadJdepsAnswer(true, "", &modules, &warnings, &error));
  EXPECT_EQ("--jlink: jdeps failed: no output", error);
}

TEST(JlinkTest, ReadsModulesAndPackagesOfAnImageListing) {
  std::set<std::string> contents = ReadImageContents(
      "jimage: /x/lib/modules\n\n"
      "Module: java.base\n"
      "    META-INF/services/java.nio.file.spi.FileSystemProvider\n"
      "    java/lang/Object.class\n"
      "    java/lang/invoke/MethodHandle.class\n"
      "    module-info.class\n"
      "Module: app\r\n"
      "    a/b/Main.class\r\n");
  EXPECT_EQ((std::set<std::string>{"java.base", "java.base/java.lang",
                                   "java.base/java.lang.invoke", "app", "app/a.b"}),
            contents);
}

TEST(JlinkTest, AddsTheServiceModulesTheJdkHas) {
  std::set<std::string> all = {"jdk.crypto.ec", "jdk.charsets", "jdk.zipfs", "jdk.naming.dns",
                               "jdk.localedata"};
  EXPECT_EQ((std::vector<std::string>{"jdk.crypto.ec", "jdk.charsets", "jdk.zipfs"}),
            ServiceModules("java.base,java.desktop", all));
  // DNS through JNDI only where JNDI is linked; what a JDK lacks is not asked for.
  EXPECT_EQ((std::vector<std::string>{"jdk.charsets", "jdk.naming.dns"}),
            ServiceModules("java.base,java.naming", {"jdk.charsets", "jdk.naming.dns"}));
}

TEST(JlinkTest, FreshFoldersNeverTakeAnExistingOne) {
  test::ScratchDir dir;
  std::string error;
  std::string a = MakeFreshFolder(dir.path(), "x.", &error);
  std::string b = MakeFreshFolder(dir.path(), "x.", &error);
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, b);
  EXPECT_TRUE(MakeFreshFolder(dir.path() + "/missing/deeper", "x.", &error).empty());
  EXPECT_NE(std::string::npos, error.find("missing")) << error;
}

}  // namespace
}  // namespace zovpack
