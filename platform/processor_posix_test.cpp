#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include "gtest/gtest.h"
#include "platform/platform.h"

namespace {

uint32_t IdentityOnCore(int core) {
  struct Call {
    int core;
    uint32_t identity;
  } call = {core, 0};
  pthread_t thread;
  pthread_create(&thread, nullptr, [](void* p) -> void* {
    Call* c = static_cast<Call*>(p);
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(c->core, &set);
    sched_setaffinity(0, sizeof set, &set);
    c->identity = PlatformProcessorIdentity();
    return nullptr;
  }, &call);
  pthread_join(thread, nullptr);
  return call.identity;
}

// The identity names a cache shared by all of a machine's starts: it may
// not depend on the core a start happens to run on.
TEST(PlatformProcessorIdentity, IsTheSameOnEveryCore) {
  uint32_t identity = PlatformProcessorIdentity();
#if defined(__x86_64__) || defined(__aarch64__)
  EXPECT_NE(0u, identity);
#endif
  long cores = sysconf(_SC_NPROCESSORS_ONLN);
  for (int core = 0; core < cores && core < 64; ++core) {
    EXPECT_EQ(identity, IdentityOnCore(core)) << "core " << core;
  }
}

}  // namespace
