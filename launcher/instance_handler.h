// instance_handler: a later start of a single_instance application hands
// its current directory and arguments to the running instance, which calls
// the application's handler with them, one start after the other, on a
// thread of its own.
#ifndef ZOV_LAUNCHER_INSTANCE_HANDLER_H_
#define ZOV_LAUNCHER_INSTANCE_HANDLER_H_

#include <stdint.h>

#include "text/text.h"

class ConfigStore;
class JvmBridge;

// How long a later start waits for its delivery, the handler's call
// included, before it gives up with message 13.
inline constexpr uint32_t kDeliveryTimeoutMs = 10000;
// How long the instance waits for a start's whole message: one that takes
// longer is dropped, so a stuck peer holds up the others no longer.
inline constexpr uint32_t kReceiveTimeoutMs = 2000;

// The instance_handler line's value, empty when there is none.
TextBuffer InstanceHandler(const ConfigStore& store);

// This start claimed name: opens the channel later starts deliver to, for
// handler (CLASS.METHOD). They wait there until ServeStarts.
void ListenForStarts(const char* name, const TextBuffer& handler);

// Another instance holds name: sends it the current directory and
// arguments and waits for its handler to return. Success, or
// AlreadyRunning when it did not.
int DeliverToInstance(const char* name, const StringList& arguments);

// Once the virtual machine runs: starts the thread that calls the handler.
void ServeStarts(JvmBridge* bridge);

// The virtual machine is going or gone: later starts are answered with a
// failure instead of a call into it.
void StopServingStarts();

#endif  // ZOV_LAUNCHER_INSTANCE_HANDLER_H_
