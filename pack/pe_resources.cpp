#include "pe_resources.h"

#include <algorithm>
#include <map>
#include <set>

#include "byte_order.h"

namespace zovpack {

namespace {

const uint32_t kHighBit = 0x80000000;
const size_t kDirectorySize = 16;
const size_t kEntrySize = 8;
const size_t kDataEntrySize = 16;

struct TreeReader {
  const std::string& file;
  const PeImage& image;
  size_t base;   // file offset of the root directory
  size_t limit;  // bytes of the resource section after base
  std::vector<Resource>* out;
  std::string* error;
  // A tree visits every directory and data entry once, and its data fits
  // the image; shared or overlapping parts would let a small file expand
  // into any number of resources.
  std::set<size_t> seen;
  uint64_t total = 0;

  bool Fail(const char* why) {
    *error = std::string("the stub's resource tree is damaged: ") + why;
    return false;
  }

  bool ReadName(uint32_t field, ResourceName* name) {
    if (!(field & kHighBit)) {
      if (field > 0xffff) return Fail("bad id");
      *name = ResourceName::Id(static_cast<uint16_t>(field));
      return true;
    }
    size_t pos = field & ~kHighBit;
    if (!InRange(limit, pos, 2)) return Fail("name outside the section");
    size_t len = Load16(file, base + pos);
    if (!InRange(limit, pos + 2, len * 2)) return Fail("name outside the section");
    name->is_string = true;
    name->text.clear();
    for (size_t i = 0; i < len; ++i) {
      name->text.push_back(static_cast<char16_t>(Load16(file, base + pos + 2 + i * 2)));
    }
    return true;
  }

  // Reads the directory at `pos`; `depth` 0 holds types, 1 names, 2
  // languages.
  bool ReadDirectory(size_t pos, int depth, Resource* path) {
    if (!InRange(limit, pos, kDirectorySize)) return Fail("directory outside the section");
    if (!seen.insert(pos).second) return Fail("a directory is reached twice");
    size_t count = size_t{Load16(file, base + pos + 12)} + Load16(file, base + pos + 14);
    if (!InRange(limit, pos + kDirectorySize, count * kEntrySize)) {
      return Fail("directory outside the section");
    }
    for (size_t i = 0; i < count; ++i) {
      size_t entry = base + pos + kDirectorySize + i * kEntrySize;
      uint32_t name_field = Load32(file, entry);
      uint32_t target = Load32(file, entry + 4);
      if (depth == 0 && !ReadName(name_field, &path->type)) return false;
      if (depth == 1 && !ReadName(name_field, &path->name)) return false;
      if (depth == 2) {
        if (name_field > 0xffff) return Fail("bad language");
        path->language = static_cast<uint16_t>(name_field);
      }
      bool subdirectory = (target & kHighBit) != 0;
      if (subdirectory != (depth < 2)) return Fail("unexpected nesting");
      if (subdirectory) {
        if (!ReadDirectory(target & ~kHighBit, depth + 1, path)) return false;
        continue;
      }
      if (!InRange(limit, target, kDataEntrySize)) return Fail("data entry outside the section");
      if (!seen.insert(target).second) return Fail("a data entry is reached twice");
      uint32_t rva = Load32(file, base + target);
      uint32_t size = Load32(file, base + target + 4);
      size_t offset;
      if (!RvaToOffset(image, rva, size, &offset)) return Fail("data outside the image");
      total += size;
      if (total > file.size()) return Fail("more data than the image holds");
      Resource r = *path;
      r.codepage = Load32(file, base + target + 8);
      r.data = file.substr(offset, size);
      out->push_back(std::move(r));
    }
    return true;
  }
};

void AppendName(std::string* out, const ResourceName& name) {
  Append16(out, static_cast<uint16_t>(name.text.size()));
  for (char16_t c : name.text) Append16(out, static_cast<uint16_t>(c));
}

void Pad(std::string* out, size_t alignment) {
  while (out->size() % alignment != 0) out->push_back('\0');
}

}  // namespace

ResourceName ResourceName::Id(uint16_t id) {
  ResourceName n;
  n.id = id;
  return n;
}

bool ResourceName::operator==(const ResourceName& other) const {
  return is_string == other.is_string &&
         (is_string ? text == other.text : id == other.id);
}

bool ResourceName::operator<(const ResourceName& other) const {
  if (is_string != other.is_string) return is_string;
  return is_string ? text < other.text : id < other.id;
}

bool ReadResources(const std::string& file, const PeImage& image,
                   std::vector<Resource>* resources, std::string* error) {
  resources->clear();
  DataDirectory dir = ReadDirectory(file, image, kResourceDirectory);
  if (dir.rva == 0 || dir.size == 0) return true;
  for (const PeSection& s : image.sections) {
    if (dir.rva < s.virtual_address ||
        dir.rva >= uint64_t{s.virtual_address} + MappedSize(s)) {
      continue;
    }
    size_t base = s.raw_pointer + (dir.rva - s.virtual_address);
    size_t limit = MappedSize(s) - (dir.rva - s.virtual_address);
    TreeReader reader{file, image, base, limit, resources, error, {}, 0};
    Resource path;
    return reader.ReadDirectory(0, 0, &path);
  }
  *error = "the stub's resource directory lies outside its sections";
  return false;
}

std::string BuildResourceData(const std::vector<Resource>& resources,
                              uint32_t rva) {
  // type -> name -> language -> resource
  std::map<ResourceName,
           std::map<ResourceName, std::map<uint16_t, const Resource*>>>
      tree;
  for (const Resource& r : resources) tree[r.type][r.name][r.language] = &r;

  auto directory_size = [](size_t entries) {
    return kDirectorySize + entries * kEntrySize;
  };
  // Directories first (root, types, names), then data entries, names, data.
  size_t dirs = directory_size(tree.size());
  size_t leaves = 0;
  for (const auto& type : tree) {
    dirs += directory_size(type.second.size());
    for (const auto& name : type.second) {
      dirs += directory_size(name.second.size());
      leaves += name.second.size();
    }
  }
  std::string out(dirs + leaves * kDataEntrySize, '\0');
  std::string strings;
  size_t strings_at = out.size();
  std::vector<std::pair<size_t, const Resource*>> data_entries;

  size_t next_dir = 0;
  size_t next_leaf = dirs;
  auto name_field = [&](const ResourceName& n) -> uint32_t {
    if (!n.is_string) return n.id;
    uint32_t at = static_cast<uint32_t>(strings_at + strings.size());
    AppendName(&strings, n);
    return at | kHighBit;
  };
  auto open_directory = [&](size_t named, size_t ids) {
    size_t at = next_dir;
    Store16(&out, at + 12, static_cast<uint16_t>(named));
    Store16(&out, at + 14, static_cast<uint16_t>(ids));
    next_dir += directory_size(named + ids);
    return at;
  };
  auto count_named = [](const auto& map) {
    size_t n = 0;
    for (const auto& item : map) n += item.first.is_string ? 1 : 0;
    return n;
  };

  size_t root = open_directory(count_named(tree), tree.size() - count_named(tree));
  size_t type_index = 0;
  for (const auto& type : tree) {
    size_t type_dir = open_directory(count_named(type.second),
                                     type.second.size() - count_named(type.second));
    size_t root_entry = root + kDirectorySize + type_index++ * kEntrySize;
    Store32(&out, root_entry, name_field(type.first));
    Store32(&out, root_entry + 4, static_cast<uint32_t>(type_dir) | kHighBit);
    size_t name_index = 0;
    for (const auto& name : type.second) {
      size_t name_dir = open_directory(0, name.second.size());
      size_t type_entry = type_dir + kDirectorySize + name_index++ * kEntrySize;
      Store32(&out, type_entry, name_field(name.first));
      Store32(&out, type_entry + 4, static_cast<uint32_t>(name_dir) | kHighBit);
      size_t lang_index = 0;
      for (const auto& lang : name.second) {
        size_t lang_entry = name_dir + kDirectorySize + lang_index++ * kEntrySize;
        Store32(&out, lang_entry, lang.first);
        Store32(&out, lang_entry + 4, static_cast<uint32_t>(next_leaf));
        data_entries.emplace_back(next_leaf, lang.second);
        next_leaf += kDataEntrySize;
      }
    }
  }
  out += strings;
  for (const auto& leaf : data_entries) {
    Pad(&out, 8);
    Store32(&out, leaf.first, rva + static_cast<uint32_t>(out.size()));
    Store32(&out, leaf.first + 4, static_cast<uint32_t>(leaf.second->data.size()));
    Store32(&out, leaf.first + 8, leaf.second->codepage);
    out += leaf.second->data;
  }
  return out;
}

bool WriteResources(std::string* file, const std::vector<Resource>& resources,
                    std::string* error) {
  return ReplaceResourceData(
      file,
      [&resources](uint32_t rva) { return BuildResourceData(resources, rva); },
      error);
}

}  // namespace zovpack
