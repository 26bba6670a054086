#include "app_resources.h"

#include <algorithm>
#include <set>

namespace zovpack {

namespace {

bool IsType(const Resource& r, uint16_t type) {
  return !r.type.is_string && r.type.id == type;
}

// Removes the resources of `type` named `name`; returns the language of
// the first one removed, or `fallback`.
uint16_t Remove(std::vector<Resource>* resources, uint16_t type,
                const ResourceName& name, uint16_t fallback) {
  uint16_t language = fallback;
  bool found = false;
  auto gone = [&](const Resource& r) {
    if (!IsType(r, type) || !(r.name == name)) return false;
    if (!found) language = r.language;
    found = true;
    return true;
  };
  resources->erase(std::remove_if(resources->begin(), resources->end(), gone),
                   resources->end());
  return language;
}

}  // namespace

void SetSplashBitmap(std::vector<Resource>* resources, const Bitmap& bitmap) {
  Resource r;
  r.type = ResourceName::Id(kRtBitmap);
  r.name = ResourceName::Id(kSplashBitmapId);
  r.language = Remove(resources, kRtBitmap, r.name, 0);
  r.data = bitmap.resource;
  resources->push_back(r);
}

void SetVersionRecord(std::vector<Resource>* resources,
                      const std::string& record) {
  resources->erase(std::remove_if(resources->begin(), resources->end(),
                                  [](const Resource& r) {
                                    return IsType(r, kRtVersion);
                                  }),
                   resources->end());
  Resource r;
  r.type = ResourceName::Id(kRtVersion);
  r.name = ResourceName::Id(1);
  r.data = record;
  resources->push_back(r);
}

const Resource* FindVersionRecord(const std::vector<Resource>& resources) {
  for (const Resource& r : resources) {
    if (IsType(r, kRtVersion)) return &r;
  }
  return nullptr;
}

bool ReplaceIcon(std::vector<Resource>* resources,
                 const std::vector<IconImage>& images, std::string* error) {
  ResourceName group_name = ResourceName::Id(1);
  uint16_t language = 0;
  if (const Resource* first = FindIconGroup(*resources)) {
    group_name = first->name;
    language = first->language;
  }
  // Icons of the group being replaced, unless another group uses them too.
  std::set<uint16_t> dropped, kept;
  for (const Resource& r : *resources) {
    if (!IsType(r, kRtGroupIcon)) continue;
    std::vector<uint16_t> ids;
    if (!ParseIconGroup(r.data, &ids)) continue;
    (r.name == group_name ? dropped : kept).insert(ids.begin(), ids.end());
  }
  Remove(resources, kRtGroupIcon, group_name, language);
  resources->erase(
      std::remove_if(resources->begin(), resources->end(),
                     [&](const Resource& r) {
                       return IsType(r, kRtIcon) && !r.name.is_string &&
                              dropped.count(r.name.id) && !kept.count(r.name.id);
                     }),
      resources->end());

  uint32_t first_id = 1;
  for (const Resource& r : *resources) {
    if (IsType(r, kRtIcon) && !r.name.is_string) {
      first_id = std::max<uint32_t>(first_id, r.name.id + 1u);
    }
  }
  if (first_id + images.size() > 0x10000) {
    *error = "the stub has no free icon ids left";
    return false;
  }
  for (size_t i = 0; i < images.size(); ++i) {
    Resource icon;
    icon.type = ResourceName::Id(kRtIcon);
    icon.name = ResourceName::Id(static_cast<uint16_t>(first_id + i));
    icon.language = language;
    icon.data = images[i].data;
    resources->push_back(icon);
  }
  Resource group;
  group.type = ResourceName::Id(kRtGroupIcon);
  group.name = group_name;
  group.language = language;
  group.data = BuildIconGroup(images, static_cast<uint16_t>(first_id));
  resources->push_back(group);
  return true;
}

const Resource* FindSplashBitmap(const std::vector<Resource>& resources) {
  for (const Resource& r : resources) {
    if (IsType(r, kRtBitmap) && r.name == ResourceName::Id(kSplashBitmapId)) {
      return &r;
    }
  }
  return nullptr;
}

const Resource* FindIconGroup(const std::vector<Resource>& resources) {
  const Resource* first = nullptr;
  for (const Resource& r : resources) {
    if (IsType(r, kRtGroupIcon) && (first == nullptr || r.name < first->name)) {
      first = &r;
    }
  }
  return first;
}

}  // namespace zovpack
