// The floor of start-up for an in-process launcher: load the runtime,
// create the virtual machine, run main, destroy the machine. No discovery,
// no configuration, no checks beyond what keeps it from crashing.
//
//   minjni LIBJVM CLASSPATH MAIN_CLASS [ARG]...
//
// MAIN_CLASS in the slash form (bench/Hello). Exit status 0 once main ran.
// Only the JNI slots the launcher itself uses, so the recording test runtime
// serves it too.
#include <dlfcn.h>
#include <jni.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef jint(JNICALL* CreateJavaVmFunction)(JavaVM**, void**, void*);

static void CallStaticVoid(JNIEnv* env, jclass type, jmethodID method, ...) {
  va_list args;
  va_start(args, method);
  (*env)->CallStaticVoidMethodV(env, type, method, args);
  va_end(args);
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: minjni LIBJVM CLASSPATH MAIN_CLASS [ARG]...\n");
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_GLOBAL);
  if (library == NULL) {
    fprintf(stderr, "minjni: %s\n", dlerror());
    return 1;
  }
  CreateJavaVmFunction create =
      (CreateJavaVmFunction)dlsym(library, "JNI_CreateJavaVM");
  if (create == NULL) {
    fprintf(stderr, "minjni: no JNI_CreateJavaVM in %s\n", argv[1]);
    return 1;
  }

  static const char kPrefix[] = "-Djava.class.path=";
  char* classPath = malloc(sizeof kPrefix + strlen(argv[2]));
  if (classPath == NULL) return 1;
  strcpy(classPath, kPrefix);
  strcat(classPath, argv[2]);
  JavaVMOption option = {classPath, NULL};
  JavaVMInitArgs args = {JNI_VERSION_1_2, 1, &option, JNI_TRUE};
  JavaVM* vm = NULL;
  JNIEnv* env = NULL;
  if (create(&vm, (void**)&env, &args) != JNI_OK) {
    fprintf(stderr, "minjni: JNI_CreateJavaVM failed\n");
    return 1;
  }

  int status = 1;
  jclass mainClass = (*env)->FindClass(env, argv[3]);
  jmethodID mainMethod =
      mainClass == NULL ? NULL
                        : (*env)->GetStaticMethodID(env, mainClass, "main",
                                                    "([Ljava/lang/String;)V");
  jclass stringClass = (*env)->FindClass(env, "java/lang/String");
  jobjectArray array =
      mainMethod == NULL || stringClass == NULL
          ? NULL
          : (*env)->NewObjectArray(env, argc - 4, stringClass, NULL);
  if (array != NULL) {
    for (int i = 4; i < argc; ++i) {
      jstring text = (*env)->NewStringUTF(env, argv[i]);
      if (text == NULL) break;
      (*env)->SetObjectArrayElement(env, array, i - 4, text);
    }
  }
  if (array != NULL && (*env)->ExceptionOccurred(env) == NULL) {
    CallStaticVoid(env, mainClass, mainMethod, array);
    status = 0;
  }
  if ((*env)->ExceptionOccurred(env) != NULL) {
    (*env)->ExceptionDescribe(env);
    (*env)->ExceptionClear(env);
  }
  (*vm)->DetachCurrentThread(vm);
  (*vm)->DestroyJavaVM(vm);
  return status;
}
