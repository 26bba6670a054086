#include "jar_manifest.h"

#include <algorithm>

#include "text_lines.h"

namespace zovpack {

namespace {

// Java refuses larger manifests too.
const size_t kMaxManifest = 16 << 20;
const size_t kMaxLine = 72;

}  // namespace

bool SameAttributeName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

namespace {

// What Java accepts as an attribute's name.
bool IsAttributeName(const std::string& name) {
  if (name.empty() || name.size() > 70) return false;
  for (char c : name) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          (c >= '0' && c <= '9') || c == '-' || c == '_')) {
      return false;
    }
  }
  return true;
}

std::string Trim(const std::string& s) {
  const char* space = " \t\r\n";
  size_t first = s.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(space) - first + 1);
}

// One "name: value" line, folded.
void WriteAttribute(const std::string& name, const std::string& value,
                    std::string* out) {
  std::string line = name + ": " + value;
  size_t pos = 0;
  size_t room = kMaxLine;
  // The first line keeps the whole "name: ".
  size_t least = std::min(name.size() + 2, kMaxLine);
  while (line.size() - pos > room) {
    size_t cut = pos + room;
    // A UTF-8 continuation byte must stay with the byte that starts it.
    while (cut > pos + least &&
           (static_cast<unsigned char>(line[cut]) & 0xc0) == 0x80) {
      --cut;
    }
    least = 1;
    out->append(line, pos, cut - pos);
    out->append("\r\n ");
    pos = cut;
    room = kMaxLine - 1;
  }
  out->append(line, pos, std::string::npos);
  out->append("\r\n");
}

}  // namespace

const std::string* ManifestSection::Value(const std::string& key) const {
  for (const auto& attribute : attributes) {
    if (SameAttributeName(attribute.first, key)) return &attribute.second;
  }
  return nullptr;
}

void ManifestSection::Set(const std::string& key, const std::string& value) {
  for (auto& attribute : attributes) {
    if (SameAttributeName(attribute.first, key)) {
      attribute.second = value;
      return;
    }
  }
  attributes.emplace_back(key, value);
}

void ManifestSection::Remove(const std::string& key) {
  std::vector<std::pair<std::string, std::string>> kept;
  for (auto& attribute : attributes) {
    if (!SameAttributeName(attribute.first, key)) kept.push_back(std::move(attribute));
  }
  attributes.swap(kept);
}

const ManifestSection* JarManifest::Entry(const std::string& name) const {
  for (const ManifestSection& section : entries) {
    if (section.name == name) return &section;
  }
  return nullptr;
}

JarManifest ParseManifest(const std::string& text) {
  JarManifest manifest;
  ManifestSection* section = &manifest.main;
  bool section_open = true;  // false after a blank line
  bool can_continue = false;
  size_t pos = 0;
  while (pos < text.size()) {
    std::string line = NextLine(text, &pos);
    if (line.empty()) {
      section_open = false;
      can_continue = false;
      continue;
    }
    if (line[0] == ' ') {
      if (can_continue) section->attributes.back().second += line.substr(1);
      continue;
    }
    size_t colon = line.find(": ");
    if (colon == std::string::npos ||
        !IsAttributeName(line.substr(0, colon))) {
      can_continue = false;
      continue;
    }
    std::string name = line.substr(0, colon);
    std::string value = line.substr(colon + 2);
    if (!section_open) {
      // Only Name starts a section; other attributes after a blank line
      // belong to none.
      if (!SameAttributeName(name, "Name")) {
        can_continue = false;
        continue;
      }
      manifest.entries.emplace_back();
      section = &manifest.entries.back();
      section_open = true;
    }
    section->attributes.emplace_back(name, value);
    can_continue = true;
  }
  // The name attribute is the section's name; a continued one is joined.
  for (ManifestSection& entry : manifest.entries) {
    entry.name = entry.attributes.front().second;
    entry.attributes.erase(entry.attributes.begin());
  }
  return manifest;
}

std::string WriteManifest(const JarManifest& manifest) {
  std::string out;
  const std::string* version = manifest.main.Value("Manifest-Version");
  WriteAttribute("Manifest-Version", version ? *version : "1.0", &out);
  for (const auto& attribute : manifest.main.attributes) {
    if (!SameAttributeName(attribute.first, "Manifest-Version")) {
      WriteAttribute(attribute.first, attribute.second, &out);
    }
  }
  out += "\r\n";
  for (const ManifestSection& entry : manifest.entries) {
    WriteAttribute("Name", entry.name, &out);
    for (const auto& attribute : entry.attributes) {
      WriteAttribute(attribute.first, attribute.second, &out);
    }
    out += "\r\n";
  }
  return out;
}

std::string ManifestAttribute(const JarManifest& manifest, const char* name) {
  const std::string* value = manifest.main.Value(name);
  return value ? Trim(*value) : std::string();
}

std::string MainClass(const JarManifest& manifest) {
  return ManifestAttribute(manifest, "Main-Class");
}

std::string ManifestMainClass(const std::string& manifest) {
  return MainClass(ParseManifest(manifest));
}

bool ReadJarManifest(const std::string& data, const ZipArchive& zip,
                     JarManifest* manifest, bool* found, std::string* error) {
  *manifest = JarManifest();
  const ZipEntry* entry = FindZipEntry(zip, "META-INF/MANIFEST.MF");
  *found = entry != nullptr;
  if (entry == nullptr) return true;
  std::string text;
  if (!ReadZipEntry(data, zip, *entry, kMaxManifest, &text, error)) {
    return false;
  }
  *manifest = ParseManifest(text);
  return true;
}

bool ReadJarMainClass(const std::string& data, const ZipArchive& zip,
                      std::string* main_class, std::string* error) {
  JarManifest manifest;
  bool found = false;
  if (!ReadJarManifest(data, zip, &manifest, &found, error)) return false;
  *main_class = MainClass(manifest);
  return true;
}

}  // namespace zovpack
