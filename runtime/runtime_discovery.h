// Finding the Java runtime library (jvm.dll, or libjvm.so on Linux) by an
// ordered search over the configuration, the registry and the environment.
#ifndef ZOV_RUNTIME_RUNTIME_DISCOVERY_H_
#define ZOV_RUNTIME_RUNTIME_DISCOVERY_H_

#include "config/config_store.h"
#include "text/text.h"

// Runs the sources that the key jre_order names, one letter each after
// lowering ("c" the key jvmdll, "s" the JavaSoft registry key, "i" the IBM
// one, "e" the runtime homes; other characters are skipped, repeats run
// again; "csie" when it names none). Returns the first path a source
// yields, or the empty text.
TextBuffer FindRuntimeLibrary(const ConfigStore& store);

// Source "e": the homes JRE_HOME, then JAVA_HOME (undefined or empty ones
// skipped, taken as written), each searched under its prefixes for the
// library directly, then one level of subdirectories deep in the file
// system's order. The first existing candidate, or the empty text.
TextBuffer SearchRuntimeHomes();

// Sources "s" and "i": under HKEY_LOCAL_MACHINE\keyPath, the value
// RuntimeLib of the subkey that CurrentVersion names, when that file
// exists. The empty text on any failure, and always where there is no
// registry. A value is taken up to its first NUL; one that fills the whole
// 260-byte buffer without a NUL counts as too long.
TextBuffer QueryRegistryRuntime(TextBuffer keyPath);

#endif  // ZOV_RUNTIME_RUNTIME_DISCOVERY_H_
