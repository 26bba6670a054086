// A JAR's manifest (META-INF/MANIFEST.MF): read as Java reads it, and
// written back so that Java reads the same.
#ifndef ZOV_PACK_JAR_MANIFEST_H_
#define ZOV_PACK_JAR_MANIFEST_H_

#include <string>
#include <utility>
#include <vector>

#include "zip_archive.h"

namespace zovpack {

// Attribute names compare without regard to ASCII case.
bool SameAttributeName(const std::string& a, const std::string& b);

struct ManifestSection {
  // The section's Name (an entry or package path, "dep/" say); empty for
  // the main section.
  std::string name;
  // Attributes in file order, continuation lines joined, the value without
  // the one space after the colon and without trailing CR or LF. A name
  // given twice keeps both; Value gives the first.
  std::vector<std::pair<std::string, std::string>> attributes;

  // The first value of the attribute `key` (names compared without regard
  // to ASCII case), or null.
  const std::string* Value(const std::string& key) const;
  // Replaces the first `key` attribute's value, or adds the attribute.
  void Set(const std::string& key, const std::string& value);
  // Removes every `key` attribute.
  void Remove(const std::string& key);
};

struct JarManifest {
  ManifestSection main;
  std::vector<ManifestSection> entries;  // the per-entry sections, in order

  // The per-entry section named `name` (exact match), or null.
  const ManifestSection* Entry(const std::string& name) const;
};

// Parses manifest text: lines end in CR LF, LF or CR; a line starting with
// one space continues the one before; blank lines separate sections; each
// section after the main one starts with Name. A line without ": " after
// a name Java accepts (up to 70 letters, digits, '-' and '_'), or a
// continuation with nothing to continue is skipped, as are the empty
// sections a run of blank lines makes. Never fails.
JarManifest ParseManifest(const std::string& text);

// The text of `manifest`, CR LF line ends, lines folded at 72 bytes (never
// inside a UTF-8 sequence), a blank line after each section. The main
// section starts with Manifest-Version, 1.0 when it has none.
std::string WriteManifest(const JarManifest& manifest);

// Value of the main section's attribute `name`, surrounding white space
// removed; empty when there is none.
std::string ManifestAttribute(const JarManifest& manifest, const char* name);

// Value of the main section's Main-Class, surrounding white space removed;
// empty when there is none.
std::string MainClass(const JarManifest& manifest);
std::string ManifestMainClass(const std::string& manifest);

// Reads and parses META-INF/MANIFEST.MF of the archive; `*found` says
// whether it has one (without, `*manifest` is empty). Fails only for a
// manifest entry that cannot be read.
bool ReadJarManifest(const std::string& data, const ZipArchive& zip,
                     JarManifest* manifest, bool* found, std::string* error);

// Reads the archive's Main-Class into `*main_class` (empty when the archive
// has no manifest or the manifest names none). Fails as ReadJarManifest.
bool ReadJarMainClass(const std::string& data, const ZipArchive& zip,
                      std::string* main_class, std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_JAR_MANIFEST_H_
