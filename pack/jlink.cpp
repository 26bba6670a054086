#include "jlink.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "file_io.h"
#include "jdk_tools.h"
#include "sha256.h"
#include "zip_archive.h"

namespace fs = std::filesystem;

namespace zovpack {

namespace {

// Bumped when what a cached image holds changes.
const char kCacheFormat[] = "zov-link 2";

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) items.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

std::string Join(const std::vector<std::string>& items) {
  std::string list;
  for (const std::string& item : items) list += (list.empty() ? "" : ",") + item;
  return list;
}

// Removes the folder when the link is over, whatever the outcome.
struct FolderGuard {
  std::string path;
  ~FolderGuard() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

// Where linked images are kept: the packing user's cache, as the launcher
// finds its own; empty when there is none.
std::string LinkCacheFolder() {
#ifdef _WIN32
  const char* base = std::getenv("LOCALAPPDATA");
  std::string dir = base != nullptr ? base : "";
#else
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  std::string dir = xdg != nullptr && xdg[0] == '/'
                        ? std::string(xdg)
                        : home != nullptr && home[0] != 0 ? std::string(home) + "/.cache" : "";
#endif
  if (dir.empty()) return "";
  fs::path folder = fs::path(dir) / "zov" / "jlink";
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec) ? folder.string() : "";
}

// Size and time of a file, as text for a key; "-" when it is missing.
std::string Stamp(const fs::path& path) {
  std::error_code ec;
  uintmax_t size = fs::file_size(path, ec);
  if (ec) return "-";
  auto time = fs::last_write_time(path, ec).time_since_epoch().count();
  return std::to_string(size) + "@" + std::to_string(static_cast<long long>(time));
}

// Whether this machine runs the target's programs, so that the packer can
// make the runtime's base class-data archive itself.
bool RunsHere(Target target) {
#if defined(__linux__) && defined(__x86_64__)
  return target == Target::kLinux;
#elif defined(_WIN32) && defined(__x86_64__)
  return target == Target::kWin64 || target == Target::kWin32;
#elif defined(_WIN32) && defined(__aarch64__)
  return target == Target::kWinArm64;
#else
  (void)target;
  return false;
#endif
}

// The modules the JDK can link: its jmods (or those of --jmods), else
// those of its own image.
std::set<std::string> AvailableModules(const std::string& jdk, const std::string& jmods) {
  std::set<std::string> modules;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(jmods, ec)) {
    std::string name = e.path().filename().string();
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".jmod") == 0) {
      modules.insert(name.substr(0, name.size() - 5));
    }
  }
  std::string said;
  if (modules.empty() && RunTool(Tool(jdk, "java") + " --list-modules", &said)) {
    size_t start = 0;
    while (start < said.size()) {
      size_t end = said.find_first_of("@\r\n", start);
      if (end == std::string::npos) end = said.size();
      if (end > start) modules.insert(said.substr(start, end - start));
      start = said.find('\n', end);
      start = start == std::string::npos ? said.size() : start + 1;
    }
  }
  return modules;
}

std::string ModuleName(const std::string& jdk, const std::string& jar_path) {
  std::string said;
  if (!RunTool(Tool(jdk, "jar") + " --describe-module --file " + Quote(jar_path), &said)) {
    return "";
  }
  // "name@version jar:file:...", or "No module descriptor found..."
  size_t end = said.find_first_of("@ \r\n");
  std::string name = said.substr(0, end);
  return said.compare(0, 2, "No") == 0 ? "" : name;
}

// Links into image and gives it a base class-data archive when the
// runtime runs here: without one, a runtime maps no class data and cannot
// write the archive of --cds.
bool Link(const std::string& jdk, const std::string& modules, const std::string& options,
          const std::string& module_path, bool dump, const std::string& image,
          std::vector<std::string>* warnings, std::string* error) {
  std::string command = Tool(jdk, "jlink") + " --add-modules " + Quote(modules) + options;
  if (!module_path.empty()) command += " --module-path " + Quote(module_path);
  std::string said;
  if (!RunTool(command + " --output " + Quote(image), &said)) {
    *error = "--jlink: jlink failed: " + FailureLine(said);
    return false;
  }
  if (dump && !RunTool(Tool(image, "java") + " -Xshare:dump", &said)) {
    warnings->push_back("--jlink: no base class-data archive (the runtime starts slower): " +
                        FailureLine(said));
  }
  return true;
}

// A cache entry: the compressed runtime as the packed file holds it, what
// describes it, and the image's contents, so that a pack that reuses it
// compresses nothing. The digest of the payload tells a damaged entry.
const char kPayload[] = "payload";
const char kRecord[] = "record";
const char kContents[] = "contents";

std::string PayloadDigest(const std::string& payload) {
  Sha256 digest;
  digest.Update(payload.data(), payload.size());
  return HexText(digest.Finish());
}

bool WriteEntry(const std::string& folder, const PackedRuntime& packed,
                const std::string& listing) {
  std::string record = PayloadDigest(packed.payload) + "\n" + packed.key + "\n" +
                       std::to_string(packed.adler) + "\n" +
                       std::to_string(packed.unpacked_size) + "\n" +
                       std::to_string(packed.files) + "\n" + packed.version + "\n" +
                       packed.modules + "\n" + packed.glibc + "\n" + packed.glibc_file + "\n";
  std::string ignored;
  fs::path dir(folder);
  return WriteFileAtomically((dir / kPayload).string(), packed.payload, &ignored) &&
         WriteFileAtomically((dir / kContents).string(), listing, &ignored) &&
         WriteFileAtomically((dir / kRecord).string(), record, &ignored);
}

bool ReadEntry(const std::string& folder, PackedRuntime* packed, std::string* listing) {
  fs::path dir(folder);
  std::string record, ignored;
  if (!ReadWholeFile((dir / kRecord).string(), &record, &ignored) ||
      !ReadWholeFile((dir / kPayload).string(), &packed->payload, &ignored) ||
      !ReadWholeFile((dir / kContents).string(), listing, &ignored)) {
    return false;
  }
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t end; (end = record.find('\n', start)) != std::string::npos; start = end + 1) {
    fields.push_back(record.substr(start, end - start));
  }
  if (fields.size() != 9 || fields[0] != PayloadDigest(packed->payload)) return false;
  packed->key = fields[1];
  packed->adler = static_cast<uint32_t>(std::strtoul(fields[2].c_str(), nullptr, 10));
  packed->unpacked_size = std::strtoull(fields[3].c_str(), nullptr, 10);
  packed->files = static_cast<size_t>(std::strtoull(fields[4].c_str(), nullptr, 10));
  packed->version = fields[5];
  packed->modules = fields[6];
  packed->glibc = fields[7];
  packed->glibc_file = fields[8];
  return true;
}

// Entries unused for this long go, and leftovers of killed packs.
const auto kUnused = std::chrono::hours(24 * 60);
const auto kLeftover = std::chrono::hours(24);

void Sweep(const std::string& cache) {
  std::error_code ec;
  auto now = fs::file_time_type::clock::now();
  for (const auto& e : fs::directory_iterator(cache, ec)) {
    std::string name = e.path().filename().string();
    bool leftover = name.find('.') != std::string::npos;
    auto time = fs::last_write_time(leftover ? e.path() : e.path() / kRecord, ec);
    if (!ec && now - time > (leftover ? kLeftover : kUnused)) fs::remove_all(e.path(), ec);
  }
}

void Remove(const std::string& cache, const std::string& entry) {
  // Out of the way first, so that no other pack reads it half removed.
  std::string ignored;
  std::string trash = MakeFreshFolder(cache, "removed.", &ignored);
  std::error_code ec;
  if (!trash.empty()) fs::rename(entry, fs::path(trash) / "entry", ec);
  fs::remove_all(trash.empty() || ec ? entry : trash, ec);
  if (!trash.empty()) fs::remove_all(trash, ec);
}

}  // namespace

bool ReadJdepsAnswer(bool ok, const std::string& said, std::string* modules,
                     std::vector<std::string>* warnings, std::string* error) {
  std::vector<std::string> lines = OutputLines(said);
  // The list is one word of module names; a failure prints sentences.
  bool listed = ok && !lines.empty() &&
                lines.back().find_first_of(" \t:") == std::string::npos;
  if (!listed) {
    *error = "--jlink: jdeps failed: " + FailureLine(said);
    return false;
  }
  *modules = lines.back();
  for (size_t i = 0; i + 1 < lines.size(); ++i) warnings->push_back("jdeps: " + lines[i]);
  return true;
}

std::set<std::string> ReadImageContents(const std::string& listing) {
  std::set<std::string> contents;
  std::string module;
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    std::string line = listing.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 8, "Module: ") == 0) {
      module = line.substr(8);
      contents.insert(module);
      continue;
    }
    size_t first = line.find_first_not_of(' ');
    size_t slash = line.rfind('/');
    if (module.empty() || first == 0 || first == std::string::npos ||
        slash == std::string::npos || slash < first ||
        line.compare(line.size() - 6, 6, ".class") != 0) {
      continue;
    }
    std::string package = line.substr(first, slash - first);
    std::replace(package.begin(), package.end(), '/', '.');
    contents.insert(module + "/" + package);
  }
  return contents;
}

std::vector<std::string> ServiceModules(const std::string& modules,
                                        const std::set<std::string>& available) {
  // Each is small (under 1 MiB packed) and, when missing, breaks only at
  // run time: TLS with elliptic curves, Windows and Asian code pages, the
  // ZIP file system, DNS lookups through JNDI. jdk.localedata (about half
  // of java.base again) and jdk.crypto.cryptoki (smart cards, configured
  // by hand) are left to --add-modules.
  std::vector<std::string> wanted = {"jdk.crypto.ec", "jdk.charsets", "jdk.zipfs"};
  std::vector<std::string> named = Split(modules);
  if (std::find(named.begin(), named.end(), "java.naming") != named.end()) {
    wanted.push_back("jdk.naming.dns");
  }
  std::vector<std::string> found;
  for (const std::string& m : wanted) {
    if (available.count(m)) found.push_back(m);
  }
  return found;
}

bool LinkForArchive(const JlinkRequest& request, const std::string& archive,
                    Target target, LinkedRuntime* out,
                    std::vector<std::string>* warnings, std::string* error) {
  std::string jdk = FindJdk(request.jdk, error);
  if (jdk.empty()) return false;
  // jdeps reads the archive as packed, merged jars included, in a folder
  // of this pack's own.
  FolderGuard work;
  work.path = MakeFreshFolder(fs::temp_directory_path().string(), "zovpack-", error);
  if (work.path.empty()) return false;
  std::string jar = (fs::path(work.path) / "app.jar").string();
  if (!WriteFileAtomically(jar, archive, error)) return false;
  ZipArchive zip;
  std::string ignored;
  if (ParseZip(archive, &zip, &ignored) && FindZipEntry(zip, "module-info.class") != nullptr) {
    out->module_name = ModuleName(jdk, jar);
  }

  // A multi-release jar is read as the linked runtime's version reads it.
  int feature = FeatureVersion(jdk);
  std::string said, found;
  std::string jdeps = Tool(jdk, "jdeps") + " --print-module-deps --ignore-missing-deps";
  if (feature >= 9) jdeps += " --multi-release " + std::to_string(feature);
  bool ok = RunTool(jdeps + " " + Quote(jar), &said);
  if (!ReadJdepsAnswer(ok, said, &found, warnings, error)) return false;

  std::string jmods = request.jmods.empty() ? (fs::path(jdk) / "jmods").string() : request.jmods;
  std::vector<std::string> modules = Split(found);
  if (request.service_modules) {
    for (const std::string& m : ServiceModules(found, AvailableModules(jdk, jmods))) {
      modules.push_back(m);
    }
  }
  for (const std::string& m : Split(request.add_modules)) modules.push_back(m);
  if (!out->module_name.empty()) modules.push_back(out->module_name);
  std::sort(modules.begin(), modules.end());
  modules.erase(std::unique(modules.begin(), modules.end()), modules.end());

  std::string options = " --no-man-pages --no-header-files";
  if (!request.keep_debug) options += " --strip-debug";
  std::string module_path;
  if (!out->module_name.empty()) {
#ifdef _WIN32
    module_path = jar + ";" + jmods;
#else
    module_path = jar + ":" + jmods;
#endif
  } else if (!request.jmods.empty()) {
    module_path = jmods;
  }
  bool dump = RunsHere(target);

  // The key: what makes another image. A modular application's own module
  // is in the image, so its archive is too.
  Sha256 key;
  std::string release;
  ReadWholeFile((fs::path(jdk) / "release").string(), &release, &ignored);
  std::error_code ec;
  std::string material = std::string(kCacheFormat) + "\n" +
                         fs::weakly_canonical(jdk, ec).string() + "\n" + release + "\n" +
                         Stamp(fs::path(jdk) / "lib" / "modules") + "\n" +
                         Stamp(fs::path(jmods) / "java.base.jmod") + "\n" + module_path +
                         "\n" + Join(modules) + "\n" + options + "\n" + (dump ? "dump" : "") +
                         "\n" + std::to_string(static_cast<int>(target));
  key.Update(material.data(), material.size());
  if (!out->module_name.empty()) key.Update(archive.data(), archive.size());
  std::string name = HexText(key.Finish()).substr(0, 32);

  std::string cache = LinkCacheFolder();
  std::string entry = cache.empty() ? "" : (fs::path(cache) / name).string();
  std::string listing;
  if (!entry.empty() && fs::is_directory(entry, ec)) {
    if (ReadEntry(entry, &out->packed, &listing)) {
      out->reused = true;
      fs::last_write_time(fs::path(entry) / kRecord, fs::file_time_type::clock::now(), ec);
    } else {
      warnings->push_back("--jlink: the cached runtime " + entry + " was damaged; linking again");
      Remove(cache, entry);
    }
  }
  if (!out->reused) {
    out->packed = PackedRuntime();
    std::string image = (fs::path(work.path) / "image").string();
    if (!Link(jdk, Join(modules), options, module_path, dump, image, warnings, error) ||
        !PackRuntime(image, target, &out->packed, error)) {
      return false;
    }
    if (!RunTool(Tool(jdk, "jimage") + " list " +
                     Quote((fs::path(image) / "lib" / "modules").string()),
                 &listing)) {
      listing.clear();
    }
    // Whole or not at all: another pack sees the entry once it is renamed,
    // and one that lost the race to the same name leaves it be.
    FolderGuard fresh;
    fresh.path = cache.empty() ? "" : MakeFreshFolder(cache, name + ".", &ignored);
    if (!fresh.path.empty() && WriteEntry(fresh.path, out->packed, listing)) {
      fs::rename(fresh.path, entry, ec);
      if (!ec) fresh.path.clear();
    }
    if (!cache.empty()) Sweep(cache);
  }
  out->contents = ReadImageContents(listing);
  return true;
}

}  // namespace zovpack
