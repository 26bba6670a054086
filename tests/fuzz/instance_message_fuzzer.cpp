// What a peer sends the running instance, as the instance reads it: a frame
// is taken only when it is exactly what a later start would have composed.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "launcher/instance_message.h"
#include "tests/fuzz/fuzz_check.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < static_cast<size_t>(kInstanceHeaderSize)) return 0;
  int32_t length = InstanceBodyLength(data);
  if (length < 0) return 0;
  FUZZ_CHECK(length > 0 && length <= kMaxInstanceBody);
  size_t available = size - kInstanceHeaderSize;
  if (static_cast<size_t>(length) > available) return 0;  // still arriving
  // Its own copy, as the instance receives it: the reader may not look past.
  ByteBuffer body(reinterpret_cast<const char*>(data) + kInstanceHeaderSize, length);
  int32_t count = CountInstanceTexts(body.data(), length);
  if (count == 0) return 0;
  // The texts as a reader takes them: each up to its NUL, within the body.
  const char* text = body.data();
  const char* directory = text;
  StringList arguments;
  for (int32_t i = 0; i < count; ++i, text += strlen(text) + 1) {
    FUZZ_CHECK(text < body.data() + length);
    if (i > 0) arguments.Add(text);
  }
  FUZZ_CHECK(text == body.data() + length);
  ByteBuffer again;
  FUZZ_CHECK(ComposeInstanceMessage(directory, arguments, &again));
  FUZZ_CHECK(again.length() == kInstanceHeaderSize + length);
  FUZZ_CHECK(memcmp(again.data(), data, again.length()) == 0);
  return 0;
}
