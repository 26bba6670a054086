// SHA-256 (FIPS 180-4), for the key a packed runtime is cached under.
#ifndef ZOV_PACK_SHA256_H_
#define ZOV_PACK_SHA256_H_

#include <cstdint>
#include <string>

namespace zovpack {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, size_t size);
  // The 32-byte digest; the object is used up.
  std::string Finish();

 private:
  void Block(const unsigned char* block);
  uint32_t state_[8];
  unsigned char buffer_[64];
  size_t buffered_ = 0;
  uint64_t total_ = 0;
};

std::string HexText(const std::string& bytes);

}  // namespace zovpack

#endif  // ZOV_PACK_SHA256_H_
