// A JNI library of the application's own that needs a second DLL of its
// folder (zovdep.dll): found only when that folder is searched.
#include <stdio.h>

extern "C" __declspec(dllimport) const char* ZovDepIdentity();

extern "C" __declspec(dllexport) const char* ZovJniIdentity() {
  static char identity[64];
  snprintf(identity, sizeof identity, "jni+%s", ZovDepIdentity());
  return identity;
}
