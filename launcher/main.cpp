// The launcher's entry point: splash, configuration, the launch, shutdown.
// The exit status is 0 whatever happened; failures were shown already.
#include "config/config_store.h"
#include "launcher/run_application.h"
#include "runtime/cds.h"
#include "runtime/jvm_bridge.h"
#include "splash/splash.h"

int main(int argc, char** argv) {
  void* bitmap = LoadSplashBitmap();
  if (bitmap != nullptr) StartSplash(bitmap, "Please wait ...");

  ConfigStore* store = new ConfigStore();
  JvmBridge* bridge = new JvmBridge();
  ActiveJvmBridge = bridge;
  ActiveConfigStore = store;

  RunApplication(argc > 0 ? argc - 1 : 0, argc > 0 ? argv + 1 : argv);

  bridge->Shutdown();
  FinishClassDataSharing();
  ActiveConfigStore = nullptr;
  ActiveJvmBridge = nullptr;
  delete bridge;
  delete store;
  return 0;
}
