#include "launcher/instance_handler.h"

#include "config/config_store.h"
#include "launcher/instance_message.h"
#include "platform/platform.h"
#include "platform/trace.h"
#include "runtime/jvm_bridge.h"
#include "runtime/launch_error.h"
#include "text/text.h"

static TextBuffer* handler;  // CLASS.METHOD, once the channel is open
static JvmBridge* served;
static int stopped;

static TextBuffer HandlerOf(const ConfigStore& store) {
  return store.Lookup(TextBuffer("instance_handler"), false);
}

static void TraceStrings(const char* verb, const char* directory,
                         const StringList& arguments, int32_t first) {
  if (!Tracing()) return;
  Trace("instance %s directory \"%s\"", verb, directory);
  for (int32_t i = first; i < arguments.Count(); ++i) {
    Trace("instance %s argument \"%s\"", verb, arguments.Entry(i));
  }
}

void ListenForStarts(const ConfigStore& store, const char* name) {
  TextBuffer value = HandlerOf(store);
  if (value.length() == 0) return;
  bool listening = PlatformListenInstance(name);
  Trace("instance listening %d", listening);
  if (listening) handler = new TextBuffer(static_cast<TextBuffer&&>(value));
}

int DeliverToInstance(const ConfigStore& store, const char* name,
                      const StringList& arguments) {
  if (HandlerOf(store).length() == 0) return -1;
  char directory[kMaxPath];
  PlatformCurrentDirectory(directory, kMaxPath);
  ByteBuffer message;
  if (!ComposeInstanceMessage(directory, arguments, &message)) {
    Trace("instance delivery: %s", "too long");
    return AlreadyRunning;
  }
  TraceStrings("sent", directory, arguments, 0);
  uint32_t deadline = PlatformTickCount() + kDeliveryTimeoutMs;
  PlatformChannel* channel = PlatformConnectInstance(name, deadline);
  char answer = 1;
  bool delivered =
      channel != nullptr &&
      PlatformSend(channel, message.data(), message.length(), deadline) &&
      PlatformReceive(channel, &answer, 1, deadline) && answer == 0;
  PlatformCloseChannel(channel);
  Trace("instance delivery: %s", delivered ? "done" : channel ? "failed" : "no answer");
  return delivered ? Success : AlreadyRunning;
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
  StringList strings;
  if (!PlatformReceive(peer, body.data(), length, deadline) ||
      !ReadInstanceBody(body.data(), length, &strings)) {
    return false;
  }
  TraceStrings("received", strings.Entry(0), strings, 1);
  char answer = 1;
  if (env != nullptr && !__atomic_load_n(&stopped, __ATOMIC_ACQUIRE)) {
    int called = CallStaticHandler(env, handler->c_str(), strings);
    Trace("instance handler %s: %d", handler->c_str(), called);
    answer = called == 0 ? 0 : 1;
  }
  PlatformSend(peer, &answer, 1, PlatformTickCount() + kReceiveTimeoutMs);
  return true;
}

static void Serve() {
  JNIEnv* env = served->AttachDaemon();
  if (env == nullptr) Trace("instance: no thread");
  while (PlatformChannel* peer = PlatformAcceptInstance()) {
    if (!Answer(peer, env)) Trace("instance: bad message");
    PlatformCloseChannel(peer);
  }
}

void ServeStarts(JvmBridge* bridge) {
  if (handler == nullptr || served != nullptr) return;
  served = bridge;
  if (!PlatformStartThread(Serve)) Trace("instance: no thread");
}

void StopServingStarts() { __atomic_store_n(&stopped, 1, __ATOMIC_RELEASE); }
