#include "runtime/cds.h"

#include <stdlib.h>
#include <string.h>

#include "config/config_store.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/cache_names.h"
#include "runtime/class_path.h"
#include "runtime/jvm_bridge.h"
#include "runtime/packed_runtime.h"
#include "runtime/runtime_version.h"
#include "text/text.h"

// The archive the runtime writes at exit, named ...-PID.tmp; null when none.
static char* PendingArchive;

// Java 25 and later: the configuration a recording start writes at exit
// (...-PID.aotconf), the rejection log of a start that maps a cache
// (...-PID.log), and in the process that creates a cache its configuration.
static char* PendingRecord;
static char* PendingLog;
static char* CacheToWrite;

// The base archive to have made once this start has ended; null when none.
static char* PendingBase;
// The runtime maps it from beside its library without being told.
static const char kBaseArchive[] = "classes.jsa";

// APP-KEY.off, written should the runtime refuse to start with the options
// added here; null when none were added or the runtime has started.
static char* RefusalMark;

static const char* const kCreateVariable = "ZOV_AOT_CREATE";
static const char* const kWriteVariable = "ZOV_AOT_WRITE";
static const char* const kRefusedVariable = "ZOV_CACHES_REFUSED";
// Two trace lines say it.
static const char* const kRefused =
    "the runtime refused to start with its options";

// FNV-1a: names a cache entry, guards nothing.
__attribute__((noinline)) static uint32_t Hash(uint32_t hash, const void* data,
                                               size_t count) {
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

// The name with the file's size and time: a file replaced in place is new.
static uint32_t HashFile(uint32_t hash, const char* name) {
  int64_t stamp[2];
  if (!PlatformFileStamp(name, &stamp[0], &stamp[1])) stamp[0] = -1;
  return Hash(Hash(hash, name, strlen(name) + 1), stamp, sizeof stamp);
}

// The runtime says "AOTConfiguration recorded" on standard output, past
// any -Xlog setting.
static void AddQuietCacheOptions(JvmBridge* bridge) {
  bridge->AddOption("-XX:+UnlockDiagnosticVMOptions");
  bridge->AddOption("-XX:-DisplayVMOutput");
  bridge->AddOption("-Xlog:aot*=off");
}

static void JNICALL FinishAndExit(jint code) {
  FinishClassDataSharing();
  exit(code);
}

static void AddArchiveOption(JvmBridge* bridge, const char* option,
                             const TextBuffer& path) {
  bridge->AddOption("-Xlog:cds*=off");  // its warnings go to standard output
  TextBuffer text(option);
  text.Append(path);
  bridge->AddOption(text.c_str());
  Trace("cds: %s", text.c_str());
}

// The runtime refused to start with the options added for the caches:
// whatever this start had begun goes, the mark keeps later starts from
// adding them, and this executable runs once more without them, its
// status returned.
static int StartWithoutCaches(char* mark) {
  FinishClassDataSharing();
  bool marked = PlatformCreateNewFile(mark);
  Trace("cds: %s; marked %s: %d", kRefused, mark, marked);
  free(mark);
  PlatformSetEnvironment(kRefusedVariable, "1");
  // The relaunch neither claims the instance nor restarts: this process does.
  PlatformSetEnvironment(kRestartedVariable, "1");
  int status = PlatformStartSelf(true);
  PlatformSetEnvironment(kRefusedVariable, nullptr);
  PlatformSetEnvironment(kRestartedVariable, nullptr);
  return status < 0 ? 1 : status;
}

// The runtime ends the process itself when it refuses an option during its
// start ("Error occurred during initialization of VM"), calling this just
// before. Later (a crash), RefusalMark is null and it lets it.
static void JNICALL CachesRefused() {
  char* mark = RefusalMark;
  RefusalMark = nullptr;
  if (mark != nullptr) exit(StartWithoutCaches(mark));
}

// Whether the process that creates names the base archive (else a
// recording's configuration).
static bool NamesBaseArchive(const TextBuffer& record) {
  const int32_t n = sizeof kBaseArchive - 1;
  return record.length() > n &&
         strcmp(record.c_str() + record.length() - n, kBaseArchive) == 0;
}

// In the process that creates the ahead-of-time cache or the base archive:
// only that. The base goes without the application's options (its class
// path would be checked at every start).
static void AddCreationOptions(const char* libraryPath, JvmBridge* bridge) {
  TextBuffer record(CacheToWrite);
  if (NamesBaseArchive(record)) {
    // Never the application's options (one may pause the runtime, say).
    bridge->ClearOptions();
    // Only beside the library found again: otherwise the runtime starts
    // bare, writes nothing and ends.
    if (strncmp(libraryPath, CacheToWrite, record.length() - (sizeof kBaseArchive - 1)) != 0) {
      return;
    }
    bridge->AddOption("-Xshare:dump");
    AddArchiveOption(bridge, "-XX:SharedArchiveFile=", Concat(record, ".tmp"));
    return;
  }
  bridge->AddOption("-XX:AOTMode=create");
  AddQuietCacheOptions(bridge);
  AddArchiveOption(bridge, "-XX:AOTConfiguration=", record);
  record.Append(".tmp");
  AddArchiveOption(bridge, "-XX:AOTCache=", record);
}

// A runtime the file carries without its base archive (linked where the
// packer could not run it) gets one made on this machine by a process of
// its own once this start has ended. Until then no archive option is
// added: without a base the runtime refuses to write the application's.
static bool AwaitsBaseArchive(const char* libraryPath, JvmBridge* bridge) {
  if (!InCachedRuntime(libraryPath)) return false;
  TextBuffer archive(libraryPath);
  archive.Resize(static_cast<int32_t>(strrchr(archive.c_str(), kPathSeparator) + 1 -
                                      archive.c_str()));
  archive.Append(kBaseArchive);
  if (PlatformFileExists(archive.c_str())) return false;
  Trace("cds: no base archive %s", archive.c_str());
  PendingBase = HeapCopy(archive);
  bridge->SetExitHook(FinishAndExit);
  return true;
}

// The key: the runtime library and what an archive is checked against at
// a start (VM flags, the class path and its files), so that a change
// gives a new archive instead of one the runtime refuses. False when an
// option of the application's own already decides about archives.
static bool ArchiveKey(const char* libraryPath, const StringList& options,
                       uint32_t* key) {
  *key = HashFile(2166136261u, libraryPath);
  for (int32_t i = 0; i < options.Count(); ++i) {
    const char* option = options.Entry(i);
    if (strncmp(option, "-X", 2) == 0) {
      // -Xshare, -XX:SharedArchiveFile, -XX:-UseSharedSpaces, ...
      if (strstr(option, "hare") || strstr(option, "Archive")) {
        Trace("cds: off, set by %s", option);
        return false;
      }
      *key = Hash(*key, option, strlen(option) + 1);
    }
    if (strncmp(option, kClassPathOption, strlen(kClassPathOption)) != 0) {
      continue;
    }
    TextBuffer entries(option + strlen(kClassPathOption));
    char* entry = entries.CStr();
    for (char* end = entry; end != nullptr; entry = end + 1) {
      end = strchr(entry, kClassPathSeparator);
      if (end != nullptr) *end = 0;
      *key = HashFile(*key, entry);
    }
  }
  return true;
}

// What the cache folder holds for this application and key.
struct CacheFiles {
  TextBuffer found;        // a whole archive of Java 13 to 18; empty: none
  bool cached = false;     // APP-KEY-CPU.aot for this processor
  bool recording = false;  // a recording or a creation under way
};

// Lists the cache folder (path: the folder, then APP-KEY from directory
// on; APP- ends at application). Up to Java 18 the size in an archive's
// name tells a whole archive from a cut one, which the runtime would map
// and crash on. Cut ones, duplicates and those of this application's
// earlier keys (before an update) go.
static void SweepArchives(const TextBuffer& path, int32_t directory,
                          size_t application, int version, CacheFiles* files) {
  const char* own = path.c_str() + directory;
  size_t named = path.length() - directory;  // APP-KEY
  TextBuffer entry(path.c_str(), directory);
  TextBuffer whole;
  TextBuffer own_cache(path.c_str(), path.length());
  AppendCacheName(&own_cache);
  PlatformDirectory* listing = PlatformOpenDirectory(entry.c_str());
  const char* name;
  bool isDirectory;
  while (PlatformNextEntry(listing, &name, &isDirectory)) {
    size_t length = strlen(name);
    bool ours = strncmp(name, own, named) == 0;
    // A recording or a creation under way: its files stay.
    if (ours && strstr(name, ".aotconf")) files->recording = true;
    bool cache = length > 4 && strcmp(name + length - 4, ".aot") == 0;
    if (isDirectory || length < 4 ||
        (!cache && strcmp(name + length - 4, ".jsa") != 0) ||
        strncmp(name, own, application) != 0) {
      continue;
    }
    entry.Resize(directory);
    entry.Append(name);
    if (cache) {
      if (ours && length == named + 13) {
        // Another processor's stays for the machine that made it.
        files->cached = files->cached || CompareText(entry, own_cache.c_str()) == 0;
      } else {
        PlatformDeleteFile(entry.c_str());
      }
      continue;
    }
    whole.Assign(path.c_str(), path.length());
    int64_t stamp[2];
    if (version < 19 && PlatformFileStamp(entry.c_str(), &stamp[0], &stamp[1])) {
      AppendSizedArchive(&whole, static_cast<uint32_t>(stamp[0]));
    } else {
      whole.Append(".jsa");
    }
    if (files->found.length() == 0 && CompareText(entry, whole.c_str()) == 0) {
      files->found.Assign(entry.c_str(), entry.length());
    } else {
      PlatformDeleteFile(entry.c_str());
    }
  }
  PlatformCloseDirectory(listing);
}

// The options for what the folder holds; path is the folder and APP-KEY.
// False when it added none.
static bool ChooseMode(TextBuffer* path, const CacheFiles& files, int version,
                       JvmBridge* bridge) {
  int64_t stamp[2];
  bool archived =
      PlatformFileStamp(Concat(*path, ".jsa").c_str(), &stamp[0], &stamp[1]);
  if (files.cached) {
    // Mapped; what the runtime refuses goes into a log of this start.
    bridge->AddOption("-Xlog:aot*=off");
    TextBuffer cache(path->c_str(), path->length());
    AppendCacheName(&cache);
    AddArchiveOption(bridge, "-XX:AOTCache=", cache);
    AppendProcessName(path, ".log");
    PendingLog = HeapCopy(*path);
    // Quoted: a Windows path holds a ":", which -Xlog separates with.
    path->Append("\"::filecount=0");
    AddArchiveOption(bridge, "-Xlog:aot=error,cds=error:file=\"", *path);
    bridge->SetExitHook(FinishAndExit);
  } else if (version >= 25 && archived && !files.recording) {
    // The archive made the first start cheap; this one records for the
    // cache, which a process of its own creates once this one has ended.
    // Java 24 has the cache too, but not the "aot" log tag quieted here.
    AppendProcessName(path, ".aotconf");
    bridge->AddOption("-XX:AOTMode=record");
    AddQuietCacheOptions(bridge);
    AddArchiveOption(bridge, "-XX:AOTConfiguration=", *path);
    PendingRecord = HeapCopy(*path);
    bridge->SetExitHook(FinishAndExit);
  } else if (version >= 19) {
    // The runtime checks, rewrites and replaces its archive itself.
    Trace("cds: archive there: %d", archived);
    path->Append(".jsa");
    AddArchiveOption(bridge, "-XX:SharedArchiveFile=", *path);
    bridge->AddOption("-XX:+AutoCreateSharedArchive");
  } else if (files.found.length() != 0) {
    AddArchiveOption(bridge, "-XX:SharedArchiveFile=", files.found);
  } else {
    // A name of this process's own, so that simultaneous first starts each
    // write theirs; creating it first proves the folder writable.
    AppendProcessName(path, ".tmp");
    if (!PlatformCreateNewFile(path->c_str())) {
      Trace("cds: off, %s not writable", path->c_str());
      return false;
    }
    AddArchiveOption(bridge, "-XX:ArchiveClassesAtExit=", *path);
    bridge->SetExitHook(FinishAndExit);
    PendingArchive = HeapCopy(*path);
  }
  return true;
}

void PrepareClassDataSharing(const ConfigStore& store, const char* libraryPath,
                             JvmBridge* bridge) {
  if (CacheToWrite != nullptr) {
    AddCreationOptions(libraryPath, bridge);
    return;
  }
  if (AwaitsBaseArchive(libraryPath, bridge) ||
      CompareText(store.Lookup("cds", false), "auto") != 0) {
    return;
  }
  uint32_t key;
  if (!ArchiveKey(libraryPath, bridge->options(), &key)) return;
  int version = ReleaseJavaVersion(ReadReleaseVersion(libraryPath).c_str());
  TextBuffer path;
  if (version < 13) {
    Trace("cds: off, runtime %d", version);
    return;
  }
  if (!PlatformUserCacheFolder("cds", &path)) {
    Trace("cds: off, %s not writable", path.c_str());
    return;
  }
  int32_t directory = path.length();
  const TextBuffer& exe = store.exePath;
  AppendHex(&path, Hash(2166136261u, exe.c_str(), exe.length()));
  path.Append("-");
  size_t application = path.length() - directory;
  AppendHex(&path, key);
  TextBuffer mark = Concat(path, ".off");
  TextBuffer refused;
  if (PlatformGetEnvironment(kRefusedVariable, &refused)) {
    PlatformSetEnvironment(kRefusedVariable, nullptr);  // not the application's children
    Trace("cds: off, %s", kRefused);
    return;
  }
  if (PlatformFileExists(mark.c_str())) {
    Trace("cds: off, the runtime refused its options before (%s)", mark.c_str());
    return;
  }
  CacheFiles files;
  SweepArchives(path, directory, application, version, &files);
  if (ChooseMode(&path, files, version, bridge)) {
    // Should the runtime refuse these options, its reason goes to standard
    // error, not into the application's output.
    bridge->AddOption("-XX:+DisplayVMOutputToStderr");
    RefusalMark = HeapCopy(mark);
    bridge->SetAbortHook(CachesRefused);
  }
}

bool StartedWithCaches(int result, int* status) {
  char* mark = RefusalMark;
  RefusalMark = nullptr;
  if (result == 0 || mark == nullptr) {
    free(mark);
    return true;
  }
  *status = StartWithoutCaches(mark);
  return false;
}

// The file's size, 0 when it is missing.
static int64_t FileSize(const char* name) {
  int64_t stamp[2] = {0, 0};
  PlatformFileStamp(name, &stamp[0], &stamp[1]);
  return stamp[0];
}

// Starts this executable detached to create what record names (CreateCache).
static void StartCreating(const char* record) {
  if (PlatformSetEnvironment(kCreateVariable, record)) {
    PlatformStartSelf(false);
    // Not for a restart of the application that may follow.
    PlatformSetEnvironment(kCreateVariable, nullptr);
  }
}

void FinishClassDataSharing() {
  if (char* base = PendingBase) {
    PendingBase = nullptr;
    // The written file claims the work: one process makes it, and one
    // killed meanwhile leaves a claim that keeps later starts from trying.
    TextBuffer claim(base);
    claim.Append(".tmp");
    if (PlatformCreateNewFile(claim.c_str())) StartCreating(base);
    free(base);
  }
  if (PendingLog != nullptr) {
    if (FileSize(PendingLog) > 0) {
      // Refused: gone, so that the next start records a new one.
      TextBuffer cache(PendingLog);
      RemoveProcessName(&cache, ".log");
      AppendCacheName(&cache);
      PlatformDeleteFile(cache.c_str());
      Trace("cds: cache %s rejected", cache.c_str());
    }
    PlatformDeleteFile(PendingLog);
    PendingLog = nullptr;
  }
  if (PendingRecord != nullptr) {
    // The runtime writes the configuration as it ends.
    bool recorded = FileSize(PendingRecord) > 0;
    Trace("cds: recorded %s: %d", PendingRecord, recorded);
    if (recorded) {
      StartCreating(PendingRecord);
    } else {
      PlatformDeleteFile(PendingRecord);
    }
    PendingRecord = nullptr;
  }
  char* pending = PendingArchive;
  if (pending == nullptr) return;
  PendingArchive = nullptr;
  int64_t size = FileSize(pending);
  TextBuffer archive(pending);
  RemoveProcessName(&archive, ".tmp");
  AppendSizedArchive(&archive, static_cast<uint32_t>(size));
  // A rename is atomic: another start sees the whole archive or none.
  bool written = size != 0 && PlatformRenameFile(pending, archive.c_str());
  if (!written) PlatformDeleteFile(pending);
  Trace("cds: archive written: %d", written);
  free(pending);
}

bool CreatingCache() { return CacheToWrite != nullptr; }

int CreateCache() {
  TextBuffer record;
  if (PlatformGetEnvironment(kWriteVariable, &record)) {
    PlatformSetEnvironment(kWriteVariable, nullptr);
    CacheToWrite = HeapCopy(record);
    return -1;
  }
  if (!PlatformGetEnvironment(kCreateVariable, &record)) return -1;
  bool base = NamesBaseArchive(record);
  // Started detached once a start has ended: the runtime writes in a
  // process of its own, to a name of its own until the file is whole, so
  // that no start maps it half-written.
  PlatformSetEnvironment(kCreateVariable, nullptr);
  PlatformSetEnvironment(kWriteVariable, record.c_str());
  PlatformSetEnvironment(kRestartedVariable, "1");
  int status = PlatformStartSelf(true);
  TextBuffer written = Concat(record, ".tmp");
  TextBuffer cache(record.c_str(), record.length());
  if (!base) {
    RemoveProcessName(&cache, ".aotconf");
    AppendCacheName(&cache);
  }
  bool created = status == 0 && FileSize(written.c_str()) > 0 &&
                 PlatformRenameFile(written.c_str(), cache.c_str());
  Trace("cds: created %s: %d", cache.c_str(), created);
  PlatformDeleteFile(written.c_str());
  if (!base) PlatformDeleteFile(record.c_str());
  return created ? 0 : 1;
}
