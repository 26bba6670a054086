#include "config/embedded_config.h"

#include "platform/platform.h"
#include "platform/trace.h"

int64_t FindEmbeddedComment(const unsigned char* data, int64_t size) {
  int64_t window = size - kEmbeddedWindow;
  if (window < 0) window = 0;
  for (int64_t p = size - kEndRecordSize; p >= window; --p) {
    if (data[p] == 0x50 && data[p + 1] == 0x4B && data[p + 2] == 0x05 &&
        data[p + 3] == 0x06) {
      return p + kEndRecordSize;
    }
  }
  return -1;
}

TextBuffer ReadEmbeddedConfig(const char* path) {
  TextBuffer comment;
  PlatformMappedFile mapped;
  // Only the end can hold the record; a large application maps no more.
  if (!PlatformMapFileTail(path, kEmbeddedWindow, &mapped)) {
    Trace("embedded: %s cannot be read", path);
    return comment;
  }
  int64_t start = FindEmbeddedComment(mapped.data, mapped.size);
  if (start >= 0) {
    comment.Assign(reinterpret_cast<const char*>(mapped.data) + start,
                   static_cast<int32_t>(mapped.size - start));
    Trace("embedded: end record %d bytes from the end, comment %d bytes",
          static_cast<int>(mapped.size - start + kEndRecordSize),
          comment.length());
  } else {
    Trace("embedded: no end record in the last %d bytes", kEmbeddedWindow);
  }
  PlatformUnmapFile(&mapped);
  return comment;
}

TextBuffer ReadEmbeddedConfig() {
  char module[kMaxPath];
  PlatformModuleFileName(module, kMaxPath);
  return ReadEmbeddedConfig(module);
}
