#include "carried.h"

#include <filesystem>
#include <map>
#include <set>

#include "file_io.h"
#include "jar_manifest.h"
#include "merge.h"
#include "runtime/payload_format.h"
#include "zip_archive.h"

namespace fs = std::filesystem;

namespace zovpack {

namespace {

// A Class-Path item's place relative to the jar stored at `stored`, or
// empty when it would leave the payload's folder.
std::string StoredPlace(const std::string& item, const std::string& stored) {
  std::string path = ClassPathItemPath(item, stored);
  if (path.empty() || path[0] == '/' || path.back() == '/') return "";
  fs::path normal = fs::path(path).lexically_normal();
  std::string text = normal.generic_string();
  if (text.empty() || text == "." || text.compare(0, 2, "..") == 0) return "";
  return text;
}

struct Library {
  std::string source;  // the file read
  std::string stored;  // its path in the payload
  bool on_class_path;
};

}  // namespace

bool PackLibraries(const std::vector<std::string>& paths, PackedRuntime* out,
                   std::vector<std::string>* warnings, std::string* error) {
  std::vector<Library> libraries;
  for (const std::string& path : paths) {
    std::vector<std::string> jars;
    if (!ListMergeJars(path, &jars, error)) {
      *error = "--lib" + error->substr(error->find(' '));
      return false;
    }
    for (const std::string& jar : jars) {
      libraries.push_back(Library{jar, BaseName(jar), true});
    }
  }
  std::map<std::string, std::string> stored;  // payload path -> source
  std::vector<RuntimeEntry> entries;
  std::set<std::string> folders;
  // Grows while Class-Path items add jars; each is read once.
  for (size_t i = 0; i < libraries.size(); ++i) {
    Library lib = libraries[i];
    auto [place, added] = stored.emplace(lib.stored, lib.source);
    if (!added) {
      std::error_code ec;
      if (fs::equivalent(place->second, lib.source, ec)) continue;
      *error = "--lib: two jars would be " + lib.stored + ": " + place->second +
               " and " + lib.source;
      return false;
    }
    RuntimeEntry e;
    e.kind = lib.on_class_path ? kPayloadClassPath : kPayloadFile;
    e.path = lib.stored;
    if (!ReadWholeFile(lib.source, &e.data, error)) return false;
    ZipArchive zip;
    JarManifest manifest;
    bool has_manifest = false;
    if (!ParseZip(e.data, &zip, error) ||
        !ReadJarManifest(e.data, zip, &manifest, &has_manifest, error)) {
      *error = "--lib " + lib.source + ": " + *error;
      return false;
    }
    for (const std::string& item : ClassPathItems(manifest.main)) {
      std::string source = ClassPathItemPath(item, lib.source);
      std::string place = StoredPlace(item, lib.stored);
      std::error_code ec;
      if (place.empty() || source.empty() || !fs::is_regular_file(source, ec)) {
        warnings->push_back("the Class-Path of " + lib.source + " names " + item +
                            ", which " + (place.empty() ? "lies outside its folder"
                                                        : "is no file there") +
                            "; the file does not carry it");
        continue;
      }
      libraries.push_back(Library{source, place, false});
    }
    // Its folders, each once, before it.
    for (size_t slash = e.path.find('/'); slash != std::string::npos;
         slash = e.path.find('/', slash + 1)) {
      std::string folder = e.path.substr(0, slash);
      if (folders.insert(folder).second) entries.push_back(RuntimeEntry{kPayloadFolder, folder, ""});
    }
    entries.push_back(std::move(e));
  }
  return EncodePayload(std::move(entries), out, error);
}

bool PackNative(const std::string& dir, Target target, PackedRuntime* out,
                std::vector<std::string>* warnings, std::string* error) {
  std::vector<RuntimeEntry> entries;
  const bool windows = target != Target::kLinux;
  if (!ReadTree(dir, !windows, &entries, error)) {
    *error = "--native " + *error;
    return false;
  }
  const std::string wanted = MachineName(TargetMachine(target), windows);
  size_t libraries = 0;
  for (const RuntimeEntry& e : entries) {
    bool pe;
    uint16_t machine = ImageMachine(e.data, &pe);
    bool image = machine != 0 || pe || e.data.compare(0, 4, "\x7f" "ELF") == 0;
    if (!image) continue;
    if (pe != windows || machine != TargetMachine(target)) {
      *error = "--native " + dir + ": " + e.path + " is for " +
               MachineName(machine, pe) + "; the target needs " + wanted;
      return false;
    }
    ++libraries;
  }
  if (libraries == 0) {
    warnings->push_back("--native " + dir + " holds no library for " + wanted);
  }
  return EncodePayload(std::move(entries), out, error);
}

bool PackFiles(const std::string& dir, Target target, PackedRuntime* out,
               std::string* error) {
  std::vector<RuntimeEntry> entries;
  if (!ReadTree(dir, target == Target::kLinux, &entries, error)) {
    *error = "--files " + *error;
    return false;
  }
  return EncodePayload(std::move(entries), out, error);
}

bool DescribeCarried(const std::string& file, const std::string& key,
                     const std::string& value, std::string* report) {
  const char* title = key == "packed_lib"      ? "libraries:"
                      : key == "packed_native" ? "native:   "
                                               : "files:    ";
  std::vector<RuntimeEntry> entries;
  uint64_t length = 0;
  std::string hash;
  if (!DecodePayload(file, value, &entries, &length, &hash)) {
    *report = std::string(title) + "  damaged (" + key + " " + value + ")\n";
    return false;
  }
  uint64_t size = 0;
  size_t files = 0;
  std::string list;
  for (const RuntimeEntry& e : entries) {
    if (e.kind == kPayloadFolder) continue;
    size += e.data.size();
    ++files;
    list += "    " + e.path + "  " + std::to_string(e.data.size()) + " bytes" +
            (e.kind == kPayloadClassPath ? ", on the class path" : "") + "\n";
  }
  *report = std::string(title) + "  " + std::to_string(files) + " files, packed " +
            std::to_string(length) + " bytes, unpacked " + std::to_string(size) +
            " bytes\n  cache key: " + hash + "\n" + list;
  return true;
}

}  // namespace zovpack
