// Drives a JvmBridge against the machine's real Java runtime, one scenario
// per process: HotSpot cannot create a second virtual machine in a process
// once the first is destroyed. Prints one line per step on standard output,
// where the Java test classes print too; runtime/jvm_bridge_posix_test.cpp
// reads the lines back.
//   run     options, version, class lookups, every RunMain outcome and a
//           main whose thread outlives it, then Shutdown twice
//   reject  an option the runtime refuses
//   bare    no options at all
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "runtime/jvm_bridge.h"

namespace {

void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  putchar('\n');
}

void SayVersion(JvmBridge* bridge) {
  TextBuffer version;
  int result = bridge->GetJavaVersion(&version);
  Say("GetJavaVersion=%d version=%s", result, version.c_str());
}

void SayCreate(JvmBridge* bridge) {
  int result = bridge->CreateVm(ZOV_REAL_LIBJVM);
  Say("CreateVm=%d options=%d vm=%d library=%d", result,
      bridge->options().Count(), bridge->HasVm(), bridge->HasLibrary());
}

void SayRun(JvmBridge* bridge, const char* label, const char* name, int count,
            const char* const* args) {
  int result = bridge->RunMain(name, count, args);
  Say("RunMain %s=%d%s", label, result, bridge->MainThrew() ? " threw=1" : "");
}

void Run() {
  JvmBridge bridge;
  bridge.AddOption("-Djava.class.path=" ZOV_JAVA_TEST_CLASSES);
  bridge.AddOption("-Dzovtest.greeting=caf\xC3\xA9 \xE4\xB8\xAD");
  bridge.AddOption("-Xzovtest-unknown");  // ignored: ignoreUnrecognized
  SayCreate(&bridge);
  SayVersion(&bridge);
  Say("FindMainClass dots=%d slashes=%d",
      bridge.FindMainClass("zovtest.PrintArgs") != nullptr,
      bridge.FindMainClass("zovtest/PrintArgs") != nullptr);

  const char* args[] = {"plain", "two words", "caf\xC3\xA9", "\xE4\xB8\xAD",
                        nullptr, ""};
  SayRun(&bridge, "PrintArgs", "zovtest.PrintArgs", 6, args);
  SayRun(&bridge, "PrintArgs-none", "zovtest/PrintArgs", 0, nullptr);
  SayRun(&bridge, "NoMain", "zovtest.NoMain", 0, nullptr);
  SayRun(&bridge, "WrongMain", "zovtest.WrongMain", 0, nullptr);
  SayRun(&bridge, "empty", "", 0, nullptr);
  SayRun(&bridge, "missing", "zovtest.Missing", 0, nullptr);
  SayRun(&bridge, "Throws", "zovtest.Throws", 0, nullptr);
  SayRun(&bridge, "Lingers", "zovtest.Lingers", 0, nullptr);
  Say("Shutdown");
  bridge.Shutdown();
  Say("Shutdown returned vm=%d library=%d", bridge.HasVm(), bridge.HasLibrary());
  bridge.Shutdown();
  Say("Shutdown again returned");
  SayVersion(&bridge);
}

void Reject() {
  JvmBridge bridge;
  bridge.AddOption("-Djava.class.path=" ZOV_JAVA_TEST_CLASSES);
  // ignoreUnrecognized lets unknown options through, but not a stack size
  // the runtime cannot work with.
  bridge.AddOption("-Xss1");
  SayCreate(&bridge);
  SayVersion(&bridge);
  bridge.Shutdown();
  Say("Shutdown returned library=%d", bridge.HasLibrary());
}

void Bare() {
  JvmBridge bridge;
  SayCreate(&bridge);
  SayVersion(&bridge);
  bridge.Shutdown();
  Say("Shutdown returned");
}

}  // namespace

int main(int argc, char** argv) {
  // Java writes to the same descriptor: no C buffer may hold lines back.
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc != 2) {
    fprintf(stderr, "usage: jvm_bridge_probe run|reject|bare\n");
    return 2;
  }
  if (strcmp(argv[1], "run") == 0) {
    Run();
  } else if (strcmp(argv[1], "reject") == 0) {
    Reject();
  } else if (strcmp(argv[1], "bare") == 0) {
    Bare();
  } else {
    fprintf(stderr, "jvm_bridge_probe: unknown scenario %s\n", argv[1]);
    return 2;
  }
  return 0;
}
