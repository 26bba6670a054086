#include "plugin_index.h"

#include <gtest/gtest.h>

namespace zovpack {
namespace {

PluginIndex Sample() {
  return {{"converter",
           {{"d", "org.a.DatePatternConverter", "Date", true, false},
            {"shout", "app.Shout", "Shout", false, true}}},
          {"core", {{"console", "org.a.ConsoleAppender", "Console", true, false}}}};
}

TEST(PluginIndex, ReadsWhatItWritesAndRefusesEveryCutOrTail) {
  std::string bytes = WritePluginIndex(Sample());
  // The first category's header, as DataOutputStream writes it.
  EXPECT_EQ(std::string("\0\0\0\2\0\x09" "converter\0\0\0\2", 19), bytes.substr(0, 19));
  PluginIndex read;
  std::string error;
  ASSERT_TRUE(ReadPluginIndex(bytes, &read, &error)) << error;
  EXPECT_EQ(bytes, WritePluginIndex(read));
  ASSERT_EQ(2u, read.size());
  EXPECT_EQ("app.Shout", read[0].entries[1].class_name);
  EXPECT_TRUE(read[0].entries[1].defer);
  EXPECT_FALSE(read[0].entries[1].printable);

  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_FALSE(ReadPluginIndex(bytes.substr(0, n), &read, &error)) << n;
    EXPECT_TRUE(read.empty());
  }
  EXPECT_FALSE(ReadPluginIndex(bytes + '\0', &read, &error));
  EXPECT_EQ("bytes after the plugin index", error);
  // A count far beyond the data is damage, not an allocation.
  EXPECT_FALSE(ReadPluginIndex(std::string("\x7f\xff\xff\xff", 4), &read, &error));
}

TEST(PluginIndex, JoinsAsLog4jReadsSeveralCopies) {
  PluginIndex joined = Sample();
  PluginIndex later = {
      {"Converter",
       {{"d", "other.Date", "Date", false, false},  // the first copy's stays
        {"m", "org.a.MessagePatternConverter", "Message", true, false}}},
      {"lookup", {{"env", "org.a.EnvironmentLookup", "env", false, false}}}};
  JoinPluginIndex(&joined, later);
  ASSERT_EQ(3u, joined.size());
  ASSERT_EQ(3u, joined[0].entries.size());
  EXPECT_EQ("org.a.DatePatternConverter", joined[0].entries[0].class_name);
  EXPECT_EQ("m", joined[0].entries[2].key);
  EXPECT_EQ("lookup", joined[2].name);
  EXPECT_EQ(1u, joined[1].entries.size());
}

}  // namespace
}  // namespace zovpack
