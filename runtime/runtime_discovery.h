// Finding the Java runtime library (jvm.dll, or libjvm.so on Linux) by an
// ordered search over the configuration, the registry, the application's
// folder, the environment and the vendors' install folders.
#ifndef ZOV_RUNTIME_RUNTIME_DISCOVERY_H_
#define ZOV_RUNTIME_RUNTIME_DISCOVERY_H_

#include "config/config_store.h"
#include "runtime/runtime_version.h"
#include "text/text.h"

// Runs the sources that the key jre_order names, one letter each after
// lowering; other characters are skipped, repeats run again; "rcasiejpf"
// when it names none:
//   r  the runtime the file carries, unpacked into the user's cache
//   c  the key jvmdll, expanded and resolved
//   a  a "jre" or "runtime" folder beside the executable, as a home
//   s  the registry key JavaSoft\Java Runtime Environment
//   i  the registry key IBM\Java2 Runtime Environment
//   e  the homes JRE_HOME, then JAVA_HOME
//   j  the registry keys JavaSoft\JDK, then JavaSoft\JRE (Java 9 and later)
//   p  the java command on PATH, links resolved, from its folder
//   f  each runtime under the vendors' install folders (%ProgramFiles%
//      on Windows, /usr/lib/jvm on Linux), the highest version first
// A path a source names that is a folder is searched as a home. A library
// of the other processor width is passed over, and so is one whose version,
// known before loading, is outside choice's bounds (choice remembers it;
// null: no bounds). Every candidate is traced. Returns the first library
// accepted, or the empty text.
TextBuffer FindRuntimeLibrary(const ConfigStore& store,
                              RuntimeChoice* choice = nullptr);

// Source "e": the homes JRE_HOME, then JAVA_HOME (undefined or empty ones
// skipped, taken as written), each searched under its prefixes for the
// library directly, then one level of subdirectories deep in the file
// system's order. The first accepted candidate, or the empty text.
TextBuffer SearchRuntimeHomes();

// Sources "s", "i" and "j" (letter): under HKEY_LOCAL_MACHINE\keyPath, the
// value RuntimeLib of the subkey that CurrentVersion names, when accepted;
// for "j" only, without a RuntimeLib, its JavaHome searched as a home. The
// empty text on any failure, and always where there is no registry. A
// value is taken up to its first NUL; one that fills the whole 260-byte
// buffer without a NUL counts as too long.
TextBuffer QueryRegistryRuntime(char letter, const char* keyPath);

// Source "f" for one install folder: each subfolder of base searched as a
// home, the highest version in its name first ("jdk-21" before "jdk-17",
// "jdk1.8.0_361" counting as 8.0.361).
TextBuffer SearchInstallFolder(char letter, TextBuffer base);

#endif  // ZOV_RUNTIME_RUNTIME_DISCOVERY_H_
