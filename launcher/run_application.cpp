#include "launcher/run_application.h"

#include <stdlib.h>

#include "config/collect.h"
#include "config/config_store.h"
#include "config/expand.h"
#include "config/resolve_path.h"
#include "launcher/instance_handler.h"
#include "launcher/messages.h"
#include "launcher/relaunch.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/cds.h"
#include "runtime/class_path.h"
#include "runtime/java_option.h"
#include "runtime/jvm_bridge.h"
#include "runtime/launch_error.h"
#include "runtime/packed_runtime.h"
#include "runtime/runtime_discovery.h"
#include "runtime/runtime_version.h"
#include "splash/splash.h"
#include "text/text.h"

ConfigStore* ActiveConfigStore = nullptr;
JvmBridge* ActiveJvmBridge = nullptr;

// Adds every value of key, expanded, as an option behind prefix; an option
// line (no prefix) may be written as the java command takes it.
static void AddCollected(const ConfigStore& store, JvmBridge* bridge,
                         StringList* list, const char* key,
                         const char* prefix) {
  store.ForEachValue(key, CollectExpanded, list, false);
  for (int32_t i = 0; i < list->Count(); ++i) {
    TextBuffer option(prefix);
    option.Append(list->Entry(i));
    if (*prefix == '\0') option = RuntimeOption(option.c_str());
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

static void JNICALL ExitAfterRelaunch(jint code) {
  StopServingStarts();
  NoteApplicationRan();
  FinishClassDataSharing();
  int status = Relaunch(code);
  FinishPackedRuntime();
  exit(status);
}

// The workdir folder becomes the current directory; *folder names it.
static int EnterWorkDir(const ConfigStore& store, TextBuffer* folder) {
  TextBuffer value = store.Lookup("workdir", false);
  if (value.length() == 0) return Success;
  *folder = ResolvePath(ExpandEnvironment(value));
  bool entered = PlatformSetCurrentDirectory(folder->c_str());
  Trace("workdir %s: %d", folder->c_str(), entered);
  return entered ? Success : WorkDirMissing;
}

int RunApplication(int argumentCount, char** arguments) {
  const ConfigStore& store = *ActiveConfigStore;
  JvmBridge* bridge = ActiveJvmBridge;
  StringList list;
  int requiredMajor = 0, requiredMinor = 0, runtimeMajor = 0, runtimeMinor = 0;
  TextBuffer folder;

  // Before any value is expanded, the arguments a second start hands over
  // included: they may name %ZOV_FILES%.
  TextBuffer carried, native;
  int result = UnpackCarriedFiles(store, &carried, &native);
  // The fixed arguments come before the user's own.
  StringList given;
  store.ForEachValue("argument", CollectExpanded, &given, false);
  for (int i = 0; i < argumentCount; ++i) given.Add(arguments[i]);
  if (result == Success) result = PrepareRelaunch(store, given);
  if (result < 0) return 0;  // the running instance came forward instead
  if (result == Success) result = EnterWorkDir(store, &folder);
  argumentCount = given.Count();
  arguments = static_cast<char**>(HeapResize(nullptr, argumentCount * sizeof(char*) + 1));
  for (int i = 0; i < argumentCount; ++i) arguments[i] = const_cast<char*>(given.Entry(i));

  AddCollected(store, bridge, &list, "option", "");
  AddCollected(store, bridge, &list, "property", "-D");
  AddStandardOption(bridge, kClassPathOption, ComposeClassPath(store, carried));
  AddStandardOption(bridge, "-Dzov.app.path=", store.exePath);
  AddStandardOption(bridge, "-Dapplication.home=", ExeDir);
  // The side file cannot choose what runs: embedded part only, as written.
  TextBuffer mainClass = store.Lookup("mainclass", true);
  AddJavaCommand(bridge, mainClass, argumentCount, arguments);

  RuntimeChoice choice(store);
  TextBuffer library;
  if (result == Success) {
    library = FindRuntimeLibrary(store, &choice);
    if (library.length() == 0) {
      result = PackedRuntimeFailed()
                   ? RuntimeUnpackFailed
                   : MissedVersions(choice, &runtimeMajor, &runtimeMinor,
                                    &requiredMajor, &requiredMinor);
    }
  }
  if (result == Success) {
    PrepareClassDataSharing(store, library.CStr(), bridge);
    // After System.exit too; it also finishes what class sharing started.
    if (RestartConfigured() || PackedRuntimeTemporary()) {
      bridge->SetExitHook(ExitAfterRelaunch);
    }
    result = bridge->CreateVm(library.CStr());
    int status;
    if (!StartedWithCaches(result, &status)) return status;
    // After the runtime's own DLLs, which their own search finds.
    if (native.length() > 0) PlatformLibraryFolder(native.c_str());
  }
  if (CreatingCache()) return result;  // no application, nothing to show

  // For the runtimes whose version the search could not know.
  if (result == Success &&
      (choice.minimum.length() > 0 || choice.maximum.length() > 0)) {
    TextBuffer version;
    if (bridge->GetJavaVersion(&version) == 0) {
      result = VersionUnavailable;
    } else {
      choice.low[0] = choice.high[0] = -1;  // only the loaded one counts now
      TextBuffer verdict;
      if (!JudgeVersion(&choice, version.c_str(), &verdict)) {
        result = MissedVersions(choice, &runtimeMajor, &runtimeMinor,
                                &requiredMajor, &requiredMinor);
      }
      // As the search's candidates are traced, "l" for the one loaded.
      Trace("runtime %c: %s: %s", 'l', library.c_str(), verdict.c_str());
    }
  }

  if (result == Success) {
    ServeStarts(bridge);
    SetCloseTimer(ActiveSplash, 5000);
    Trace("main class %s", mainClass.data());
    result = bridge->RunMain(mainClass.c_str(), argumentCount, arguments);
    SetCloseTimer(ActiveSplash, 750);
    if (result == Success) NoteApplicationRan();
  }
  free(arguments);

  if (result != Success) {
    TextBuffer message = ComposeLaunchMessage(result, runtimeMajor, runtimeMinor,
                                              requiredMajor, requiredMinor);
    if (result == WorkDirMissing) {
      message.Append(" ");
      message.Append(folder);
    }
    Trace("launch failed: code %d: %s", result, message.data());
    SetCloseTimer(ActiveSplash, 200);
    ShowLaunchMessage(message);
    return result;
  }
  return bridge->MainThrew() ? 1 : 0;  // as java exits after an exception
}
