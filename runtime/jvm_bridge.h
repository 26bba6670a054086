// The launcher's only contact with Java: collects the virtual machine's
// options, loads the runtime library into this process, creates the virtual
// machine through the JNI invocation interface (version 1.2), reads its
// version, runs a class's static main and tears everything down again.
// Main thread only. Results are LaunchError numbers.
#ifndef ZOV_RUNTIME_JVM_BRIDGE_H_
#define ZOV_RUNTIME_JVM_BRIDGE_H_

#include <jni.h>

#include "text/text.h"

class JvmBridge {
 public:
  // No options, no library, no virtual machine.
  JvmBridge() = default;
  // Shutdown, then the option storage is freed.
  ~JvmBridge();
  JvmBridge(const JvmBridge&) = delete;
  JvmBridge& operator=(const JvmBridge&) = delete;

  // Appends a copy of the NUL-terminated option; order is kept.
  void AddOption(const char* option);
  // Forgets every option added so far.
  void ClearOptions() { options_.Clear(); }

  // Loads the runtime library at libraryPath and creates the virtual machine
  // with the collected options; once per bridge. 0 on success; 1 when the
  // library cannot be loaded (the options are kept); 2 when it has no
  // JNI_CreateJavaVM (options kept, library loaded until Shutdown); 4 when
  // JNI_CreateJavaVM fails. The option storage is released once
  // JNI_CreateJavaVM has been called.
  int CreateVm(const char* libraryPath);

  // Replaces *version by the runtime's "java.version" and returns 1 once
  // the property call was made; a null property leaves *version alone.
  // 0 without a virtual machine or when System.getProperty is missing.
  int GetJavaVersion(TextBuffer* version);

  // The class, its name written with dots or slashes; null (the failure
  // described on the runtime's error stream) when it cannot be found or no
  // virtual machine runs.
  jclass FindMainClass(const char* className);

  // Calls className's static void main(String[]) on this thread with
  // argumentCount narrow arguments (a null one becomes ""). Returns when main
  // returns: 0, also when main threw (the exception is described and
  // cleared, and MainThrew holds); 7 when the class is not found; 8 when it
  // has no such main; 3 when the runtime cannot build the argument array.
  // A class without main that extends javafx.application.Application is
  // started as java starts it, through Application.launch(class, args).
  int RunMain(const char* className, int argumentCount,
              const char* const* arguments);

  // Detaches this thread and destroys the virtual machine (which waits for
  // the application's other non-daemon threads), then frees the library.
  // Any state, any number of times.
  void Shutdown();

  // For another thread of this process: attaches it to the virtual machine
  // as a daemon (the machine's end does not wait for it) for the rest of its
  // life. Null without a virtual machine or when the runtime refuses.
  JNIEnv* AttachDaemon();

  // Handed to CreateVm as the runtime's "exit" hook, which System.exit
  // calls instead of ending the process; the hook must end it.
  void SetExitHook(void(JNICALL* hook)(jint code)) { exitHook_ = hook; }
  // Handed to CreateVm as the runtime's "abort" hook, which it calls just
  // before it ends the process itself, also when it refuses to start
  // ("Error occurred during initialization of VM").
  void SetAbortHook(void(JNICALL* hook)()) { abortHook_ = hook; }

  const StringList& options() const { return options_; }
  bool HasLibrary() const { return library_ != nullptr; }
  bool HasVm() const { return vm_ != nullptr; }
  bool MainThrew() const { return mainThrew_; }

 private:
  StringList options_;
  void* library_ = nullptr;
  JavaVM* vm_ = nullptr;
  JNIEnv* env_ = nullptr;  // the main thread's, valid while vm_ is
  void(JNICALL* exitHook_)(jint) = nullptr;
  void(JNICALL* abortHook_)() = nullptr;
  bool mainThrew_ = false;
};

// On a thread attached with env: calls className's (written as Slashed
// gives it) methodName, a public static void
// METHOD(String directory, String[] arguments), with the
// first of count texts (each ended by a NUL, one after the other) as the
// directory and the others as the arguments. 0 once it returned; -1 when it
// threw or could not be called (the reason is on the runtime's error
// stream).
int CallStaticHandler(JNIEnv* env, const char* className,
                      const char* methodName, const char* texts, int count);

// A class name written with dots in the form FindClass takes, in place.
char* Slashed(char* name);

// Clears a pending Java exception, after printing it and its stack trace on
// the runtime's error stream when describe is set. 1 when one was pending.
int ClearPendingException(JNIEnv* env, bool describe);

#endif  // ZOV_RUNTIME_JVM_BRIDGE_H_
