#include "runtime/cache_names.h"

#include <string.h>

#include "platform/platform.h"

void AppendHex(TextBuffer* out, uint32_t value) {
  char digits[8];
  for (int i = 7; i >= 0; --i, value >>= 4) {
    char digit = static_cast<char>(value & 15);
    digits[i] = static_cast<char>(digit + (digit < 10 ? '0' : 'a' - 10));
  }
  out->Append(digits, 8);
}

// "-" and 8 hex digits, in front of a suffix.
static const int32_t kTagLength = 9;

// The three names differ only in the number and the suffix.
static void AppendTag(TextBuffer* path, uint32_t value, const char* suffix) {
  path->Append("-");
  AppendHex(path, value);
  path->Append(suffix);
}

void AppendProcessName(TextBuffer* path, const char* suffix) {
  AppendTag(path, static_cast<uint32_t>(PlatformProcessId()), suffix);
}

void RemoveProcessName(TextBuffer* path, const char* suffix) {
  int32_t keep = path->length() - kTagLength - static_cast<int32_t>(strlen(suffix));
  path->Resize(keep > 0 ? keep : 0);
}

void AppendSizedArchive(TextBuffer* path, uint32_t size) {
  AppendTag(path, size, ".jsa");
}

void AppendCacheName(TextBuffer* path) {
  AppendTag(path, PlatformProcessorIdentity(), ".aot");
}
