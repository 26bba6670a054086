#include "jar_manifest.h"

#include <vector>

namespace zovpack {

namespace {

bool NameIs(const std::string& line, size_t colon, const char* name) {
  size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    if (i >= colon) return false;
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    char n = name[i];
    if (n >= 'A' && n <= 'Z') n = static_cast<char>(n - 'A' + 'a');
    if (c != n) return false;
  }
  return i == colon;
}

std::string Trim(const std::string& s) {
  const char* space = " \t\r\n";
  size_t first = s.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(space) - first + 1);
}

}  // namespace

std::string ManifestAttribute(const std::string& manifest, const char* name) {
  // Logical lines of the main section: a line that starts with a space
  // continues the one before it; the first empty line ends the section.
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < manifest.size()) {
    size_t end = manifest.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = manifest.size();
    std::string line = manifest.substr(pos, end - pos);
    pos = end;
    if (pos < manifest.size() && manifest[pos] == '\r') ++pos;
    if (pos < manifest.size() && manifest[pos] == '\n') ++pos;
    if (line.empty()) break;
    if (line[0] == ' ' && !lines.empty()) {
      lines.back() += line.substr(1);
    } else {
      lines.push_back(line);
    }
  }
  for (const std::string& line : lines) {
    size_t colon = line.find(':');
    if (colon != std::string::npos && NameIs(line, colon, name)) {
      return Trim(line.substr(colon + 1));
    }
  }
  return std::string();
}

std::string ManifestMainClass(const std::string& manifest) {
  return ManifestAttribute(manifest, "Main-Class");
}

bool ReadJarManifest(const std::string& data, const ZipArchive& zip,
                     std::string* manifest, std::string* error) {
  manifest->clear();
  const ZipEntry* entry = FindZipEntry(zip, "META-INF/MANIFEST.MF");
  if (entry == nullptr) return true;
  return ReadZipEntry(data, zip, *entry, 16 << 20, manifest, error);
}

bool ReadJarMainClass(const std::string& data, const ZipArchive& zip,
                      std::string* main_class, std::string* error) {
  std::string manifest;
  if (!ReadJarManifest(data, zip, &manifest, error)) return false;
  *main_class = ManifestMainClass(manifest);
  return true;
}

}  // namespace zovpack
