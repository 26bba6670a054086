#include "launcher/run_application.h"

#include <stdio.h>

#include "config/collect.h"
#include "config/config_store.h"
#include "launcher/messages.h"
#include "platform/trace.h"
#include "runtime/cds.h"
#include "runtime/class_path.h"
#include "runtime/jvm_bridge.h"
#include "runtime/launch_error.h"
#include "runtime/packed_runtime.h"
#include "runtime/runtime_discovery.h"
#include "splash/splash.h"
#include "text/text.h"

ConfigStore* ActiveConfigStore = nullptr;
JvmBridge* ActiveJvmBridge = nullptr;

void ParseVersion(const char* text, int* major, int* minor) {
  *major = 0;
  *minor = 0;
  sscanf(text, "%d.%d", major, minor);
}

bool RuntimeTooOld(int major, int minor, int requiredMajor,
                   int requiredMinor) {
  return major < requiredMajor ||
         (major == requiredMajor && minor < requiredMinor);
}

// Adds every value of key, expanded, as an option behind prefix.
static void AddCollected(const ConfigStore& store, JvmBridge* bridge,
                         StringList* list, const char* key,
                         const char* prefix) {
  store.ForEachValue(TextBuffer(key), CollectExpanded, list, false);
  for (int32_t i = 0; i < list->Count(); ++i) {
    TextBuffer option(prefix);
    option.Append(list->Entry(i));
    bridge->AddOption(option.c_str());
  }
  list->Clear();
}

static void AddStandardOption(JvmBridge* bridge, const char* prefix,
                              const TextBuffer& value) {
  TextBuffer option = Concat(prefix, value);
  bridge->AddOption(option.c_str());
}

// What jps and jcmd show as the application: its class and arguments.
static void AddJavaCommand(JvmBridge* bridge, const TextBuffer& mainClass,
                           int argumentCount, char** arguments) {
  TextBuffer option = Concat("-Dsun.java.command=", mainClass);
  for (int i = 0; i < argumentCount; ++i) {
    option.Append(" ");
    option.Append(arguments[i]);
  }
  bridge->AddOption(option.c_str());
}

int RunApplication(int argumentCount, char** arguments) {
  const ConfigStore& store = *ActiveConfigStore;
  JvmBridge* bridge = ActiveJvmBridge;
  StringList list;
  int result = Success;
  int requiredMajor = 0, requiredMinor = 0, runtimeMajor = 0, runtimeMinor = 0;

  AddCollected(store, bridge, &list, "option", "");
  AddCollected(store, bridge, &list, "property", "-D");
  AddStandardOption(bridge, "-Djava.class.path=", ComposeClassPath(store));
  AddStandardOption(bridge, "-Dzov.app.path=", store.ExecutablePath());
  AddStandardOption(bridge, "-Dapplication.home=", store.ExecutableDir());
  // The side file cannot choose what runs: embedded part only, as written.
  TextBuffer mainClass = store.Lookup(TextBuffer("mainclass"), true);
  AddJavaCommand(bridge, mainClass, argumentCount, arguments);

  TextBuffer library = FindRuntimeLibrary(store);
  PrepareClassDataSharing(store, library.CStr(), bridge);
  result = library.length() == 0 && PackedRuntimeFailed()
               ? RuntimeUnpackFailed
               : bridge->CreateVm(library.CStr());

  if (result == Success) {
    TextBuffer minimum = store.Lookup(TextBuffer("minjre"), false);
    if (CompareText(minimum, "") != 0) {
      TextBuffer version;
      if (bridge->GetJavaVersion(&version) == 0) {
        result = VersionUnavailable;
      } else {
        ParseVersion(minimum.c_str(), &requiredMajor, &requiredMinor);
        ParseVersion(version.c_str(), &runtimeMajor, &runtimeMinor);
        Trace("runtime %s is %d.%d, minjre %s is %d.%d", version.data(),
              runtimeMajor, runtimeMinor, minimum.data(), requiredMajor,
              requiredMinor);
        if (RuntimeTooOld(runtimeMajor, runtimeMinor, requiredMajor,
                          requiredMinor)) {
          result = VersionTooLow;
        }
      }
    }
  }

  if (result == Success) {
    SetCloseTimer(ActiveSplash, 5000);
    Trace("main class %s", mainClass.data());
    result = bridge->RunMain(mainClass.c_str(), argumentCount, arguments);
    SetCloseTimer(ActiveSplash, 750);
  }

  if (result != Success) {
    TextBuffer message = ComposeLaunchMessage(result, runtimeMajor, runtimeMinor,
                                              requiredMajor, requiredMinor);
    Trace("launch failed: code %d: %s", result, message.data());
    SetCloseTimer(ActiveSplash, 200);
    ShowLaunchMessage(message);
    return result;
  }
  return bridge->MainThrew() ? 1 : 0;  // as java exits after an exception
}
