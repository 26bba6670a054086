// The end-record scan over any file image, as the launcher does it: the
// first bytes read for a certificate table that ends the file, then the
// signature nearest the end within the 2070 bytes before that table; never
// a read outside the head or the image.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "config/embedded_config.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t n = static_cast<int64_t>(size);
  // A buffer of exactly the bytes read, so that a read past them is caught.
  int got = size < kHeadBytes ? static_cast<int>(size) : kHeadBytes;
  unsigned char* head = static_cast<unsigned char*>(malloc(got ? got : 1));
  memcpy(head, data, static_cast<size_t>(got));
  int64_t table = CertificateTableSize(head, got, n);
  free(head);
  FUZZ_CHECK(table >= 0 && table <= n && table <= 0xffffffffll);
  if (table != 0) {
    // Only a PE image whose entry names exactly the file's last bytes.
    FUZZ_CHECK(got >= 64 && data[0] == 'M' && data[1] == 'Z');
    uint32_t pe;
    memcpy(&pe, data + 60, 4);
    FUZZ_CHECK(pe <= static_cast<uint32_t>(got) - 26 &&
               memcmp(data + pe, "PE\0\0", 4) == 0);
  }

  int64_t end = n - table;
  int64_t expected = -1;
  for (int64_t p = end - kEndRecordSize; p >= 0 && p >= end - kEndSearchWindow;
       --p) {
    if (memcmp(data + p, "PK\x05\x06", 4) == 0) {
      expected = p + kEndRecordSize;
      break;
    }
  }
  FUZZ_CHECK(FindEmbeddedComment(data, end) == expected);
  return 0;
}
