// --jlink: the runtime image made for the application with the jdeps and
// jlink of a JDK, instead of one given with --runtime.
#ifndef ZOV_PACK_JLINK_H_
#define ZOV_PACK_JLINK_H_

#include <set>
#include <string>
#include <vector>

#include "targets.h"
#include "runtime_payload.h"

namespace zovpack {

struct JlinkRequest {
  std::string jdk;          // --jdk; empty: JAVA_HOME, else javac on PATH
  std::string add_modules;  // --add-modules, comma-separated
  std::string jmods;        // --jmods: the target platform's jmods folder
  bool service_modules = true;  // off: --no-service-modules
  bool keep_debug = false;      // --keep-debug: line numbers in traces
};

struct LinkedRuntime {
  PackedRuntime packed;
  std::string module_name;  // a modular jar's own module, linked in
  // Each module of the image and each of its packages as module/package;
  // empty when jimage could not say.
  std::set<std::string> contents;
  bool reused = false;  // from the link cache
};

// Links for the application archive (its bytes) the modules jdeps finds,
// the service modules applications need without naming them (unless
// request.service_modules is off) and request.add_modules, gives it a base
// class-data archive where the runtime runs on this machine, and reads it
// for target. The image is kept in the user's cache under a key of the
// JDK, the modules and the options, so that an unchanged application is
// not linked again. Warnings of jdeps and jlink go to *warnings.
bool LinkForArchive(const JlinkRequest& request, const std::string& archive,
                    Target target, LinkedRuntime* out,
                    std::vector<std::string>* warnings, std::string* error);

// What jdeps --print-module-deps printed: the modules (its last line) in
// *modules, the lines before it in *warnings. False (and *error naming
// the cause in one line) when it failed or printed no module list.
bool ReadJdepsAnswer(bool ok, const std::string& said, std::string* modules,
                     std::vector<std::string>* warnings, std::string* error);

// The modules of "jimage list" output and their packages, as module and
// module/package (java.base/java.lang).
std::set<std::string> ReadImageContents(const std::string& listing);

// The modules that only services reach and that an image of modules
// (comma-separated) gets by default, among those available.
std::vector<std::string> ServiceModules(const std::string& modules,
                                        const std::set<std::string>& available);

}  // namespace zovpack

#endif  // ZOV_PACK_JLINK_H_
