#include "packer.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app_resources.h"
#include "byte_order.h"
#include "config_lines.h"
#include "file_io.h"
#include "jar_manifest.h"
#include "jlink.h"
#include "launch_attributes.h"
#include "main_class.h"
#include "merge.h"
#include "pe_resources.h"
#include "picture_files.h"
#include "runtime/payload_format.h"
#include "runtime_payload.h"
#include "splash_picture.h"
#include "version_info.h"
#include "windows_manifest.h"
#include "zip_archive.h"

namespace zovpack {

namespace {

bool IsMainClassLine(const std::string& line) {
  const char* key = ReadLauncherLine(line).key;
  return key != nullptr && std::strcmp(key, "mainclass") == 0;
}

// Chooses the main class and puts its line first.
bool ComposeLines(const PackInputs& in, const std::string& manifest_main,
                  const std::vector<std::string>& manifest_lines,
                  std::vector<std::string>* lines,
                  std::vector<std::string>* warnings, std::string* error) {
  std::string main_class = in.main_class;
  std::string source = "--main-class";
  for (const std::string& line : in.lines) {
    if (main_class.empty() && IsMainClassLine(line)) {
      main_class = ReadLauncherLine(line).value;
      source = "the first mainclass line";
    }
  }
  if (main_class.empty()) {
    main_class = manifest_main;
    source = "the manifest";
  }
  if (main_class.empty()) {
    *error = "no main class: give --main-class, a mainclass line, or an "
             "archive whose manifest has Main-Class";
    return false;
  }
  lines->assign(1, "mainclass " + main_class);
  lines->insert(lines->end(), manifest_lines.begin(), manifest_lines.end());
  for (const std::string& line : in.lines) {
    if (!IsMainClassLine(line)) {
      lines->push_back(line);
    } else if (ReadLauncherLine(line).value != main_class) {
      warnings->push_back("configuration line \"" + line +
                          "\" is left out: the main class comes from " +
                          source);
    }
  }
  return true;
}

bool EditResources(const PackInputs& in, const std::string& splash_file,
                   const VersionRecord& record, std::string* stub,
                   std::string* error) {
  Bitmap splash;
  if (!splash_file.empty() && !ConvertSplashImage(splash_file, &splash, error)) {
    *error = "splash: " + *error;
    return false;
  }
  std::vector<IconImage> icon;
  if (!in.icon_ico.empty() && !ParseIco(in.icon_ico, &icon, error)) {
    *error = "icon: " + *error;
    return false;
  }
  PeImage image;
  std::vector<Resource> resources;
  if (!ParsePe(*stub, &image, error) ||
      !ReadResources(*stub, image, &resources, error)) {
    return false;
  }
  if (!splash_file.empty()) SetSplashBitmap(&resources, splash);
  if (!in.icon_ico.empty() && !ReplaceIcon(&resources, icon, error)) {
    return false;
  }
  if (in.utf8 && !SetUtf8CodePage(&resources, error)) return false;
  std::string version;
  if (!BuildVersionResource(record, &version, error)) return false;
  SetVersionRecord(&resources, version);
  return WriteResources(stub, resources, error);
}

// The image the manifest names as SplashScreen-Image, as java -jar shows
// it; one missing from the archive gives no splash, as with java -jar.
bool ManifestSplash(const std::string& archive, const ZipArchive& zip,
                    const JarManifest& manifest, std::string* image,
                    std::vector<std::string>* warnings, std::string* error) {
  std::string name = ManifestAttribute(manifest, "SplashScreen-Image");
  if (name.empty()) return true;
  const ZipEntry* entry =
      FindZipEntry(zip, name[0] == '/' ? name.substr(1) : name);
  if (entry == nullptr) {
    warnings->push_back("the manifest's SplashScreen-Image " + name +
                        " is not in the archive; the file has no splash");
    return true;
  }
  if (!ReadZipEntry(archive, zip, *entry, 64 << 20, image, error)) {
    *error = "splash: " + name + ": " + *error;
    return false;
  }
  Bitmap ignored;
  if (!ConvertSplashImage(*image, &ignored, error)) {
    *error = "splash: the manifest's SplashScreen-Image " + name + ": " +
             *error + " (--no-splash leaves it out)";
    return false;
  }
  warnings->push_back("the splash is the manifest's SplashScreen-Image " +
                      name + " (--no-splash leaves it out)");
  return true;
}

// True when the launcher, searching `file` from its end, finds the end
// record at `end_pos` and so reads exactly the comment written there.
bool LauncherFindsEnd(const std::string& file, size_t end_pos) {
  std::string ignored;
  return FindLauncherComment(file, &ignored) == end_pos;
}

}  // namespace

namespace {

// The stub: of the kind the target needs, unsigned, and a console program
// exactly when one is asked for. *windows: a PE stub.
bool CheckStub(const PackInputs& in, bool* windows,
               std::vector<std::string>* warnings, std::string* error) {
  ExecutableKind kind = DetectExecutable(in.stub);
  if (kind == ExecutableKind::kUnknown) {
    *error = "the stub is neither a PE image nor an ELF file";
    return false;
  }
  if (in.expected_kind != ExecutableKind::kUnknown &&
      kind != in.expected_kind) {
    *error = std::string("the stub is ") + ExecutableKindName(kind) +
             " but the target needs " + ExecutableKindName(in.expected_kind);
    return false;
  }
  *windows = kind != ExecutableKind::kElf;
  std::string ignored_error;
  PeImage stub_image;
  if (*windows && ParsePe(in.stub, &stub_image, &ignored_error) &&
      ReadDirectory(in.stub, stub_image, kSecurityDirectory).size != 0) {
    // Anything appended to a signed file breaks its signature.
    *error = "the stub is signed; pack the unsigned launcher, then sign the "
             "packed file";
    return false;
  }
  if (*windows && in.console) {
    PeImage image;
    if (!ParsePe(in.stub, &image, error)) return false;
    const uint16_t kConsoleSubsystem = 3;
    if (Load16(in.stub, image.optional_pos + 68) != kConsoleSubsystem) {
      *error = "the stub is a GUI program; --console needs the console "
               "launcher (zovc64.exe, zovc32.exe, zovca64.exe)";
      return false;
    }
    if (!in.splash_bmp.empty()) {
      *error = "the console launcher shows no splash; leave out --splash";
      return false;
    }
  }
  if (in.utf8 && !*windows) {
    warnings->push_back("--utf8 changes nothing on Linux, where the launcher "
                        "reads the locale's encoding");
  }
  ZipArchive stub_archive;
  if (ParseZip(in.stub, &stub_archive, &ignored_error)) {
    warnings->push_back("the stub already holds an archive; pack from the "
                        "launcher as built");
  }
  return true;
}

// The application's archive and its manifest, with the lines the
// manifest's launch attributes translate to when asked for.
bool ReadArchive(const PackInputs& in, ZipArchive* zip, JarManifest* manifest,
                 std::vector<std::string>* manifest_lines,
                 std::vector<std::string>* warnings, std::string* error,
                 std::vector<std::string>* notes) {
  if (!ParseZip(in.archive, zip, error)) {
    *error = in.archive_name + ": " + *error;
    return false;
  }
  if (zip->start != 0) {
    warnings->push_back("the " + std::to_string(zip->start) +
                        " bytes in front of the archive are left out");
  }
  size_t archive_end = zip->end_pos + kEndRecordSize + zip->comment.size();
  if (archive_end < in.archive.size()) {
    warnings->push_back("the " + std::to_string(in.archive.size() - archive_end) +
                        " bytes after the archive's end are left out");
  }
  bool has_manifest = false;
  if (!ReadJarManifest(in.archive, *zip, manifest, &has_manifest, error)) {
    *error = in.archive_name + ": manifest: " + *error;
    if (in.main_class.empty()) return false;
    warnings->push_back(*error + "; it is not read");
    error->clear();
  }
  for (const std::string& item : ClassPathItems(manifest->main)) {
    std::string path = ClassPathItemPath(item, "");
    if (!path.empty() && path[0] == '/') {
      warnings->push_back("the manifest's Class-Path names " + item +
                          ", which the packed file loads wherever it exists;"
                          " merge it with --merge-class-path");
    }
  }
  if (!in.manifest_options) return true;
  for (const LaunchAttribute& a : TranslateLaunchAttributes(manifest->main)) {
    if (!a.problem.empty()) {
      warnings->push_back("manifest " + a.attribute +
                          ": not carried over: " + a.problem);
      continue;
    }
    std::string note = "manifest " + a.attribute + " ->";
    for (const std::string& line : a.lines) {
      manifest_lines->push_back(line);
      note += "\n  " + line;
    }
    if (notes != nullptr) notes->push_back(note);
  }
  return true;
}

// The stub as it goes into the file: a Windows one with its resources
// edited (every Windows file gets its own version record), then the
// runtime's payload, which *runtime_line names.
bool PrepareStub(const PackInputs& in, bool windows, const ZipArchive& zip,
                 const JarManifest& manifest, std::string* stub,
                 std::string* runtime_line, std::vector<std::string>* warnings,
                 std::string* error) {
  if ((!in.splash_bmp.empty() || !in.icon_ico.empty()) && !windows) {
    *error = "--splash and --icon need a Windows stub";
    return false;
  }
  const IdentityOptions& id = in.identity;
  if (!windows && !(id.name + id.description + id.version + id.vendor +
                    id.copyright).empty()) {
    warnings->push_back("--name, --description, --app-version, --vendor and "
                        "--copyright change nothing on Linux");
  }
  *stub = in.stub;
  if (windows) {
    VersionRecord record;
    std::string splash = in.splash_bmp;
    if (!ComposeVersionRecord(id, manifest, in.output_name, &record, error) ||
        (splash.empty() && !in.no_splash && !in.console &&
         !ManifestSplash(in.archive, zip, manifest, &splash, warnings, error)) ||
        !EditResources(in, splash, record, stub, error)) {
      return false;
    }
  }
  if (in.runtime != nullptr) {
    *runtime_line = std::string(kPackedRuntimeKey) + " " +
                    RuntimeLineValue(stub->size(), *in.runtime);
    *stub += in.runtime->payload;
  }
  return true;
}

// The archive comment: the lines, checked, with the runtime's line last.
bool ComposeComment(const PackInputs& in, bool windows, const ZipArchive& zip,
                    const std::string& manifest_main,
                    const std::vector<std::string>& manifest_lines,
                    const std::string& runtime_line, std::string* comment,
                    std::vector<std::string>* warnings, std::string* error) {
  std::vector<std::string> lines;
  if (!ComposeLines(in, manifest_main, manifest_lines, &lines, warnings,
                    error) ||
      !CheckConfigLines(lines, windows && !in.utf8, warnings, error)) {
    return false;
  }
  for (const std::string& line : lines) {
    const char* key = ReadLauncherLine(line).key;
    if (key != nullptr && std::strcmp(key, kPackedRuntimeKey) == 0) {
      *error = "the line packed_runtime is zovpack's own; use --runtime DIR";
      return false;
    }
  }
  if (!runtime_line.empty()) lines.push_back(runtime_line);
  if (in.check_main_class &&
      !CheckMainClass(zip, ReadLauncherLine(lines[0]).value, lines, warnings,
                      error)) {
    return false;
  }
  *comment = JoinConfigLines(lines);
  if (comment->size() > kMaxConfigComment) {
    *error = "the configuration is " + std::to_string(comment->size()) +
             " bytes; the launcher finds at most " +
             std::to_string(kMaxConfigComment) +
             ". Name a folder of jars as one entry (classpath lib\\*), or "
             "merge the jars into the archive (--merge lib)";
    return false;
  }
  if (comment->find("PK\x05\x06") != std::string::npos) {
    *error = "the configuration holds the bytes PK\\x05\\x06, which the "
             "launcher would take for the end of the archive";
    return false;
  }
  return true;
}

// Stub, archive and comment as one file, with the PE checksum when the
// stub was edited or had one.
bool Assemble(const PackInputs& in, bool windows, const std::string& stub,
              const ZipArchive& zip, const std::string& comment,
              std::string* output, std::string* error) {
  // The end record's own fields can hold the signature bytes, which the
  // launcher would find first; a gap before the central directory moves its
  // offset (the low, second or third byte) off them.
  for (size_t gap : {0, 1, 256, 65536}) {
    // Signers pad a file to 8 bytes before the signature; one that already
    // ends there keeps its comment where the launcher looks.
    size_t align = windows ? (8 - (stub.size() + zip.end_pos + kEndRecordSize -
                                   zip.start + gap + comment.size()) % 8) % 8
                           : 0;
    std::string file;
    file.reserve(stub.size() + align + gap + in.archive.size() +
                 comment.size());
    file.append(stub);
    file.append(align, '\0');
    if (!AppendRelocatedZip(in.archive, zip, comment, &file, error, gap)) {
      *error = in.archive_name + ": " + *error;
      return false;
    }
    if (!LauncherFindsEnd(file, file.size() - comment.size() - kEndRecordSize)) {
      continue;
    }
    if (windows) {
      PeImage image;
      if (!ParsePe(file, &image, error)) return false;
      Store32(&file, image.checksum_pos(),
              ComputePeChecksum(file, image.checksum_pos()));
    }
    output->swap(file);
    return true;
  }
  *error = "the launcher would not find its configuration in this archive "
           "(its end record holds the signature bytes)";
  return false;
}

}  // namespace

bool BuildPackedFile(const PackInputs& in, std::string* output,
                     std::vector<std::string>* warnings, std::string* error,
                     std::vector<std::string>* notes) {
  bool windows = false;
  ZipArchive zip;
  JarManifest manifest;
  std::vector<std::string> manifest_lines;
  std::string stub, runtime_line, comment;
  return CheckStub(in, &windows, warnings, error) &&
         ReadArchive(in, &zip, &manifest, &manifest_lines, warnings, error,
                     notes) &&
         PrepareStub(in, windows, zip, manifest, &stub, &runtime_line,
                     warnings, error) &&
         ComposeComment(in, windows, zip, MainClass(manifest), manifest_lines,
                        runtime_line, &comment, warnings, error) &&
         Assemble(in, windows, stub, zip, comment, output, error);
}

bool Pack(const PackRequest& request, std::vector<std::string>* warnings,
          std::string* error, std::vector<std::string>* notes) {
  PackInputs in;
  std::string stub_path = request.stub_path;
  if (stub_path.empty()) {
    stub_path = DefaultStubPath(request.target, request.console);
  }
  if (request.stub_path.empty() || request.target_given) {
    in.expected_kind = TargetExecutableKind(request.target);
  }
  std::string why;
  if (!ReadWholeFile(stub_path, &in.stub, &why)) {
    *error = "missing stub: " + why;
    if (request.stub_path.empty()) {
      std::string looked;
      for (const std::string& dir : StubDirectories()) {
        looked += (looked.empty() ? "" : ", ") + dir;
      }
      *error += " (looked in " + (looked.empty() ? "no directory" : looked) +
                "; use --stub FILE or set ZOV_STUB_DIR)";
    }
    return false;
  }
  if (!ReadWholeFile(request.archive_path, &in.archive, error)) return false;
  if ((!request.merge_paths.empty() || request.merge_class_path) &&
      !MergePaths(request.archive_path, request.merge_paths, &in.archive,
                  warnings, error, request.merge_class_path)) {
    return false;
  }
  in.check_main_class = true;
  in.main_class = request.main_class;
  in.console = request.console;
  in.utf8 = request.utf8;
  in.manifest_options = request.manifest_options;
  in.no_splash = request.no_splash;
  in.identity = request.identity;
  in.output_name = BaseName(request.output_path);
  if (!request.config_path.empty()) {
    std::string text;
    if (!ReadWholeFile(request.config_path, &text, error)) return false;
    in.lines = ParseConfigFile(text);
  }
  in.lines.insert(in.lines.end(), request.lines.begin(), request.lines.end());
  if (!request.splash_path.empty() &&
      !ReadWholeFile(request.splash_path, &in.splash_bmp, error)) {
    return false;
  }
  if (!request.icon_path.empty() &&
      !ReadWholeFile(request.icon_path, &in.icon_ico, error)) {
    return false;
  }
  if (!request.splash_path.empty() && in.splash_bmp.empty()) {
    *error = "splash: " + request.splash_path + " is empty";
    return false;
  }
  if (!request.icon_path.empty() && in.icon_ico.empty()) {
    *error = "icon: " + request.icon_path + " is empty";
    return false;
  }
  in.archive_name = request.archive_path;
  PackedRuntime runtime;
  if (request.jlink && !request.runtime_dir.empty()) {
    *error = "give --runtime DIR or --jlink, not both";
    return false;
  }
  if (request.jlink) {
    // jdeps reads the archive as packed, merged jars included.
    std::string work = request.output_path + ".jlink";
    std::error_code ec;
    std::filesystem::remove_all(work, ec);
    std::filesystem::create_directories(work, ec);
    std::string modules, module_name;
    JlinkRequest link = {request.jdk, request.add_modules, request.jmods};
    bool ok = WriteFileAtomically(work + "/app.jar", in.archive, error);
    ZipArchive zip;
    std::string ignored;
    if (ok && ParseZip(in.archive, &zip, &ignored) &&
        FindZipEntry(zip, "module-info.class") != nullptr) {
      module_name = ModuleName(link, work + "/app.jar");
    }
    ok = ok &&
         LinkRuntime(link, work + "/app.jar", module_name, work + "/runtime",
                     &modules, error) &&
         PackRuntime(work + "/runtime", request.target, &runtime, error);
    // A module linked into the image runs as that named module.
    if (!module_name.empty()) in.lines.push_back("option -Djdk.module.main=" + module_name);
    std::filesystem::remove_all(work, ec);
    if (!ok) return false;
    in.runtime = &runtime;
  } else if (!request.runtime_dir.empty()) {
    if (!PackRuntime(request.runtime_dir, request.target, &runtime, error)) {
      return false;
    }
    in.runtime = &runtime;
  }
  std::string output;
  if (!BuildPackedFile(in, &output, warnings, error, notes)) return false;
  return WriteFileAtomically(request.output_path, output, error);
}

}  // namespace zovpack
