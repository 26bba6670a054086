// The resource tree of a PE image (type / name / language / data) read into
// a flat list and laid out again.
#ifndef ZOV_PACK_PE_RESOURCES_H_
#define ZOV_PACK_PE_RESOURCES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace zovpack {

// A resource type or name: a 16-bit id or a UTF-16 string.
struct ResourceName {
  bool is_string = false;
  uint16_t id = 0;
  std::u16string text;

  static ResourceName Id(uint16_t id);
  bool operator==(const ResourceName& other) const;
  // Directory order: strings (by code unit) before ids (ascending).
  bool operator<(const ResourceName& other) const;
};

struct Resource {
  ResourceName type;
  ResourceName name;
  uint16_t language = 0;
  uint32_t codepage = 0;
  std::string data;
};

// Reads every resource of the image, in directory order. An image without
// a resource directory gives an empty list. Fails for a tree that points
// outside the image or nests deeper than type / name / language.
bool ReadResources(const std::string& file, const PeImage& image,
                   std::vector<Resource>* resources, std::string* error);

// Lays out the resource directory for `resources` (no two with the same
// type, name and language) at address `rva`: directories, data entries,
// name strings, then the data, each item 8-byte aligned. The size does not
// depend on `rva`.
std::string BuildResourceData(const std::vector<Resource>& resources,
                              uint32_t rva);

// Replaces the image's resources with `resources` (ReplaceResourceData).
bool WriteResources(std::string* file, const std::vector<Resource>& resources,
                    std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_PE_RESOURCES_H_
