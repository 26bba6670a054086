#include "runtime/runtime_discovery.h"

#include <string.h>

#include "config/expand.h"
#include "config/file_exists.h"
#include "config/resolve_path.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/library_machine.h"
#include "runtime/packed_runtime.h"
#include "runtime/runtime_version.h"

namespace {

// Where a runtime home keeps its library, each searched directly and then
// one level of subdirectories deep. Each ends in a NUL; the first, the home
// itself, is empty, so a count ends the list.
#ifdef _WIN32
const char* const kHomeSubdirectoryPrefixes =
    "\0bin\\\0jre\\bin\\\0..\\jre\\bin\\";
const int kHomeSubdirectoryCount = 4;
const char* const kJavaName = "java.exe";
// Under %ProgramFiles%, where the vendors' installers put their runtimes.
// Names end in a NUL each, the list in two: a pointer table would cost a
// relocation per name.
const char* const kVendorFolders =
    "Java\0Eclipse Adoptium\0Microsoft\0Zulu\0Amazon Corretto\0BellSoft\0"
    "Semeru\0";
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
const char* const kHomeSubdirectoryPrefixes =
    "\0"
    "lib/\0"
    "jre/lib/" ZOV_JAVA_ARCH "/\0"
    "lib/" ZOV_JAVA_ARCH "/\0"
    "../lib/\0"
    "../jre/lib/" ZOV_JAVA_ARCH "/";
const int kHomeSubdirectoryCount = 6;
const char* const kJavaName = "java";
#endif

// Literals behind pointers, here and for the launcher's other constant
// texts: x64 aligns a named array of 16 bytes or more to 16 or 32.
const char* const kKnownLetters = "csieajpfr";
const char* const kDefaultOrder = "rcasiejpf";

// The bounds of the search FindRuntimeLibrary runs; null for the other
// entry points, which judge no version.
RuntimeChoice* Choice;
// The version a registry key names for the runtime it leads to (empty for
// the other sources): what is known of one without a release file.
char NamedVersion[kMaxPath];

void TraceCandidate(char letter, const char* path, const char* verdict) {
  Trace("runtime %c: %s: %s", letter, path, verdict);
}

void TraceMissing(char letter, const TextBuffer& path) {
  TraceCandidate(letter, path.c_str(), "missing");
}

// The version of the runtime at library, from its home's release file,
// else as its registry key names it, judged against the search's bounds.
bool JudgeKnownVersion(const TextBuffer& library, TextBuffer* verdict) {
  TextBuffer version = ReadReleaseVersion(library.c_str());
  return JudgeVersion(
      Choice, version.length() > 0 ? version.c_str() : NamedVersion, verdict);
}

// A library candidate: true when it exists and this process can load it.
bool Accept(char letter, const TextBuffer& path) {
  if (!FileExists(path.c_str())) {
    TraceMissing(letter, path);
    return false;
  }
  // One of no known kind is left to the loader, which says what is wrong.
  unsigned machine = LibraryMachine(path.c_str());
  if (machine != 0 && machine != kProcessMachine) {
    Trace("runtime %c: %s: built for %s, not %s", letter, path.c_str(),
          MachineName(machine), MachineName(kProcessMachine));
    return false;
  }
  TextBuffer said("found");
  bool ok = Choice == nullptr || JudgeKnownVersion(path, &said);
  TraceCandidate(letter, path.c_str(), said.c_str());
  return ok;
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

// Appends the subfolders of dir (which ends in a separator) to names in the
// file system's order; false when dir cannot be listed.
bool ListSubfolders(const char* dir, StringList* names) {
  PlatformDirectory* listing = PlatformOpenDirectory(dir);
  if (listing == nullptr) return false;
  const char* name;
  bool isDirectory;
  while (PlatformNextEntry(listing, &name, &isDirectory)) {
    if (isDirectory && strcmp(name, ".") != 0 && strcmp(name, "..") != 0) {
      names->Add(name);
    }
  }
  PlatformCloseDirectory(listing);
  return true;
}

// dir followed by name and, unless name is empty, a separator.
TextBuffer Subfolder(const TextBuffer& dir, const char* name) {
  TextBuffer path = Concat(dir, name);
  if (*name != 0) path.Append(&kPathSeparator, 1);
  return path;
}

// The searches below leave the library they accept in *found and return
// true; on false, *found may hold a rejected candidate.

// home ends in a separator.
bool SearchHome(char letter, const TextBuffer& home, TextBuffer* found) {
  const char* prefix = kHomeSubdirectoryPrefixes;
  for (int k = 0; k < kHomeSubdirectoryCount;
       ++k, prefix += strlen(prefix) + 1) {
    TextBuffer directory = Concat(home, prefix);
    StringList names;
    names.Add("");  // the library in directory itself comes first
    ListSubfolders(directory.c_str(), &names);
    for (int32_t i = 0; i < names.Count(); ++i) {
      *found = Subfolder(directory, names.Entry(i));
      found->Append(kRuntimeLibraryName);
      if (Accept(letter, *found)) return true;
    }
  }
  return false;
}

// A folder searched as a home; one that does not exist is only traced.
bool SearchFolder(char letter, TextBuffer home, TextBuffer* found) {
  EndWithSeparator(&home);
  if (IsDirectory(home)) return SearchHome(letter, home, found);
  TraceMissing(letter, home);
  return false;
}

// A path a source names: the library itself, or a folder searched as a home.
bool FromPath(char letter, const TextBuffer& path, TextBuffer* found) {
  if (IsDirectory(path)) {
    return SearchFolder(letter, TextBuffer(path.c_str()), found);
  }
  found->Assign(path.c_str());
  return Accept(letter, *found);
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

bool FromConfiguration(const ConfigStore& store, TextBuffer* found) {
  TextBuffer value =
      ExpandEnvironment(store.Lookup("jvmdll", false));
  return value.length() > 0 && FromPath('c', ResolvePath(value), found);
}

// The runtimes the application ships in its own folder.
bool FromApplicationFolder(TextBuffer* found) {
  for (const char* folder = "jre\0runtime\0"; *folder != 0;
       folder += strlen(folder) + 1) {
    if (SearchFolder('a', Concat(ExeDir, folder), found)) {
      return true;
    }
  }
  return false;
}

bool QueryRegistry(char letter, const char* key, TextBuffer* found) {
#ifndef _WIN32
  return false;  // no registry: not even a line in the trace
#endif
  TextBuffer keyPath(key);
  const char* verdict = "no CurrentVersion";
  if (ReadRegistryText(keyPath, "CurrentVersion", found)) {
    keyPath.Append("\\");
    keyPath.Append(*found);
    memcpy(NamedVersion, found->c_str(), found->length() + 1);
    bool ok = false;
    bool named = ReadRegistryText(keyPath, "RuntimeLib", found);
    if (named) {
      ok = FromPath(letter, TextBuffer(found->c_str()), found);
    } else if (letter == 'j' && ReadRegistryText(keyPath, "JavaHome", found)) {
      // The keys of Java 9 and later may name only the home.
      named = true;
      ok = SearchFolder(letter, TextBuffer(found->c_str()), found);
    }
    NamedVersion[0] = 0;
    if (named) return ok;
    verdict = "no RuntimeLib";
  }
  TraceCandidate(letter, keyPath.c_str(), verdict);
  return false;
}

// Java 9 and later register under JDK and JRE, with a JavaHome beside
// RuntimeLib.
bool FromJavaSoftKeys(TextBuffer* found) {
  for (const char* key = "SOFTWARE\\JavaSoft\\JDK\0SOFTWARE\\JavaSoft\\JRE\0";
       *key != 0; key += strlen(key) + 1) {
    if (QueryRegistry('j', key, found)) return true;
  }
  return false;
}

bool SearchHomes(TextBuffer* found) {
  TextBuffer home;
  for (const char* variable = "JRE_HOME\0JAVA_HOME\0"; *variable != 0;
       variable += strlen(variable) + 1) {
    if (!PlatformGetEnvironment(variable, &home) || home.length() == 0) {
      TraceCandidate('e', variable, "not set");
      continue;
    }
    EndWithSeparator(&home);
    if (SearchHome('e', home, found)) return true;
  }
  return false;
}

// False when list holds text already.
bool AddOnce(StringList* list, const char* text) {
  for (int32_t i = 0; i < list->Count(); ++i) {
    if (strcmp(list->Entry(i), text) == 0) return false;
  }
  list->Add(text);
  return true;
}

// The java command the user would run: its links resolved, its runtime
// found from the folder it sits in.
bool FromSearchPath(TextBuffer* found) {
  TextBuffer path;
  if (!PlatformGetEnvironment("PATH", &path)) return false;
  StringList seen;  // a folder named twice, or through a link, is tried once
  char* entry = path.data();
  while (*entry != 0) {
    char* end = strchr(entry, kClassPathSeparator);
    if (end == nullptr) end = entry + strlen(entry);
    char* next = *end != 0 ? end + 1 : end;
    *end = 0;
    if (end - entry >= 2 && *entry == '"' && end[-1] == '"') {
      ++entry;
      end[-1] = 0;
    }
    TextBuffer java(entry);
    entry = next;
    if (java.length() == 0) continue;
    EndWithSeparator(&java);
    java.Append(kJavaName);
    TextBuffer real;
    bool exists = FileExists(java.c_str()) && !IsDirectory(java) &&
                  PlatformRealPath(java.c_str(), &real);
    if (!AddOnce(&seen, exists ? real.c_str() : java.c_str())) continue;
    if (!exists) {
      TraceMissing('p', java);
      continue;
    }
    TraceCandidate('p', real.c_str(), "java");
    char* cut = strrchr(real.data(), kPathSeparator);
    if (cut == nullptr) continue;
    real.Resize(static_cast<int32_t>(cut - real.data()) + 1);
    if (SearchHome('p', real, found)) return true;
  }
  return false;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The numbers of a folder name's version ("jdk-17.0.9+9" gives 17 0 9).
int VersionNumbers(const char* name, unsigned numbers[6]) {
  while (*name != 0 && !IsDigit(*name)) ++name;
  int count = 0;
  while (count < 6 && IsDigit(*name)) {
    unsigned n = 0;
    for (; IsDigit(*name); ++name) {
      if (n < 100000000) n = n * 10 + static_cast<unsigned>(*name - '0');
    }
    numbers[count++] = n;
    if ((*name != '.' && *name != '_') || !IsDigit(name[1])) break;
    ++name;
  }
  return count;
}

// "1." is dropped before a second number ("jdk1.8.0_361" counts as 8 0 361).
bool VersionAbove(const char* a, const char* b) {
  unsigned x[6], y[6];
  int n = VersionNumbers(a, x);
  int m = VersionNumbers(b, y);
  int i = n >= 2 && x[0] == 1;
  int j = m >= 2 && y[0] == 1;
  for (; i < n && j < m; ++i, ++j) {
    if (x[i] != y[j]) return x[i] > y[j];
  }
  return n - i > m - j;
}

bool SearchInstall(char letter, TextBuffer base, TextBuffer* found) {
  EndWithSeparator(&base);
  StringList names;
  if (!ListSubfolders(base.c_str(), &names)) {
    TraceMissing(letter, base);
    return false;
  }
  // The highest version first, equal ones in the file system's order. A
  // name searched is emptied, which no folder's name is.
  for (int32_t round = 0; round < names.Count(); ++round) {
    const char* best = nullptr;
    for (int32_t i = 0; i < names.Count(); ++i) {
      const char* name = names.Entry(i);
      if (*name != 0 && (best == nullptr || VersionAbove(name, best))) {
        best = name;
      }
    }
    if (SearchHome(letter, Subfolder(base, best), found)) return true;
    const_cast<char*>(best)[0] = 0;
  }
  return false;
}

bool FromInstallFolders(TextBuffer* found) {
#ifdef _WIN32
  // ARM64 runtimes go to %ProgramFiles% too, but the first ARM64 installers
  // (2022) used the folder of 32-bit ARM programs.
#ifdef __aarch64__
  static const char* const kRoots[] = {"ProgramFiles", "ProgramFiles(Arm)"};
#else
  static const char* const kRoots[] = {"ProgramFiles"};
#endif
  for (const char* root : kRoots) {
    TextBuffer programFiles;
    if (!PlatformGetEnvironment(root, &programFiles) ||
        programFiles.length() == 0) {
      continue;
    }
    EndWithSeparator(&programFiles);
    for (const char* vendor = kVendorFolders; *vendor != 0;
         vendor += strlen(vendor) + 1) {
      if (SearchInstall('f', Concat(programFiles, vendor), found)) return true;
    }
  }
  return false;
#else
  return SearchInstall('f', TextBuffer("/usr/lib/jvm"), found);
#endif
}

bool FromSource(char letter, const ConfigStore& store, TextBuffer* found) {
  switch (letter) {
    case 'c': return FromConfiguration(store, found);
    case 's':
      return QueryRegistry('s', "SOFTWARE\\JavaSoft\\Java Runtime Environment",
                           found);
    case 'i':
      return QueryRegistry('i', "SOFTWARE\\IBM\\Java2 Runtime Environment",
                           found);
    case 'e': return SearchHomes(found);
    case 'a': return FromApplicationFolder(found);
    case 'j': return FromJavaSoftKeys(found);
    case 'p': return FromSearchPath(found);
    case 'f': return FromInstallFolders(found);
    case 'r': {
      TextBuffer home = PackedRuntimeHome(store);
      return home.length() != 0 &&
             SearchFolder('r', static_cast<TextBuffer&&>(home), found);
    }
    default: return false;
  }
}

// found when ok, else the empty text.
TextBuffer Outcome(bool ok, TextBuffer* found) {
  if (!ok) found->Clear();
  return static_cast<TextBuffer&&>(*found);
}

}  // namespace

TextBuffer QueryRegistryRuntime(char letter, const char* key) {
  TextBuffer found;
  return Outcome(QueryRegistry(letter, key, &found), &found);
}

TextBuffer SearchRuntimeHomes() {
  TextBuffer found;
  return Outcome(SearchHomes(&found), &found);
}

TextBuffer SearchInstallFolder(char letter, TextBuffer base) {
  TextBuffer found;
  return Outcome(SearchInstall(letter, static_cast<TextBuffer&&>(base), &found),
                 &found);
}

TextBuffer FindRuntimeLibrary(const ConfigStore& store, RuntimeChoice* choice) {
  Choice = choice;
  TextBuffer order = store.Lookup("jre_order", false);
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

  TextBuffer found;
  bool ok = false;
  for (int32_t i = 0; !ok && i < order.length(); ++i) {
    ok = FromSource(order.data()[i], store, &found);
  }
  if (!ok) Trace("runtime: none found");
  Choice = nullptr;
  return Outcome(ok, &found);
}
