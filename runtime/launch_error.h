// The failure codes of a launch. Each is also the id of its message in the
// message table; 0 is success and has none.
#ifndef ZOV_RUNTIME_LAUNCH_ERROR_H_
#define ZOV_RUNTIME_LAUNCH_ERROR_H_

enum LaunchError : int {
  Success = 0,
  RuntimeNotFound = 1,     // the runtime library cannot be loaded
  RuntimeInvalid = 2,      // it has no JNI_CreateJavaVM
  VmInitFailed = 3,        // no step yields it; its text is in the table
  VmStartFailed = 4,       // JNI_CreateJavaVM failed
  VersionUnavailable = 5,  // java.version cannot be read
  VersionTooLow = 6,       // below the configured minimum
  MainClassNotFound = 7,
  MainMethodMissing = 8,   // no static void main(String[])
  RuntimeUnpackFailed = 9,  // the file's own runtime, unpacked nowhere
  VersionTooHigh = 11,     // above the configured maximum
  WorkDirMissing = 12,     // the workdir folder does not exist
  AlreadyRunning = 13,     // single_instance: another one runs
  CarriedUnpackFailed = 14,  // the file's jars, libraries or files
};

// Message id of the message box's caption.
inline constexpr unsigned kCaptionMessageId = 10;

#endif  // ZOV_RUNTIME_LAUNCH_ERROR_H_
