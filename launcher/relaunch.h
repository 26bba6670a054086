// What a start script did around an application: one running instance per
// name, and a new start when the application ends with a status that asks
// for one (after an update, say).
#ifndef ZOV_LAUNCHER_RELAUNCH_H_
#define ZOV_LAUNCHER_RELAUNCH_H_

class ConfigStore;
class StringList;

// Restarts in a row at most, so that an application that always ends with
// restart_status cannot keep starting for ever.
inline constexpr int kMaxRestarts = 5;

// First in a launch: reads restart_status and single_instance. A start
// that Relaunch made neither claims the instance (the process waiting for
// it holds the claim) nor restarts (that process does). Returns Success to go on, AlreadyRunning,
// or -1 when the running instance's window was brought forward or took
// arguments (the fixed ones first) through its instance_handler.
int PrepareRelaunch(const ConfigStore& store, const StringList& arguments);

// Whether a System.exit status must come back through Relaunch.
bool RestartConfigured();

// The application itself ended (not a launch failure): its status may
// restart it.
void NoteApplicationRan();

// Once the application and its virtual machine have ended with status:
// while it is restart_status, starts this executable again with the same
// command line and waits for it. Returns the status to exit with.
int Relaunch(int status);

#endif  // ZOV_LAUNCHER_RELAUNCH_H_
