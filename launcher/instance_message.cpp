#include "launcher/instance_message.h"

#include <string.h>

static const char kMagic[4] = {'z', 'o', 'v', 'i'};

bool ComposeInstanceMessage(const char* directory, const StringList& arguments,
                            ByteBuffer* out) {
  // The list's pool holds its entries one after the other, NULs included.
  int32_t directoryLength = static_cast<int32_t>(strlen(directory)) + 1;
  int64_t length = static_cast<int64_t>(directoryLength) + arguments.pool().length();
  if (length > kMaxInstanceBody) return false;
  unsigned char header[kInstanceHeaderSize];
  memcpy(header, kMagic, 4);
  for (int i = 0; i < 4; ++i) {
    header[4 + i] = static_cast<unsigned char>(length >> (8 * i));
  }
  out->Append(reinterpret_cast<const char*>(header), kInstanceHeaderSize);
  out->Append(directory, directoryLength);
  out->Append(arguments.pool().data(), arguments.pool().length());
  return true;
}

int32_t InstanceBodyLength(const unsigned char* header) {
  if (memcmp(header, kMagic, 4) != 0) return -1;
  uint32_t length = 0;
  for (int i = 3; i >= 0; --i) length = (length << 8) | header[4 + i];
  return length > 0 && length <= kMaxInstanceBody ? static_cast<int32_t>(length) : -1;
}

bool ReadInstanceBody(const char* body, int32_t length, StringList* strings) {
  if (length <= 0 || body[length - 1] != '\0') return false;
  for (int32_t at = 0; at < length; at += static_cast<int32_t>(strlen(body + at)) + 1) {
    strings->Add(body + at);
  }
  return true;
}
