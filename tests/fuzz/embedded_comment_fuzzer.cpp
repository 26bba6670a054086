// The end-record scan over any file image: the signature nearest the end
// within the last 2070 bytes, never a read outside the image.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "config/embedded_config.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t n = static_cast<int64_t>(size);
  int64_t expected = -1;
  for (int64_t p = n - kEndRecordSize; p >= 0 && p >= n - kEmbeddedWindow;
       --p) {
    if (memcmp(data + p, "PK\x05\x06", 4) == 0) {
      expected = p + kEndRecordSize;
      break;
    }
  }
  FUZZ_CHECK(FindEmbeddedComment(data, n) == expected);
  return 0;
}
