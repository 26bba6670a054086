#include "merge.h"

#include <dirent.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

#include "byte_order.h"
#include "file_io.h"
#include "jar_manifest.h"
#include "zip_archive.h"
#include "zip_writer.h"

namespace zovpack {

namespace {

const size_t kLocalSize = 30;
const char kServices[] = "META-INF/services/";
// A services file is a list of class names; anything larger is damage.
const size_t kMaxServicesFile = 16 << 20;

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A file directly in META-INF/, upper-cased after that folder, or "".
std::string MetaInfFile(const std::string& name) {
  if (Upper(name.substr(0, 9)) != "META-INF/") return "";
  std::string rest = name.substr(9);
  if (rest.empty() || rest.find('/') != std::string::npos) return "";
  return Upper(rest);
}

bool IsSignatureFile(const std::string& meta) {
  for (const char* ext : {".SF", ".RSA", ".DSA", ".EC"}) {
    if (EndsWith(meta, ext)) return true;
  }
  return StartsWith(meta, "SIG-");
}

const char kVersions[] = "META-INF/versions/";

// The name a Multi-Release entry META-INF/versions/N/NAME stands for, or
// the name itself.
std::string UnversionedName(const std::string& name) {
  if (!StartsWith(name, kVersions)) return name;
  size_t slash = name.find('/', sizeof kVersions - 1);
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The package folder ("a/b/") of a class file entry, or "".
std::string ClassPackage(const std::string& name) {
  std::string plain = UnversionedName(name);
  if (!EndsWith(plain, ".class") || StartsWith(plain, "META-INF/")) return "";
  size_t slash = plain.rfind('/');
  return slash == std::string::npos ? "" : plain.substr(0, slash + 1);
}

// What Package.getImplementationVersion() and its kin read.
bool IsPackageAttribute(const std::string& name) {
  std::string upper = Upper(name);
  return StartsWith(upper, "IMPLEMENTATION-") ||
         StartsWith(upper, "SPECIFICATION-");
}

bool IsServicesFile(const std::string& name) {
  return StartsWith(name, kServices) && name.size() > sizeof kServices - 1 &&
         name.find('/', sizeof kServices - 1) == std::string::npos;
}

// One services file being joined: its lines so far, each once.
struct Services {
  std::string text;
  std::set<std::string> seen;
  uint16_t time = 0, date = 0;
};

void AddServiceLines(const std::string& contents, Services* s) {
  size_t pos = 0;
  while (pos < contents.size()) {
    size_t end = contents.find('\n', pos);
    if (end == std::string::npos) end = contents.size();
    std::string line = contents.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' ||
                             line.back() == '\t')) {
      line.pop_back();
    }
    if (s->seen.insert(line).second) s->text += line + "\n";
  }
}

}  // namespace

namespace {

// What the merge has chosen so far.
struct Merge {
  std::vector<const JarFile*> jars;  // the application's first
  std::vector<ZipArchive> zips;
  std::vector<JarManifest> manifests;
  bool app_has_manifest = false;
  bool app_signed = false;
  // Which entry of which jar is kept, and what the packed manifest must say
  // about them.
  struct Kept {
    size_t jar;
    const ZipEntry* entry;
    uint64_t body;
    uint16_t version, time, date;
  };
  std::vector<Kept> kept;
  std::map<std::string, size_t> owner;  // name -> the jar it came from
  std::map<std::string, Services> services;
  std::vector<std::string> services_order;
  std::vector<std::string> signed_jars;
  JarManifest manifest;
  bool manifest_changed = false;
  std::set<std::string> sectioned;  // packages with a section already
  size_t dropped = 0;
  std::string first_dropped;
};

bool ReadJars(Merge* m, std::string* error) {
  m->zips.resize(m->jars.size());
  m->manifests.resize(m->jars.size());
  for (size_t i = 0; i < m->jars.size(); ++i) {
    bool found = false;
    if (!ParseZip(m->jars[i]->data, &m->zips[i], error) ||
        !ReadJarManifest(m->jars[i]->data, m->zips[i], &m->manifests[i],
                         &found, error)) {
      *error = m->jars[i]->name + ": " + *error;
      return false;
    }
    if (i == 0) m->app_has_manifest = found;
  }
  m->manifest = m->manifests[0];
  for (const ManifestSection& section : m->manifest.entries) {
    m->sectioned.insert(section.name);
  }
  return true;
}

void Drop(Merge* m, const ZipEntry& e, size_t i) {
  // Folders repeat in every jar; only files are worth counting.
  if (!e.name.empty() && e.name.back() != '/') {
    if (m->dropped++ == 0) m->first_dropped = e.name + " of " + m->jars[i]->name;
  }
}

// A dependency that is multi-release makes the packed jar one.
void NoteMultiRelease(Merge* m, size_t i) {
  const std::string* packed = m->manifest.main.Value("Multi-Release");
  if (i > 0 && (packed == nullptr || Upper(*packed) != "TRUE")) {
    const std::string* release = m->manifests[i].main.Value("Multi-Release");
    if (release != nullptr && Upper(*release) == "TRUE") {
      m->manifest.main.Set("Multi-Release", "true");
      m->manifest_changed = true;
    }
  }
}

// A package the application has classes in keeps what its own manifest
// says of it; one a dependency brings gets that dependency's attributes.
void AddPackageSection(Merge* m, size_t i, const std::string& package) {
  if (i == 0) {
    m->sectioned.insert(package);
    return;
  }
  if (package.empty() || !m->sectioned.insert(package).second) return;
  ManifestSection section;
  section.name = package;
  const ManifestSection* own = m->manifests[i].Entry(package);
  const ManifestSection* main = &m->manifests[i].main;
  for (const ManifestSection* from : {own, main}) {
    if (from == nullptr) continue;
    for (const auto& attribute : from->attributes) {
      if (IsPackageAttribute(attribute.first) &&
          section.Value(attribute.first) == nullptr) {
        section.attributes.push_back(attribute);
      }
    }
  }
  if (!section.attributes.empty()) {
    m->manifest.entries.push_back(section);
    m->manifest_changed = true;
  }
}

// Keeps, joins or drops entry e of jar i.
bool TakeEntry(Merge* m, size_t i, const ZipEntry& e, bool* is_signed,
               std::string* error) {
  const std::string& data = m->jars[i]->data;
  const ZipArchive& zip = m->zips[i];
  uint64_t local = static_cast<uint64_t>(
      static_cast<int64_t>(e.local_offset) + zip.base);
  uint64_t body = local + kLocalSize + Load16(data, local + 26) +
                  Load16(data, local + 28);
  if (!InRange(data.size(), body, e.compressed_size)) {
    *error = m->jars[i]->name + ": " + e.name + " runs past the archive";
    return false;
  }
  uint16_t time = Load16(data, local + 10);
  uint16_t date = Load16(data, local + 12);
  if (IsServicesFile(e.name)) {
    std::string contents;
    if (!ReadZipEntry(data, zip, e, kMaxServicesFile, &contents, error)) {
      *error = m->jars[i]->name + ": " + *error;
      return false;
    }
    auto added = m->services.emplace(e.name, Services());
    if (added.second) {
      m->services_order.push_back(e.name);
      added.first->second.time = time;
      added.first->second.date = date;
    }
    AddServiceLines(contents, &added.first->second);
    return true;
  }
  if (i > 0) {
    std::string meta = MetaInfFile(e.name);
    if (meta == "MANIFEST.MF" || meta == "INDEX.LIST") return true;
    if (IsSignatureFile(meta)) {
      *is_signed = true;
      return true;
    }
    // The file is no module; a dependency's descriptor would make it
    // one with the dependency's name.
    if (UnversionedName(e.name) == "module-info.class") return true;
    // A versioned class would shadow an earlier jar's own.
    auto base = m->owner.find(UnversionedName(e.name));
    if (base != m->owner.end() && base->second < i) {
      Drop(m, e, i);
      return true;
    }
  }
  if (!m->owner.emplace(e.name, i).second) {
    Drop(m, e, i);
    return true;
  }
  if (i == 0 && IsSignatureFile(MetaInfFile(e.name))) *is_signed = true;
  m->kept.push_back(
      Merge::Kept{i, &e, body, Load16(data, local + 4), time, date});
  AddPackageSection(m, i, ClassPackage(e.name));
  return true;
}

void AddStored(ZipWriter* writer, const std::string& name, uint16_t time,
               uint16_t date, const std::string& text) {
  uLong crc = crc32(crc32(0L, Z_NULL, 0),
                    reinterpret_cast<const Bytef*>(text.data()),
                    static_cast<uInt>(text.size()));
  writer->Add(name, 10, 0, 0, time, date, static_cast<uint32_t>(crc),
              text.size(), text.size(), text.data());
}

std::string WriteMerged(Merge* m) {
  std::string merged;
  ZipWriter writer(&merged);
  const std::string manifest_text = WriteManifest(m->manifest);
  // Java's JarInputStream looks for the manifest among the first entries.
  if (m->manifest_changed && !m->app_has_manifest) {
    AddStored(&writer, "META-INF/MANIFEST.MF", 0, 0x21, manifest_text);
  }
  for (const Merge::Kept& k : m->kept) {
    const ZipEntry& e = *k.entry;
    if (m->manifest_changed && k.jar == 0 &&
        MetaInfFile(e.name) == "MANIFEST.MF") {
      AddStored(&writer, "META-INF/MANIFEST.MF", k.time, k.date, manifest_text);
      continue;
    }
    writer.Add(e.name, k.version, e.flags, e.method, k.time, k.date, e.crc,
               e.compressed_size, e.uncompressed_size,
               m->jars[k.jar]->data.data() + k.body);
  }
  for (const std::string& name : m->services_order) {
    const Services& s = m->services[name];
    AddStored(&writer, name, s.time, s.date, s.text);
  }
  writer.Finish();
  return merged;
}

void WarnAboutMerge(const Merge& m, std::vector<std::string>* warnings) {
  if (m.dropped > 0) {
    warnings->push_back(std::to_string(m.dropped) +
                        " files of the merged jars were left out: an entry "
                        "of the same name came first (the first: " +
                        m.first_dropped + ")");
  }
  if (m.app_signed && m.manifest_changed) {
    warnings->push_back(m.jars[0]->name + " is signed, and its manifest now "
                        "says what the merged jars' said; Java may refuse "
                        "its signature");
  }
  if (!m.signed_jars.empty()) {
    std::string names;
    for (const std::string& n : m.signed_jars) {
      names += (names.empty() ? "" : ", ") + n;
    }
    warnings->push_back("signed jars merged without their signatures, which "
                        "would no longer match: " + names);
  }
}

}  // namespace

bool MergeJars(const JarFile& app, const std::vector<JarFile>& deps,
               std::string* out, std::vector<std::string>* warnings,
               std::string* error, bool drop_class_path) {
  Merge m;
  m.jars.push_back(&app);
  for (const JarFile& dep : deps) m.jars.push_back(&dep);
  if (!ReadJars(&m, error)) return false;
  if (drop_class_path && m.manifest.main.Value("Class-Path") != nullptr) {
    m.manifest.main.Remove("Class-Path");
    m.manifest_changed = true;
  }
  for (size_t i = 0; i < m.jars.size(); ++i) {
    NoteMultiRelease(&m, i);
    bool is_signed = false;
    for (const ZipEntry& e : m.zips[i].entries) {
      if (!TakeEntry(&m, i, e, &is_signed, error)) return false;
    }
    if (is_signed && i > 0) m.signed_jars.push_back(m.jars[i]->name);
    m.app_signed = m.app_signed || (is_signed && i == 0);
  }
  *out = WriteMerged(&m);
  WarnAboutMerge(m, warnings);
  return true;
}

bool ListMergeJars(const std::string& path, std::vector<std::string>* jars,
                   std::string* error) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    *error = "--merge " + path + ": no such file or directory";
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    jars->push_back(path);
    return true;
  }
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) {
    *error = "--merge " + path + ": cannot read the directory";
    return false;
  }
  std::string base = path.back() == '/' ? path : path + "/";
  std::vector<std::string> found;
  while (struct dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    std::string full = base + name;
    if (!EndsWith(Upper(name), ".JAR") || name.size() < 5 ||
        stat(full.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
      continue;
    }
    found.push_back(name);
  }
  closedir(dir);
  if (found.empty()) {
    *error = "--merge " + path + ": the directory holds no .jar file";
    return false;
  }
  std::sort(found.begin(), found.end());
  for (const std::string& name : found) jars->push_back(base + name);
  return true;
}

std::vector<std::string> ClassPathItems(const ManifestSection& main) {
  std::vector<std::string> items;
  const std::string* value = main.Value("Class-Path");
  if (value == nullptr) return items;
  size_t pos = 0;
  while ((pos = value->find_first_not_of(" \t", pos)) != std::string::npos) {
    size_t end = value->find_first_of(" \t", pos);
    if (end == std::string::npos) end = value->size();
    items.push_back(value->substr(pos, end - pos));
    pos = end;
  }
  return items;
}

std::string ClassPathItemPath(const std::string& item, const std::string& jar) {
  std::string url = item;
  if (Upper(url.substr(0, 5)) == "FILE:") {
    url = url.substr(5);
    if (StartsWith(url, "//")) url = url.substr(2);
    if (url.empty() || url[0] != '/') return "";  // a host or no path
  } else {
    size_t colon = url.find(':');
    if (colon != std::string::npos && colon < url.find('/')) return "";
  }
  std::string path;
  for (size_t i = 0; i < url.size(); ++i) {
    int value = 0;
    if (url[i] == '%' && i + 2 < url.size() &&
        std::sscanf(url.substr(i + 1, 2).c_str(), "%2x", &value) == 1 &&
        std::isxdigit(static_cast<unsigned char>(url[i + 2]))) {
      path += static_cast<char>(value);
      i += 2;
    } else {
      path += url[i];
    }
  }
  if (path.empty() || path[0] == '/') return path;
  size_t slash = jar.rfind('/');
  return slash == std::string::npos ? path : jar.substr(0, slash + 1) + path;
}

namespace {

// Depth first, in the order Java opens them: a jar's own Class-Path right
// after it.
bool AddClassPathClosure(const std::string& jar, const std::string& data,
                         std::set<std::string>* seen,
                         std::vector<JarFile>* found,
                         std::vector<std::string>* warnings,
                         std::string* error) {
  ZipArchive zip;
  JarManifest manifest;
  bool has_manifest = false;
  if (!ParseZip(data, &zip, error) ||
      !ReadJarManifest(data, zip, &manifest, &has_manifest, error)) {
    *error = jar + ": " + *error;
    return false;
  }
  for (const std::string& item : ClassPathItems(manifest.main)) {
    std::string path = ClassPathItemPath(item, jar);
    struct stat info;
    if (path.empty() || path.back() == '/' || stat(path.c_str(), &info) != 0 ||
        S_ISDIR(info.st_mode)) {
      warnings->push_back("the Class-Path of " + jar + " names " + item +
                          ", which is no jar here; it is not merged");
      continue;
    }
    if (!seen->insert(path).second) continue;
    JarFile next;
    next.name = path;
    if (!ReadWholeFile(path, &next.data, error)) return false;
    found->push_back(std::move(next));
    const JarFile& added = found->back();
    std::string name = added.name, contents = added.data;
    if (!AddClassPathClosure(name, contents, seen, found, warnings, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool MergePaths(const std::string& archive_name,
                const std::vector<std::string>& paths, std::string* archive,
                std::vector<std::string>* warnings, std::string* error,
                bool merge_class_path) {
  std::vector<JarFile> deps;
  std::set<std::string> seen{archive_name};
  if (merge_class_path &&
      !AddClassPathClosure(archive_name, *archive, &seen, &deps, warnings,
                           error)) {
    return false;
  }
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    if (!ListMergeJars(path, &files, error)) return false;
  }
  for (const std::string& file : files) {
    if (!seen.insert(file).second) continue;
    deps.emplace_back();
    deps.back().name = file;
    if (!ReadWholeFile(file, &deps.back().data, error)) return false;
  }
  std::string merged;
  if (!MergeJars(JarFile{archive_name, *archive}, deps, &merged, warnings,
                 error, merge_class_path)) {
    return false;
  }
  archive->swap(merged);
  return true;
}

}  // namespace zovpack
