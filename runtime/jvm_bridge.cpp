#include "runtime/jvm_bridge.h"

#include <stdarg.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "runtime/launch_error.h"
#include "platform/platform.h"
#include "platform/trace.h"

// The runtime is reached only through its function tables, so their layout
// is the contract: pin every slot used here to its published index.
#define ZOV_JNI_SLOT(table, name, index) \
  static_assert(offsetof(table, name) / sizeof(void*) == (index), #name)
ZOV_JNI_SLOT(JNINativeInterface_, FindClass, 6);
ZOV_JNI_SLOT(JNINativeInterface_, IsAssignableFrom, 11);
ZOV_JNI_SLOT(JNINativeInterface_, ExceptionOccurred, 15);
ZOV_JNI_SLOT(JNINativeInterface_, ExceptionDescribe, 16);
ZOV_JNI_SLOT(JNINativeInterface_, ExceptionClear, 17);
ZOV_JNI_SLOT(JNINativeInterface_, DeleteLocalRef, 23);
ZOV_JNI_SLOT(JNINativeInterface_, GetStaticMethodID, 113);
ZOV_JNI_SLOT(JNINativeInterface_, CallStaticObjectMethodV, 115);
ZOV_JNI_SLOT(JNINativeInterface_, CallStaticVoidMethodV, 142);
ZOV_JNI_SLOT(JNINativeInterface_, NewString, 163);
ZOV_JNI_SLOT(JNINativeInterface_, GetStringLength, 164);
ZOV_JNI_SLOT(JNINativeInterface_, GetStringChars, 165);
ZOV_JNI_SLOT(JNINativeInterface_, ReleaseStringChars, 166);
ZOV_JNI_SLOT(JNINativeInterface_, NewStringUTF, 167);
ZOV_JNI_SLOT(JNINativeInterface_, NewObjectArray, 172);
ZOV_JNI_SLOT(JNINativeInterface_, SetObjectArrayElement, 174);
ZOV_JNI_SLOT(JNIInvokeInterface_, DestroyJavaVM, 3);
ZOV_JNI_SLOT(JNIInvokeInterface_, DetachCurrentThread, 5);
ZOV_JNI_SLOT(JNIInvokeInterface_, AttachCurrentThreadAsDaemon, 7);
#undef ZOV_JNI_SLOT

static_assert(sizeof(jchar) == sizeof(uint16_t), "UTF-16 units");
static_assert(sizeof(jint) == 4 && sizeof(jlong) == 8, "JNI integer widths");

#ifdef _WIN32
// The V slots take the va_list of Microsoft's compiler, which builds the
// Windows runtimes: a plain pointer to the arguments on every processor,
// ARM64 included, where AAPCS64 elsewhere has a structure of five fields.
static_assert(sizeof(va_list) == sizeof(void*), "va_list as a pointer");
#endif

// JNICALL is __stdcall on 32-bit Windows; a mismatch would corrupt the
// stack on the first call, and zov32.exe never runs here to show it.
typedef jint(JNICALL* CreateJavaVmFunction)(JavaVM**, void**, void*);
template <typename A, typename B>
struct SameType {
  static constexpr bool value = false;
};
template <typename A>
struct SameType<A, A> {
  static constexpr bool value = true;
};
static_assert(SameType<CreateJavaVmFunction,
                       decltype(&JNI_CreateJavaVM)>::value,
              "JNI_CreateJavaVM as jni.h declares it");

// The variadic forms forward to the V slots, as jni.h's own wrappers do.
static jobject CallStaticObject(JNIEnv* env, jclass type, jmethodID method,
                                ...) {
  va_list args;
  va_start(args, method);
  jobject result =
      env->functions->CallStaticObjectMethodV(env, type, method, args);
  va_end(args);
  return result;
}

static void CallStaticVoid(JNIEnv* env, jclass type, jmethodID method, ...) {
  va_list args;
  va_start(args, method);
  env->functions->CallStaticVoidMethodV(env, type, method, args);
  va_end(args);
}

int ClearPendingException(JNIEnv* env, bool describe) {
  if (env == nullptr) return 0;
  const JNINativeInterface_* jni = env->functions;
  jthrowable pending = jni->ExceptionOccurred(env);
  if (pending == nullptr) return 0;
  if (describe) jni->ExceptionDescribe(env);
  jni->ExceptionClear(env);
  // The handler's thread never returns to Java, which would free it.
  jni->DeleteLocalRef(env, pending);
  return 1;
}

char* Slashed(char* name) {
  for (char* c = name; *c != '\0'; ++c) {
    if (*c == '.') *c = '/';
  }
  return name;
}

// A Java string of narrow text; null text becomes "".
static jstring NewJavaString(JNIEnv* env, const char* text) {
  WideTextBuffer wide;
  if (text != nullptr) wide.AssignFromAnsi(text, -1);
  const uint16_t* units = wide.CStr();
  jsize length = 0;  // the converted NUL counts in wide.length()
  while (length < wide.length() && units[length] != 0) ++length;
  return env->functions->NewString(env, reinterpret_cast<const jchar*>(units),
                                   length);
}

// String[] of count narrow texts into *array; false (an exception
// pending) when the runtime cannot make it, *array then left for the caller
// to delete when it was made. A thread of the handler lives long: nothing
// it makes may stay referenced.
static bool NewStringArray(JNIEnv* env, int count, const char* const* texts,
                           jobjectArray* array) {
  const JNINativeInterface_* jni = env->functions;
  if (count < 0) count = 0;
  jclass stringClass = jni->FindClass(env, "java/lang/String");
  if (stringClass == nullptr) return false;
  *array = jni->NewObjectArray(env, count, stringClass, nullptr);
  jni->DeleteLocalRef(env, stringClass);
  for (int i = 0; *array != nullptr && i < count; ++i) {
    jstring text = NewJavaString(env, texts[i]);
    if (text == nullptr) return false;
    jni->SetObjectArrayElement(env, *array, i, text);
    jni->DeleteLocalRef(env, text);
  }
  return *array != nullptr;
}

JvmBridge::~JvmBridge() { Shutdown(); }

void JvmBridge::AddOption(const char* option) {
  Trace("vm option %s", option);
  options_.Add(option);
}

int JvmBridge::CreateVm(const char* libraryPath) {
  void* library = PlatformLoadLibrary(libraryPath);
  if (library == nullptr) return RuntimeNotFound;
  Trace("library %s: loaded", libraryPath);
  library_ = library;
  CreateJavaVmFunction create = reinterpret_cast<CreateJavaVmFunction>(
      PlatformFindSymbol(library_, "JNI_CreateJavaVM"));
  if (create == nullptr) return RuntimeInvalid;

  int32_t count = options_.Count();
  // Room for the hooks, so even an empty list is a real array.
  JavaVMOption* list = static_cast<JavaVMOption*>(HeapResize(
      nullptr, sizeof(JavaVMOption) * static_cast<size_t>(count + 2)));
  for (int32_t i = 0; i < count; ++i) {
    list[i].optionString = const_cast<char*>(options_.Entry(i));
    list[i].extraInfo = nullptr;
  }
  if (exitHook_ != nullptr) {
    list[count].optionString = const_cast<char*>("exit");
    list[count++].extraInfo = reinterpret_cast<void*>(exitHook_);
  }
  if (abortHook_ != nullptr) {
    list[count].optionString = const_cast<char*>("abort");
    list[count++].extraInfo = reinterpret_cast<void*>(abortHook_);
  }
  JavaVMInitArgs args;
  args.version = JNI_VERSION_1_2;
  args.nOptions = count;
  args.options = list;
  args.ignoreUnrecognized = JNI_TRUE;
  jint result = create(&vm_, reinterpret_cast<void**>(&env_), &args);
  options_.FreeAll();
  free(list);
  Trace("JNI_CreateJavaVM: %d", static_cast<int>(result));
  if (result != 0) {
    // A failed call may have written either pointer; neither may be used.
    vm_ = nullptr;
    env_ = nullptr;
    return VmStartFailed;
  }
  return Success;
}

int JvmBridge::GetJavaVersion(TextBuffer* version) {
  if (env_ == nullptr) return 0;
  const JNINativeInterface_* jni = env_->functions;
  // Each step only after the one before it succeeded; what failed left an
  // exception, cleared below without a description.
  jclass system = jni->FindClass(env_, "java/lang/System");
  jmethodID getProperty =
      system == nullptr
          ? nullptr
          : jni->GetStaticMethodID(env_, system, "getProperty",
                                   "(Ljava/lang/String;)Ljava/lang/String;");
  jstring name = getProperty == nullptr
                     ? nullptr
                     : jni->NewStringUTF(env_, "java.version");
  jstring value = nullptr;
  if (name != nullptr) {
    value = static_cast<jstring>(
        CallStaticObject(env_, system, getProperty, name));
  }
  if (value != nullptr) {
    const jchar* units = jni->GetStringChars(env_, value, nullptr);
    if (units != nullptr) {
      version->AssignFromWide(reinterpret_cast<const uint16_t*>(units),
                              jni->GetStringLength(env_, value));
      jni->ReleaseStringChars(env_, value, units);
    }
  }
  ClearPendingException(env_, false);
  if (value != nullptr) jni->DeleteLocalRef(env_, value);
  if (name != nullptr) jni->DeleteLocalRef(env_, name);
  if (system != nullptr) jni->DeleteLocalRef(env_, system);
  return name != nullptr;
}

jclass JvmBridge::FindMainClass(const char* className) {
  if (env_ == nullptr) return nullptr;
  TextBuffer name(className);
  jclass found = env_->functions->FindClass(env_, Slashed(name.CStr()));
  if (found == nullptr) ClearPendingException(env_, true);
  return found;
}

int JvmBridge::RunMain(const char* className, int argumentCount,
                       const char* const* arguments) {
  mainThrew_ = false;
  jclass mainClass = FindMainClass(className);
  if (mainClass == nullptr) {
    ClearPendingException(env_, true);
    return MainClassNotFound;
  }
  const JNINativeInterface_* jni = env_->functions;
  const char* mainSignature = "([Ljava/lang/String;)V";
  jmethodID main = jni->GetStaticMethodID(env_, mainClass, "main", mainSignature);
  // java starts a JavaFX Application without a main through launch.
  jclass fx = nullptr;
  if (main == nullptr) {
    ClearPendingException(env_, false);
    fx = jni->FindClass(env_, "javafx/application/Application");
    if (fx != nullptr && jni->IsAssignableFrom(env_, mainClass, fx)) {
      main = jni->GetStaticMethodID(env_, fx, "launch",
                                    "(Ljava/lang/Class;[Ljava/lang/String;)V");
    }
    ClearPendingException(env_, false);
  }
  if (main == nullptr) {
    // Asked again for the runtime's own account of what is missing.
    jni->GetStaticMethodID(env_, mainClass, "main", mainSignature);
    ClearPendingException(env_, true);
    return MainMethodMissing;
  }
  // Without the array main cannot be called at all; going on would hand
  // null to the runtime, so this ends the launch like a failed start.
  jobjectArray array = nullptr;
  int result = NewStringArray(env_, argumentCount, arguments, &array)
                   ? Success
                   : VmInitFailed;
  if (result == Success && fx != nullptr) {
    CallStaticVoid(env_, fx, main, mainClass, array);
  } else if (result == Success) {
    CallStaticVoid(env_, mainClass, main, array);
  }
  // An exception out of main is the application's own end, not a failure
  // of the launch; only the exit status tells, as with java.
  bool threw = ClearPendingException(env_, true) != 0;
  if (result == Success) {
    mainThrew_ = threw;
    Trace("main returned%s", threw ? " by an exception" : "");
  }
  if (array != nullptr) jni->DeleteLocalRef(env_, array);
  if (fx != nullptr) jni->DeleteLocalRef(env_, fx);
  jni->DeleteLocalRef(env_, mainClass);
  return result;
}

void JvmBridge::Shutdown() {
  if (vm_ != nullptr) {
    const JNIInvokeInterface_* invoke = vm_->functions;
    invoke->DetachCurrentThread(vm_);
    invoke->DestroyJavaVM(vm_);
    vm_ = nullptr;
  }
  // The environment died with the virtual machine; GetJavaVersion and RunMain
  // test it to know whether one runs.
  env_ = nullptr;
  if (library_ != nullptr) {
    PlatformFreeLibrary(library_);
    library_ = nullptr;
  }
}

JNIEnv* JvmBridge::AttachDaemon() {
  JNIEnv* env = nullptr;
  if (vm_ == nullptr ||
      vm_->functions->AttachCurrentThreadAsDaemon(
          vm_, reinterpret_cast<void**>(&env), nullptr) != JNI_OK) {
    return nullptr;
  }
  return env;
}

int CallStaticHandler(JNIEnv* env, const char* className,
                      const char* methodName, const char* texts, int count) {
  const JNINativeInterface_* jni = env->functions;
  const char** arguments = static_cast<const char**>(
      HeapResize(nullptr, sizeof(char*) * static_cast<size_t>(count)));
  for (int i = 0; i < count; texts += strlen(texts) + 1) arguments[i++] = texts;
  // Each step only after the one before it succeeded; what failed, or
  // what the handler threw, goes to the runtime's error stream.
  jclass type = jni->FindClass(env, className);
  jmethodID method =
      type == nullptr ? nullptr
                      : jni->GetStaticMethodID(env, type, methodName,
                                               "(Ljava/lang/String;[Ljava/lang/String;)V");
  jstring directory = method == nullptr ? nullptr : NewJavaString(env, arguments[0]);
  jobjectArray array = nullptr;
  bool called = directory != nullptr &&
                NewStringArray(env, count - 1, arguments + 1, &array);
  if (called) CallStaticVoid(env, type, method, directory, array);
  called = ClearPendingException(env, true) == 0 && called;
  if (array != nullptr) jni->DeleteLocalRef(env, array);
  if (directory != nullptr) jni->DeleteLocalRef(env, directory);
  if (type != nullptr) jni->DeleteLocalRef(env, type);
  free(arguments);
  return called ? 0 : -1;
}
