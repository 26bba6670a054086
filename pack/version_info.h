// The version record (RT_VERSION) of a packed Windows file: the name,
// version and vendor that Explorer, Task Manager and "Open with" show.
#ifndef ZOV_PACK_VERSION_INFO_H_
#define ZOV_PACK_VERSION_INFO_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "jar_manifest.h"

namespace zovpack {

// What the packer was told; empty fields are taken from the manifest.
struct IdentityOptions {
  std::string name;         // --name
  std::string description;  // --description
  std::string version;      // --app-version
  std::string vendor;       // --vendor
  std::string copyright;    // --copyright
};

struct VersionRecord {
  uint16_t file_version[4] = {0, 0, 0, 0};
  uint16_t product_version[4] = {0, 0, 0, 0};
  // Key and value, UTF-8, in the order written.
  std::vector<std::pair<std::string, std::string>> strings;
};

// The first four numbers of `text` ("2.5.1-beta" gives 2.5.1.0, "302.08"
// gives 302.8.0.0); fails for a number above 65535, which Windows cannot
// hold.
bool VersionNumbers(const std::string& text, uint16_t numbers[4],
                    std::string* error);

// "2.5.1.0".
std::string VersionText(const uint16_t numbers[4]);

// The record of an application: each option, else the manifest's
// Implementation-* then Specification-* attribute, else the output's base
// name and version 0.0.0.0. OriginalFilename and InternalName come from
// `output_name` (a file name without directory). Fails for a version with
// a number above 65535.
bool ComposeVersionRecord(const IdentityOptions& options,
                          const JarManifest& manifest,
                          const std::string& output_name,
                          VersionRecord* record, std::string* error);

// The RT_VERSION resource for `record`, its text in UTF-16 and its language
// neutral. Fails for text that is not UTF-8.
bool BuildVersionResource(const VersionRecord& record, std::string* data,
                          std::string* error);

// Reads an RT_VERSION resource; false when it is malformed.
bool ReadVersionResource(const std::string& data, VersionRecord* record);

}  // namespace zovpack

#endif  // ZOV_PACK_VERSION_INFO_H_
