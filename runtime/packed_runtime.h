// The Java runtime a packed file carries (source "r" of the runtime
// search), in the format of runtime/payload_format.h, and the application's
// jars, libraries and files, which the same code unpacks the same way,
// each in a cache folder of its own.
#ifndef ZOV_RUNTIME_PACKED_RUNTIME_H_
#define ZOV_RUNTIME_PACKED_RUNTIME_H_

#include <stdint.h>

#include "runtime/inflate.h"
#include "text/text.h"

class ConfigStore;

enum PayloadKinds {
  kRuntimePayload,
  kLibPayload,
  kNativePayload,
  kFilesPayload,
  kPayloadKinds
};

// The home of the file's runtime, unpacked when needed: the user's cache
// folder zov/runtimes/KEY, checked against the entry list on every start
// and unpacked again once when a file is missing or of the wrong size;
// each unpacking goes into a folder of this process's own beside it, then
// one rename. When the cache cannot take it, a folder under the system's
// temporary folder, removed by FinishPackedRuntime. The start holds the
// folder it returns (PlatformHoldFolder); one that unpacks removes what no
// start holds: copies unused for 30 days, leftovers a day old. The empty text when
// the file carries no runtime or it could not be unpacked (then
// PackedRuntimeFailed holds).
TextBuffer PackedRuntimeHome(const ConfigStore& store);

bool PackedRuntimeFailed();

// Whether path lies in the file's runtime as unpacked into the user's
// cache, which stays (a temporary folder goes at exit).
bool InCachedRuntime(const char* path);

// Unpacks the application's jars, libraries and files the file carries as
// the runtime is unpacked (zov/libs, zov/natives, zov/files), sets ZOV_LIB,
// ZOV_NATIVE and ZOV_FILES to their folders (no trailing separator; unset
// for what it does not carry), appends each class-path entry after a
// separator to classPath and names the native folder in native. Success,
// or CarriedUnpackFailed when one could be unpacked nowhere.
int UnpackCarriedFiles(const ConfigStore& store, TextBuffer* classPath,
                       TextBuffer* native);

// Whether a payload was unpacked into the temporary folder, which
// FinishPackedRuntime must remove at exit, System.exit included.
bool PackedRuntimeTemporary();

// At exit: removes what was unpacked into the temporary folder.
void FinishPackedRuntime();

// Decodes a payload from reader into the folder home (ending in a
// separator), which must not exist. False when the payload is damaged,
// its Adler-32 is not adler, or a file cannot be written; what was
// written is left for the caller to remove. With check, writes nothing:
// true when every entry of the list is under home, files of their size.
// jars, when given, receives the paths of the class-path entries in list
// order.
bool ReadPayload(InflateReader reader, void* context, uint32_t adler,
                 const char* home, bool check, StringList* jars = nullptr);

// A path of an entry that stays below the home: not empty, no empty, "."
// or ".." part, no "\" or ":".
bool SafeEntryPath(const char* path);

// Removes a folder (path ends in a separator) and all it holds, as far
// as the system lets it.
void RemoveTree(const char* path);

#endif  // ZOV_RUNTIME_PACKED_RUNTIME_H_
