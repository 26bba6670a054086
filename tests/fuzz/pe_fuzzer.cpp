// zovpack's PE reader and resource editor over any file: whatever it reads
// it can write back, and the image it writes reads again with the same
// resources, sorted and without repeats.
#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "pack/pe_image.h"
#include "pack/pe_resources.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Resources by type, name and language. The directory is written sorted
// and holds one resource per key, the last one read.
std::map<std::string, std::string> ByKey(
    const std::vector<zovpack::Resource>& list) {
  std::map<std::string, std::string> keyed;
  for (const zovpack::Resource& r : list) {
    std::string key;
    for (const zovpack::ResourceName* n : {&r.type, &r.name}) {
      if (n->is_string) {
        for (char16_t c : n->text) key += "s" + std::to_string(c);
      } else {
        key += "i" + std::to_string(n->id);
      }
      key += '/';
    }
    keyed[key + std::to_string(r.language)] = r.data;
  }
  return keyed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  zovpack::ExecutableKindName(zovpack::DetectExecutable(file));
  zovpack::PeImage image;
  std::string error;
  if (!zovpack::ParsePe(file, &image, &error)) return 0;
  for (unsigned i = 0; i < 16; ++i) {
    zovpack::DataDirectory d = zovpack::ReadDirectory(file, image, i);
    size_t offset;
    if (zovpack::RvaToOffset(image, d.rva, d.size, &offset)) {
      FUZZ_CHECK(offset + d.size <= file.size());
    }
  }
  zovpack::ComputePeChecksum(file, image.checksum_pos());

  std::vector<zovpack::Resource> resources;
  if (!zovpack::ReadResources(file, image, &resources, &error)) return 0;
  std::string edited = file;
  if (!zovpack::WriteResources(&edited, resources, &error)) {
    FUZZ_CHECK(edited == file);  // a failure leaves it alone
    return 0;
  }
  zovpack::PeImage again;
  std::vector<zovpack::Resource> reread;
  FUZZ_CHECK(zovpack::ParsePe(edited, &again, &error));
  FUZZ_CHECK(zovpack::ReadResources(edited, again, &reread, &error));
  FUZZ_CHECK(reread.size() == ByKey(reread).size());
  FUZZ_CHECK(ByKey(resources) == ByKey(reread));
  return 0;
}
