#include "text/format_text.h"

#include <string>

#include "gtest/gtest.h"

namespace {

TEST(FormatText, SecuresTheCapacityAndNeverWritesPastIt) {
  TextBuffer fresh;
  EXPECT_TRUE(FormatText(&fresh, "%d.%d", 1, 5));
  EXPECT_STREQ("1.5", fresh.c_str());
  EXPECT_EQ(3, fresh.length());
  EXPECT_EQ(1032, fresh.capacity());  // 8, doubled, then 1032

  TextBuffer mid;
  mid.Resize(599);
  ASSERT_EQ(608, mid.capacity());
  FormatText(&mid, "x");
  EXPECT_EQ(1216, mid.capacity());  // doubling alone is enough

  TextBuffer large;
  large.Resize(1999);
  int32_t capacity = large.capacity();
  FormatText(&large, "%s", "");
  EXPECT_EQ(0, large.length());
  EXPECT_EQ(capacity, large.capacity());

  // Exactly filling the storage but one byte, then one byte more, then far
  // more: the text is cut to capacity - 1 and ends in its NUL.
  for (size_t size : {size_t{1031}, size_t{1032}, size_t{5000}}) {
    SCOPED_TRACE(size);
    std::string longText(size, 'q');
    TextBuffer out;
    // Only a cut result says so.
    EXPECT_EQ(size == 1031, FormatText(&out, "%s", longText.c_str()));
    EXPECT_EQ(1032, out.capacity());
    ASSERT_EQ(1031, out.length());
    EXPECT_EQ(std::string(1031, 'q'), std::string(out.data(), 1031));
    EXPECT_EQ(0, out.data()[1031]);
  }
}

}  // namespace
