#include "config/config_lookup.h"

#include <string>
#include <vector>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedTempDir;
using testing_support::WriteFile;
using V = std::vector<std::string>;

V Lines(const char* text) {
  V lines;
  ConfigLineReader reader(text);
  TextBuffer line;
  while (reader.NextLine(&line)) lines.push_back(line.c_str());
  return lines;
}

TEST(ConfigLineReader, SplitsAtEveryKindOfLineEnd) {
  EXPECT_EQ((V{"a", "b", "c", "d", "e"}), Lines("a\r\nb\n\rc\rd\ne"));
  EXPECT_EQ((V{"a", "", "b", "", "c"}), Lines("a\r\rb\n\nc\n"));
  EXPECT_EQ((V{"a", ""}), Lines("a\r\n\r\n"));
  EXPECT_TRUE(Lines("").empty());
  EXPECT_TRUE(Lines(nullptr).empty());
}

// The values of key in a store over the given side file and comment.
V Values(const std::string& side, const std::string& embedded,
         const char* key, bool embeddedOnly = false) {
  ScopedTempDir dir;
  std::string exe = dir.Join("app.exe");
  WriteFile(exe, std::string("PK\x05\x06", 4) + std::string(18, '\0') +
                     embedded);
  if (!side.empty()) WriteFile(dir.Join("app.cfg"), side);
  ConfigStore store(exe.c_str(), dir.path().c_str());
  V values;
  TextBuffer none = store.ForEachValue(
      TextBuffer(key),
      [](void* context, const char* value) {
        static_cast<V*>(context)->push_back(value);
      },
      &values, embeddedOnly);
  EXPECT_EQ(0, none.length());
  // Lookup is the first value, or nothing.
  EXPECT_EQ(values.empty() ? "" : values[0],
            store.Lookup(TextBuffer(key), embeddedOnly).c_str());
  return values;
}

TEST(ConfigStoreLookup, ReadsKeysAsTheLineSyntaxSays) {
  std::string lines =
      "option -Xmx256m\r\n   OPTION   -Xmx256m\r\noption-Xmx256m\r\n"
      "options -Xmx256m\r\noption=-Xmx256m\r\noption\t-Xmx256m\r\n"
      "option\r\nopt\r\n#option -Xmx256m\r\noption  tail  \t";
  EXPECT_EQ((V{"-Xmx256m", "-Xmx256m", "-Xmx256m", "s -Xmx256m", "=-Xmx256m",
               "\t-Xmx256m", "", "tail  \t"}),
            Values("", lines, "OpTiOn"));
  EXPECT_EQ(V{}, Values("", lines, "missing"));
}

TEST(ConfigStoreLookup, PutsTheSideFileFirstAndKeepsMainClassEmbedded) {
  std::string side = "classpath side.jar\r\nmainclass Side\r\n";
  std::string embedded = "classpath inner.jar\r\nmainclass Inner";
  EXPECT_EQ((V{"side.jar", "inner.jar"}), Values(side, embedded, "classpath"));
  EXPECT_EQ(V{"inner.jar"}, Values(side, embedded, "classpath", true));
  EXPECT_EQ(V{"Inner"}, Values(side, embedded, "mainclass", true));
  EXPECT_EQ(V{}, Values(side, "option -Xss1m", "mainclass", true));
}

TEST(ConfigStoreLookup, StopsWholeTextLookupsAtANul) {
  std::string side("option a\r\n\0option b", 20);
  EXPECT_EQ(V{"a"}, Values(side, "option c", "option"));
  EXPECT_EQ(V{"c"}, Values(side, "option c", "option", true));
}

}  // namespace
