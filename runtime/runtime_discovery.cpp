#include "runtime/runtime_discovery.h"

#include <stdlib.h>
#include <string.h>

#include "config/expand.h"
#include "config/file_exists.h"
#include "config/resolve_path.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/library_width.h"

namespace {

// Where a runtime home keeps its library, each searched directly and then
// one level of subdirectories deep.
#ifdef _WIN32
const char* const kHomeSubdirectoryPrefixes[] = {"", "bin\\", "jre\\bin\\",
                                                 "..\\jre\\bin\\"};
const char kJavaName[] = "java.exe";
// Under %ProgramFiles%, where the vendors' installers put their runtimes.
const char* const kVendorFolders[] = {
    "Java",     "Eclipse Adoptium", "Microsoft", "Zulu", "Amazon Corretto",
    "BellSoft", "Semeru"};
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
const char kJavaName[] = "java";
#endif

const char kKnownLetters[] = "csieajpf";
const char kDefaultOrder[] = "casiejpf";

void TraceCandidate(char letter, const char* path, const char* verdict) {
  Trace("runtime %c: %s: %s", letter, path, verdict);
}

// A library candidate: true when it exists and this process can load it.
bool Accept(char letter, const TextBuffer& path) {
  const char* verdict = "found";
  if (!FileExists(path.c_str())) {
    verdict = "missing";
  } else {
    int width = LibraryWidth(path.c_str());
    if (width != 0 && width != kProcessWidth) verdict = "wrong width";
  }
  TraceCandidate(letter, path.c_str(), verdict);
  return verdict[0] == 'f';
}

void EndWithSeparator(TextBuffer* path) {
  int32_t n = path->length();
  if (n == 0 || (path->data()[n - 1] != '\\' && path->data()[n - 1] != '/')) {
    path->Append(&kPathSeparator, 1);
  }
}

bool IsDirectory(const TextBuffer& path) {
  TextBuffer folder(path.c_str());
  EndWithSeparator(&folder);
  PlatformDirectory* dir = PlatformOpenDirectory(folder.c_str());
  if (dir == nullptr) return false;
  PlatformCloseDirectory(dir);
  return true;
}

bool IsSubdirectory(const char* name, bool isDirectory) {
  return isDirectory && strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
}

// home ends in a separator.
TextBuffer SearchHome(char letter, const TextBuffer& home) {
  for (const char* prefix : kHomeSubdirectoryPrefixes) {
    TextBuffer directory = Concat(home, prefix);
    TextBuffer candidate = Concat(directory, kRuntimeLibraryName);
    if (Accept(letter, candidate)) return candidate;
    PlatformDirectory* dir = PlatformOpenDirectory(directory.c_str());
    if (dir == nullptr) continue;
    const char* name;
    bool isDirectory;
    while (PlatformNextEntry(dir, &name, &isDirectory)) {
      if (!IsSubdirectory(name, isDirectory)) continue;
      candidate.Assign(directory.data(), directory.length());
      candidate.Append(name);
      candidate.Append(&kPathSeparator, 1);
      candidate.Append(kRuntimeLibraryName);
      if (Accept(letter, candidate)) {
        PlatformCloseDirectory(dir);
        return candidate;
      }
    }
    PlatformCloseDirectory(dir);
  }
  return TextBuffer();
}

// A folder searched as a home; one that does not exist is only traced.
TextBuffer SearchFolder(char letter, TextBuffer home) {
  EndWithSeparator(&home);
  if (!IsDirectory(home)) {
    TraceCandidate(letter, home.c_str(), "missing");
    return TextBuffer();
  }
  return SearchHome(letter, home);
}

// A path a source names: the library itself, or a folder searched as a home.
TextBuffer FromPath(char letter, const TextBuffer& path) {
  if (IsDirectory(path)) return SearchFolder(letter, TextBuffer(path.c_str()));
  if (Accept(letter, path)) return TextBuffer(path.c_str());
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

bool ReadRegistryText(const TextBuffer& key, const char* name,
                      TextBuffer* text) {
  unsigned char buffer[kMaxPath];
  unsigned long size = kMaxPath;
  return PlatformQueryRegistryValue(key.c_str(), name, buffer, &size) &&
         RegistryText(buffer, size, text);
}

TextBuffer FromConfiguration(const ConfigStore& store) {
  TextBuffer value =
      ExpandEnvironment(store.Lookup(TextBuffer("jvmdll"), false));
  if (value.length() == 0) return value;
  return FromPath('c', ResolvePath(value));
}

// The runtimes the application ships in its own folder.
TextBuffer FromApplicationFolder(const ConfigStore& store) {
  static const char* const kFolders[] = {"jre", "runtime"};
  for (const char* folder : kFolders) {
    TextBuffer found = SearchFolder('a', Concat(store.ExecutableDir(), folder));
    if (found.length() > 0) return found;
  }
  return TextBuffer();
}

// Java 9 and later register under JDK and JRE, with a JavaHome beside
// RuntimeLib.
TextBuffer FromJavaSoftKeys() {
  static const char* const kKeys[] = {"SOFTWARE\\JavaSoft\\JDK",
                                      "SOFTWARE\\JavaSoft\\JRE"};
  for (const char* key : kKeys) {
    TextBuffer found = QueryRegistryRuntime('j', key);
    if (found.length() > 0) return found;
  }
  return TextBuffer();
}

// The java command the user would run: its links resolved, its runtime
// found from the folder it sits in.
TextBuffer FromSearchPath() {
  TextBuffer path;
  if (!PlatformGetEnvironment("PATH", &path)) return path;
  const char* entry = path.c_str();
  while (*entry != 0) {
    const char* end = strchr(entry, kClassPathSeparator);
    if (end == nullptr) end = entry + strlen(entry);
    TextBuffer folder(entry, static_cast<int32_t>(end - entry));
    entry = *end ? end + 1 : end;
    if (folder.length() >= 2 && folder.data()[0] == '"' &&
        folder.data()[folder.length() - 1] == '"') {
      folder.Assign(folder.data() + 1, folder.length() - 2);
    }
    if (folder.length() == 0) continue;
    EndWithSeparator(&folder);
    TextBuffer java = Concat(folder, kJavaName);
    TextBuffer real;
    if (!FileExists(java.c_str()) || IsDirectory(java) ||
        !PlatformRealPath(java.c_str(), &real)) {
      TraceCandidate('p', java.c_str(), "missing");
      continue;
    }
    TraceCandidate('p', real.c_str(), "java");
    const char* cut = strrchr(real.c_str(), kPathSeparator);
    if (cut == nullptr) continue;
    TextBuffer bin(real.c_str(), static_cast<int32_t>(cut - real.c_str()) + 1);
    TextBuffer found = SearchHome('p', bin);
    if (found.length() > 0) return found;
  }
  return TextBuffer();
}

TextBuffer FromInstallFolders() {
#ifdef _WIN32
  TextBuffer programFiles;
  if (!PlatformGetEnvironment("ProgramFiles", &programFiles) ||
      programFiles.length() == 0) {
    return TextBuffer();
  }
  EndWithSeparator(&programFiles);
  for (const char* vendor : kVendorFolders) {
    TextBuffer found = SearchInstallFolder('f', Concat(programFiles, vendor));
    if (found.length() > 0) return found;
  }
  return TextBuffer();
#else
  return SearchInstallFolder('f', TextBuffer("/usr/lib/jvm"));
#endif
}

// The numbers of a folder name's version ("jdk-17.0.9+9" gives 17 0 9),
// "1." dropped before a second number ("jdk1.8.0_361" gives 8 0 361).
int VersionNumbers(const char* name, long numbers[6]) {
  while (*name != 0 && (*name < '0' || *name > '9')) ++name;
  int count = 0;
  while (count < 6 && *name >= '0' && *name <= '9') {
    char* end;
    numbers[count++] = strtol(name, &end, 10);
    name = end;
    if ((*name != '.' && *name != '_') || name[1] < '0' || name[1] > '9') {
      break;
    }
    ++name;
  }
  if (count >= 2 && numbers[0] == 1) {
    memmove(numbers, numbers + 1, sizeof(long) * static_cast<size_t>(--count));
  }
  return count;
}

bool VersionAbove(const char* a, const char* b) {
  long x[6], y[6];
  int n = VersionNumbers(a, x);
  int m = VersionNumbers(b, y);
  for (int i = 0; i < n && i < m; ++i) {
    if (x[i] != y[i]) return x[i] > y[i];
  }
  return n > m;
}

}  // namespace

TextBuffer QueryRegistryRuntime(char letter, const char* key) {
  TextBuffer keyPath(key);
  TextBuffer version;
  if (!ReadRegistryText(keyPath, "CurrentVersion", &version)) {
    TraceCandidate(letter, keyPath.c_str(), "no CurrentVersion");
    return TextBuffer();
  }
  keyPath.Append("\\");
  keyPath.Append(version);
  TextBuffer library;
  if (ReadRegistryText(keyPath, "RuntimeLib", &library)) {
    return FromPath(letter, library);
  }
  // The keys of Java 9 and later may name only the home.
  TextBuffer home;
  if (letter == 'j' && ReadRegistryText(keyPath, "JavaHome", &home)) {
    return SearchFolder(letter, TextBuffer(home.c_str()));
  }
  TraceCandidate(letter, keyPath.c_str(), "no RuntimeLib");
  return TextBuffer();
}

TextBuffer SearchRuntimeHomes() {
  static const char* const kHomeVariables[] = {"JRE_HOME", "JAVA_HOME"};
  TextBuffer home;
  for (const char* variable : kHomeVariables) {
    if (!PlatformGetEnvironment(variable, &home) || home.length() == 0) {
      TraceCandidate('e', variable, "not set");
      continue;
    }
    EndWithSeparator(&home);
    TextBuffer found = SearchHome('e', home);
    if (found.length() > 0) return found;
  }
  return TextBuffer();
}

TextBuffer SearchInstallFolder(char letter, TextBuffer base) {
  EndWithSeparator(&base);
  PlatformDirectory* dir = PlatformOpenDirectory(base.c_str());
  if (dir == nullptr) {
    TraceCandidate(letter, base.c_str(), "missing");
    return TextBuffer();
  }
  StringList names;
  const char* name;
  bool isDirectory;
  while (PlatformNextEntry(dir, &name, &isDirectory)) {
    if (IsSubdirectory(name, isDirectory)) names.Add(name);
  }
  PlatformCloseDirectory(dir);
  int32_t count = names.Count();
  bool* taken = static_cast<bool*>(HeapResize(nullptr, count ? count : 1));
  memset(taken, 0, count ? count : 1);
  TextBuffer found;
  // The highest version first; equal ones in the file system's order.
  for (int32_t round = 0; round < count && found.length() == 0; ++round) {
    int32_t best = -1;
    for (int32_t i = 0; i < count; ++i) {
      if (!taken[i] && (best < 0 || VersionAbove(names.Entry(i),
                                                 names.Entry(best)))) {
        best = i;
      }
    }
    taken[best] = true;
    TextBuffer home = Concat(base, names.Entry(best));
    home.Append(&kPathSeparator, 1);
    found = SearchHome(letter, home);
  }
  free(taken);
  return found;
}

TextBuffer FindRuntimeLibrary(const ConfigStore& store) {
  TextBuffer order = store.Lookup(TextBuffer("jre_order"), false);
  char* letters = order.data();
  bool namesSource = false;
  for (int32_t i = 0; i < order.length(); ++i) {
    if (letters[i] >= 'A' && letters[i] <= 'Z') letters[i] += 'a' - 'A';
    if (letters[i] != 0 && strchr(kKnownLetters, letters[i]) != nullptr) {
      namesSource = true;
    }
  }
  if (!namesSource) order.Assign(kDefaultOrder);
  Trace("runtime order %s", order.data());

  for (int32_t i = 0; i < order.length(); ++i) {
    TextBuffer found;
    switch (order.data()[i]) {
      case 'c': found = FromConfiguration(store); break;
      case 's':
        found = QueryRegistryRuntime(
            's', "SOFTWARE\\JavaSoft\\Java Runtime Environment");
        break;
      case 'i':
        found = QueryRegistryRuntime('i',
                                     "SOFTWARE\\IBM\\Java2 Runtime Environment");
        break;
      case 'e': found = SearchRuntimeHomes(); break;
      case 'a': found = FromApplicationFolder(store); break;
      case 'j': found = FromJavaSoftKeys(); break;
      case 'p': found = FromSearchPath(); break;
      case 'f': found = FromInstallFolders(); break;
      default: continue;
    }
    if (found.length() > 0) return found;
  }
  Trace("runtime: none found");
  return TextBuffer();
}
