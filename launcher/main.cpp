// The launcher's entry point: splash, configuration, the launch, shutdown.
// The exit status says how the launch ended; failures were shown already.
// System.exit ends the process inside main, with its own status.
#include "config/config_store.h"
#include "launcher/run_application.h"
#include "runtime/jvm_bridge.h"
#include "splash/splash.h"

int main(int argc, char** argv) {
  void* bitmap = LoadSplashBitmap();
  if (bitmap != nullptr) StartSplash(bitmap, "Please wait ...");

  ConfigStore* store = new ConfigStore();
  JvmBridge* bridge = new JvmBridge();
  ActiveJvmBridge = bridge;
  ActiveConfigStore = store;

  int status =
      RunApplication(argc > 0 ? argc - 1 : 0, argc > 0 ? argv + 1 : argv);

  bridge->Shutdown();
  ActiveConfigStore = nullptr;
  ActiveJvmBridge = nullptr;
  delete bridge;
  delete store;
  return status;
}
