#include "runtime/runtime_discovery.h"

#include <string.h>

#include "config/expand.h"
#include "config/file_exists.h"
#include "config/resolve_path.h"
#include "platform/platform.h"
#include "platform/trace.h"

namespace {

// Where a runtime home keeps its library, each searched directly and then
// one level of subdirectories deep.
#ifdef _WIN32
const char* const kHomeSubdirectoryPrefixes[] = {"", "bin\\", "jre\\bin\\",
                                                 "..\\jre\\bin\\"};
#else
#if defined(__aarch64__)
#define ZOV_JAVA_ARCH "aarch64"
#elif defined(__i386__)
#define ZOV_JAVA_ARCH "i386"
#else
#define ZOV_JAVA_ARCH "amd64"
#endif
// lib/server/ since Java 9; jre/lib/<arch>/server/ in a Java 8 JDK and
// lib/<arch>/server/ in its JRE; the "../" forms for a home one level too
// deep, as "..\jre\bin\" on Windows.
const char* const kHomeSubdirectoryPrefixes[] = {
    "",
    "lib/",
    "jre/lib/" ZOV_JAVA_ARCH "/",
    "lib/" ZOV_JAVA_ARCH "/",
    "../lib/",
    "../jre/lib/" ZOV_JAVA_ARCH "/"};
#endif

const char kJavaSoftKey[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char kIbmKey[] = "SOFTWARE\\IBM\\Java2 Runtime Environment";

TextBuffer SearchHome(const TextBuffer& home) {
  for (const char* prefix : kHomeSubdirectoryPrefixes) {
    TextBuffer directory = Concat(home, prefix);
    TextBuffer candidate = Concat(directory, kRuntimeLibraryName);
    if (FileExists(candidate.c_str())) return candidate;
    Trace("runtime %c: %s: %s", 'e', candidate.data(), "missing");
    PlatformDirectory* dir = PlatformOpenDirectory(directory.c_str());
    if (dir == nullptr) continue;
    const char* name;
    bool isDirectory;
    while (PlatformNextEntry(dir, &name, &isDirectory)) {
      if (!isDirectory || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) {
        continue;
      }
      candidate.Assign(directory.data(), directory.length());
      candidate.Append(name);
      candidate.Append(&kPathSeparator, 1);
      candidate.Append(kRuntimeLibraryName);
      if (FileExists(candidate.c_str())) {
        PlatformCloseDirectory(dir);
        return candidate;
      }
      Trace("runtime %c: %s: %s", 'e', candidate.data(), "missing");
    }
    PlatformCloseDirectory(dir);
  }
  return TextBuffer();
}

// The registry value in buffer up to its first NUL. Without a NUL in the
// bytes stored, the whole 260 bytes would be a text with no room for its
// terminator: that counts as a value too long for the buffer.
bool RegistryText(const unsigned char* buffer, unsigned long size,
                  TextBuffer* text) {
  if (size > static_cast<unsigned long>(kMaxPath)) return false;
  const void* nul = memchr(buffer, 0, size);
  if (nul == nullptr && size == static_cast<unsigned long>(kMaxPath)) {
    return false;
  }
  size_t n = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) -
                                       buffer)
                 : size;
  text->Assign(reinterpret_cast<const char*>(buffer), static_cast<int32_t>(n));
  return true;
}

TextBuffer FromConfiguration(const ConfigStore& store) {
  TextBuffer value =
      ExpandEnvironment(store.Lookup(TextBuffer("jvmdll"), false));
  if (value.length() == 0) {
    Trace("runtime %c: %s: %s", 'c', "jvmdll", "not set");
    return value;
  }
  TextBuffer path = ResolvePath(value);
  if (!FileExists(path.c_str())) {
    Trace("runtime %c: %s: %s", 'c', path.data(), "missing");
    return TextBuffer();
  }
  return path;
}

}  // namespace

TextBuffer QueryRegistryRuntime(TextBuffer keyPath) {
  char letter = strcmp(keyPath.c_str(), kIbmKey) == 0 ? 'i' : 's';
  unsigned char buffer[kMaxPath];
  unsigned long size = kMaxPath;
  TextBuffer version;
  if (!PlatformQueryRegistryValue(keyPath.c_str(), "CurrentVersion", buffer,
                                  &size) ||
      !RegistryText(buffer, size, &version)) {
    Trace("runtime %c: %s: %s", letter, keyPath.data(), "no CurrentVersion");
    return TextBuffer();
  }
  keyPath.Append("\\");
  keyPath.Append(version);
  size = kMaxPath;
  TextBuffer library;
  if (!PlatformQueryRegistryValue(keyPath.c_str(), "RuntimeLib", buffer,
                                  &size) ||
      !RegistryText(buffer, size, &library)) {
    Trace("runtime %c: %s: %s", letter, keyPath.data(), "no RuntimeLib");
    return TextBuffer();
  }
  if (!FileExists(library.c_str())) {
    Trace("runtime %c: %s: %s", letter, library.data(), "missing");
    return TextBuffer();
  }
  return library;
}

TextBuffer SearchRuntimeHomes() {
  static const char* const kHomeVariables[] = {"JRE_HOME", "JAVA_HOME"};
  TextBuffer home;
  for (const char* variable : kHomeVariables) {
    if (!PlatformGetEnvironment(variable, &home) || home.length() == 0) {
      Trace("runtime %c: %s: %s", 'e', variable, "not set");
      continue;
    }
    char last = home.data()[home.length() - 1];
    if (last != '\\' && last != '/') home.Append(&kPathSeparator, 1);
    TextBuffer found = SearchHome(home);
    if (found.length() > 0) return found;
  }
  return TextBuffer();
}

TextBuffer FindRuntimeLibrary(const ConfigStore& store) {
  TextBuffer order = store.Lookup(TextBuffer("jre_order"), false);
  char* letters = order.data();
  bool namesSource = false;
  for (int32_t i = 0; i < order.length(); ++i) {
    if (letters[i] >= 'A' && letters[i] <= 'Z') letters[i] += 'a' - 'A';
    if (letters[i] != 0 && strchr("csie", letters[i]) != nullptr) {
      namesSource = true;
    }
  }
  if (!namesSource) order.Assign("csie");
  Trace("runtime order %s", order.data());

  for (int32_t i = 0; i < order.length(); ++i) {
    TextBuffer found;
    char letter = order.data()[i];
    switch (letter) {
      case 'c': found = FromConfiguration(store); break;
      case 's': found = QueryRegistryRuntime(TextBuffer(kJavaSoftKey)); break;
      case 'i': found = QueryRegistryRuntime(TextBuffer(kIbmKey)); break;
      case 'e': found = SearchRuntimeHomes(); break;
      default: continue;
    }
    if (found.length() > 0) {
      Trace("runtime %c: %s: %s", letter, found.data(), "found");
      return found;
    }
  }
  Trace("runtime: none found");
  return TextBuffer();
}
