// Any block of UTF-16 units read as a string table: every entry stops at
// the block's end and holds what the counts say.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>

#include "launcher/messages.h"
#include "tests/fuzz/fuzz_check.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t units = size / 2;
  // Exactly the block's size, so that a read past it is caught.
  std::unique_ptr<uint16_t[]> block(new uint16_t[units ? units : 1]);
  memcpy(block.get(), data, units * 2);
  WideTextView view(block.get(), static_cast<int32_t>(units));

  size_t pos = 0;
  for (unsigned index = 0; index < 16; ++index) {
    uint16_t count = pos < units ? block[pos] : 0;
    size_t available = pos + 1 < units ? units - pos - 1 : 0;
    size_t length = count < available ? count : available;
    TextBuffer expected;
    if (length > 0) {
      expected.AssignFromWide(block.get() + pos + 1,
                              static_cast<int32_t>(length));
    }
    TextBuffer out("stale");
    ReadStringEntry(view, index, &out);
    FUZZ_CHECK(out.length() == expected.length());
    FUZZ_CHECK(memcmp(out.data(), expected.data(), out.length()) == 0);
    FUZZ_CHECK(out.data()[out.length()] == 0);
    pos += count + 1;
  }
  return 0;
}
