#include "config/embedded_config.h"

#include "platform/platform.h"
#include "platform/trace.h"

namespace {

// Every target is little-endian, as the PE format is.
uint32_t Load32(const unsigned char* p) {
  uint32_t value;
  __builtin_memcpy(&value, p, 4);
  return value;
}

}  // namespace

int64_t FindEmbeddedComment(const unsigned char* data, int64_t size) {
  int64_t window = size - kEndSearchWindow;
  if (window < 0) window = 0;
  // Offsets from window, which fit an int, spare i686 its 64-bit compares.
  const unsigned char* first = data + window;
  for (int i = static_cast<int>(size - window) - kEndRecordSize; i >= 0; --i) {
    if (Load32(first + i) == kEndRecordSignature) return window + i + kEndRecordSize;
  }
  return -1;
}

uint32_t PeSignatureOffset(const unsigned char* head, int size, uint32_t need) {
  if (size < 64 || head[0] != 'M' || head[1] != 'Z') return 0;
  uint32_t pe = Load32(head + 60);
  if (pe > static_cast<uint32_t>(size) - need || Load32(head + pe) != 0x4550) {
    return 0;
  }
  return pe;
}

int64_t CertificateTableSize(const unsigned char* head, int headSize,
                             int64_t fileSize) {
  // Signature, file header and the optional header's magic.
  uint32_t pe = PeSignatureOffset(head, headSize, 26);
  if (pe == 0) return 0;
  uint32_t size = static_cast<uint32_t>(headSize);
  uint32_t magic = head[pe + 24] | head[pe + 25] << 8;
  if (magic != 0x10b && magic != 0x20b) return 0;
  uint32_t directories = pe + 24 + (magic == 0x20b ? 112 : 96);
  uint32_t entry = directories + 4 * 8;
  if (entry > size - 8 || Load32(head + directories - 4) <= 4) return 0;
  // For this entry the address is a file offset, not an RVA.
  uint32_t table = Load32(head + entry + 4);
  int64_t end = static_cast<int64_t>(Load32(head + entry)) + table;
  return table != 0 && end == fileSize ? table : 0;
}

TextBuffer ReadEmbeddedConfig(const char* path) {
  TextBuffer comment;
  int64_t signature = 0;
  if (PlatformFile* file = PlatformOpenFile(path)) {
    unsigned char head[kHeadBytes];
    int got = static_cast<int>(PlatformReadFile(file, head, kHeadBytes));
    signature = CertificateTableSize(head, got, PlatformFileSize(file));
    PlatformCloseFile(file);
  }
  if (signature != 0) {
    Trace("signed: the configuration ends before a %d-byte signature",
          static_cast<int>(signature));
  }
  PlatformMappedFile mapped;
  // Only the end can hold the record; a large application maps no more.
  if (!PlatformMapFileTail(path, kEndSearchWindow + signature, &mapped)) {
    Trace("embedded: %s cannot be read", path);
    return comment;
  }
  // Negative only if the file shrank since it was measured: then nothing.
  int64_t end = mapped.size - signature;
  int64_t start = FindEmbeddedComment(mapped.data, end);
  if (start >= 0) {
    comment.Assign(reinterpret_cast<const char*>(mapped.data) + start,
                   static_cast<int32_t>(end - start));
    Trace("embedded: end record %d bytes from the end, comment %d bytes",
          static_cast<int>(mapped.size - start + kEndRecordSize),
          comment.length());
  } else {
    Trace("embedded: no end record in the last %d bytes", kEndSearchWindow);
  }
  PlatformUnmapFile(&mapped);
  return comment;
}

TextBuffer ReadEmbeddedConfig() {
  char module[kMaxPath];
  PlatformModuleFileName(module, kMaxPath);
  return ReadEmbeddedConfig(module);
}
