// Writing a ZIP archive: local headers as entries arrive, then the
// central directory and the end record, with zip64 records where sizes,
// offsets or the count need them.
#ifndef ZOV_PACK_ZIP_WRITER_H_
#define ZOV_PACK_ZIP_WRITER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zovpack {

class ZipWriter {
 public:
  explicit ZipWriter(std::string* out) : out_(out) {}

  // Appends an entry whose compressed data (csize bytes) is at data. Sizes
  // are known, so the entry gets no data descriptor.
  void Add(const std::string& name, uint16_t version, uint16_t flags,
           uint16_t method, uint16_t time, uint16_t date, uint32_t crc,
           uint64_t csize, uint64_t usize, const char* data);

  // Appends the central directory and the end record, without a comment.
  void Finish();

 private:
  struct Entry {
    std::string name;
    uint16_t version, flags, method, time, date;
    uint32_t crc;
    uint64_t csize, usize, offset;
  };
  std::string* out_;
  std::vector<Entry> entries_;
};

}  // namespace zovpack

#endif  // ZOV_PACK_ZIP_WRITER_H_
