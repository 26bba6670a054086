// The pack operation: stub + application archive + configuration lines
// (+ splash bitmap and icon for Windows stubs) = one executable.
#ifndef ZOV_PACK_PACKER_H_
#define ZOV_PACK_PACKER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "config_file.h"
#include "pe_image.h"
#include "targets.h"
#include "version_info.h"

namespace zovpack {

// Everything a packed file is made of, already in memory.
struct PackInputs {
  std::string stub;
  // The stub must be of this kind; kUnknown accepts a PE image or an ELF.
  ExecutableKind expected_kind = ExecutableKind::kUnknown;
  std::string archive;
  std::string archive_name = "archive";  // for messages
  std::string main_class;          // empty: from the lines or the manifest
  std::vector<std::string> lines;  // --config lines, then --line values
  std::string splash_bmp;  // BMP, PNG, JPEG or GIF file contents; empty for none
  bool no_splash = false;  // not even the manifest's SplashScreen-Image
  std::string icon_ico;            // file contents; empty for none
  bool console = false;  // a Windows stub must be a console program
  bool utf8 = false;     // a Windows stub's manifest asks for UTF-8
  // Refuse a main class the archive lacks (see CheckMainClass).
  bool check_main_class = false;
  // Carry over the manifest attributes java -jar acts on
  // (TranslateLaunchAttributes), as lines right after the main class.
  bool manifest_options = true;
  // A Windows file's version record (ComposeVersionRecord).
  IdentityOptions identity;
  std::string output_name = "app.exe";
  // Stored between the stub and the archive, named by a packed_runtime
  // line; null for none.
  const struct PackedRuntime* runtime = nullptr;
};

// Builds the packed file in `*output`. The main class comes from
// `main_class`, else from the first mainclass line, else from the archive's
// manifest; it is written as the first line and other mainclass lines are
// left out. A Windows file's version record is replaced by the
// application's; without a splash given (and no_splash) the one the
// manifest names as SplashScreen-Image is used. Fails (with `*error` saying why) when the stub is not the
// expected kind, the archive is not a ZIP, there is no main class, a line
// cannot be carried, the comment would exceed what the launcher finds, the
// splash or icon does not parse, the stub is not a PE image, or a console
// stub is asked for and the stub is a GUI program or a splash is given.
// Warnings go to `*warnings`; what was carried over from the manifest, one
// attribute a line, to `*notes` when given.
bool BuildPackedFile(const PackInputs& inputs, std::string* output,
                     std::vector<std::string>* warnings, std::string* error,
                     std::vector<std::string>* notes = nullptr);

struct PackRequest {
  std::string archive_path;
  std::string output_path;
  bool target_given = false;
  Target target = Target::kWin64;
  std::string stub_path;  // empty: DefaultStubPath(target)
  std::string main_class;
  std::string config_path;  // empty: none
  std::vector<std::string> lines;
  std::string splash_path;  // empty: none
  bool no_splash = false;   // --no-splash
  IdentityOptions identity;
  std::string icon_path;    // empty: none
  bool console = false;     // --console
  bool utf8 = false;        // --utf8
  std::vector<std::string> merge_paths;  // jars or folders of jars
  bool manifest_options = true;  // off: --no-manifest-options
  bool merge_class_path = false;  // --merge-class-path
  std::string runtime_dir;  // --runtime; empty: none
  bool jlink = false;       // --jlink: make the runtime from a JDK
  std::string jdk, add_modules, jmods;  // --jdk, --add-modules, --jmods
};

// Reads the files a request names, builds the packed file and writes it
// atomically; on failure the output path is not touched.
bool Pack(const PackRequest& request, std::vector<std::string>* warnings,
          std::string* error, std::vector<std::string>* notes = nullptr);

}  // namespace zovpack

#endif  // ZOV_PACK_PACKER_H_
