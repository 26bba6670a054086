#include "show.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app_resources.h"
#include "byte_order.h"
#include "config_lines.h"
#include "jar_manifest.h"
#include "launch_attributes.h"
#include "pe_image.h"
#include "pe_resources.h"
#include "runtime/payload_format.h"
#include "runtime_payload.h"
#include "version_info.h"
#include "windows_manifest.h"
#include "zip_archive.h"

namespace zovpack {

namespace {

std::string Printable(const std::string& s) {
  std::string out;
  for (char c : s) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

const char* TargetName(ExecutableKind kind) {
  switch (kind) {
    case ExecutableKind::kPe32: return "PE32 (win32)";
    case ExecutableKind::kPe32Plus: return "PE32+ (win64)";
    case ExecutableKind::kPeArm64: return "PE32+ ARM64 (winarm64)";
    case ExecutableKind::kElf: return "ELF (linux)";
    default: return "unknown";
  }
}

std::string DescribeSplash(const Resource* splash) {
  if (splash == nullptr) return "none";
  const std::string& d = splash->data;
  if (d.size() >= 16 && Load32(d, 0) >= 40) {
    return "bitmap 100, " + std::to_string(static_cast<int32_t>(Load32(d, 4))) +
           " x " + std::to_string(static_cast<int32_t>(Load32(d, 8))) + ", " +
           std::to_string(Load16(d, 14)) + "-bit";
  }
  return "bitmap 100";
}

std::string DescribeIcon(const Resource* group) {
  if (group == nullptr) return "none";
  std::vector<uint16_t> ids;
  if (!ParseIconGroup(group->data, &ids)) return "present, damaged";
  return std::to_string(ids.size()) + " image" + (ids.size() == 1 ? "" : "s");
}

std::string DescribeVersion(const Resource* resource) {
  if (resource == nullptr) return "none\n";
  VersionRecord record;
  if (!ReadVersionResource(resource->data, &record)) return "present, damaged\n";
  std::string out = VersionText(record.file_version) + " (file), " +
                    VersionText(record.product_version) + " (product)\n";
  for (const auto& kv : record.strings) {
    out += "  " + Printable(kv.first) + " = \"" + Printable(kv.second) + "\"\n";
  }
  return out;
}

}  // namespace

bool DescribePackedFile(const std::string& file, std::string* report,
                        std::string* error) {
  ZipArchive zip;
  if (!ParseZip(file, &zip, error)) return false;
  ExecutableKind kind = DetectExecutable(file);
  std::string out;
  out += "target:      " + std::string(TargetName(kind)) + "\n";
  out += "stub size:   " + std::to_string(zip.start) + " bytes\n";

  std::string comment;
  std::string main_class;
  std::string runtime_value;
  bool has_main = false;
  std::vector<std::string> lines;
  const bool found = FindLauncherComment(file, &comment) != std::string::npos;
  if (!found) {
    out += "configuration: none (the launcher finds no end record)\n";
  } else {
    lines = SplitLauncherLines(comment);
    out += "configuration: " + std::to_string(lines.size()) + " line" +
           (lines.size() == 1 ? "" : "s") + "\n";
    for (const std::string& line : lines) {
      LauncherLine read = ReadLauncherLine(line);
      out += "  " + Printable(line);
      if (read.key == nullptr) {
        out += "    (not read)\n";
        continue;
      }
      out += "    -> " + std::string(read.key) + " = \"" +
             Printable(read.value) + "\"\n";
      if (runtime_value.empty() && std::strcmp(read.key, kPackedRuntimeKey) == 0) {
        runtime_value = read.value;
      }
      if (!has_main && std::strcmp(read.key, "mainclass") == 0) {
        main_class = read.value;
        has_main = true;
      }
    }
  }
  out += "main class:  " + (has_main ? Printable(main_class) : "none") + "\n";
  JarManifest manifest;
  bool has_manifest = false;
  std::string why;
  if (ReadJarManifest(file, zip, &manifest, &has_manifest, &why)) {
    for (const LaunchAttribute& a : TranslateLaunchAttributes(manifest.main)) {
      bool carried = !a.lines.empty();
      for (const std::string& line : a.lines) {
        bool there = false;
        for (const std::string& l : lines) there = there || l == line;
        carried = carried && there;
      }
      out += "manifest:    " + Printable(a.attribute) +
             (carried ? " -> translated into option lines above"
              : a.problem.empty() ? " -> not translated (--no-manifest-options)"
                                  : " -> not carried over: " + a.problem) +
             "\n";
    }
  } else {
    out += "manifest:    unreadable (" + why + ")\n";
  }
  out += "entries:     " + std::to_string(zip.entries.size()) + "\n";
  if (runtime_value.empty()) {
    out += "runtime:     none\n";
  } else {
    std::string runtime;
    DescribeRuntime(file, runtime_value, &runtime);
    out += runtime;
  }
  if (uint32_t signature = TrailingSignatureSize(file)) {
    out += "signature:   " + std::to_string(signature) +
           " bytes at the end; the configuration is " +
           (found ? "still found" : "NOT found") + "\n";
  } else if (IsPe(kind)) {
    out += "signature:   none\n";
  }

  if (IsPe(kind)) {
    PeImage image;
    std::vector<Resource> resources;
    std::string why;
    if (ParsePe(file, &image, &why) &&
        ReadResources(file, image, &resources, &why)) {
      out += "splash:      " + DescribeSplash(FindSplashBitmap(resources)) + "\n";
      out += "icon:        " + DescribeIcon(FindIconGroup(resources)) + "\n";
      out += "version:     " + DescribeVersion(FindVersionRecord(resources));
      const Resource* manifest = FindManifest(resources);
      std::string code_page = manifest ? ActiveCodePage(manifest->data) : "";
      out += "code page:   " +
             (code_page.empty() ? "the system's ANSI code page"
                                : Printable(code_page)) + "\n";
      out += std::string("program:     ") +
             (Load16(file, image.optional_pos + 68) == 3 ? "console" : "GUI") +
             "\n";
    } else {
      out += "resources:   unreadable (" + why + ")\n";
    }
  } else {
    out += "splash:      none (not a Windows stub)\n";
    out += "icon:        none (not a Windows stub)\n";
  }
  *report = out;
  return true;
}

}  // namespace zovpack
