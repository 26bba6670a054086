// The JNI library of carry.Native.
#include <jni.h>

JNIEXPORT jstring JNICALL Java_carry_Native_identity(JNIEnv* env, jclass type) {
  (void)type;
  return (*env)->NewStringUTF(env, "from zovcarry");
}
