#include "config/collect.h"

#include <string>

#include "config/config_store.h"
#include "gtest/gtest.h"
#include "platform/platform.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedEnv;
using testing_support::ScopedTempDir;
using testing_support::WriteFile;

TEST(CollectClassPath, AddsEachNonEmptyPieceExpandedAndResolved) {
  ScopedTempDir exeDir;
  ScopedTempDir workDir;
  ConfigStore store(exeDir.Join("app.exe").c_str(), workDir.path().c_str());
  WriteFile(workDir.Join("w.jar"), "");
  ScopedEnv cp("ZOV_T_CP", "a.jar;b.jar");
  const std::string sep(1, kClassPathSeparator);

  TextBuffer entries;
  CollectClassPath(&entries, ";;a.jar;");
  EXPECT_EQ(sep + exeDir.Join("a.jar"), entries.c_str());

  entries.Clear();
  CollectClassPath(&entries, "lib/a.jar;;w.jar");
  CollectClassPath(&entries, "/abs/x.jar");
  EXPECT_EQ(sep + exeDir.path() + "lib/a.jar" + sep + workDir.Join("w.jar") +
                sep + "/abs/x.jar",
            entries.c_str());

  entries.Clear();
  CollectClassPath(&entries, "%ZOV_T_CP%");  // one entry, one path
  EXPECT_EQ(sep + exeDir.path() + "a.jar;b.jar", entries.c_str());

  entries.Clear();
  CollectClassPath(&entries, "");
  CollectClassPath(&entries, ";");
  EXPECT_EQ(0, entries.length());
}

TEST(CollectExpanded, AddsOneEntryPerValueEvenWhenEmpty) {
  ScopedEnv size("ZOV_T_SIZE", "64m");
  ScopedEnv undefined("ZOV_T_UNDEFINED");
  StringList list;
  CollectExpanded(&list, "-Xmx%ZOV_T_SIZE%");
  CollectExpanded(&list, "");
  CollectExpanded(&list, "-Dx=%ZOV_T_UNDEFINED%");
  ASSERT_EQ(3, list.Count());
  EXPECT_STREQ("-Xmx64m", list.Entry(0));
  EXPECT_STREQ("", list.Entry(1));
  EXPECT_STREQ("-Dx=%ZOV_T_UNDEFINED%", list.Entry(2));
}

}  // namespace
