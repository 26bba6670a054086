#include "merge.h"

#include <dirent.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <set>

#include "byte_order.h"
#include "file_io.h"
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
    Append32(out_, kEndSig);
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
               std::string* error) {
  std::vector<const JarFile*> jars{&app};
  for (const JarFile& dep : deps) jars.push_back(&dep);
  std::vector<ZipArchive> zips(jars.size());
  for (size_t i = 0; i < jars.size(); ++i) {
    if (!ParseZip(jars[i]->data, &zips[i], error)) {
      *error = jars[i]->name + ": " + *error;
      return false;
    }
  }

  std::string merged;
  ZipWriter writer(&merged);
  std::set<std::string> taken;
  std::map<std::string, Services> services;
  std::vector<std::string> services_order;
  std::vector<std::string> signed_jars;
  size_t dropped = 0;
  std::string first_dropped;
  for (size_t i = 0; i < jars.size(); ++i) {
    const std::string& data = jars[i]->data;
    const ZipArchive& zip = zips[i];
    bool is_signed = false;
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
      }
      if (!taken.insert(e.name).second) {
        // Folders repeat in every jar; only files are worth counting.
        if (!e.name.empty() && e.name.back() != '/') {
          if (dropped++ == 0) first_dropped = e.name + " of " + jars[i]->name;
        }
        continue;
      }
      writer.Add(e.name, Load16(data, local + 4), e.flags, e.method, time,
                 date, e.crc, e.compressed_size, e.uncompressed_size,
                 data.data() + body);
    }
    if (is_signed) signed_jars.push_back(jars[i]->name);
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

bool MergePaths(const std::string& archive_name,
                const std::vector<std::string>& paths, std::string* archive,
                std::vector<std::string>* warnings, std::string* error) {
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    if (!ListMergeJars(path, &files, error)) return false;
  }
  std::vector<JarFile> deps(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    deps[i].name = files[i];
    if (!ReadWholeFile(files[i], &deps[i].data, error)) return false;
  }
  std::string merged;
  if (!MergeJars(JarFile{archive_name, *archive}, deps, &merged, warnings,
                 error)) {
    return false;
  }
  archive->swap(merged);
  return true;
}

}  // namespace zovpack
