#include "launcher/instance_handler.h"

#include <string.h>

#include "config/config_store.h"
#include "launcher/instance_message.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/jvm_bridge.h"
#include "runtime/launch_error.h"
#include "text/text.h"

// Once the channel is open: the handler's class, as FindClass takes it,
// and its method.
static char* handler;
static const char* method;
static JvmBridge* served;
static int stopped;

// One format for every outcome: the stub's budget counts each text.
static const char kStatus[] = "instance %s %d";

TextBuffer InstanceHandler(const ConfigStore& store) {
  return store.Lookup("instance_handler", false);
}

// Each of count texts, one after the other: the directory, then the
// arguments.
static void TraceTexts(const char* verb, const char* texts, int32_t count) {
  for (int32_t i = 0; i < count; ++i, texts += strlen(texts) + 1) {
    Trace("instance %s \"%s\"", verb, texts);
  }
}

// Both stay out of RunApplication: inlined there, they cost the Windows
// stubs 1.5 KB (32-bit) and 0.5 KB (64-bit), more than the calls save.
__attribute__((noinline)) void ListenForStarts(const char* name,
                                               const TextBuffer& value) {
  bool listening = PlatformListenInstance(name);
  Trace(kStatus, "listening", listening);
  if (!listening) return;
  // Kept for the rest of the process.
  handler = HeapCopy(value);
  char* dot = strrchr(handler, '.');
  method = "";  // without one, no method is found: each start fails
  if (dot != nullptr) {
    *dot = '\0';
    method = dot + 1;
  }
  Slashed(handler);
}

__attribute__((noinline)) int DeliverToInstance(const char* name,
                                                const StringList& arguments) {
  char directory[kMaxPath];
  PlatformCurrentDirectory(directory, kMaxPath);
  ByteBuffer message;
  char answer = 1;
  // What the instance would refuse as too long is not sent at all.
  if (ComposeInstanceMessage(directory, arguments, &message)) {
    TraceTexts("sent", message.data() + kInstanceHeaderSize, arguments.Count() + 1);
    uint32_t deadline = PlatformTickCount() + kDeliveryTimeoutMs;
    PlatformChannel* channel = PlatformConnectInstance(name, deadline);
    if (channel != nullptr &&
        PlatformSend(channel, message.data(), message.length(), deadline)) {
      PlatformReceive(channel, &answer, 1, deadline);
    }
    PlatformCloseChannel(channel);
  }
  Trace(kStatus, "delivered", answer == 0);
  return answer == 0 ? Success : AlreadyRunning;
}

// The answer to one start; false for a message not whole or not ours.
static bool Answer(PlatformChannel* peer, JNIEnv* env) {
  uint32_t deadline = PlatformTickCount() + kReceiveTimeoutMs;
  unsigned char header[kInstanceHeaderSize];
  if (!PlatformReceive(peer, header, kInstanceHeaderSize, deadline)) return false;
  int32_t length = InstanceBodyLength(header);
  if (length < 0) return false;
  ByteBuffer body;
  body.Resize(length);
  if (!PlatformReceive(peer, body.data(), length, deadline)) return false;
  int32_t count = CountInstanceTexts(body.data(), length);
  if (count == 0) return false;
  TraceTexts("received", body.data(), count);
  char answer = 1;
  if (env != nullptr && !__atomic_load_n(&stopped, __ATOMIC_ACQUIRE)) {
    int called = CallStaticHandler(env, handler, method, body.data(), count);
    Trace(kStatus, "handler", called);
    answer = called == 0 ? 0 : 1;
  }
  PlatformSend(peer, &answer, 1, PlatformTickCount() + kReceiveTimeoutMs);
  return true;
}

static void Serve() {
  // Without a thread in the machine each start is still answered, and
  // fails at once instead of at its timeout.
  JNIEnv* env = served->AttachDaemon();
  while (PlatformChannel* peer = PlatformAcceptInstance()) {
    Trace(kStatus, "answered", Answer(peer, env));  // 0: dropped
    PlatformCloseChannel(peer);
  }
}

void ServeStarts(JvmBridge* bridge) {
  if (handler == nullptr || served != nullptr) return;
  served = bridge;
  PlatformStartThread(Serve);  // without, each start fails at its timeout
}

void StopServingStarts() { __atomic_store_n(&stopped, 1, __ATOMIC_RELEASE); }
