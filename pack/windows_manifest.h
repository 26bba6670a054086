// The application manifest of a Windows stub (RT_MANIFEST 1, the one a
// process starts with) and the UTF-8 code page it can ask for.
#ifndef ZOV_PACK_WINDOWS_MANIFEST_H_
#define ZOV_PACK_WINDOWS_MANIFEST_H_

#include <cstdint>
#include <string>
#include <vector>

#include "pe_resources.h"

namespace zovpack {

const uint16_t kRtManifest = 24;

// `manifest` with activeCodePage set to UTF-8: any activeCodePage it had is
// replaced; the setting goes into its windowsSettings, or a new one. Fails
// for text without a closing assembly tag.
bool SetUtf8CodePage(const std::string& manifest, std::string* out,
                     std::string* error);

// Asks for UTF-8 in every language of manifest 1, adding a manifest that
// asks for nothing else when the stub has none.
bool SetUtf8CodePage(std::vector<Resource>* resources, std::string* error);

// Manifest 1, or null.
const Resource* FindManifest(const std::vector<Resource>& resources);

// The value of the manifest's activeCodePage, or empty.
std::string ActiveCodePage(const std::string& manifest);

}  // namespace zovpack

#endif  // ZOV_PACK_WINDOWS_MANIFEST_H_
