// The launcher's entry point: splash, configuration, the launch, shutdown.
// The exit status says how the launch ended; failures were shown already.
// System.exit ends the process inside main, with its own status.
#include "config/config_store.h"
#include "launcher/instance_handler.h"
#include "launcher/relaunch.h"
#include "launcher/run_application.h"
#include "platform/trace.h"
#include "runtime/cds.h"
#include "runtime/jvm_bridge.h"
#include "runtime/packed_runtime.h"
#include "splash/splash.h"
#include "zov_version.h"

#if defined(_WIN64) && defined(__aarch64__)
#define ZOV_TARGET "winarm64"
#elif defined(_WIN64)
#define ZOV_TARGET "win64"
#elif defined(_WIN32)
#define ZOV_TARGET "win32"
#else
#define ZOV_TARGET "linux"
#endif

int main(int argc, char** argv) {
  TraceStart();
  Trace("zov " ZOV_VERSION_TEXT " " ZOV_TARGET);
  int created = CreateCache();
  if (created >= 0) return created;
#ifndef ZOV_CONSOLE  // a command-line tool shows no splash
  void* bitmap = CreatingCache() ? nullptr : LoadSplashBitmap();
  if (bitmap != nullptr) StartSplash(bitmap, "Please wait ...");
#endif

  ConfigStore* store = new ConfigStore();
  JvmBridge* bridge = new JvmBridge();
  ActiveJvmBridge = bridge;
  ActiveConfigStore = store;

  int status =
      RunApplication(argc > 0 ? argc - 1 : 0, argc > 0 ? argv + 1 : argv);

  bridge->Shutdown();
  StopServingStarts();
  FinishClassDataSharing();
  status = Relaunch(status);
  FinishPackedRuntime();
  ActiveConfigStore = nullptr;
  ActiveJvmBridge = nullptr;
  delete bridge;
  delete store;
  Trace("exit status %d", status);
  TraceEnd();
  return status;
}
