// The launcher's entry point: splash, configuration, the launch, shutdown.
// The exit status is 0 whatever happened; failures were shown already.
#include "config/config_store.h"
#include "launcher/run_application.h"
#include "runtime/jvm_bridge.h"
#include "splash/splash.h"

int main(int argc, char** argv) {
#ifndef ZOV_CONSOLE  // a command-line tool shows no splash
  void* bitmap = LoadSplashBitmap();
  if (bitmap != nullptr) StartSplash(bitmap, "Please wait ...");
#endif

  ConfigStore* store = new ConfigStore();
  JvmBridge* bridge = new JvmBridge();
  ActiveJvmBridge = bridge;
  ActiveConfigStore = store;

  RunApplication(argc > 0 ? argc - 1 : 0, argc > 0 ? argv + 1 : argv);

  bridge->Shutdown();
  ActiveConfigStore = nullptr;
  ActiveJvmBridge = nullptr;
  delete bridge;
  delete store;
  return 0;
}
