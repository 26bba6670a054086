#include "pe_image.h"

#include <algorithm>
#include <cstring>

#include "byte_order.h"

namespace zovpack {

namespace {

const size_t kSectionHeaderSize = 40;
const uint32_t kInitializedData = 0x00000040;
const uint32_t kMemRead = 0x40000000;

uint32_t AlignUp(uint64_t value, uint32_t alignment) {
  return static_cast<uint32_t>((value + alignment - 1) / alignment *
                               alignment);
}

bool IsPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

size_t PeHeaderPos(const std::string& file) {
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') return 0;
  uint32_t pos = Load32(file, 60);
  if (!InRange(file.size(), pos, 24) ||
      std::memcmp(file.data() + pos, "PE\0\0", 4) != 0) {
    return 0;
  }
  return pos;
}

// Writes the fields zovpack sets; a fresh header is cleared first.
void WriteSectionHeader(std::string* file, size_t pos, const PeSection& s,
                        bool fresh) {
  if (fresh) {
    std::memset(&(*file)[pos], 0, kSectionHeaderSize);
    std::memcpy(&(*file)[pos], s.name.data(),
                std::min<size_t>(8, s.name.size()));
  }
  Store32(file, pos + 8, s.virtual_size);
  Store32(file, pos + 12, s.virtual_address);
  Store32(file, pos + 16, s.raw_size);
  Store32(file, pos + 20, s.raw_pointer);
  Store32(file, pos + 36, s.characteristics);
}

// May lie past 4 GiB, where no 32-bit address reaches.
uint64_t ImageEnd(const PeImage& image) {
  uint64_t end = image.size_of_headers;
  for (const PeSection& s : image.sections) {
    uint32_t span = s.virtual_size != 0 ? s.virtual_size : s.raw_size;
    end = std::max<uint64_t>(end, uint64_t{s.virtual_address} + span);
  }
  uint32_t a = image.section_alignment;
  return (end + a - 1) / a * a;
}

}  // namespace

ExecutableKind DetectExecutable(const std::string& file) {
  if (file.size() >= 4 && std::memcmp(file.data(), "\x7f" "ELF", 4) == 0) {
    // e_machine 183, EM_AARCH64, little-endian as Linux runs it.
    return file.size() >= 20 && file[5] == 1 && Load16(file, 18) == 183
               ? ExecutableKind::kElfArm64
               : ExecutableKind::kElf;
  }
  size_t pe = PeHeaderPos(file);
  if (pe == 0 || !InRange(file.size(), pe + 24, 2)) {
    return ExecutableKind::kUnknown;
  }
  switch (Load16(file, pe + 24)) {
    case 0x10b: return ExecutableKind::kPe32;
    case 0x20b:
      return Load16(file, pe + 4) == 0xAA64 ? ExecutableKind::kPeArm64
                                            : ExecutableKind::kPe32Plus;
    default: return ExecutableKind::kUnknown;
  }
}

const char* ExecutableKindName(ExecutableKind kind) {
  switch (kind) {
    case ExecutableKind::kPe32: return "PE32";
    case ExecutableKind::kPe32Plus: return "PE32+";
    case ExecutableKind::kPeArm64: return "PE32+ ARM64";
    case ExecutableKind::kElf: return "ELF";
    case ExecutableKind::kElfArm64: return "ELF AArch64";
    default: return "unknown";
  }
}

uint32_t TrailingSignatureSize(const std::string& file) {
  const size_t head = std::min(file.size(), kLauncherHeadBytes);
  size_t pe = PeHeaderPos(file);
  if (pe == 0 || !InRange(head, pe, 26)) return 0;
  uint16_t magic = Load16(file, pe + 24);
  if (magic != 0x10b && magic != 0x20b) return 0;
  size_t directories = pe + 24 + (magic == 0x20b ? 112 : 96);
  size_t entry = directories + kSecurityDirectory * 8;
  if (!InRange(head, entry, 8) || Load32(file, directories - 4) <= 4) return 0;
  uint64_t offset = Load32(file, entry);
  uint32_t size = Load32(file, entry + 4);
  return size != 0 && offset + size == file.size() ? size : 0;
}

bool ParsePe(const std::string& file, PeImage* image, std::string* error) {
  size_t pe = PeHeaderPos(file);
  if (pe == 0) {
    *error = "not a PE image";
    return false;
  }
  PeImage img;
  size_t coff = pe + 4;
  uint16_t section_count = Load16(file, coff + 2);
  uint16_t optional_size = Load16(file, coff + 16);
  img.optional_pos = coff + 20;
  if (!InRange(file.size(), img.optional_pos, optional_size) ||
      optional_size < 2) {
    *error = "the PE optional header is truncated";
    return false;
  }
  uint16_t magic = Load16(file, img.optional_pos);
  if (magic != 0x10b && magic != 0x20b) {
    *error = "unknown PE optional header";
    return false;
  }
  img.pe32_plus = magic == 0x20b;
  size_t fixed = img.pe32_plus ? 112 : 96;
  if (optional_size < fixed) {
    *error = "the PE optional header is truncated";
    return false;
  }
  const size_t o = img.optional_pos;
  img.section_alignment = Load32(file, o + 32);
  img.file_alignment = Load32(file, o + 36);
  img.size_of_image = Load32(file, o + 56);
  img.size_of_headers = Load32(file, o + 60);
  img.directory_count = Load32(file, o + (img.pe32_plus ? 108 : 92));
  if (img.directory_count > (optional_size - fixed) / 8) {
    img.directory_count = static_cast<uint32_t>((optional_size - fixed) / 8);
  }
  // Windows allows a file alignment up to 64 KiB; a larger one would make
  // every rewrite of the image allocate gigabytes.
  if (!IsPowerOfTwo(img.file_alignment) ||
      !IsPowerOfTwo(img.section_alignment) ||
      img.file_alignment > img.section_alignment ||
      img.file_alignment > 0x10000) {
    *error = "the PE image has impossible alignments";
    return false;
  }
  img.section_table_pos = o + optional_size;
  if (!InRange(file.size(), img.section_table_pos,
               section_count * kSectionHeaderSize)) {
    *error = "the PE section table is truncated";
    return false;
  }
  for (uint16_t i = 0; i < section_count; ++i) {
    size_t p = img.section_table_pos + i * kSectionHeaderSize;
    PeSection s;
    s.name.assign(file.data() + p, strnlen(file.data() + p, 8));
    s.virtual_size = Load32(file, p + 8);
    s.virtual_address = Load32(file, p + 12);
    s.raw_size = Load32(file, p + 16);
    s.raw_pointer = Load32(file, p + 20);
    s.characteristics = Load32(file, p + 36);
    if (s.raw_size != 0 && !InRange(file.size(), s.raw_pointer, s.raw_size)) {
      *error = "PE section " + s.name + " lies outside the file";
      return false;
    }
    // Rewriting such a section's data would overwrite the headers.
    if (s.raw_size != 0 &&
        s.raw_pointer < img.section_table_pos +
                            section_count * kSectionHeaderSize) {
      *error = "PE section " + s.name + " overlaps the headers";
      return false;
    }
    img.sections.push_back(s);
  }
  *image = std::move(img);
  return true;
}

DataDirectory ReadDirectory(const std::string& file, const PeImage& image,
                            unsigned index) {
  DataDirectory d;
  if (index < image.directory_count) {
    d.rva = Load32(file, image.directory_pos(index));
    d.size = Load32(file, image.directory_pos(index) + 4);
  }
  return d;
}

uint32_t MappedSize(const PeSection& section) {
  if (section.virtual_size == 0) return section.raw_size;
  return std::min(section.raw_size, section.virtual_size);
}

bool RvaToOffset(const PeImage& image, uint32_t rva, uint32_t size,
                 size_t* offset) {
  for (const PeSection& s : image.sections) {
    // A section without file data maps nothing, and its raw pointer may
    // lie anywhere, past the file's end included. Raw data past the
    // virtual size is padding; the next section's addresses may begin there.
    if (s.raw_size == 0) continue;
    if (rva >= s.virtual_address &&
        uint64_t{rva} + size <= uint64_t{s.virtual_address} + MappedSize(s)) {
      *offset = s.raw_pointer + (rva - s.virtual_address);
      return true;
    }
  }
  return false;
}

uint32_t ComputePeChecksum(const std::string& file, size_t checksum_pos) {
  uint64_t sum = 0;
  const size_t n = file.size();
  for (size_t i = 0; i < n; i += 2) {
    if (i == checksum_pos || i == checksum_pos + 2) continue;
    uint32_t word = static_cast<uint8_t>(file[i]);
    if (i + 1 < n) word |= static_cast<uint32_t>(static_cast<uint8_t>(file[i + 1])) << 8;
    sum += word;
    sum = (sum & 0xffff) + (sum >> 16);
  }
  sum = (sum & 0xffff) + (sum >> 16);
  return static_cast<uint32_t>(sum + n);
}

bool ReplaceResourceData(std::string* file,
                         const std::function<std::string(uint32_t)>& build,
                         std::string* error) {
  PeImage image;
  if (!ParsePe(*file, &image, error)) return false;
  if (ReadDirectory(*file, image, kSecurityDirectory).size != 0) {
    *error = "the stub is signed; sign the packed file instead";
    return false;
  }
  if (image.directory_count <= kResourceDirectory) {
    *error = "the stub's PE header has no resource directory entry";
    return false;
  }
  const uint32_t size = static_cast<uint32_t>(build(0).size());
  const DataDirectory old = ReadDirectory(*file, image, kResourceDirectory);
  const uint32_t fa = image.file_alignment;

  // The section that holds the resource directory and nothing else may be
  // rewritten; any other layout gets a section of its own.
  int index = -1;
  for (size_t i = 0; i < image.sections.size(); ++i) {
    const PeSection& s = image.sections[i];
    if (old.size != 0 && s.virtual_address == old.rva &&
        old.size >= s.virtual_size) {
      index = static_cast<int>(i);
    }
  }
  std::string result = *file;
  PeSection target;
  bool placed = false;
  bool fresh = false;
  uint32_t old_raw = 0;
  if (index >= 0) {
    PeSection& s = image.sections[index];
    bool last = true;
    uint32_t room = UINT32_MAX;
    for (const PeSection& other : image.sections) {
      if (other.virtual_address > s.virtual_address) {
        last = false;
        room = std::min(room, other.virtual_address - s.virtual_address);
      }
    }
    // A section without file data has a raw pointer of no meaning, possibly
    // far past the end: it cannot grow in place.
    bool at_file_end = s.raw_size != 0 &&
                       uint64_t{s.raw_pointer} + s.raw_size >= file->size();
    if (size <= s.raw_size && size <= room) {
      target = s;
      old_raw = s.raw_size;
      placed = true;
    } else if (last && at_file_end) {
      target = s;
      placed = true;
      old_raw = s.raw_size;
      target.raw_size = AlignUp(size, fa);
      result.resize(target.raw_pointer);
      result.resize(uint64_t{target.raw_pointer} + target.raw_size, '\0');
    }
  }
  if (!placed) {
    // Append a section: the headers need room for one more entry.
    size_t table_end = image.section_table_pos +
                       (image.sections.size() + 1) * kSectionHeaderSize;
    uint64_t first_raw = image.size_of_headers;
    for (const PeSection& s : image.sections) {
      if (s.raw_size != 0) first_raw = std::min<uint64_t>(first_raw, s.raw_pointer);
    }
    if (table_end > first_raw) {
      *error = "the stub's headers have no room for another section";
      return false;
    }
    index = static_cast<int>(image.sections.size());
    fresh = true;
    target.name = ".rsrc";
    target.virtual_address = static_cast<uint32_t>(ImageEnd(image));
    target.raw_pointer = AlignUp(file->size(), fa);
    target.raw_size = AlignUp(size, fa);
    target.characteristics = kInitializedData | kMemRead;
    result.resize(uint64_t{target.raw_pointer} + target.raw_size, '\0');
    image.sections.push_back(target);
    Store16(&result, image.optional_pos - 20 + 2,
            static_cast<uint16_t>(image.sections.size()));
  }
  target.virtual_size = size;
  image.sections[index] = target;
  // Headers that claim a huge image leave the data no address below 4 GiB:
  // it would wrap around to 0, and the resources would be lost.
  const uint64_t image_end = ImageEnd(image);
  if (image_end > UINT32_MAX) {
    *error = "the stub's image has no address room for its resources";
    return false;
  }

  // The headers written below must lie in the file as it now stands: a
  // last section cut short may have taken part of them with it.
  const size_t header_pos = image.section_table_pos + index * kSectionHeaderSize;
  const size_t headers_end = std::max<size_t>(
      {header_pos + kSectionHeaderSize,
       image.directory_pos(kResourceDirectory) + 8, image.optional_pos + 60});
  if (headers_end > result.size() ||
      (target.raw_pointer < headers_end && target.raw_size != 0)) {
    *error = "the stub's resource data overlaps its headers";
    return false;
  }

  std::string data = build(target.virtual_address);
  std::memset(&result[target.raw_pointer], 0, target.raw_size);
  std::memcpy(&result[target.raw_pointer], data.data(), data.size());
  WriteSectionHeader(&result, header_pos, target, fresh);
  Store32(&result, image.directory_pos(kResourceDirectory),
          target.virtual_address);
  Store32(&result, image.directory_pos(kResourceDirectory) + 4, size);
  Store32(&result, image.optional_pos + 56,
          static_cast<uint32_t>(
              std::max<uint64_t>(image.size_of_image, image_end)));
  uint32_t initialized = Load32(result, image.optional_pos + 8);
  Store32(&result, image.optional_pos + 8,
          initialized + target.raw_size - old_raw);
  file->swap(result);
  return true;
}

}  // namespace zovpack
