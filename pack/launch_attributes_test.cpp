#include "launch_attributes.h"

#include <gtest/gtest.h>

namespace zovpack {
namespace {

TEST(LaunchAttributesTest, TranslatesWhatJavaJarActsOn) {
  JarManifest manifest = ParseManifest(
      "Manifest-Version: 1.0\r\nMain-Class: a.B\r\n"
      "add-opens: java.base/java.lang  java.desktop/sun.awt\r\n"
      "Add-Exports: java.base/sun.nio.ch\r\n"
      "Enable-Native-Access: ALL-UNNAMED\r\n"
      "Launcher-Agent-Class: a.Agent\r\n\r\n"
      "Name: a/\r\nAdd-Opens: java.base/java.io\r\n");
  std::vector<LaunchAttribute> all = TranslateLaunchAttributes(manifest.main);
  ASSERT_EQ(4u, all.size());
  EXPECT_EQ("add-opens: java.base/java.lang  java.desktop/sun.awt", all[0].attribute);
  EXPECT_EQ((std::vector<std::string>{
                "option --add-opens=java.base/java.lang=ALL-UNNAMED",
                "option --add-opens=java.desktop/sun.awt=ALL-UNNAMED"}),
            all[0].lines);
  EXPECT_EQ(std::vector<std::string>{
                "option --add-exports=java.base/sun.nio.ch=ALL-UNNAMED"},
            all[1].lines);
  EXPECT_EQ(std::vector<std::string>{"option --enable-native-access=ALL-UNNAMED"},
            all[2].lines);
  EXPECT_TRUE(all[3].lines.empty());
  EXPECT_NE("", all[3].problem);

  // What java -jar would refuse is not half carried over.
  for (const char* bad : {"Add-Opens: java.base/java.lang java.base\n",
                          "Add-Exports: /x\n", "Enable-Native-Access: java.base\n"}) {
    std::vector<LaunchAttribute> one = TranslateLaunchAttributes(ParseManifest(bad).main);
    ASSERT_EQ(1u, one.size()) << bad;
    EXPECT_TRUE(one[0].lines.empty()) << bad;
    EXPECT_NE("", one[0].problem) << bad;
  }
  EXPECT_TRUE(TranslateLaunchAttributes(ParseManifest("Main-Class: a.B\n").main).empty());
}

TEST(LaunchAttributesTest, DropsItemsTheRuntimeDoesNotHold) {
  JarManifest manifest = ParseManifest(
      "Manifest-Version: 1.0\r\n"
      "Add-Exports: java.base/sun.nio.ch jdk.deploy/com.sun.deploy java.base/sun.gone\r\n"
      "Enable-Native-Access: ALL-UNNAMED\r\n\r\n");
  std::vector<LaunchAttribute> all = TranslateLaunchAttributes(manifest.main);
  ASSERT_EQ(2u, all.size());
  std::set<std::string> contents = {"java.base", "java.base/sun.nio.ch", "java.base/java.lang"};
  EXPECT_EQ((std::vector<std::string>{"jdk.deploy/com.sun.deploy", "java.base/sun.gone"}),
            DropAbsent(contents, &all[0]));
  EXPECT_EQ(std::vector<std::string>{"option --add-exports=java.base/sun.nio.ch=ALL-UNNAMED"},
            all[0].lines);
  // Not an item of a module: kept whatever the runtime holds.
  EXPECT_TRUE(DropAbsent(contents, &all[1]).empty());
  EXPECT_EQ(1u, all[1].lines.size());
}

}  // namespace
}  // namespace zovpack
