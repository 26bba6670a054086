#include "runtime_payload.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "byte_order.h"
#include "file_io.h"
#include "runtime/payload_format.h"
#include "sha256.h"

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

bool Inflate(const char* data, size_t size, std::string* out) {
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

std::string Hex16(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

std::string TargetText(Target target) {
  switch (target) {
    case Target::kWin32: return "win32";
    case Target::kLinux: return "linux";
    default: return "win64";
  }
}

}  // namespace

uint16_t ImageMachine(const std::string& image, bool* pe) {
  *pe = false;
  if (image.size() >= 20 && image.compare(0, 4, "\x7f" "ELF") == 0) {
    return Load16(image, 18);
  }
  if (image.size() < 64 || image.compare(0, 2, "MZ") != 0) return 0;
  uint32_t header = Load32(image, 60);
  if (header > image.size() - 6 || image.compare(header, 4, std::string("PE\0\0", 4)) != 0) {
    return 0;
  }
  *pe = true;
  return Load16(image, header + 4);
}

std::string MachineName(uint16_t machine, bool pe) {
  const char* name = "unknown";
  if (pe) {
    name = machine == 0x14c ? "x86" : machine == 0x8664 ? "x64"
           : machine == 0xaa64 ? "ARM64" : name;
  } else {
    name = machine == 62 ? "x86-64" : machine == 3 ? "i386"
           : machine == 183 ? "AArch64" : name;
  }
  return std::string(pe ? "Windows " : "Linux ") + name + " (machine " +
         Hex16(machine) + ")";
}

std::string ReleaseValue(const std::string& release, const std::string& key) {
  std::istringstream lines(release);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, key.size() + 1, key + "=") != 0) continue;
    std::string value = line.substr(key.size() + 1);
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return "";
}

std::string EncodeRuntimeStream(const std::vector<RuntimeEntry>& entries) {
  std::string list;
  for (const RuntimeEntry& e : entries) {
    list.push_back(e.kind);
    Append64(&list, e.kind == kPayloadFolder ? 0 : e.data.size());
    list += e.path;
    list.push_back('\0');
  }
  std::string stream(kPayloadMagic, kPayloadMagicSize);
  Append32(&stream, static_cast<uint32_t>(list.size()));
  stream += list;
  for (const RuntimeEntry& e : entries) stream += e.data;
  return stream;
}

bool DecodeRuntimeStream(const std::string& stream,
                         std::vector<RuntimeEntry>* entries,
                         std::string* error) {
  entries->clear();
  if (stream.size() < kPayloadHeaderSize ||
      stream.compare(0, kPayloadMagicSize, kPayloadMagic) != 0) {
    *error = "the runtime's list is damaged";
    return false;
  }
  size_t end = kPayloadHeaderSize + Load32(stream, kPayloadMagicSize);
  size_t pos = kPayloadHeaderSize, data = end;
  while (pos < end && end <= stream.size()) {
    size_t path = pos + kPayloadEntryHeadSize;
    size_t nul = stream.find('\0', path);
    if (path > end || nul == std::string::npos || nul >= end) break;
    RuntimeEntry e;
    e.kind = stream[pos];
    uint64_t size = Load64(stream, pos + 1);
    e.path = stream.substr(path, nul - path);
    if (size > stream.size() - data) break;
    if (e.kind != kPayloadFolder) e.data = stream.substr(data, size);
    data += size;
    pos = nul + 1;
    entries->push_back(e);
  }
  if (pos != end || data != stream.size()) {
    *error = "the runtime's list is damaged";
    return false;
  }
  return true;
}

bool PackRuntime(const std::string& dir, Target target, PackedRuntime* out,
                 std::string* error) {
  const bool windows = target != Target::kLinux;
  std::vector<std::string> candidates;
  if (windows) {
    candidates = {"bin/server/jvm.dll", "bin/client/jvm.dll"};
  } else {
    candidates = {"lib/server/libjvm.so"};
  }
  std::string library;
  for (const std::string& c : candidates) {
    if (fs::is_regular_file(fs::path(dir) / c)) {
      library = c;
      break;
    }
  }
  const std::string wanted = MachineName(TargetMachine(target), windows);
  if (library.empty()) {
    *error = "--runtime " + dir + ": no " + candidates[0] +
             (windows ? " or " + candidates[1] : "") + " in it; target " +
             TargetText(target) + " needs a runtime for " + wanted;
    return false;
  }
  std::string image;
  std::string why;
  if (!ReadWholeFile((fs::path(dir) / library).string(), &image, &why)) {
    *error = "--runtime: " + why;
    return false;
  }
  bool pe;
  uint16_t machine = ImageMachine(image, &pe);
  if (pe != windows || machine != TargetMachine(target)) {
    *error = "--runtime " + dir + ": " + library + " is " +
             (machine == 0 && !pe ? std::string("no PE or ELF image")
                                  : "for " + MachineName(machine, pe)) +
             "; target " + TargetText(target) + " needs " + wanted;
    return false;
  }

  std::vector<RuntimeEntry> entries;
  std::error_code ec;
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
      e.kind = kPayloadFolder;
    } else if (fs::is_regular_file(status)) {
#ifdef _WIN32
      // Windows keeps no executable bit: a Linux runtime's programs by name.
      bool exec = e.path.compare(0, 4, "bin/") == 0 ||
                  e.path == "lib/jspawnhelper" || e.path == "lib/jexec";
#else
      bool exec = (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
#endif
      e.kind = exec && !windows ? kPayloadExecutable : kPayloadFile;
      if (!ReadWholeFile(it->path().string(), &e.data, &why)) {
        *error = "--runtime: " + why;
        return false;
      }
    } else {
      continue;
    }
    entries.push_back(std::move(e));
  }
  if (ec) {
    *error = "--runtime " + dir + ": " + ec.message();
    return false;
  }
  // A folder's path sorts before what it holds; the same image gives the
  // same stream, and so the same key, wherever it is packed.
  std::sort(entries.begin(), entries.end(),
            [](const RuntimeEntry& a, const RuntimeEntry& b) { return a.path < b.path; });

  *out = PackedRuntime();
  for (const RuntimeEntry& e : entries) {
    out->unpacked_size += e.data.size();
    if (e.path == "release") {
      out->version = ReleaseValue(e.data, "JAVA_VERSION");
      out->modules = ReleaseValue(e.data, "MODULES");
    }
    if (e.kind != kPayloadFolder) ++out->files;
  }
  std::string stream = EncodeRuntimeStream(entries);
  entries.clear();
  Sha256 sha;
  sha.Update(stream.data(), stream.size());
  out->key = HexText(sha.Finish()).substr(0, 32);
  out->adler = static_cast<uint32_t>(
      adler32_z(1, reinterpret_cast<const Bytef*>(stream.data()), stream.size()));
  if (!Deflate(stream, &out->payload)) {
    *error = "--runtime: compressing failed";
    return false;
  }
  return true;
}

std::string RuntimeLineValue(uint64_t offset, const PackedRuntime& runtime) {
  return std::to_string(offset) + " " + std::to_string(runtime.payload.size()) +
         " " + std::to_string(runtime.adler) + " " + runtime.key;
}

bool DescribeRuntime(const std::string& file, const std::string& value,
                     std::string* report) {
  unsigned long long offset = 0, length = 0;
  unsigned long adler = 0;
  char key[64] = "";
  if (std::sscanf(value.c_str(), "%llu %llu %lu %63s", &offset, &length,
                  &adler, key) != 4 ||
      offset > file.size() || length > file.size() - offset) {
    *report = std::string("runtime:     damaged (") + kPackedRuntimeKey + " " +
              value + ")\n";
    return false;
  }
  std::string stream, error;
  std::vector<RuntimeEntry> entries;
  if (!Inflate(file.data() + offset, length, &stream) ||
      adler32_z(1, reinterpret_cast<const Bytef*>(stream.data()), stream.size()) != adler ||
      !DecodeRuntimeStream(stream, &entries, &error)) {
    *report = "runtime:     damaged (its data does not decode)\n";
    return false;
  }
  std::string release, library;
  uint64_t size = 0;
  size_t files = 0;
  for (const RuntimeEntry& e : entries) {
    if (e.path == "release") release = e.data;
    size += e.data.size();
    files += e.kind != kPayloadFolder;
  }
  std::string version = ReleaseValue(release, "JAVA_VERSION");
  std::string modules = ReleaseValue(release, "MODULES");
  std::string out;
  out += "runtime:     Java " + (version.empty() ? "(no release file)" : version) + "\n";
  out += "  modules:   " + (modules.empty() ? "unknown" : modules) + "\n";
  out += "  packed:    " + std::to_string(length) + " bytes, unpacked " +
         std::to_string(size) + " bytes in " + std::to_string(files) + " files\n";
  out += "  cache key: " + std::string(key) + "\n";
  *report = out;
  return true;
}

}  // namespace zovpack
