// What a file carries for its application besides the archive: dependency
// jars kept whole (--lib), native libraries (--native) and a folder of the
// application's own files (--files). Each is a payload in the runtime's
// layout (runtime/packed_runtime.h) that the launcher unpacks once per user
// into a folder keyed by its content, named by its own line:
//   packed_lib, packed_native, packed_files  OFFSET LENGTH ADLER32 KEY
// A lib payload's entries of kind 'j' are the class path, in list order,
// after the file itself; the launcher sets ZOV_LIB, ZOV_NATIVE and
// ZOV_FILES to the unpacked folders before it expands the configuration.
#ifndef ZOV_PACK_CARRIED_H_
#define ZOV_PACK_CARRIED_H_

#include <string>
#include <vector>

#include "packer.h"
#include "runtime_payload.h"

namespace zovpack {

// --lib: each jar given, or each jar of a folder given (as --merge lists
// them), on the class path in that order under its own name; a jar its
// Class-Path names (relative, below the naming jar's folder) is carried at
// that place, so that Java finds it as beside the original. A Class-Path
// item that cannot be carried is a warning naming it. Fails on two jars
// of one name or a file that is no ZIP archive.
bool PackLibraries(const std::vector<std::string>& paths, PackedRuntime* out,
                   std::vector<std::string>* warnings, std::string* error);

// --native: every file of dir; a PE or ELF image among them must be for
// the target's machine and system, else a refusal naming what it is.
bool PackNative(const std::string& dir, Target target, PackedRuntime* out,
                std::vector<std::string>* warnings, std::string* error);

// --files: every file of dir, executables kept for a Linux target.
bool PackFiles(const std::string& dir, Target target, PackedRuntime* out,
               std::string* error);

// For --show: what a packed_lib, packed_native or packed_files value
// locates in file, each file with its size.
bool DescribeCarried(const std::string& file, const std::string& key,
                     const std::string& value, std::string* report);

}  // namespace zovpack

#endif  // ZOV_PACK_CARRIED_H_
