// Little-endian field access for the on-disk formats zovpack edits (ZIP, PE,
// BMP, ICO). Callers check bounds before reading or writing.
#ifndef ZOV_PACK_BYTE_ORDER_H_
#define ZOV_PACK_BYTE_ORDER_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace zovpack {

inline uint16_t Load16(const std::string& s, size_t pos) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[pos]) |
                               static_cast<uint8_t>(s[pos + 1]) << 8);
}

inline uint32_t Load32(const std::string& s, size_t pos) {
  return Load16(s, pos) | static_cast<uint32_t>(Load16(s, pos + 2)) << 16;
}

inline uint64_t Load64(const std::string& s, size_t pos) {
  return Load32(s, pos) | static_cast<uint64_t>(Load32(s, pos + 4)) << 32;
}

inline void Store16(std::string* s, size_t pos, uint16_t v) {
  (*s)[pos] = static_cast<char>(v & 0xff);
  (*s)[pos + 1] = static_cast<char>(v >> 8);
}

inline void Store32(std::string* s, size_t pos, uint32_t v) {
  Store16(s, pos, static_cast<uint16_t>(v));
  Store16(s, pos + 2, static_cast<uint16_t>(v >> 16));
}

inline void Store64(std::string* s, size_t pos, uint64_t v) {
  Store32(s, pos, static_cast<uint32_t>(v));
  Store32(s, pos + 4, static_cast<uint32_t>(v >> 32));
}

inline void Append16(std::string* s, uint16_t v) {
  s->push_back(static_cast<char>(v & 0xff));
  s->push_back(static_cast<char>(v >> 8));
}

inline void Append32(std::string* s, uint32_t v) {
  Append16(s, static_cast<uint16_t>(v));
  Append16(s, static_cast<uint16_t>(v >> 16));
}

inline void Append64(std::string* s, uint64_t v) {
  Append32(s, static_cast<uint32_t>(v));
  Append32(s, static_cast<uint32_t>(v >> 32));
}

// True when [pos, pos + len) lies inside a buffer of `size` bytes.
inline bool InRange(size_t size, uint64_t pos, uint64_t len) {
  return pos <= size && len <= size - pos;
}

}  // namespace zovpack

#endif  // ZOV_PACK_BYTE_ORDER_H_
