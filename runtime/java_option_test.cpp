#include "runtime/java_option.h"

#include <string>

#include "gtest/gtest.h"

namespace {

std::string Runtime(const char* option) {
  return RuntimeOption(option).c_str();
}

TEST(RuntimeOption, JoinsTheJavaCommandsTwoWordOptions) {
  EXPECT_EQ("--add-opens=java.base/java.lang=ALL-UNNAMED",
            Runtime("--add-opens java.base/java.lang=ALL-UNNAMED"));
  EXPECT_EQ("--module-path=/opt/fx lib", Runtime("-p \t /opt/fx lib"));
  EXPECT_EQ("--module-path=mods", Runtime("--module-path mods"));
  EXPECT_EQ("--enable-native-access=ALL-UNNAMED",
            Runtime("--enable-native-access\tALL-UNNAMED"));
  EXPECT_EQ("--add-modules=javafx.controls,javafx.fxml",
            Runtime("--add-modules javafx.controls,javafx.fxml"));

  // What the runtime reads already, or what is no two-word option.
  for (const char* same :
       {"--add-opens=java.base/java.lang=ALL-UNNAMED", "-Xmx1g", "-p",
        "--add-opens", "--add-opens  ", "-pfoo bar", "--add-openss x",
        "--module-pathx y", "-Dp x", "", "--class-path x"}) {
    EXPECT_EQ(same, Runtime(same));
  }
}

}  // namespace
