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

namespace zovpack {

namespace {

const uint64_t kMax32 = 0xffffffff;
const uint64_t kMax16 = 0xffff;
const size_t kLocalSize = 30;
const char kServices[] = "META-INF/services/";
// A services file is a list of class names; anything larger is damage.
const size_t kMaxServicesFile = 16 << 20;

void Append64(std::string* s, uint64_t v) {
  Append32(s, static_cast<uint32_t>(v));
  Append32(s, static_cast<uint32_t>(v >> 32));
}

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

// Writes local headers as entries arrive, then the directory.
class ZipWriter {
 public:
  explicit ZipWriter(std::string* out) : out_(out) {}

  void Add(const std::string& name, uint16_t version, uint16_t flags,
           uint16_t method, uint16_t time, uint16_t date, uint32_t crc,
           uint64_t csize, uint64_t usize, const char* data) {
    Entry e{name, version, static_cast<uint16_t>(flags & ~8u), method,
            time, date, crc, csize, usize, out_->size()};
    // Sizes are known now: no data descriptor follows.
    bool big = csize >= kMax32 || usize >= kMax32;
    if (big || e.offset >= kMax32) e.version = std::max<uint16_t>(e.version, 45);
    Append32(out_, kLocalSig);
    Append16(out_, e.version);
    Append16(out_, e.flags);
    Append16(out_, method);
    Append16(out_, time);
    Append16(out_, date);
    Append32(out_, crc);
    Append32(out_, big ? kMax32 : static_cast<uint32_t>(csize));
    Append32(out_, big ? kMax32 : static_cast<uint32_t>(usize));
    Append16(out_, static_cast<uint16_t>(name.size()));
    Append16(out_, big ? 20 : 0);
    out_->append(name);
    if (big) {
      Append16(out_, 1);
      Append16(out_, 16);
      Append64(out_, usize);
      Append64(out_, csize);
    }
    out_->append(data, csize);
    entries_.push_back(e);
  }

  void Finish() {
    uint64_t central = out_->size();
    for (const Entry& e : entries_) {
      std::string extra;
      if (e.usize >= kMax32) Append64(&extra, e.usize);
      if (e.csize >= kMax32) Append64(&extra, e.csize);
      if (e.offset >= kMax32) Append64(&extra, e.offset);
      Append32(out_, kCentralSig);
      Append16(out_, e.version);  // made by: FAT attributes
      Append16(out_, e.version);
      Append16(out_, e.flags);
      Append16(out_, e.method);
      Append16(out_, e.time);
      Append16(out_, e.date);
      Append32(out_, e.crc);
      Append32(out_, static_cast<uint32_t>(std::min(e.csize, kMax32)));
      Append32(out_, static_cast<uint32_t>(std::min(e.usize, kMax32)));
      Append16(out_, static_cast<uint16_t>(e.name.size()));
      Append16(out_, static_cast<uint16_t>(extra.empty() ? 0 : extra.size() + 4));
      Append16(out_, 0);  // comment
      Append16(out_, 0);  // disk
      Append16(out_, 0);  // internal attributes
      Append32(out_, 0);  // external attributes
      Append32(out_, static_cast<uint32_t>(std::min(e.offset, kMax32)));
      out_->append(e.name);
      if (!extra.empty()) {
        Append16(out_, 1);
        Append16(out_, static_cast<uint16_t>(extra.size()));
        out_->append(extra);
      }
    }
    uint64_t size = out_->size() - central;
    uint64_t count = entries_.size();
    if (count >= kMax16 || size >= kMax32 || central >= kMax32) {
      uint64_t record = out_->size();
      Append32(out_, kZip64EndSig);
      Append64(out_, 44);
      Append16(out_, 45);
      Append16(out_, 45);
      Append32(out_, 0);
      Append32(out_, 0);
      Append64(out_, count);
      Append64(out_, count);
      Append64(out_, size);
      Append64(out_, central);
      Append32(out_, kZip64LocatorSig);
      Append32(out_, 0);
      Append64(out_, record);
      Append32(out_, 1);
    }
    Append32(out_, kEndRecordSignature);
    Append32(out_, 0);  // disks
    Append16(out_, static_cast<uint16_t>(std::min(count, kMax16)));
    Append16(out_, static_cast<uint16_t>(std::min(count, kMax16)));
    Append32(out_, static_cast<uint32_t>(std::min(size, kMax32)));
    Append32(out_, static_cast<uint32_t>(std::min(central, kMax32)));
    Append16(out_, 0);  // comment
  }

 private:
  struct Entry {
    std::string name;
    uint16_t version, flags, method, time, date;
    uint32_t crc;
    uint64_t csize, usize, offset;
  };
  std::string* out_;
  std::vector<Entry> entries_;
};

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

bool MergeJars(const JarFile& app, const std::vector<JarFile>& deps,
               std::string* out, std::vector<std::string>* warnings,
               std::string* error, bool drop_class_path) {
  std::vector<const JarFile*> jars{&app};
  for (const JarFile& dep : deps) jars.push_back(&dep);
  std::vector<ZipArchive> zips(jars.size());
  std::vector<JarManifest> manifests(jars.size());
  bool app_has_manifest = false;
  bool app_signed = false;
  for (size_t i = 0; i < jars.size(); ++i) {
    bool found = false;
    if (!ParseZip(jars[i]->data, &zips[i], error) ||
        !ReadJarManifest(jars[i]->data, zips[i], &manifests[i], &found,
                         error)) {
      *error = jars[i]->name + ": " + *error;
      return false;
    }
    if (i == 0) app_has_manifest = found;
  }

  // First pass: which entry of which jar is kept, and what the packed
  // manifest must say about them.
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
  JarManifest manifest = manifests[0];
  bool manifest_changed = false;
  std::set<std::string> sectioned;  // packages with a section already
  for (const ManifestSection& section : manifest.entries) {
    sectioned.insert(section.name);
  }
  if (drop_class_path && manifest.main.Value("Class-Path") != nullptr) {
    manifest.main.Remove("Class-Path");
    manifest_changed = true;
  }
  size_t dropped = 0;
  std::string first_dropped;
  auto drop = [&](const ZipEntry& e, size_t i) {
    // Folders repeat in every jar; only files are worth counting.
    if (!e.name.empty() && e.name.back() != '/') {
      if (dropped++ == 0) first_dropped = e.name + " of " + jars[i]->name;
    }
  };
  for (size_t i = 0; i < jars.size(); ++i) {
    const std::string& data = jars[i]->data;
    const ZipArchive& zip = zips[i];
    const ManifestSection& main = manifests[i].main;
    bool is_signed = false;
    const std::string* packed = manifest.main.Value("Multi-Release");
    if (i > 0 && (packed == nullptr || Upper(*packed) != "TRUE")) {
      const std::string* release = main.Value("Multi-Release");
      if (release != nullptr && Upper(*release) == "TRUE") {
        manifest.main.Set("Multi-Release", "true");
        manifest_changed = true;
      }
    }
    for (const ZipEntry& e : zip.entries) {
      uint64_t local = static_cast<uint64_t>(
          static_cast<int64_t>(e.local_offset) + zip.base);
      uint64_t body = local + kLocalSize + Load16(data, local + 26) +
                      Load16(data, local + 28);
      if (!InRange(data.size(), body, e.compressed_size)) {
        *error = jars[i]->name + ": " + e.name + " runs past the archive";
        return false;
      }
      uint16_t time = Load16(data, local + 10);
      uint16_t date = Load16(data, local + 12);
      if (IsServicesFile(e.name)) {
        std::string contents;
        if (!ReadZipEntry(data, zip, e, kMaxServicesFile, &contents, error)) {
          *error = jars[i]->name + ": " + *error;
          return false;
        }
        auto added = services.emplace(e.name, Services());
        if (added.second) {
          services_order.push_back(e.name);
          added.first->second.time = time;
          added.first->second.date = date;
        }
        AddServiceLines(contents, &added.first->second);
        continue;
      }
      if (i > 0) {
        std::string meta = MetaInfFile(e.name);
        if (meta == "MANIFEST.MF" || meta == "INDEX.LIST") continue;
        if (IsSignatureFile(meta)) {
          is_signed = true;
          continue;
        }
        // The file is no module; a dependency's descriptor would make it
        // one with the dependency's name.
        if (UnversionedName(e.name) == "module-info.class") continue;
        // A versioned class would shadow an earlier jar's own.
        auto base = owner.find(UnversionedName(e.name));
        if (base != owner.end() && base->second < i) {
          drop(e, i);
          continue;
        }
      }
      if (!owner.emplace(e.name, i).second) {
        drop(e, i);
        continue;
      }
      if (i == 0 && IsSignatureFile(MetaInfFile(e.name))) is_signed = true;
      kept.push_back(Kept{i, &e, body, Load16(data, local + 4), time, date});
      // A package the application has classes in keeps what its own
      // manifest says of it.
      std::string package = ClassPackage(e.name);
      if (i == 0) {
        sectioned.insert(package);
      } else if (!package.empty() && sectioned.insert(package).second) {
        ManifestSection section;
        section.name = package;
        const ManifestSection* own = manifests[i].Entry(package);
        for (const ManifestSection* from : {own, &main}) {
          if (from == nullptr) continue;
          for (const auto& attribute : from->attributes) {
            if (IsPackageAttribute(attribute.first) &&
                section.Value(attribute.first) == nullptr) {
              section.attributes.push_back(attribute);
            }
          }
        }
        if (!section.attributes.empty()) {
          manifest.entries.push_back(section);
          manifest_changed = true;
        }
      }
    }
    if (is_signed && i > 0) signed_jars.push_back(jars[i]->name);
    app_signed = app_signed || (is_signed && i == 0);
  }

  std::string merged;
  ZipWriter writer(&merged);
  const std::string manifest_text = WriteManifest(manifest);
  auto add_manifest = [&](uint16_t time, uint16_t date) {
    uLong crc = crc32(crc32(0L, Z_NULL, 0),
                      reinterpret_cast<const Bytef*>(manifest_text.data()),
                      static_cast<uInt>(manifest_text.size()));
    writer.Add("META-INF/MANIFEST.MF", 10, 0, 0, time, date,
               static_cast<uint32_t>(crc), manifest_text.size(),
               manifest_text.size(), manifest_text.data());
  };
  // Java's JarInputStream looks for the manifest among the first entries.
  if (manifest_changed && !app_has_manifest) add_manifest(0, 0x21);
  for (const Kept& k : kept) {
    const ZipEntry& e = *k.entry;
    if (manifest_changed && k.jar == 0 &&
        MetaInfFile(e.name) == "MANIFEST.MF") {
      add_manifest(k.time, k.date);
      continue;
    }
    writer.Add(e.name, k.version, e.flags, e.method, k.time, k.date, e.crc,
               e.compressed_size, e.uncompressed_size,
               jars[k.jar]->data.data() + k.body);
  }
  for (const std::string& name : services_order) {
    const Services& s = services[name];
    uLong crc = crc32(crc32(0L, Z_NULL, 0),
                      reinterpret_cast<const Bytef*>(s.text.data()),
                      static_cast<uInt>(s.text.size()));
    writer.Add(name, 10, 0, 0, s.time, s.date, static_cast<uint32_t>(crc),
               s.text.size(), s.text.size(), s.text.data());
  }
  writer.Finish();

  if (dropped > 0) {
    warnings->push_back(std::to_string(dropped) +
                        " files of the merged jars were left out: an entry "
                        "of the same name came first (the first: " +
                        first_dropped + ")");
  }
  if (app_signed && manifest_changed) {
    warnings->push_back(app.name + " is signed, and its manifest now says what "
                        "the merged jars' said; Java may refuse its "
                        "signature");
  }
  if (!signed_jars.empty()) {
    std::string names;
    for (const std::string& n : signed_jars) names += (names.empty() ? "" : ", ") + n;
    warnings->push_back("signed jars merged without their signatures, which "
                        "would no longer match: " + names);
  }
  out->swap(merged);
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
