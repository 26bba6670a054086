// The few operating-system services the launcher needs, in its own terms.
// Exactly one implementation is compiled: platform_win32.cpp makes the Win32
// calls by name; platform_posix.cpp gives the same meaning on Linux. No
// system header is included here. Functions return what the underlying calls
// return (a handle or null, true or false), never text of their own.
#ifndef ZOV_PLATFORM_PLATFORM_H_
#define ZOV_PLATFORM_PLATFORM_H_

#include <stddef.h>
#include <stdint.h>

// Code-page conversion and running out of memory, which text/ needs.
#include "text/system_text.h"

class TextBuffer;

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr char kClassPathSeparator = ';';
inline constexpr const char kRuntimeLibraryName[] = "jvm.dll";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr char kClassPathSeparator = ':';
inline constexpr const char kRuntimeLibraryName[] = "libjvm.so";
#endif

// Size of the fixed buffers that receive path results from the system.
inline constexpr int kMaxPath = 260;

// --- The process.
// Both fill a kMaxPath buffer with a NUL-terminated string and return its
// length; on failure or truncation they return 0 and leave "" in it.
int PlatformModuleFileName(char* buffer, int size);
int PlatformCurrentDirectory(char* buffer, int size);

// Looks the variable up without regard to case, an exact match first.
// Returns false when it is undefined; true and its value (possibly empty)
// in *value otherwise.
bool PlatformGetEnvironment(const char* name, TextBuffer* value);
// Defines or replaces the variable for this process and the processes it
// starts; a null value removes it. False when the system refuses.
bool PlatformSetEnvironment(const char* name, const char* value);
unsigned long PlatformProcessId();
// The system's code of the last failed call (errno, GetLastError).
unsigned long PlatformLastError();
// Milliseconds from some fixed moment, for measuring how long work took.
uint32_t PlatformTickCount();
// Changes the current directory; false when it is no directory.
bool PlatformSetCurrentDirectory(const char* path);

// This executable again, with the command line and environment of this
// process. wait: returns its exit status (on Linux 128 + the signal that
// ended it). Otherwise it runs detached, without this process's standard
// streams, console or session, and 0 says it started. -1 when it could not
// be started.
int PlatformStartSelf(bool wait);

// Tells a process started again that the one waiting for it did the
// one-time work; removed at once, so the application's own children never
// see it.
inline constexpr const char* kRestartedVariable = "ZOV_RESTARTED";

// Claims name for this process until it ends, through an object the system
// drops with the process, so that a crash leaves nothing behind. 1: claimed,
// or the system cannot tell; 0: another process holds it and its top window
// was brought forward (Windows only); -1: another process holds it.
int PlatformClaimInstance(const char* name);

// --- A later start hands its arguments to the process that claimed name,
// over a channel that only the same user's processes can reach. Every wait
// is bounded by a deadline in PlatformTickCount milliseconds.
struct PlatformChannel;
// Called by the process that claimed name: makes the endpoint later starts
// connect to, from now to the end of the process. False when it cannot.
bool PlatformListenInstance(const char* name);
// The next start that connected, of this user only; null once the endpoint
// is gone or was never made.
PlatformChannel* PlatformAcceptInstance();
// Connects to the process that holds name (PlatformClaimInstance said
// another one does), trying until deadline. Null when none answers in time
// or the one that answers is not that process or not this user's.
PlatformChannel* PlatformConnectInstance(const char* name, uint32_t deadline);
// Exactly count bytes; false when the peer closed, failed or was too slow.
bool PlatformReceive(PlatformChannel* channel, void* data, int32_t count,
                     uint32_t deadline);
bool PlatformSend(PlatformChannel* channel, const void* data, int32_t count,
                  uint32_t deadline);
void PlatformCloseChannel(PlatformChannel* channel);

// Runs function on a new thread of its own; false when none can start.
bool PlatformStartThread(void (*function)());

// --- Files.
// Find-first semantics: directories exist too, and a name with wildcards
// exists when some entry matches it.
bool PlatformFileExists(const char* name);

// The absolute path of an existing file with every link resolved. False
// when it cannot be resolved.
bool PlatformRealPath(const char* name, TextBuffer* resolved);

// Opened for reading, shared with readers and writers. Null when the file
// is missing, cannot be opened, or is a directory.
struct PlatformFile;
PlatformFile* PlatformOpenFile(const char* name);
// -1 when the size cannot be measured.
int64_t PlatformFileSize(PlatformFile* file);
// One read; returns the number of bytes delivered (possibly fewer).
int64_t PlatformReadFile(PlatformFile* file, void* buffer, int64_t count);
void PlatformCloseFile(PlatformFile* file);

// Opened for appending, created when missing, shared with readers and
// writers; on Linux "-" stands for a duplicate of standard error. Null
// when it cannot be opened.
PlatformFile* PlatformOpenAppend(const char* name);
// Appends count bytes at the end of the file, as one write. False when not
// all of them could be written (a full disk).
bool PlatformWriteFile(PlatformFile* file, const void* data, int32_t count);

// A read-only mapping of the last tailBytes of a file (all of a shorter
// one): data points at the first of those size bytes. Only the tail is
// mapped, so a file of any size needs no more address space than that.
// Null data (and size 0) when the file cannot be opened, sized or mapped;
// every handle is released in that case.
struct PlatformMappedFile {
  const unsigned char* data;
  int64_t size;
  void* view;
  int64_t viewSize;
  void* handles[2];
};
bool PlatformMapFileTail(const char* name, int64_t tailBytes,
                         PlatformMappedFile* mapped);
void PlatformUnmapFile(PlatformMappedFile* mapped);

// Size and last modification time (milliseconds since 1970-01-01 UTC) of a
// file or directory; false when it cannot be read.
bool PlatformFileStamp(const char* name, int64_t* size, int64_t* time);
// Creates one directory; true also when a directory of that name exists.
bool PlatformMakeDirectory(const char* name);
// Creates an empty file that must not exist yet; false when it does or the
// directory is not writable.
bool PlatformCreateNewFile(const char* name);
// Renames from to to, replacing an existing to where the system allows.
bool PlatformRenameFile(const char* from, const char* to);
// Removes a file, also a read-only one.
bool PlatformDeleteFile(const char* name);
// A hash of the processor's make, model and instruction-set features: two
// machines that give the same run the same machine code. 0 when unknown.
uint32_t PlatformProcessorIdentity();
// Moves a file opened for reading to offset from its start.
bool PlatformSeekFile(PlatformFile* file, int64_t offset);
// Creates a file for writing that must not exist yet; on Linux executable
// when asked. Null when it exists or cannot be created.
PlatformFile* PlatformCreateFile(const char* name, bool executable);
// Removes an empty directory.
bool PlatformRemoveDirectory(const char* name);

// Enumerates the entries of a directory (D + "*.*" on Windows), in the file
// system's order. Null when the directory cannot be read.
struct PlatformDirectory;
PlatformDirectory* PlatformOpenDirectory(const char* directory);
// False at the end. *name stays valid until the next call. Both take the
// null of a folder that could not be listed: no entries, nothing to close.
bool PlatformNextEntry(PlatformDirectory* dir, const char** name,
                       bool* isDirectory);
void PlatformCloseDirectory(PlatformDirectory* dir);

// --- Registry (HKEY_LOCAL_MACHINE, KEY_READ): opens subKey, queries one
// value into buffer (*size in: capacity, out: bytes stored) and closes the
// key at once. False on any failure; always false where there is none.
bool PlatformQueryRegistryValue(const char* subKey, const char* valueName,
                                unsigned char* buffer, unsigned long* size);

// --- Dynamic libraries. The runtime library's own directory and its parent
// are searched first for its dependencies, the current directory never;
// the process's search order is restored once the library is loaded.
void* PlatformLoadLibrary(const char* path);
void* PlatformFindSymbol(void* library, const char* name);
void PlatformFreeLibrary(void* library);

// --- The message table and the user interface.
// String-table block `block` (1-based) of the executable in the user's
// language: its UTF-16 data and size in bytes. False when there is none.
bool PlatformStringBlock(unsigned block, const uint16_t** data,
                         int* sizeInBytes);
// One warning box with an OK button and no owner; returns when closed.
// On Linux and in the Windows console launcher one line on standard error.
void PlatformMessageBox(const char* text, const char* caption);

// --- Folders the launcher keeps its caches in, each ending in a separator.
// The base of the user's caches: %LOCALAPPDATA% on Windows; on Linux
// $XDG_CACHE_HOME when it is absolute, else ~/.cache. False when the
// environment names none.
bool PlatformCacheHome(TextBuffer* dir);
// The user's cache folder zov/name below that base, created when missing;
// false when it cannot be made.
bool PlatformUserCacheFolder(const char* name, TextBuffer* dir);
// The system's temporary folder: %TEMP% on Windows; on Linux $TMPDIR when
// it is set and not empty, else /tmp. Replaces what dir held.
void PlatformTemporaryFolder(TextBuffer* dir);

// --- The runtime cache's in-use test. A start holds the folder it runs
// from: its lock file zov.lock (created when missing) stays open for the
// rest of the process, shared, with its modification time now (the mark of
// last use). A start holds one folder in each of kHoldSlots slots (one per
// kind of payload); holding one lets go of the slot's folder before, null
// only lets go.
const int kHoldSlots = 4;
bool PlatformHoldFolder(int slot, const char* folder);
// Renames folder to aside unless a process holds it (Linux: the lock file
// cannot be taken exclusively; Windows: an open file inside refuses the
// rename).
bool PlatformMoveUnused(const char* folder, const char* aside);

// Windows: the application's native libraries' folder, where the DLLs they
// need are searched too (after the program's own folder). Elsewhere a
// library names its own search path, so this does nothing.
void PlatformLibraryFolder(const char* folder);

#endif  // ZOV_PLATFORM_PLATFORM_H_
