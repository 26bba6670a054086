#include "launcher/relaunch.h"

#include <stdio.h>

#include "config/config_store.h"
#include "launcher/instance_handler.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/launch_error.h"
#include "text/text.h"

static bool Configured;
static bool Ran;
static int RestartStatus;

int PrepareRelaunch(const ConfigStore& store, const StringList& arguments) {
  TextBuffer value;
  bool restarted = PlatformGetEnvironment(kRestartedVariable, &value);
  PlatformSetEnvironment(kRestartedVariable, nullptr);
  if (restarted) return Success;
  value = store.Lookup("restart_status", false);
  Configured = sscanf(value.c_str(), "%d", &RestartStatus) == 1;

  value = store.Lookup("single_instance", false);
  if (value.length() == 0) return Success;
  int claimed = PlatformClaimInstance(value.c_str());
  Trace("single instance %s: %d", value.c_str(), claimed);
  TextBuffer handler = InstanceHandler(store);
  if (handler.length() == 0) {
    return claimed > 0 ? Success : claimed == 0 ? -1 : AlreadyRunning;
  }
  if (claimed > 0) {
    ListenForStarts(value.c_str(), handler);
    return Success;
  }
  return DeliverToInstance(value.c_str(), arguments) == Success ? -1 : AlreadyRunning;
}

bool RestartConfigured() { return Configured; }

void NoteApplicationRan() { Ran = true; }

int Relaunch(int status) {
  if (!Configured || !Ran) return status;
  PlatformSetEnvironment(kRestartedVariable, "1");
  for (int restart = 1; restart <= kMaxRestarts && status == RestartStatus;
       ++restart) {
    Trace("restart %d after status %d", restart, status);
    int next = PlatformStartSelf(true);
    if (next < 0) {
      Trace("restart: could not start");
      break;
    }
    status = next;
  }
  return status;
}
