// The resources a packed application adds to its stub: the splash bitmap,
// the icon and the version record.
#ifndef ZOV_PACK_APP_RESOURCES_H_
#define ZOV_PACK_APP_RESOURCES_H_

#include <cstdint>
#include <vector>

#include "pe_resources.h"
#include "picture_files.h"

namespace zovpack {

const uint16_t kRtBitmap = 2;
const uint16_t kRtIcon = 3;
const uint16_t kRtString = 6;
const uint16_t kRtGroupIcon = 14;
const uint16_t kRtVersion = 16;
const uint16_t kSplashBitmapId = 100;  // the launcher loads this one

// Makes `bitmap` bitmap resource 100, replacing any there was (in every
// language); it keeps the language of the one it replaces.
void SetSplashBitmap(std::vector<Resource>* resources, const Bitmap& bitmap);

// Makes `record` the only version record (RT_VERSION 1, language neutral).
void SetVersionRecord(std::vector<Resource>* resources, const std::string& record);

// The first version record, or null.
const Resource* FindVersionRecord(const std::vector<Resource>& resources);

// Replaces the first icon group (the one shells show for the file) and the
// icons only it uses by `images`; adds a group when there is none. The
// group keeps its name and language.
bool ReplaceIcon(std::vector<Resource>* resources,
                 const std::vector<IconImage>& images, std::string* error);

// The splash bitmap, or null.
const Resource* FindSplashBitmap(const std::vector<Resource>& resources);

// The first icon group, or null.
const Resource* FindIconGroup(const std::vector<Resource>& resources);

}  // namespace zovpack

#endif  // ZOV_PACK_APP_RESOURCES_H_
