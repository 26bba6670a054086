// One launch: the virtual machine's options, the runtime, the version gate
// and the application's main, with one message box for any failure.
#ifndef ZOV_LAUNCHER_RUN_APPLICATION_H_
#define ZOV_LAUNCHER_RUN_APPLICATION_H_

class ConfigStore;
class JvmBridge;

// Set by the entry point for the span of the launch; only RunApplication
// reads them.
extern ConfigStore* ActiveConfigStore;
extern JvmBridge* ActiveJvmBridge;

// Runs the configured application with the arguments after the program
// name. Reports every failure itself; returns when main has returned or the
// message box has been closed. The virtual machine is left for Shutdown.
// The exit status: the failure's LaunchError code, 1 when main threw, else 0.
int RunApplication(int argumentCount, char** arguments);

#endif  // ZOV_LAUNCHER_RUN_APPLICATION_H_
