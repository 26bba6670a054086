// --jlink: the runtime image made for the application with the jdeps and
// jlink of a JDK, instead of one given with --runtime.
#ifndef ZOV_PACK_JLINK_H_
#define ZOV_PACK_JLINK_H_

#include <string>

namespace zovpack {

struct JlinkRequest {
  std::string jdk;          // --jdk; empty: JAVA_HOME, else javac on PATH
  std::string add_modules;  // --add-modules, comma-separated
  std::string jmods;        // --jmods: the target platform's jmods folder
};

// The JDK home the request names or finds; empty (and *error) when none.
std::string FindJdk(const JlinkRequest& request, std::string* error);

// Links into output (which must not exist) the modules jdeps finds for
// the jar at jar_path plus request.add_modules, without debug data, man
// pages or headers and without jlink's own compression (the packed file
// compresses the whole image better). *modules gets what was linked.
// A modular jar (module_name not empty) is linked in as that module.
bool LinkRuntime(const JlinkRequest& request, const std::string& jar_path,
                 const std::string& module_name, const std::string& output,
                 std::string* modules, std::string* error);

// The name of the module a modular jar declares; empty when it declares
// none or jar cannot say.
std::string ModuleName(const JlinkRequest& request, const std::string& jar_path);

}  // namespace zovpack

#endif  // ZOV_PACK_JLINK_H_
