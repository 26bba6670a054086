// Reading a ZIP archive's directory, reading single entries, and writing the
// archive behind a stub with every offset moved and its comment replaced.
#ifndef ZOV_PACK_ZIP_ARCHIVE_H_
#define ZOV_PACK_ZIP_ARCHIVE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/end_record_format.h"

namespace zovpack {

// The records' signatures; the end record's is kEndRecordSignature.
inline constexpr uint32_t kLocalSig = 0x04034b50;
inline constexpr uint32_t kCentralSig = 0x02014b50;
inline constexpr uint32_t kZip64EndSig = 0x06064b50;
inline constexpr uint32_t kZip64LocatorSig = 0x07064b50;

struct ZipEntry {
  std::string name;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t compressed_size = 0;
  uint64_t uncompressed_size = 0;
  uint64_t local_offset = 0;  // as recorded in the central directory
  // File position of the field that holds local_offset: the 32-bit field of
  // the central header, or the 64-bit one in its zip64 extra field.
  size_t offset_field_pos = 0;
  bool offset_in_zip64 = false;
};

struct ZipArchive {
  size_t end_pos = 0;             // end-of-central-directory record
  std::string comment;            // as its length field gives it
  bool zip64 = false;
  size_t zip64_end_pos = 0;       // zip64 end record, when zip64
  size_t zip64_locator_pos = 0;   // its locator, when zip64
  size_t central_pos = 0;         // file position of the central directory
  uint64_t central_size = 0;
  // Bytes in front of the archive that its offsets do not count
  // (file position = recorded offset + base).
  int64_t base = 0;
  // File position of the archive's first byte: its first local header, or
  // the central directory when it has no entries. Bytes before it (a stub)
  // belong to no entry.
  size_t start = 0;
  std::vector<ZipEntry> entries;
};

// Finds the end record and reads the central directory of the archive held
// in `data`, checking that every entry's local header is where its central
// header says. Archives with data in front (self-extracting files, packed
// launchers) are read too. Fails for anything that is not a whole,
// single-disk ZIP archive.
bool ParseZip(const std::string& data, ZipArchive* zip, std::string* error);

// Entry whose name equals `name` without regard to ASCII case, or null.
const ZipEntry* FindZipEntry(const ZipArchive& zip, const std::string& name);

// Reads one entry's contents (stored or deflated), checking size and CRC.
// Entries larger than `max_size` bytes are refused.
bool ReadZipEntry(const std::string& data, const ZipArchive& zip,
                  const ZipEntry& entry, size_t max_size, std::string* out,
                  std::string* error);

// Appends the archive found in `data` to `out`, whose current size becomes
// the archive's start, and `comment` replaces the archive's comment. Bytes
// of `data` before zip.start and after the end record are not copied;
// `central_gap` zero bytes go between the last entry and the central
// directory. Every offset is rewritten: relative to the archive's start
// (what a JAR behind a stub has, and what Java still reads when bytes such
// as a signature follow the archive), except in a zip64 archive, where they
// stay file positions, as Java finds its zip64 end record by file position.
// On failure `out` is unchanged.
bool AppendRelocatedZip(const std::string& data, const ZipArchive& zip,
                        const std::string& comment, std::string* out,
                        std::string* error, size_t central_gap = 0);

}  // namespace zovpack

#endif  // ZOV_PACK_ZIP_ARCHIVE_H_
