#include "text/text.h"

#include <string.h>

#include "gtest/gtest.h"

namespace {

TEST(GrowCapacity, FollowsTheSharedRule) {
  EXPECT_EQ(8, GrowCapacity(0, 5));
  EXPECT_EQ(16, GrowCapacity(0, 9));    // 8 characters + NUL
  EXPECT_EQ(32, GrowCapacity(0, 21));   // 20 characters + NUL
  EXPECT_EQ(104, GrowCapacity(8, 100));
  EXPECT_EQ(16, GrowCapacity(16, 16));  // fits: unchanged
  EXPECT_EQ(48, GrowCapacity(24, 40));  // doubling suffices
}

TEST(TextBuffer, KeepsItsTerminatorThroughEveryLengthChange) {
  TextBuffer empty(nullptr, -1);
  EXPECT_EQ(0, empty.length());
  EXPECT_EQ(8, empty.capacity());
  EXPECT_EQ(0, empty.data()[0]);

  TextBuffer text("hello");
  EXPECT_EQ(8, text.capacity());
  text.Append(" world");
  EXPECT_STREQ("hello world", text.data());
  EXPECT_EQ(16, text.capacity());
  text.Resize(4);  // shrinking keeps the storage, moves the NUL
  EXPECT_EQ(16, text.capacity());
  EXPECT_STREQ("hell", text.data());

  char* gap = text.InsertGap(1, 10);  // the gap is longer than the tail
  memset(gap, '-', 10);
  EXPECT_STREQ("h----------ell", text.data());
  EXPECT_EQ(14, text.length());

  TextBuffer withNul("a\0b", 3);  // explicit lengths keep inner NULs
  EXPECT_EQ(3, withNul.length());
  EXPECT_EQ('b', withNul.data()[2]);
  EXPECT_EQ(0, withNul.data()[3]);
}

TEST(ByteBuffer, HasNoTerminatorAndNoStorageUntilItGrows) {
  ByteBuffer none(nullptr, 0);
  EXPECT_EQ(nullptr, none.data());
  EXPECT_EQ(0, none.capacity());
  none.CStr();  // no terminator, so still nothing to hold
  EXPECT_EQ(nullptr, none.data());

  ByteBuffer bytes("abcdefgh", 8);
  EXPECT_EQ(8, bytes.capacity());  // a TextBuffer would need 16
  bytes.FreeStorage();
  EXPECT_EQ(nullptr, bytes.data());
  bytes.Append("xy", 2);  // usable again after FreeStorage
  EXPECT_EQ(2, bytes.length());

  IntArray ints(nullptr, 0);
  EXPECT_EQ(nullptr, ints.data());
  int32_t values[] = {1, 2, 3};
  IntArray copy(values, 3);
  *copy.InsertGap(1, 2) = 7;
  EXPECT_EQ(5, copy.length());
  EXPECT_EQ(7, copy.data()[1]);
  EXPECT_EQ(2, copy.data()[3]);
  EXPECT_EQ(3, copy.data()[4]);
}

TEST(TextBuffer, ConcatInBothOrdersLeavesOperandsAlone) {
  TextBuffer value("x=1");
  TextBuffer option = Concat("-D", value);
  EXPECT_STREQ("-Dx=1", option.data());
  TextBuffer tail = Concat(value, ";");
  EXPECT_STREQ("x=1;", tail.data());
  TextBuffer withNull = Concat(value, nullptr);
  EXPECT_STREQ("x=1", withNull.data());
  EXPECT_STREQ("x=1", value.data());

  TextBuffer moved(static_cast<TextBuffer&&>(option));
  EXPECT_STREQ("-Dx=1", moved.data());
  EXPECT_STREQ("", option.c_str());
  // Either side of a move stays a terminated text that can grow.
  option = static_cast<TextBuffer&&>(moved);
  EXPECT_STREQ("-Dx=1", option.c_str());
  ASSERT_NE(nullptr, moved.c_str());
  EXPECT_EQ(static_cast<int32_t>(strlen(moved.c_str())), moved.length());
  moved.Append("y");
  EXPECT_STREQ("y", moved.c_str() + moved.length() - 1);
}

TEST(CompareText, ComparesSignedBytesOverTheWholeLength) {
  EXPECT_EQ(0, CompareText(TextBuffer(), nullptr));
  EXPECT_EQ(0, CompareText(TextBuffer(), ""));
  TextBuffer abc("abc");
  EXPECT_EQ(0, CompareText(abc, "abc"));
  EXPECT_GT(CompareText(abc, "ab"), 0);
  EXPECT_LT(CompareText(abc, "abd"), 0);
  EXPECT_LT(CompareText(abc, "abcd"), 0);
  EXPECT_NE(0, CompareText(TextBuffer("ABC"), "abc"));
  EXPECT_GT(CompareText(abc, nullptr), 0);
  // A high byte is negative: it sorts below the end of the shorter text.
  EXPECT_LT(CompareText(TextBuffer("ab\xE9"), "ab"), 0);
  // The NUL after the string meets the buffer's NUL byte, which is equal.
  EXPECT_EQ(0, CompareText(TextBuffer("abc\0xy", 6), "abc"));
}

TEST(WideText, ConvertsBothWaysAndCountsTheConvertedNul) {
  WideTextBuffer wide;
  wide.AssignFromAnsi("abc", -1);
  EXPECT_EQ(4, wide.length());  // three letters and the converted NUL
  EXPECT_EQ(0, wide.data()[3]);
  EXPECT_EQ(0, wide.data()[4]);

  TextBuffer narrow;
  narrow.AssignFromWide(wide.data(), 0);
  EXPECT_EQ(0, narrow.length());
  EXPECT_EQ(0, narrow.data()[0]);

  WideTextView view(wide.data(), wide.length());
  EXPECT_EQ('a', view.UnitAt(0));
  EXPECT_EQ(0xFFFF, view.UnitAt(-1, 0xFFFF));
  EXPECT_EQ(0xFFFF, view.UnitAt(4, 0xFFFF));
  EXPECT_EQ(0, WideTextView(nullptr, 0).UnitAt(0));
}

#ifndef _WIN32
// UTF-8 is the Linux launcher's narrow encoding; on Windows the ANSI code
// page decides, and the Windows run checks the ASCII-safe cases above.
TEST(WideText, NonAsciiRoundTripsThroughUtf16) {
  const char* original = "na\xC3\xAFve \xE4\xB8\xAD \xF0\x9F\x98\x80";
  WideTextBuffer wide;
  wide.AssignFromAnsi(original, -1);
  ASSERT_EQ(11, wide.length());  // 8 BMP units, a surrogate pair, the NUL
  EXPECT_EQ(0x00EF, wide.data()[2]);
  EXPECT_EQ(0x4E2D, wide.data()[6]);
  EXPECT_EQ(0xD83D, wide.data()[8]);
  EXPECT_EQ(0xDE00, wide.data()[9]);

  TextBuffer back;
  back.AssignFromWide(wide.data(), wide.length() - 1);
  EXPECT_STREQ(original, back.data());

  // Each byte of a broken sequence becomes U+FFFD; the rest survives.
  WideTextBuffer invalid;
  invalid.AssignFromAnsi("\xC3(\xE4\xB8", -1);
  ASSERT_EQ(5, invalid.length());
  EXPECT_EQ(0xFFFD, invalid.data()[0]);
  EXPECT_EQ('(', invalid.data()[1]);
  EXPECT_EQ(0xFFFD, invalid.data()[2]);
  EXPECT_EQ(0xFFFD, invalid.data()[3]);
}
#else
TEST(WideText, AnsiCodePageRoundTrip) {
  // 0xE9 is e-acute in the Western code pages Wine uses by default.
  const char original[] = "caf\xE9";
  WideTextBuffer wide;
  wide.AssignFromAnsi(original, -1);
  ASSERT_EQ(5, wide.length());
  EXPECT_EQ(0x00E9, wide.data()[3]);
  TextBuffer back;
  back.AssignFromWide(wide.data(), 4);
  EXPECT_STREQ(original, back.data());
}
#endif

TEST(StringList, PacksEntriesAndReusesStorageAfterClear) {
  StringList list;
  list.Add("-Xmx1g");
  list.Add("");
  list.Add(nullptr);  // counts as empty
  list.Add("-Da=b");
  ASSERT_EQ(4, list.Count());
  EXPECT_STREQ("-Xmx1g", list.Entry(0));
  EXPECT_STREQ("", list.Entry(1));
  EXPECT_STREQ("", list.Entry(2));
  EXPECT_STREQ("-Da=b", list.Entry(3));
  // Back to back: every entry's text and its NUL.
  EXPECT_EQ(7 + 1 + 1 + 6, list.pool().length());

  const char* poolBefore = list.pool().data();
  int32_t capacityBefore = list.pool().capacity();
  list.Clear();
  EXPECT_EQ(0, list.Count());
  list.Add("again");
  EXPECT_EQ(poolBefore, list.pool().data());
  EXPECT_EQ(capacityBefore, list.pool().capacity());
  EXPECT_STREQ("again", list.Entry(0));

  list.FreeAll();
  EXPECT_EQ(0, list.Count());
  EXPECT_EQ(nullptr, list.pool().data());
}

}  // namespace
