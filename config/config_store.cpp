#include "config/config_store.h"

#include <string.h>

#include "config/embedded_config.h"
#include "config/file_exists.h"
#include "platform/platform.h"
#include "platform/trace.h"

// Objects of one file are constructed in the order of their definitions:
// ExeDir first.
TextBuffer ExeDir;
TextBuffer WorkDir;

// Larger files are not read: the text's 32-bit length could not grow past
// them by doubling. No configuration comes near.
static const int64_t kLargestSideFile = 0x3FFF0000;

// Length of the part of exePath that the side file's suffix follows, or -1
// when there is no candidate.
static int32_t SideFileStem(const TextBuffer& exePath) {
  int32_t n = exePath.length();
#ifdef _WIN32
  // The last four characters give way, whatever they are.
  return n >= 4 ? n - 4 : -1;
#else
  // Executables here carry no extension; a name that has one loses it.
  if (n == 0) return -1;
  const char* path = exePath.data();
  int32_t name = n;
  while (name > 0 && path[name - 1] != '/') --name;
  for (int32_t i = n - 1; i > name; --i) {
    if (path[i] == '.') return i;
  }
  return n;
#endif
}

ConfigStore::ConfigStore() {
  char directory[kMaxPath];
  PlatformCurrentDirectory(directory, kMaxPath);
  char module[kMaxPath];
  PlatformModuleFileName(module, kMaxPath);
  Build(module, directory);
}

ConfigStore::ConfigStore(const char* modulePath,
                         const char* currentDirectory) {
  Build(modulePath, currentDirectory);
}

ConfigStore::~ConfigStore() = default;

void ConfigStore::Build(const char* modulePath,
                        const char* currentDirectory) {
  WorkDir.Assign(currentDirectory);
  int32_t n = WorkDir.length();
  if (n > 0 && WorkDir.data()[n - 1] != kPathSeparator) {
    WorkDir.Append(&kPathSeparator, 1);
  }

  exePath.Assign(modulePath);
  int32_t cut = exePath.length();
  while (cut > 0 && exePath.data()[cut - 1] != kPathSeparator) --cut;
  ExeDir.Assign(exePath.data(), cut);
  DefineAppDir();

  Trace("executable %s", exePath.data());
  Trace("current directory %s", WorkDir.data());

  ReadSideFile();
  if (length() > 0) Append("\r\n", 2);
  embeddedStart = length();
  TextBuffer embedded = ReadEmbeddedConfig(exePath.c_str());
  Append(embedded);
  if (Tracing()) TraceLines();
}

// Quoted, so that trailing spaces, which belong to a value, show.
void ConfigStore::TraceLines() const {
  ConfigLineReader reader(data());
  TextBuffer line;
  for (const char* start = data(); reader.NextLine(&line);
       start = reader.position()) {
    Trace("%s line \"%s\"",
          start - data() < embeddedStart ? "side file" : "embedded",
          line.data());
  }
  int32_t end = static_cast<int32_t>(strlen(data()));
  if (end < length()) {
    Trace("a NUL at offset %d ends the text", end);
  }
}

// ZOV_APP_DIR: ExeDir without its separator, unless that leaves no
// directory ("/", "C:\"). Values expanded later can name it.
void ConfigStore::DefineAppDir() {
  int32_t n = ExeDir.length();
  if (n == 0) return;
  if (n > 1 && ExeDir.data()[n - 2] != ':') --n;
  TextBuffer dir(ExeDir.data(), n);
  PlatformSetEnvironment("ZOV_APP_DIR", dir.c_str());
  Trace("ZOV_APP_DIR %s", dir.c_str());
}

void ConfigStore::ReadSideFile() {
  int32_t stem = SideFileStem(exePath);
  if (stem < 0) return;
  char name[kMaxPath];
  // Each ends in a NUL, the list in two.
  for (const char* suffix = ".cfg\0.config\0"; *suffix != 0;
       suffix += strlen(suffix) + 1) {
    int32_t suffixLength = static_cast<int32_t>(strlen(suffix));
    if (stem + suffixLength >= kMaxPath) continue;  // would not fit: not tried
    memcpy(name, exePath.data(), static_cast<size_t>(stem));
    memcpy(name + stem, suffix, static_cast<size_t>(suffixLength) + 1);
    PlatformFile* file = nullptr;
    const char* verdict = "missing";
    if (FileExists(name)) {
      file = PlatformOpenFile(name);
      verdict = "cannot be opened";
    }
    if (file == nullptr) {
      Trace("side file %s: %s", name, verdict);
      continue;
    }
    int64_t size = PlatformFileSize(file);
    int32_t got = 0;
    if (size > 0 && size <= kLargestSideFile) {
      int32_t want = static_cast<int32_t>(size);
      int32_t start = length();
      Resize(start + want);
      int64_t read = PlatformReadFile(file, data() + start, want);
      got = read < 0 ? 0 : read > want ? want : static_cast<int32_t>(read);
      // Keep what arrived; the rest of the grown text was never written.
      Resize(start + got);
    }
    PlatformCloseFile(file);
    Trace("side file %s: %d bytes", name, static_cast<int>(got));
    return;
  }
}

TextBuffer ConfigStore::ExecutablePath() const {
  return TextBuffer(exePath.data(), exePath.length());
}

TextBuffer ConfigStore::ExecutableDir() const {
  return TextBuffer(ExeDir.data(), ExeDir.length());
}
