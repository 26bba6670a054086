#include "config_lines.h"

#include <gtest/gtest.h>

namespace zovpack {
namespace {

TEST(ConfigLinesTest, ReadsLinesAsTheLauncherDoes) {
  struct Case {
    const char* line;
    const char* key;
    const char* value;
  } cases[] = {
      {"option -Xmx256m", "option", "-Xmx256m"},
      {"   OPTION   -Xmx256m", "option", "-Xmx256m"},
      {"option-Xmx256m", "option", "-Xmx256m"},
      {"options -Xmx256m", "option", "s -Xmx256m"},
      {"option\t-Xmx256m", "option", "\t-Xmx256m"},
      {"option", "option", ""},
      {"MainClass a.B  ", "mainclass", "a.B  "},
      {"opt", nullptr, ""},
      {"#option -Xmx256m", nullptr, ""},
      {"\toption x", nullptr, ""},
      {"", nullptr, ""},
  };
  for (const Case& c : cases) {
    LauncherLine read = ReadLauncherLine(c.line);
    EXPECT_STREQ(c.key, read.key) << c.line;
    EXPECT_EQ(c.value, read.value) << c.line;
  }
  using Lines = std::vector<std::string>;
  EXPECT_EQ((Lines{"a", "b", "", "c", "d", "", "e"}),
            SplitLauncherLines("a\r\nb\r\n\r\nc\n\rd\r\re"));
  EXPECT_EQ((Lines{"a"}), SplitLauncherLines("a\r\n"));
  EXPECT_EQ((Lines{"a"}), SplitLauncherLines(std::string("a\0b", 3)));
  EXPECT_EQ("a\r\nb", JoinConfigLines({"a", "b"}));
}

TEST(ConfigLinesTest, ChecksLinesBeforePacking) {
  std::vector<std::string> warnings;
  std::string error;
  EXPECT_TRUE(CheckConfigLines({"mainclass a.B", "option -Xmx1g",
                                "option -Dx=1", "property y=2", "jvmdll %J%\\jvm.dll",
                                "minjre 1.8", "jre_order es", "classpath lib\\a.jar"},
                               true, &warnings, &error));
  EXPECT_TRUE(warnings.empty()) << warnings[0];

  for (const std::string& bad : {std::string("option a\nb"), std::string("option a\r"),
                                 std::string("option \0x", 9)}) {
    EXPECT_FALSE(CheckConfigLines({"mainclass a.B", bad}, true, &warnings, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }

  auto warned = [](const std::vector<std::string>& lines, bool windows,
                   const char* fragment) {
    std::vector<std::string> w;
    std::string e;
    EXPECT_TRUE(CheckConfigLines(lines, windows, &w, &e));
    return w.size() == 1 && w[0].find(fragment) != std::string::npos;
  };
  EXPECT_TRUE(warned({"options -Xmx1g"}, true, "value \"s -Xmx1g\""));
  EXPECT_TRUE(warned({"option=-Xmx1g"}, true, "value \"=-Xmx1g\""));
  EXPECT_TRUE(warned({"# a note"}, true, "no key"));
  EXPECT_TRUE(warned({"\tminjre 1.8"}, true, "no key"));
  EXPECT_TRUE(warned({"minjre 1.8", "minjre 11.0"}, true, "only the first"));
  EXPECT_TRUE(warned({"minjre 1.8 "}, true, "white space"));
  EXPECT_TRUE(warned({"minjre v17"}, true, "MAJOR.MINOR"));
  EXPECT_TRUE(warned({"maxjre latest"}, true, "maxjre is read as MAJOR.MINOR"));
  EXPECT_TRUE(warned({"minjre 21", "maxjre 17.9"}, false, "below minjre \"21\""));
  EXPECT_TRUE(warned({"maxjre 21.0", "minjre 21.1"}, false, "below"));
  EXPECT_TRUE(warned({"property name=J\xc3\xbcrgen"}, true, "ANSI"));
  for (const char* ignored :
       {"option --add-opens", "option --class-path lib", "option --module x/y",
        "option --illegal-native-access deny", "option --enable-preview=1",
        "option --add-open=java.base/java.lang=ALL-UNNAMED", "option -cp lib/a.jar",
        "option -p", "option -splash:s.png", "option -jar app.jar"}) {
    EXPECT_TRUE(warned({ignored}, false, "would ignore it")) << ignored;
  }
  EXPECT_TRUE(warned({"option --class-path lib"}, false, "classpath line"));
  EXPECT_TRUE(warned({"option -classpath lib"}, false, "classpath line"));
  EXPECT_TRUE(warned({"restart_status nine"}, true, "a number"));
  EXPECT_TRUE(warned({"restart_status 0"}, true, "ends normally"));
  EXPECT_TRUE(warned({"restart_status 300"}, true, "0 to 255"));
  EXPECT_TRUE(warned({"single_instance"}, true, "needs a name"));
  EXPECT_TRUE(warned({"single_instance org/app"}, true, "needs a name"));
  EXPECT_TRUE(warned({"instance_handler open"}, true, "CLASS.METHOD"));
  EXPECT_TRUE(warned({"instance_handler org.App."}, true, "CLASS.METHOD"));
  EXPECT_TRUE(warned({"workdir"}, true, "current directory"));
  EXPECT_TRUE(warned({"workdir a", "workdir b"}, true, "only the first"));
  warnings.clear();
  EXPECT_TRUE(CheckConfigLines({"argument -a", "argument -b", "restart_status 9",
                                "single_instance app", "workdir %ZOV_APP_DIR%",
                                "instance_handler org.App.open"},
                               true, &warnings, &error));
  EXPECT_TRUE(warnings.empty()) << warnings[0];
  warnings.clear();
  EXPECT_TRUE(CheckConfigLines({"option -Xss1m", "option -Xmx1g", "property n=J\xc3\xbc",
                                "option --add-opens java.base/java.lang=ALL-UNNAMED",
                                "option --add-exports=java.base/sun.nio.ch=ALL-UNNAMED",
                                "option -p mods", "option --module-path\tmods",
                                "option --enable-native-access ALL-UNNAMED",
                                "option --illegal-native-access=deny",
                                "option --enable-preview", "option -ea",
                                "option -verbose:gc", "minjre 21", "maxjre 21"},
                               false, &warnings, &error));
  EXPECT_TRUE(warnings.empty());
}

TEST(ConfigLinesTest, FindsCommentLikeTheLauncher) {
  auto file_with_comment = [](size_t length) {
    return std::string(5000, 'x') + "PK\x05\x06" + std::string(18, '\0') +
           std::string(length, 'c');
  };
  std::string comment;
  EXPECT_EQ(5000u, FindLauncherComment(file_with_comment(2048), &comment));
  EXPECT_EQ(std::string(2048, 'c'), comment);
  EXPECT_EQ(std::string::npos, FindLauncherComment(file_with_comment(2049), &comment));
  EXPECT_EQ(0u, FindLauncherComment(file_with_comment(0).substr(5000), &comment));
  EXPECT_EQ("", comment);
  // The occurrence nearest the end wins.
  std::string twice = file_with_comment(40) + "PK\x05\x06" + std::string(18, 'd');
  EXPECT_EQ(5062u, FindLauncherComment(twice, &comment));
  EXPECT_EQ("", comment);
  EXPECT_EQ(std::string::npos, FindLauncherComment("PK\x05\x06", &comment));
}

}  // namespace
}  // namespace zovpack
