// Headers of a Windows PE image: reading them, the image checksum, and
// giving the image a new resource directory while keeping the section
// table, the data directory and the size fields consistent.
#ifndef ZOV_PACK_PE_IMAGE_H_
#define ZOV_PACK_PE_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zovpack {

// kPe32Plus is an x64 image; kPeArm64 a PE32+ image for ARM64.
enum class ExecutableKind { kUnknown, kPe32, kPe32Plus, kPeArm64, kElf,
                            kElfArm64 };

// Tells PE32, PE32+ (x64 or ARM64) images and ELF files (AArch64 or
// another machine) apart by their headers.
ExecutableKind DetectExecutable(const std::string& file);
const char* ExecutableKindName(ExecutableKind kind);
inline bool IsPe(ExecutableKind kind) {
  return kind == ExecutableKind::kPe32 || kind == ExecutableKind::kPe32Plus ||
         kind == ExecutableKind::kPeArm64;
}

struct PeSection {
  std::string name;
  uint32_t virtual_size = 0;
  uint32_t virtual_address = 0;
  uint32_t raw_size = 0;
  uint32_t raw_pointer = 0;
  uint32_t characteristics = 0;
};

struct PeImage {
  bool pe32_plus = false;
  size_t optional_pos = 0;       // optional header
  size_t section_table_pos = 0;
  uint32_t section_alignment = 0;
  uint32_t file_alignment = 0;
  uint32_t size_of_image = 0;
  uint32_t size_of_headers = 0;
  uint32_t directory_count = 0;
  std::vector<PeSection> sections;

  size_t checksum_pos() const { return optional_pos + 64; }
  size_t directory_pos(unsigned index) const {
    return optional_pos + (pe32_plus ? 112 : 96) + index * 8;
  }
};

const unsigned kResourceDirectory = 2;
const unsigned kSecurityDirectory = 4;

// Bytes the launcher reads from a file's start for its PE headers.
const size_t kLauncherHeadBytes = 1024;

// The size of the Authenticode certificate table that ends `file`, as the
// launcher sees it: the data directory's entry 4 of a PE32 or PE32+ image
// whose headers lie within the first kLauncherHeadBytes, naming bytes that
// end exactly at the file's end. 0 for anything else.
uint32_t TrailingSignatureSize(const std::string& file);

// Reads the headers and the section table, checking that they lie inside
// the file and that the alignments are sane.
bool ParsePe(const std::string& file, PeImage* image, std::string* error);

struct DataDirectory {
  uint32_t rva = 0;
  uint32_t size = 0;
};
DataDirectory ReadDirectory(const std::string& file, const PeImage& image,
                            unsigned index);

// Bytes of a section's file data that the loader maps: its raw data, cut
// at its virtual size when that is smaller.
uint32_t MappedSize(const PeSection& section);

// File offset of the `size` bytes at `rva`; false unless they lie inside
// one section's mapped file data.
bool RvaToOffset(const PeImage& image, uint32_t rva, uint32_t size,
                 size_t* offset);

// The image checksum of `file` (as CheckSumMappedFile computes it), the
// field at `checksum_pos` counting as zero.
uint32_t ComputePeChecksum(const std::string& file, size_t checksum_pos);

// Gives the image new resource data. `build(rva)` returns the data laid out
// for the address `rva`; its size must not depend on `rva`. The data goes
// into the current resource section when it fits or that section ends the
// image and can grow, else into a new section appended to the image. The
// data directory, section table, SizeOfImage and SizeOfInitializedData are
// updated; the checksum is left to the caller. Fails, leaving `file` as it
// was, for a signed image or one whose headers have no room for a section.
bool ReplaceResourceData(std::string* file,
                         const std::function<std::string(uint32_t)>& build,
                         std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_PE_IMAGE_H_
