// Windows machine-dependent JNI definitions, as published for the Win32 JDK.
// The JDK on the build machine is a Linux one, so its own jni_md.h cannot
// serve the mingw builds.
#ifndef ZOV_RUNTIME_JNI_WIN_JNI_MD_H_
#define ZOV_RUNTIME_JNI_WIN_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif  // ZOV_RUNTIME_JNI_WIN_JNI_MD_H_
