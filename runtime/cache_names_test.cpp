#include "runtime/cache_names.h"

#include "gtest/gtest.h"

namespace {

// A name made for one process gives back the APP-KEY it was made from,
// whatever that process's id.
TEST(CacheNames, ProcessNamesComeApartIntoTheirKey) {
  for (const char* suffix : {".tmp", ".aotconf", ".log"}) {
    TextBuffer name("/c/zov/cds/0123abcd-89abcdef");
    AppendProcessName(&name, suffix);
    EXPECT_EQ(28 + 9 + static_cast<int32_t>(strlen(suffix)), name.length());
    RemoveProcessName(&name, suffix);
    EXPECT_STREQ("/c/zov/cds/0123abcd-89abcdef", name.c_str());
  }
  TextBuffer shortName("x.log");
  RemoveProcessName(&shortName, ".log");
  EXPECT_STREQ("", shortName.c_str());

  TextBuffer archive("0123abcd-89abcdef");
  AppendSizedArchive(&archive, 0x1f2e3d);
  EXPECT_STREQ("0123abcd-89abcdef-001f2e3d.jsa", archive.c_str());
}

}  // namespace
