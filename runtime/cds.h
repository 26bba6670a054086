// Class-data sharing managed by the launcher (configuration line "cds
// auto"): one archive per application and runtime in the user's cache
// folder, so that later starts map the classes an earlier start loaded.
// Nothing here may change what the application prints or how it ends: when
// in doubt, no option at all.
#ifndef ZOV_RUNTIME_CDS_H_
#define ZOV_RUNTIME_CDS_H_

#include "text/text.h"

class ConfigStore;
class JvmBridge;

// After every other option is on the bridge and before CreateVm: adds the
// archive options that suit the runtime library at libraryPath and, when
// the runtime is to write a new archive at exit, the exit hook that
// finishes it should the application call System.exit. A runtime the file
// carries, unpacked into the cache without its base archive, gets one
// made after this start (FinishClassDataSharing), with or without "cds
// auto"; this start adds no archive option.
void PrepareClassDataSharing(const ConfigStore& store, const char* libraryPath,
                             JvmBridge* bridge);

// Once CreateVm has returned result: true to go on. False when the
// runtime failed to start with the options added for the caches; this
// executable then ran once more without them (and later starts add none),
// and *status is how that ended.
bool StartedWithCaches(int result, int* status);

// Once the virtual machine has ended: an archive written at exit gets its
// final name, or is removed when the runtime wrote none. Safe to repeat.
void FinishClassDataSharing();

// First in a start: a process the launcher started to create an
// ahead-of-time cache (Java 25 and later) or a carried runtime's base
// archive does only that. Returns its exit
// status, or -1 for any other start. In the process it starts in turn, the
// runtime's own, CreatingCache holds: that one runs no application and
// shows nothing.
int CreateCache();
bool CreatingCache();

#endif  // ZOV_RUNTIME_CDS_H_
