// Attributes of a JAR's manifest.
#ifndef ZOV_PACK_JAR_MANIFEST_H_
#define ZOV_PACK_JAR_MANIFEST_H_

#include <string>

#include "zip_archive.h"

namespace zovpack {

// Value of the main section's attribute `name` (any case) in manifest text, with
// continuation lines joined and surrounding white space removed; empty when
// there is none.
std::string ManifestAttribute(const std::string& manifest, const char* name);
std::string ManifestMainClass(const std::string& manifest);

// The text of META-INF/MANIFEST.MF (empty when there is none). Fails only
// for a manifest that cannot be read.
bool ReadJarManifest(const std::string& data, const ZipArchive& zip,
                     std::string* manifest, std::string* error);

// Reads META-INF/MANIFEST.MF from the archive and returns its Main-Class in
// `*main_class` (empty when the archive has no manifest or the manifest
// names none). Fails only for a manifest that cannot be read.
bool ReadJarMainClass(const std::string& data, const ZipArchive& zip,
                      std::string* main_class, std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_JAR_MANIFEST_H_
