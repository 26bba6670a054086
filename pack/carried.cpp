#include "carried.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "file_io.h"
#include "jar_manifest.h"
#include "merge.h"
#include "sha256.h"
#include "zip_archive.h"

namespace fs = std::filesystem;

namespace zovpack {

namespace {

bool Deflate(const std::string& in, std::string* out) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  out->resize(deflateBound(&z, in.size()));
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
  z.avail_out = static_cast<uInt>(out->size());
  int status = deflate(&z, Z_FINISH);
  out->resize(z.total_out);
  deflateEnd(&z);
  return status == Z_STREAM_END;
}

bool InflateRaw(const char* data, size_t size, std::string* out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  z.avail_in = static_cast<uInt>(size);
  int status = Z_OK;
  char buffer[65536];
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    out->append(buffer, sizeof buffer - z.avail_out);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return status == Z_STREAM_END;
}

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

bool ReadTree(const std::string& dir, bool executables,
              std::vector<RuntimeEntry>* entries, std::string* error) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    *error = dir + ": no such folder";
    return false;
  }
  fs::recursive_directory_iterator it(
      dir, fs::directory_options::follow_directory_symlink, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::file_status status = fs::status(it->path(), ec);
    if (ec) {  // a link to nothing
      ec.clear();
      continue;
    }
    RuntimeEntry e;
    // lexically: relative() would resolve a link to the path it names.
    e.path = it->path().lexically_relative(dir).generic_string();
    if (fs::is_directory(status)) {
      e.kind = 'd';
    } else if (fs::is_regular_file(status)) {
      bool exec = (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
      e.kind = exec && executables ? 'x' : 'f';
      if (!ReadWholeFile(it->path().string(), &e.data, error)) return false;
    } else {
      continue;
    }
    entries->push_back(std::move(e));
  }
  if (ec) {
    *error = dir + ": " + ec.message();
    return false;
  }
  return true;
}

bool EncodePayload(std::vector<RuntimeEntry> entries, PackedRuntime* out,
                   std::string* error) {
  // A folder's path sorts before what it holds.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const RuntimeEntry& a, const RuntimeEntry& b) {
                     if ((a.kind == 'j') != (b.kind == 'j')) return a.kind == 'j';
                     return a.kind != 'j' && a.path < b.path;
                   });
  *out = PackedRuntime();
  for (const RuntimeEntry& e : entries) {
    out->unpacked_size += e.data.size();
    if (e.kind != 'd') ++out->files;
  }
  std::string stream = EncodeRuntimeStream(entries);
  entries.clear();
  Sha256 sha;
  sha.Update(stream.data(), stream.size());
  out->key = HexText(sha.Finish()).substr(0, 32);
  out->adler = static_cast<uint32_t>(
      adler32_z(1, reinterpret_cast<const Bytef*>(stream.data()), stream.size()));
  if (!Deflate(stream, &out->payload)) {
    *error = "compressing failed";
    return false;
  }
  return true;
}

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
    e.kind = lib.on_class_path ? 'j' : 'f';
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
      if (folders.insert(folder).second) entries.push_back(RuntimeEntry{'d', folder, ""});
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
  unsigned long long offset = 0, length = 0;
  unsigned long adler = 0;
  char hash[64] = "";
  std::string stream, why;
  std::vector<RuntimeEntry> entries;
  if (std::sscanf(value.c_str(), "%llu %llu %lu %63s", &offset, &length,
                  &adler, hash) != 4 ||
      offset > file.size() || length > file.size() - offset ||
      !InflateRaw(file.data() + offset, length, &stream) ||
      adler32_z(1, reinterpret_cast<const Bytef*>(stream.data()), stream.size()) != adler ||
      !DecodeRuntimeStream(stream, &entries, &why)) {
    *report = std::string(title) + "  damaged (" + key + " " + value + ")\n";
    return false;
  }
  uint64_t size = 0;
  size_t files = 0;
  std::string list;
  for (const RuntimeEntry& e : entries) {
    if (e.kind == 'd') continue;
    size += e.data.size();
    ++files;
    list += "    " + e.path + "  " + std::to_string(e.data.size()) + " bytes" +
            (e.kind == 'j' ? ", on the class path" : "") + "\n";
  }
  *report = std::string(title) + "  " + std::to_string(files) + " files, packed " +
            std::to_string(length) + " bytes, unpacked " + std::to_string(size) +
            " bytes\n  cache key: " + hash + "\n" + list;
  return true;
}

}  // namespace zovpack
