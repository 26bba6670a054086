#include "zip_archive.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "byte_order.h"

namespace zovpack {

namespace {

const size_t kCentralSize = 46;
const size_t kLocalSize = 30;
const size_t kZip64EndSize = 56;
const size_t kZip64LocatorSize = 20;
const uint32_t kMax32 = 0xffffffff;
const uint16_t kMax16 = 0xffff;
// Offsets beyond this are damage, and would overflow the arithmetic.
const uint64_t kMaxOffset = uint64_t{1} << 62;

bool HasSig(const std::string& d, uint64_t pos, uint32_t sig) {
  return InRange(d.size(), pos, 4) && Load32(d, pos) == sig;
}

// Reads the zip64 extra field of the central header at `pos`, replacing the
// sizes and the offset that the header marks as kept there.
bool ReadZip64Extra(const std::string& d, size_t extra, size_t extra_len,
                    ZipEntry* e, std::string* error) {
  bool need_usize = e->uncompressed_size == kMax32;
  bool need_csize = e->compressed_size == kMax32;
  bool need_offset = e->local_offset == kMax32;
  size_t end = extra + extra_len;
  for (size_t p = extra; p + 4 <= end;) {
    uint16_t id = Load16(d, p);
    size_t len = Load16(d, p + 2);
    if (p + 4 + len > end) break;
    if (id == 0x0001) {
      size_t q = p + 4, qend = q + len;
      if (need_usize) {
        if (q + 8 > qend) break;
        e->uncompressed_size = Load64(d, q);
        q += 8;
        need_usize = false;
      }
      if (need_csize) {
        if (q + 8 > qend) break;
        e->compressed_size = Load64(d, q);
        q += 8;
        need_csize = false;
      }
      if (need_offset) {
        if (q + 8 > qend) break;
        e->local_offset = Load64(d, q);
        e->offset_field_pos = q;
        e->offset_in_zip64 = true;
        need_offset = false;
      }
      break;
    }
    p += 4 + len;
  }
  if (need_usize || need_csize || need_offset) {
    *error = "entry " + e->name + " lacks the zip64 field its header promises";
    return false;
  }
  return true;
}

bool ReadCentralDirectory(const std::string& d, ZipArchive* zip,
                          std::string* error) {
  size_t p = zip->central_pos;
  size_t end = p + zip->central_size;
  zip->entries.clear();
  while (p < end) {
    if (p + kCentralSize > end || Load32(d, p) != kCentralSig) {
      *error = "the central directory is damaged";
      return false;
    }
    ZipEntry e;
    e.flags = Load16(d, p + 8);
    e.method = Load16(d, p + 10);
    e.crc = Load32(d, p + 16);
    e.compressed_size = Load32(d, p + 20);
    e.uncompressed_size = Load32(d, p + 24);
    size_t name_len = Load16(d, p + 28);
    size_t extra_len = Load16(d, p + 30);
    size_t comment_len = Load16(d, p + 32);
    uint16_t disk = Load16(d, p + 34);
    e.local_offset = Load32(d, p + 42);
    e.offset_field_pos = p + 42;
    size_t next = p + kCentralSize + name_len + extra_len + comment_len;
    if (next > end) {
      *error = "the central directory is damaged";
      return false;
    }
    e.name = d.substr(p + kCentralSize, name_len);
    if (!ReadZip64Extra(d, p + kCentralSize + name_len, extra_len, &e,
                        error)) {
      return false;
    }
    if (disk != 0 && disk != kMax16) {
      *error = "split (multi-disk) archives are not supported";
      return false;
    }
    int64_t local = e.local_offset > kMaxOffset
                        ? -1
                        : static_cast<int64_t>(e.local_offset) + zip->base;
    if (local < 0 ||
        static_cast<uint64_t>(local) + kLocalSize > zip->central_pos ||
        Load32(d, static_cast<size_t>(local)) != kLocalSig) {
      *error = "entry " + e.name + " has no local header where it should";
      return false;
    }
    zip->entries.push_back(e);
    p = next;
  }
  return true;
}

// Tries to read the archive whose end record is at `pos`.
bool ReadFromEnd(const std::string& d, size_t pos, ZipArchive* zip,
                 std::string* error) {
  ZipArchive z;
  z.end_pos = pos;
  z.comment = d.substr(pos + kEndRecordSize,
                       std::min<size_t>(Load16(d, pos + 20),
                                        d.size() - pos - kEndRecordSize));
  uint16_t disk = Load16(d, pos + 4);
  uint16_t central_disk = Load16(d, pos + 6);
  uint64_t central_size = Load32(d, pos + 12);
  uint64_t central_offset = Load32(d, pos + 16);
  size_t central_end = pos;  // where the central directory should end

  if (pos >= kZip64LocatorSize &&
      HasSig(d, pos - kZip64LocatorSize, kZip64LocatorSig)) {
    size_t loc = pos - kZip64LocatorSize;
    uint64_t recorded = Load64(d, loc + 8);
    if (recorded > kMaxOffset) {
      *error = "the zip64 locator is damaged";
      return false;
    }
    if (Load32(d, loc + 4) != 0 || Load32(d, loc + 16) > 1) {
      *error = "split (multi-disk) archives are not supported";
      return false;
    }
    // The record sits where the locator says, or, when data was put in
    // front of the archive without adjusting it, right before the locator.
    uint64_t record = recorded;
    if (!(loc >= kZip64EndSize && record <= loc - kZip64EndSize &&
          HasSig(d, record, kZip64EndSig))) {
      record = loc >= kZip64EndSize ? loc - kZip64EndSize : 0;
      if (!HasSig(d, record, kZip64EndSig)) {
        *error = "the zip64 end record is missing";
        return false;
      }
    }
    if (Load32(d, record + 16) != 0 || Load32(d, record + 20) != 0) {
      *error = "split (multi-disk) archives are not supported";
      return false;
    }
    z.zip64 = true;
    z.zip64_locator_pos = loc;
    z.zip64_end_pos = static_cast<size_t>(record);
    z.base = static_cast<int64_t>(record) - static_cast<int64_t>(recorded);
    central_size = Load64(d, record + 40);
    central_offset = Load64(d, record + 48);
    central_end = z.zip64_end_pos;
  } else {
    if (disk != 0 || central_disk != 0) {
      *error = "split (multi-disk) archives are not supported";
      return false;
    }
    if (central_size > pos) {
      *error = "the end record does not fit the file";
      return false;
    }
    z.base = static_cast<int64_t>(pos - central_size) -
             static_cast<int64_t>(central_offset);
  }
  if (central_offset > kMaxOffset ||
      central_size > central_end) {
    *error = "the end record does not fit the file";
    return false;
  }
  int64_t central = static_cast<int64_t>(central_offset) + z.base;
  if (central < 0 || static_cast<uint64_t>(central) + central_size >
                         central_end) {
    *error = "the end record does not fit the file";
    return false;
  }
  z.central_pos = static_cast<size_t>(central);
  z.central_size = central_size;
  if (!ReadCentralDirectory(d, &z, error)) return false;
  // A 16-bit count wraps in archives that outgrew it without zip64.
  uint64_t recorded_count =
      z.zip64 ? Load64(d, z.zip64_end_pos + 32) : Load16(d, pos + 10);
  uint64_t count = z.entries.size();
  if (z.zip64 ? count != recorded_count
              : (count & kMax16) != recorded_count) {
    *error = "the end record's entry count does not match the directory";
    return false;
  }
  z.start = z.central_pos;
  for (const ZipEntry& e : z.entries) {
    z.start = std::min(
        z.start, static_cast<size_t>(static_cast<int64_t>(e.local_offset) +
                                     z.base));
  }
  *zip = std::move(z);
  return true;
}

}  // namespace

bool ParseZip(const std::string& data, ZipArchive* zip, std::string* error) {
  if (data.size() < kEndRecordSize) {
    *error = "not a ZIP archive (too short)";
    return false;
  }
  // The end record is the last one whose comment reaches the end of the
  // file; failing that, the last readable one (the file has trailing bytes).
  size_t lowest = data.size() - kEndRecordSize >= 0xffff
                      ? data.size() - kEndRecordSize - 0xffff
                      : 0;
  std::string first_error;
  bool have_fallback = false;
  ZipArchive fallback;
  for (size_t pos = data.size() - kEndRecordSize + 1; pos-- > lowest;) {
    if (Load32(data, pos) != kEndRecordSignature) continue;
    ZipArchive candidate;
    std::string why;
    if (!ReadFromEnd(data, pos, &candidate, &why)) {
      if (first_error.empty()) first_error = why;
      continue;
    }
    if (pos + kEndRecordSize + Load16(data, pos + 20) == data.size()) {
      *zip = std::move(candidate);
      return true;
    }
    if (!have_fallback) {
      fallback = std::move(candidate);
      have_fallback = true;
    }
  }
  if (have_fallback) {
    *zip = std::move(fallback);
    return true;
  }
  *error = first_error.empty() ? "not a ZIP archive (no end record)"
                               : "not a readable ZIP archive: " + first_error;
  return false;
}

const ZipEntry* FindZipEntry(const ZipArchive& zip, const std::string& name) {
  for (const ZipEntry& e : zip.entries) {
    if (e.name.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      char a = e.name[i], b = name[i];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
      same = a == b;
    }
    if (same) return &e;
  }
  return nullptr;
}

bool ReadZipEntry(const std::string& data, const ZipArchive& zip,
                  const ZipEntry& entry, size_t max_size, std::string* out,
                  std::string* error) {
  size_t local =
      static_cast<size_t>(static_cast<int64_t>(entry.local_offset) + zip.base);
  size_t body = local + kLocalSize + Load16(data, local + 26) +
                Load16(data, local + 28);
  if (entry.flags & 1) {
    *error = entry.name + " is encrypted";
    return false;
  }
  if (entry.uncompressed_size > max_size) {
    *error = entry.name + " is too large";
    return false;
  }
  if (!InRange(zip.central_pos, body, entry.compressed_size)) {
    *error = entry.name + " runs past the end of the archive";
    return false;
  }
  size_t size = static_cast<size_t>(entry.uncompressed_size);
  if (entry.method == 0) {
    if (entry.compressed_size != size) {
      *error = entry.name + " has inconsistent sizes";
      return false;
    }
    out->assign(data, body, size);
  } else if (entry.method == 8) {
    out->assign(size, '\0');
    z_stream zs = z_stream();
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) {
      *error = "cannot start inflating " + entry.name;
      return false;
    }
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data())) +
                 body;
    zs.avail_in = static_cast<uInt>(
        std::min<uint64_t>(entry.compressed_size, UINT_MAX));
    // One spare byte tells an entry that inflates to more than its size.
    char spare;
    zs.next_out = size ? reinterpret_cast<Bytef*>(&(*out)[0])
                       : reinterpret_cast<Bytef*>(&spare);
    zs.avail_out = size ? static_cast<uInt>(size) : 1;
    int rc = inflate(&zs, Z_FINISH);
    bool ok = rc == Z_STREAM_END && zs.total_out == size;
    inflateEnd(&zs);
    if (!ok) {
      *error = entry.name + " does not inflate cleanly";
      return false;
    }
  } else {
    *error = entry.name + " uses an unsupported compression method " +
             std::to_string(entry.method);
    return false;
  }
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(out->data()),
              static_cast<uInt>(out->size()));
  if (crc != entry.crc) {
    *error = entry.name + " fails its CRC check";
    return false;
  }
  return true;
}

bool AppendRelocatedZip(const std::string& data, const ZipArchive& zip,
                        const std::string& comment, std::string* out,
                        std::string* error, size_t central_gap) {
  if (comment.size() > 0xffff) {
    *error = "the archive comment is longer than a ZIP comment can be";
    return false;
  }
  const size_t origin = out->size();
  // New position in `out` of the byte at `file_pos` in `data`.
  auto moved = [&](uint64_t file_pos) -> uint64_t {
    return file_pos - zip.start + origin +
           (file_pos >= zip.central_pos ? central_gap : 0);
  };
  // Offsets count from the archive's own start, so that bytes appended
  // after it (a signature) leave it readable.
  const uint64_t base = zip.zip64 ? 0 : origin;
  auto fail = [&](const std::string& why) {
    out->resize(origin);
    *error = why;
    return false;
  };
  out->append(data, zip.start, zip.central_pos - zip.start);
  out->append(central_gap, '\0');
  out->append(data, zip.central_pos, zip.end_pos + kEndRecordSize - zip.central_pos);

  for (const ZipEntry& e : zip.entries) {
    uint64_t value = moved(static_cast<uint64_t>(
        static_cast<int64_t>(e.local_offset) + zip.base)) - base;
    if (e.offset_in_zip64) {
      Store64(out, moved(e.offset_field_pos), value);
    } else if (value < kMax32) {
      Store32(out, moved(e.offset_field_pos), static_cast<uint32_t>(value));
    } else {
      return fail("entry " + e.name +
                  " would lie beyond 4 GB; repack the archive with zip64");
    }
  }
  uint64_t central = moved(zip.central_pos) - base;
  size_t end = moved(zip.end_pos);
  if (zip.zip64) {
    Store64(out, moved(zip.zip64_end_pos) + 48, central);
    Store64(out, moved(zip.zip64_locator_pos) + 8, moved(zip.zip64_end_pos));
    if (Load32(*out, end + 16) != kMax32) {
      Store32(out, end + 16,
              central < kMax32 ? static_cast<uint32_t>(central) : kMax32);
    }
  } else if (central < kMax32) {
    Store32(out, end + 16, static_cast<uint32_t>(central));
  } else {
    return fail("the central directory would lie beyond 4 GB; repack the "
                "archive with zip64");
  }
  Store16(out, end + 20, static_cast<uint16_t>(comment.size()));
  out->append(comment);
  return true;
}

}  // namespace zovpack
