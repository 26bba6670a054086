#include "runtime/packed_runtime.h"

#include <stdlib.h>
#include <string.h>

#include "config/config_store.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/class_path.h"
#include "runtime/launch_error.h"
#include "runtime/payload_format.h"
#include "text/format_text.h"

namespace {

// What a file may carry, by kind: the line naming it, its cache folder,
// its temporary folders' prefix, its name in the trace and the variable
// the launcher sets to its unpacked folder.
struct PayloadKind {
  const char* line;
  const char* cache;
  const char* temporary;
  const char* label;
  const char* variable;
};
const PayloadKind kKinds[kPayloadKinds] = {
    {kPackedRuntimeKey, "runtimes", "zov-runtime-", "runtime r", nullptr},
    {kPackedLibKey, "libs", "zov-lib-", kPackedLibKey, "ZOV_LIB"},
    {kPackedNativeKey, "natives", "zov-native-", kPackedNativeKey, "ZOV_NATIVE"},
    {kPackedFilesKey, "files", "zov-files-", kPackedFilesKey, "ZOV_FILES"},
};

// Set when the file's runtime could be unpacked nowhere.
bool UnpackFailed;
// The runtime's home in the cache; null when it is elsewhere or none.
char* CachedRuntimeHome;
// Homes under the temporary folder, removed at exit; null when none.
char* TemporaryHomes[kPayloadKinds];

const uint32_t kMaxList = 1 << 26;  // far more than any runtime's file list
const char kEntryKinds[] = {kPayloadFolder, kPayloadFile, kPayloadExecutable,
                            kPayloadClassPath, 0};

struct Unpacker {
  bool check = false;
  bool broken = false;  // damaged, or a write failed
  ByteBuffer list;      // the magic, the list's length, the entries
  int32_t listEnd = 0;  // 0 until the length is read
  int32_t next = 0;     // the next entry in list
  TextBuffer path;      // the home, then the path of the current entry
  int32_t homeLength = 0;
  PlatformFile* out = nullptr;
  uint64_t left = 0;  // bytes still due to out
  uint32_t adler = 1;
  StringList* jars = nullptr;  // receives the class-path entries' paths
};

uint64_t LoadLittle(const char* p, int count) {
  uint64_t value = 0;
  while (count-- > 0) value = value << 8 | static_cast<unsigned char>(p[count]);
  return value;
}

// The entry at next into path, its kind and size; 0 when the list is
// damaged there.
char ReadListEntry(Unpacker* u, uint64_t* size) {
  const char* p = u->list.data() + u->next;
  int32_t room = u->listEnd - u->next;
  const char* path = p + kPayloadEntryHeadSize;
  const char* nul = room > kPayloadEntryHeadSize
                        ? static_cast<const char*>(
                              memchr(path, 0, room - kPayloadEntryHeadSize))
                        : nullptr;
  if (nul == nullptr || !SafeEntryPath(path) || p[0] == 0 ||
      strchr(kEntryKinds, p[0]) == nullptr) {
    return 0;
  }
  *size = LoadLittle(p + 1, 8);
  if (p[0] == kPayloadClassPath && u->jars != nullptr) u->jars->Add(path);
  // Windows takes "/" in paths as "\".
  u->path.Resize(u->homeLength);
  u->path.Append(path);
  u->next = static_cast<int32_t>(nul + 1 - u->list.data());
  return p[0];
}

// Creates entries up to the next file that has bytes to come, and opens it.
bool OpenNextEntry(Unpacker* u) {
  while (u->next < u->listEnd) {
    char kind = ReadListEntry(u, &u->left);
    if (kind == 0) return false;
    if (kind == kPayloadFolder) {
      if (!PlatformMakeDirectory(u->path.c_str())) return false;
      continue;
    }
    u->out = PlatformCreateFile(u->path.c_str(), kind == kPayloadExecutable);
    if (u->out == nullptr) return false;
    if (u->left != 0) return true;
    PlatformCloseFile(u->out);
    u->out = nullptr;
  }
  return true;
}

bool WriteEntries(Unpacker* u, const unsigned char* data, int count) {
  while (count > 0) {
    if (u->listEnd == 0 || u->list.length() < u->listEnd) {
      int32_t want = (u->listEnd == 0 ? kPayloadHeaderSize : u->listEnd) -
                     u->list.length();
      int32_t n = count < want ? count : want;
      u->list.Append(reinterpret_cast<const char*>(data), n);
      data += n;
      count -= n;
      if (u->listEnd == 0 && u->list.length() == kPayloadHeaderSize) {
        uint64_t length = LoadLittle(u->list.data() + kPayloadMagicSize, 4);
        if (memcmp(u->list.data(), kPayloadMagic, kPayloadMagicSize) != 0 ||
            length > kMaxList) {
          return false;
        }
        u->listEnd = kPayloadHeaderSize + static_cast<int32_t>(length);
        u->next = kPayloadHeaderSize;
      }
      if (u->list.length() == u->listEnd) {
        if (u->check) return false;  // the list is all it needs
        if (!PlatformMakeDirectory(u->path.c_str()) || !OpenNextEntry(u)) {
          return false;
        }
      }
      continue;
    }
    // Bytes beyond the last file are damage too.
    int n = u->left < static_cast<uint64_t>(count) ? static_cast<int>(u->left)
                                                   : count;
    if (u->out == nullptr || !PlatformWriteFile(u->out, data, n)) return false;
    data += n;
    count -= n;
    u->left -= static_cast<uint64_t>(n);
    if (u->left == 0) {
      PlatformCloseFile(u->out);
      u->out = nullptr;
      if (!OpenNextEntry(u)) return false;
    }
  }
  return true;
}

bool TakeOutput(void* context, const unsigned char* data, int count) {
  Unpacker* u = static_cast<Unpacker*>(context);
  u->adler = Adler32(u->adler, data, count);
  if (WriteEntries(u, data, count)) return true;
  u->broken = !u->check || u->listEnd == 0;
  return false;
}

bool CheckEntries(Unpacker* u) {
  while (u->next < u->listEnd) {
    uint64_t size;
    int64_t stamp[2];
    char kind = ReadListEntry(u, &size);
    if (kind == 0 || !PlatformFileStamp(u->path.c_str(), &stamp[0], &stamp[1]) ||
        (kind != kPayloadFolder && static_cast<uint64_t>(stamp[0]) != size)) {
      Trace("payload %s missing or cut", u->path.c_str());
      return false;
    }
  }
  return true;
}

struct FileReader {
  PlatformFile* file;
  int64_t left;
};

int ReadPart(void* context, unsigned char* buffer, int size) {
  FileReader* r = static_cast<FileReader*>(context);
  if (r->left < size) size = static_cast<int>(r->left);
  int64_t got = PlatformReadFile(r->file, buffer, size);
  r->left -= got;
  return static_cast<int>(got);
}

// What a payload's line says, and of what kind it is.
struct PayloadLine {
  int64_t offset, length, adler;
  const char* key;
  const PayloadKind* kind;
  StringList* jars;
};

// A decimal number and the space after it.
const char* ReadNumber(const char* p, int64_t* value) {
  *value = 0;
  const char* start = p;
  for (; *p >= '0' && *p <= '9' && *value < (int64_t{1} << 50); ++p) {
    *value = *value * 10 + (*p - '0');
  }
  return p != start && *p == ' ' ? p + 1 : nullptr;
}

// Reads the payload from the executable into home (a check only, with
// check).
bool FromExecutable(const ConfigStore& store, const PayloadLine& payload,
                    const TextBuffer& home, bool check) {
  FileReader reader = {PlatformOpenFile(store.exePath.c_str()),
                       payload.length};
  if (reader.file == nullptr) return false;
  bool ok = PlatformSeekFile(reader.file, payload.offset) &&
            ReadPayload(ReadPart, &reader, static_cast<uint32_t>(payload.adler),
                        home.c_str(), check, payload.jars);
  PlatformCloseFile(reader.file);
  return ok;
}

// Unpacks into *home: path + this process's id + separator, a folder no
// other start uses.
bool UnpackInto(const ConfigStore& store, const PayloadLine& payload,
                const TextBuffer& path, TextBuffer* home) {
  // Cut short it would name some other folder, which is removed below.
  if (!FormatText(home, "%s%lu%c", path.c_str(), PlatformProcessId(),
                  kPathSeparator)) {
    Trace("%s: path too long: %s", payload.kind->label, path.c_str());
    return false;
  }
  uint32_t start = PlatformTickCount();
  RemoveTree(home->c_str());  // of a killed start whose id this one has
  if (FromExecutable(store, payload, *home, false)) {
    Trace("%s: unpacked into %s in %u ms", payload.kind->label, home->c_str(),
          static_cast<unsigned>(PlatformTickCount() - start));
    return true;
  }
  Trace("%s: cannot unpack into %s: system error %lu", payload.kind->label,
        home->c_str(), PlatformLastError());
  RemoveTree(home->c_str());
  return false;
}

const int64_t kDay = 86400000;  // in the milliseconds of PlatformFileStamp

// Removes folder (ends in a separator) unless a start runs from it. It is
// renamed first, to NAME.0 (a leftover's name if this start is killed),
// so that no start sees half of it.
bool RemoveUnused(const TextBuffer& folder) {
  TextBuffer aside(folder.c_str(), folder.length() - 1);
  aside.Append(".0");
  aside.Append(&kPathSeparator, 1);
  if (!PlatformMoveUnused(folder.c_str(), aside.c_str())) return false;
  RemoveTree(aside.c_str());
  return true;
}

// Removes from path (ends in a separator) the folders killed starts left,
// a day after they were last used, and in a cache folder (no prefix) the
// copies not used for 30 days, but not KEY's own. now is the stamp of
// the folder this start just unpacked.
void Sweep(TextBuffer* folder, const char* prefix, const char* key, int64_t now) {
  TextBuffer& path = *folder;
  int32_t length = path.length();
  PlatformDirectory* listing = PlatformOpenDirectory(path.c_str());
  const char* name;
  bool isDirectory;
  while (PlatformNextEntry(listing, &name, &isDirectory)) {
    size_t n = strlen(name);
    bool copy = prefix == nullptr && n == 32 && strcmp(name, key) != 0;
    bool leftover = prefix == nullptr ? n > 33 && name[32] == '.'
                                      : strncmp(name, prefix, strlen(prefix)) == 0;
    if (!isDirectory || !(copy || leftover)) continue;
    path.Resize(length);
    path.Append(name);
    path.Append(&kPathSeparator, 1);
    int32_t end = path.length();
    // The mark a start leaves; a folder no start held yet has its own time.
    path.Append("zov.lock");
    int64_t size, time;
    bool stamped = PlatformFileStamp(path.c_str(), &size, &time);
    path.Resize(end);
    if ((stamped || PlatformFileStamp(path.c_str(), &size, &time)) &&
        time < now - (copy ? 30 * kDay : kDay) && RemoveUnused(path)) {
      Trace("payload %s removed, unused", path.c_str());
    }
  }
  PlatformCloseDirectory(listing);
}

// After an unpacking into own (rare, and slower than any listing): what
// earlier starts left in the cache and the temporary folder.
void SweepAfterUnpacking(const TextBuffer& own, const PayloadLine& payload) {
  int64_t size, now;
  TextBuffer folder;
  if (!PlatformFileStamp(own.c_str(), &size, &now)) return;
  if (PlatformUserCacheFolder(payload.kind->cache, &folder)) {
    Sweep(&folder, nullptr, payload.key, now);
  }
  PlatformTemporaryFolder(&folder);
  Sweep(&folder, payload.kind->temporary, payload.key, now);
}

TextBuffer CachedHome(const ConfigStore& store, const PayloadLine& payload) {
  TextBuffer home;
  const int slot = static_cast<int>(payload.kind - kKinds);
  if (!PlatformUserCacheFolder(payload.kind->cache, &home)) {
    Trace("%s: no cache folder %s: system error %lu", payload.kind->label,
          home.c_str(), PlatformLastError());
    return TextBuffer();
  }
  home.Append(payload.key);
  home.Append(&kPathSeparator, 1);
  // Held before the check: no sweep takes the copy away after it.
  if (PlatformHoldFolder(slot, home.c_str()) &&
      FromExecutable(store, payload, home, true)) {
    Trace("%s: reused %s", payload.kind->label, home.c_str());
    return home;
  }
  PlatformHoldFolder(slot, nullptr);
  TextBuffer key(home.c_str(), home.length() - 1);
  key.Append(".");
  TextBuffer own;  // KEY.PID, beside KEY
  if (!UnpackInto(store, payload, key, &own)) return TextBuffer();
  SweepAfterUnpacking(own, payload);
  // The jars are those the unpacking listed, whatever these checks see.
  PayloadLine check = payload;
  check.jars = nullptr;
  // A damaged copy goes unless a start runs from it; one another start put
  // in place first stays.
  if (!FromExecutable(store, check, home, true)) RemoveUnused(home);
  if (!PlatformRenameFile(own.c_str(), home.c_str()) &&
      !FromExecutable(store, check, home, true)) {
    Trace("%s: cannot rename %s: system error %lu", payload.kind->label,
          own.c_str(), PlatformLastError());
    PlatformHoldFolder(slot, own.c_str());
    return own;
  }
  RemoveTree(own.c_str());  // when another start's copy came first
  PlatformHoldFolder(slot, home.c_str());
  return home;
}

// The home of the payload of kind (*home empty when the file carries
// none); false when it could be unpacked nowhere.
bool PayloadHome(const ConfigStore& store, int kind, StringList* jars,
                 TextBuffer* home) {
  PayloadLine payload;
  payload.kind = &kKinds[kind];
  payload.jars = jars;
  TextBuffer line = store.Lookup(payload.kind->line, true);
  home->Clear();
  if (line.length() == 0) {
    Trace("%s: none in the file", payload.kind->label);
    return true;
  }
  const char* p = ReadNumber(line.c_str(), &payload.offset);
  if (p) p = ReadNumber(p, &payload.length);
  if (p) p = ReadNumber(p, &payload.adler);
  bool hex = p != nullptr && strlen(p) == kPayloadKeyDigits;
  for (int i = 0; hex && i < kPayloadKeyDigits; ++i) {
    hex = (p[i] >= '0' && p[i] <= '9') || (p[i] >= 'a' && p[i] <= 'f');
  }
  if (!hex) {
    Trace("%s: %s \"%s\" not read", payload.kind->label, payload.kind->line,
          line.c_str());
    return false;
  }
  payload.key = p;
  *home = CachedHome(store, payload);
  if (home->length() != 0) return true;
  TextBuffer temporary;
  PlatformTemporaryFolder(&temporary);
  temporary.Append(payload.kind->temporary);
  if (UnpackInto(store, payload, temporary, home)) {
    PlatformHoldFolder(kind, home->c_str());
    SweepAfterUnpacking(*home, payload);
    TemporaryHomes[kind] = HeapCopy(*home);
    return true;
  }
  home->Clear();
  return false;
}

}  // namespace

bool SafeEntryPath(const char* path) {
  if (strchr(path, '\\') != nullptr || strchr(path, ':') != nullptr) return false;
  for (const char* part = path;; ++part) {
    const char* end = strchr(part, '/');
    size_t n = end ? static_cast<size_t>(end - part) : strlen(part);
    if (n == 0 || (part[0] == '.' && (n == 1 || (n == 2 && part[1] == '.')))) {
      return false;
    }
    if (end == nullptr) return true;
    part = end;
  }
}

bool ReadPayload(InflateReader reader, void* context, uint32_t adler,
                 const char* home, bool check, StringList* jars) {
  Unpacker u;
  u.check = check;
  u.jars = jars;
  if (jars != nullptr) jars->Clear();
  u.path.Assign(home);
  u.homeLength = u.path.length();
  InflateResult result = Inflate(reader, context, TakeOutput, &u);
  bool ok = !u.broken && u.listEnd != 0;
  if (check) {
    ok = ok && result == InflateStopped && CheckEntries(&u);
  } else {
    ok = ok && result == InflateDone && u.out == nullptr &&
         u.list.length() == u.listEnd && u.next == u.listEnd && u.adler == adler;
  }
  if (u.out != nullptr) PlatformCloseFile(u.out);
  return ok;
}

// path ends in a separator; one buffer for the whole walk.
static void RemoveAll(TextBuffer* path) {
  int32_t length = path->length();
  PlatformDirectory* listing = PlatformOpenDirectory(path->c_str());
  const char* name;
  bool isDirectory;
  while (PlatformNextEntry(listing, &name, &isDirectory)) {
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
    path->Resize(length);
    path->Append(name);
    if (isDirectory) {
      path->Append(&kPathSeparator, 1);
      RemoveAll(path);
    } else {
      PlatformDeleteFile(path->c_str());
    }
  }
  PlatformCloseDirectory(listing);
  path->Resize(length);
  PlatformRemoveDirectory(path->c_str());
}

void RemoveTree(const char* path) {
  TextBuffer folder(path);
  RemoveAll(&folder);
}

TextBuffer PackedRuntimeHome(const ConfigStore& store) {
  TextBuffer home;
  UnpackFailed = !PayloadHome(store, kRuntimePayload, nullptr, &home);
  if (home.length() != 0 && TemporaryHomes[kRuntimePayload] == nullptr) {
    CachedRuntimeHome = HeapCopy(home);
  }
  return home;
}

int UnpackCarriedFiles(const ConfigStore& store, TextBuffer* classPath,
                       TextBuffer* native) {
  StringList jars;
  TextBuffer home;
  for (int kind = kRuntimePayload + 1; kind < kPayloadKinds; ++kind) {
    if (!PayloadHome(store, kind, &jars, &home)) return CarriedUnpackFailed;
    // Not one a launcher that started this one set.
    if (home.length() == 0) {
      PlatformSetEnvironment(kKinds[kind].variable, nullptr);
      continue;
    }
    AppendClassPathNames(classPath, home, jars);
    home.Resize(home.length() - 1);  // %ZOV_FILES%\name reads as a path
    PlatformSetEnvironment(kKinds[kind].variable, home.c_str());
    if (kind == kNativePayload) native->Assign(home.c_str());
  }
  return Success;
}

bool PackedRuntimeFailed() { return UnpackFailed; }

bool InCachedRuntime(const char* path) {
  return CachedRuntimeHome != nullptr &&
         strncmp(path, CachedRuntimeHome, strlen(CachedRuntimeHome)) == 0;
}

bool PackedRuntimeTemporary() {
  for (char* home : TemporaryHomes) {
    if (home != nullptr) return true;
  }
  return false;
}

void FinishPackedRuntime() {
  for (int kind = 0; kind < kPayloadKinds; ++kind) {
    char*& home = TemporaryHomes[kind];
    if (home == nullptr) continue;
    PlatformHoldFolder(kind, nullptr);  // its open lock file would stay
    RemoveTree(home);
    free(home);
    home = nullptr;
  }
}
