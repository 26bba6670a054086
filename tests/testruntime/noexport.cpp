// A library that loads but is no Java runtime: it lacks JNI_CreateJavaVM.
#ifdef _WIN32
#define ZOV_EXPORT __declspec(dllexport)
#else
#define ZOV_EXPORT __attribute__((visibility("default")))
#endif

extern "C" ZOV_EXPORT int ZovNotARuntime() { return 0; }
