#include "launcher/instance_message.h"

#include <string.h>

static const char kMagic[4] = {'z', 'o', 'v', 'i'};

// Every target is little-endian: the length is copied as it is held.
static_assert(sizeof(int32_t) == 4, "a four-byte length");

bool ComposeInstanceMessage(const char* directory, const StringList& arguments,
                            ByteBuffer* out) {
  // The list's pool holds its entries one after the other, NULs included.
  int32_t directoryLength = static_cast<int32_t>(strlen(directory)) + 1;
  int32_t length = arguments.pool().length();
  if (length > kMaxInstanceBody - directoryLength) return false;
  length += directoryLength;
  char header[kInstanceHeaderSize];
  memcpy(header, kMagic, 4);
  memcpy(header + 4, &length, 4);
  out->Append(header, kInstanceHeaderSize);
  out->Append(directory, directoryLength);
  out->Append(arguments.pool().data(), arguments.pool().length());
  return true;
}

int32_t InstanceBodyLength(const unsigned char* header) {
  uint32_t length;
  memcpy(&length, header + 4, 4);
  if (memcmp(header, kMagic, 4) != 0) return -1;
  return length > 0 && length <= kMaxInstanceBody ? static_cast<int32_t>(length) : -1;
}

int32_t CountInstanceTexts(const char* body, int32_t length) {
  if (length <= 0 || body[length - 1] != '\0') return 0;
  int32_t count = 0;
  for (int32_t at = 0; at < length; ++at) count += body[at] == '\0';
  return count;
}
