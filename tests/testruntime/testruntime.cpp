// A Java runtime of our own for the tests: built as jvm.dll / libjvm.so, it
// exports JNI_CreateJavaVM and serves the JNI and invocation functions the
// launcher calls, the way a scenario asks, recording every call. Any other
// slot of either function table, a call with the wrong JNIEnv / JavaVM, a
// released or foreign reference, or a call made while an exception is
// pending (other than those JNI allows then) aborts the process loudly.
//
// With -Xshare:dump, as Java 17: writes a small file to the path of
// -XX:SharedArchiveFile= and ends the process (status 1 if it cannot).
//
// Scenario: options "-Dtestruntime.scenario=a,b,..." (several such options
// add up), each item one of
//   create-fails      JNI_CreateJavaVM writes junk to both pointers and
//                     returns JNI_ERR
//   no-system         FindClass("java/lang/System") fails
//   no-getproperty    System has no getProperty(String)
//   version=TEXT      java.version is TEXT (UTF-8); default 17.0.2
//   vm-version=TEXT   java.vm.version is TEXT; default 17.0.2+8-86
//   null-version      getProperty gives null
//   no-main-class     no application class is found
//   no-main-method    no class has main([Ljava/lang/String;)V
//   main-throws       main leaves a java/lang/IllegalStateException pending
//   main-sleeps=MS    main takes MS milliseconds (a splash stays up)
//   main-prints       main writes "hello from main" and a line break to the
//                     process's standard output, as System.out does
//   main-exits=N      main ends the process with status N, as System.exit
//   no-string-class   FindClass("java/lang/String") fails
//   newstring-fails   NewString fails with java/lang/OutOfMemoryError
//   log-cwd           JNI_CreateJavaVM logs "cwd PATH", the current directory
//   load-library=NAME main loads NAME as System.loadLibrary does: from
//                     the last -Djava.library.path= folder, by its full
//                     path with the system's default search for what the
//                     library itself needs (Windows: NAME.dll, LoadLibrary;
//                     Linux: libNAME.so, dlopen), and logs what its export
//                     ZovJniIdentity returns
//   main-window=MS    (Windows) main shows a minimized window titled
//                     "testruntime window" for MS milliseconds and logs
//                     "window restored" when it is restored
//   main-until=PATH   main returns once the file PATH exists (2 minutes
//                     at most), so that another thread can call in
// Any class has a static method of the instance handler's signature
// (String, String[]); called on a thread attached as a daemon, it logs its
// arguments, throws java/lang/IllegalArgumentException when one of them is
// "throw" and takes 15 seconds when one is "hang".
// Option "-Dtestruntime.mainclass=a/B" makes a/B the only application class
// found; without it every class is found except names containing '.' (as
// in HotSpot) and names starting "missing/". Classes "java/..." are system
// classes. Failed lookups leave java/lang/NoClassDefFoundError or
// java/lang/NoSuchMethodError pending.
//
// Log: appended to the file named by ZOV_TESTRUNTIME_LOG (read when
// JNI_CreateJavaVM is called; no variable, no log), one line per call, text
// as UTF-8 with bytes below 0x20 written \xNN and '\' as \\:
//   JNI_CreateJavaVM version=0x00010002 nOptions=N ignoreUnrecognized=B
//   option[I]=TEXT                  one per option; " extraInfo" if not null
//   dependency NAME                 (jvm.dll with a dependency only)
//   loadLibrary NAME -> IDENTITY    " -> error N" when it cannot load
//   FindClass NAME                  " -> null" appended when it fails
//   GetStaticMethodID CLASS.NAME SIGNATURE          " -> null" likewise
//   IsAssignableFrom CLASS SUPER -> false
//   NewStringUTF TEXT | NewString TEXT ( -> null) | GetStringChars TEXT
//   GetStringLength TEXT | ReleaseStringChars TEXT
//   CallStaticObjectMethodV CLASS.getProperty ARG
//   NewObjectArray LENGTH CLASS
//   SetObjectArrayElement INDEX REF
//   CallStaticVoidMethodV CLASS.main args=N, then main.arg[I]=TEXT per
//                                   element (main.arg[I] null for null)
//   CallStaticVoidMethodV CLASS.NAME directory=TEXT args=N, then
//                                   NAME.arg[I]=TEXT (the handler)
//   AttachCurrentThreadAsDaemon
//   ExceptionOccurred -> CLASS | ExceptionOccurred -> null
//   ExceptionDescribe CLASS | ExceptionClear
//   DeleteLocalRef REF              REF: class NAME, string TEXT,
//                                   array[N], throwable CLASS
//   DetachCurrentThread | DestroyJavaVM
//   UNEXPECTED WHAT                 just before the abort
#define _JNI_IMPLEMENTATION_
#include <jni.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#ifdef ZOV_TESTRUNTIME_DEPENDENCY
extern "C" __declspec(dllimport) const char* ZovDepIdentity();
#endif

namespace {

struct Object {
  enum Kind { kClass, kString, kArray, kThrowable } kind;
  std::string name;      // of the class, or of the throwable's class
  std::u16string chars;  // of a string
  std::vector<Object*> elements;
  bool released = false;
};

struct Method {
  std::string owner;
  std::string name;
  std::string signature;
};

struct State {
  std::string logPath;
  std::vector<std::string> scenario;
  std::string mainClass;
  std::string version;
  std::string vmVersion;
  std::string libraryPath;  // the last -Djava.library.path=
  std::string loadLibrary;
  int mainMillis = 0;
  int mainExit = -1;
  int windowMillis = 0;
  std::string mainUntil;
  std::vector<std::unique_ptr<Object>> objects;
  std::vector<std::unique_ptr<Method>> methods;
  Object* pending = nullptr;
  int charsOut = 0;
  bool running = false;
};

State* state = nullptr;

const char kHandlerSignature[] = "(Ljava/lang/String;[Ljava/lang/String;)V";

JNINativeInterface_ jniTable;
JNIInvokeInterface_ invokeTable;
JNIEnv_ theEnv = {&jniTable};
JavaVM_ theVm = {&invokeTable};

std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20) {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ToUtf8(const std::u16string& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() &&
        units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < text.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += static_cast<size_t>(extra) + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (cp >> 10));
      out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

void Log(const std::string& line) {
  if (state == nullptr || state->logPath.empty()) return;
  FILE* file = fopen(state->logPath.c_str(), "ab");
  if (file == nullptr) return;
  fprintf(file, "%s\n", line.c_str());
  fclose(file);
}

[[noreturn]] void Fail(const std::string& what) {
  Log("UNEXPECTED " + what);
  fprintf(stderr, "testruntime: UNEXPECTED %s\n", what.c_str());
  fflush(stderr);
  abort();
}

#ifdef _WIN32
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_SIZE && w == SIZE_RESTORED) Log("window restored");
  return DefWindowProcA(window, message, w, l);
}

void ShowWindowFor(int millis) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "TESTRUNTIMEWINDOW";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("TESTRUNTIMEWINDOW", "testruntime window",
                              WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, windowClass.hInstance, nullptr);
  ShowWindow(window, SW_SHOWMINIMIZED);
  Log("window shown");
  DWORD end = GetTickCount() + static_cast<DWORD>(millis);
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&message);
    }
    Sleep(20);
  }
  DestroyWindow(window);
}
#else
void ShowWindowFor(int) {}
#endif

void SleepMillis(int millis) {
#ifdef _WIN32
  Sleep(static_cast<DWORD>(millis));
#else
  struct timespec pause = {millis / 1000, (millis % 1000) * 1000000L};
  nanosleep(&pause, nullptr);
#endif
}

// Through the handle, not a C runtime's stdout, the way a runtime does it.
void WriteStandardOutput(const std::string& text) {
#ifdef _WIN32
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(),
            static_cast<DWORD>(text.size()), &written, nullptr);
#else
  fwrite(text.data(), 1, text.size(), stdout);
  fflush(stdout);
#endif
}

bool Has(const char* item) {
  for (const std::string& s : state->scenario) {
    if (s == item) return true;
  }
  return false;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, strlen(prefix), prefix) == 0;
}

std::string Describe(Object* object) {
  if (object == nullptr) return "null";
  switch (object->kind) {
    case Object::kClass:
      return "class " + object->name;
    case Object::kString:
      return "string " + Escape(ToUtf8(object->chars));
    case Object::kArray:
      return "array[" + std::to_string(object->elements.size()) + "]";
    case Object::kThrowable:
      return "throwable " + object->name;
  }
  return "?";
}

Object* NewObject(Object::Kind kind, const std::string& name) {
  state->objects.emplace_back(new Object{kind, name, {}, {}, false});
  return state->objects.back().get();
}

void Throw(const char* className) {
  state->pending = NewObject(Object::kThrowable, className);
}

// Every call starts here: the right environment, a live machine and, unless
// JNI allows the call with an exception pending, none pending.
void Enter(JNIEnv* env, const char* function, bool allowedWhilePending) {
  if (env != &theEnv) Fail(std::string(function) + " with a foreign JNIEnv");
  if (state == nullptr || !state->running) {
    Fail(std::string(function) + " without a running machine");
  }
  if (!allowedWhilePending && state->pending != nullptr) {
    Fail(std::string(function) + " while " + state->pending->name +
         " is pending");
  }
}

// A reference handed back by the launcher must be ours, alive and of the
// expected kind (null allowed only where said).
Object* Ref(void* handle, Object::Kind kind, const char* function,
            bool nullAllowed = false) {
  if (handle == nullptr) {
    if (nullAllowed) return nullptr;
    Fail(std::string(function) + " with a null reference");
  }
  for (const auto& object : state->objects) {
    if (object.get() == handle) {
      if (object->released) {
        Fail(std::string(function) + " with a released " + Describe(object.get()));
      }
      if (object->kind != kind) {
        Fail(std::string(function) + " with a " + Describe(object.get()));
      }
      return object.get();
    }
  }
  Fail(std::string(function) + " with a reference not made here");
}

Method* MethodRef(jmethodID id, const char* function) {
  for (const auto& method : state->methods) {
    if (reinterpret_cast<jmethodID>(method.get()) == id) return method.get();
  }
  Fail(std::string(function) + " with a method id not made here");
}

bool ApplicationClassFound(const std::string& name) {
  if (Has("no-main-class")) return false;
  if (!state->mainClass.empty()) return name == state->mainClass;
  return !StartsWith(name, "missing/");
}

// --- The JNI functions the launcher uses.

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
  Enter(env, "FindClass", false);
  std::string text = name ? name : "";
  bool found;
  if (text.empty() || text.find('.') != std::string::npos) {
    found = false;
  } else if (text == "java/lang/System") {
    found = !Has("no-system");
  } else if (text == "java/lang/String") {
    found = !Has("no-string-class");
  } else if (StartsWith(text, "java/")) {
    found = true;
  } else {
    found = ApplicationClassFound(text);
  }
  if (!found) {
    Log("FindClass " + Escape(text) + " -> null");
    Throw("java/lang/NoClassDefFoundError");
    return nullptr;
  }
  Log("FindClass " + Escape(text));
  return reinterpret_cast<jclass>(NewObject(Object::kClass, text));
}

jthrowable JNICALL ExceptionOccurred(JNIEnv* env) {
  Enter(env, "ExceptionOccurred", true);
  if (state->pending == nullptr) {
    Log("ExceptionOccurred -> null");
    return nullptr;
  }
  Log("ExceptionOccurred -> " + state->pending->name);
  return reinterpret_cast<jthrowable>(
      NewObject(Object::kThrowable, state->pending->name));
}

void JNICALL ExceptionDescribe(JNIEnv* env) {
  Enter(env, "ExceptionDescribe", true);
  std::string name = state->pending ? state->pending->name : "(none)";
  Log("ExceptionDescribe " + name);
  fprintf(stderr, "testruntime: exception %s\n", name.c_str());
  fflush(stderr);
}

void JNICALL ExceptionClear(JNIEnv* env) {
  Enter(env, "ExceptionClear", true);
  Log("ExceptionClear");
  state->pending = nullptr;
}

void JNICALL DeleteLocalRef(JNIEnv* env, jobject ref) {
  Enter(env, "DeleteLocalRef", true);
  if (ref == nullptr) {
    Log("DeleteLocalRef null");
    return;
  }
  Object* object = nullptr;
  for (const auto& o : state->objects) {
    if (o.get() == reinterpret_cast<Object*>(ref)) object = o.get();
  }
  if (object == nullptr) Fail("DeleteLocalRef with a reference not made here");
  if (object->released) Fail("DeleteLocalRef twice on " + Describe(object));
  Log("DeleteLocalRef " + Describe(object));
  object->released = true;
}

// No class of the test runtime extends another.
jboolean JNICALL IsAssignableFrom(JNIEnv* env, jclass type, jclass super) {
  Enter(env, "IsAssignableFrom", false);
  Object* from = Ref(type, Object::kClass, "IsAssignableFrom");
  Object* to = Ref(super, Object::kClass, "IsAssignableFrom");
  Log("IsAssignableFrom " + from->name + " " + to->name + " -> false");
  return JNI_FALSE;
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass type,
                                    const char* name, const char* signature) {
  Enter(env, "GetStaticMethodID", false);
  Object* owner = Ref(type, Object::kClass, "GetStaticMethodID");
  std::string method = name ? name : "";
  std::string sig = signature ? signature : "";
  std::string line =
      "GetStaticMethodID " + owner->name + "." + Escape(method) + " " + Escape(sig);
  bool found;
  if (owner->name == "java/lang/System") {
    found = method == "getProperty" &&
            sig == "(Ljava/lang/String;)Ljava/lang/String;" &&
            !Has("no-getproperty");
  } else if (sig == kHandlerSignature) {
    found = true;
  } else {
    found = method == "main" && sig == "([Ljava/lang/String;)V" &&
            !Has("no-main-method");
  }
  if (!found) {
    Log(line + " -> null");
    Throw("java/lang/NoSuchMethodError");
    return nullptr;
  }
  Log(line);
  state->methods.emplace_back(new Method{owner->name, method, sig});
  return reinterpret_cast<jmethodID>(state->methods.back().get());
}

bool FileExists(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file != nullptr) fclose(file);
  return file != nullptr;
}

void LogArray(Object* array, const std::string& name) {
  for (size_t i = 0; i < array->elements.size(); ++i) {
    Object* element = array->elements[i];
    std::string prefix = name + ".arg[" + std::to_string(i) + "]";
    Log(element ? prefix + "=" + Escape(ToUtf8(element->chars))
                : prefix + " null");
  }
}

void CallHandler(Object* owner, Method* method, va_list args) {
  Object* directory = Ref(va_arg(args, jstring), Object::kString,
                          "CallStaticVoidMethodV");
  Object* array =
      Ref(va_arg(args, jobjectArray), Object::kArray, "CallStaticVoidMethodV");
  Log("CallStaticVoidMethodV " + owner->name + "." + method->name +
      " directory=" + Escape(ToUtf8(directory->chars)) +
      " args=" + std::to_string(array->elements.size()));
  LogArray(array, method->name);
  for (Object* element : array->elements) {
    std::string text = element ? ToUtf8(element->chars) : "";
    if (text == "hang") SleepMillis(15000);
    if (text == "throw") Throw("java/lang/IllegalArgumentException");
  }
}

jobject JNICALL CallStaticObjectMethodV(JNIEnv* env, jclass type,
                                        jmethodID id, va_list args) {
  Enter(env, "CallStaticObjectMethodV", false);
  Object* owner = Ref(type, Object::kClass, "CallStaticObjectMethodV");
  Method* method = MethodRef(id, "CallStaticObjectMethodV");
  if (method->owner != owner->name || method->name != "getProperty") {
    Fail("CallStaticObjectMethodV of " + owner->name + "." + method->name);
  }
  Object* key = Ref(va_arg(args, jstring), Object::kString,
                    "CallStaticObjectMethodV");
  std::string keyText = ToUtf8(key->chars);
  Log("CallStaticObjectMethodV " + owner->name + ".getProperty " +
      Escape(keyText));
  const std::string* text = keyText == "java.version"      ? &state->version
                           : keyText == "java.vm.version" ? &state->vmVersion
                                                          : nullptr;
  if (text == nullptr || Has("null-version")) return nullptr;
  Object* value = NewObject(Object::kString, "java/lang/String");
  value->chars = FromUtf8(*text);
  return reinterpret_cast<jobject>(value);
}

void LoadApplicationLibrary(const std::string& name) {
  typedef const char* (*Identity)();
  void* identity = nullptr;
  unsigned long error = 0;
#ifdef _WIN32
  std::string path = state->libraryPath + "\\" + name + ".dll";
  HMODULE library = LoadLibraryA(path.c_str());
  if (library != nullptr) {
    identity = reinterpret_cast<void*>(GetProcAddress(library, "ZovJniIdentity"));
  }
  error = GetLastError();
#else
  std::string path = state->libraryPath + "/lib" + name + ".so";
  void* library = dlopen(path.c_str(), RTLD_NOW);
  if (library != nullptr) identity = dlsym(library, "ZovJniIdentity");
  error = library == nullptr;
#endif
  Log("loadLibrary " + name + " -> " +
      (identity != nullptr ? std::string(reinterpret_cast<Identity>(identity)())
                           : "error " + std::to_string(error)));
}

void JNICALL CallStaticVoidMethodV(JNIEnv* env, jclass type, jmethodID id,
                                   va_list args) {
  Enter(env, "CallStaticVoidMethodV", false);
  Object* owner = Ref(type, Object::kClass, "CallStaticVoidMethodV");
  Method* method = MethodRef(id, "CallStaticVoidMethodV");
  if (method->owner == owner->name && method->signature == kHandlerSignature) {
    CallHandler(owner, method, args);
    return;
  }
  if (method->owner != owner->name || method->name != "main") {
    Fail("CallStaticVoidMethodV of " + owner->name + "." + method->name);
  }
  Object* array =
      Ref(va_arg(args, jobjectArray), Object::kArray, "CallStaticVoidMethodV");
  Log("CallStaticVoidMethodV " + owner->name + ".main args=" +
      std::to_string(array->elements.size()));
  LogArray(array, "main");
  if (state->mainMillis > 0) SleepMillis(state->mainMillis);
  for (int i = 0; i < 1200 && !state->mainUntil.empty() &&
                  !FileExists(state->mainUntil); ++i) {
    SleepMillis(100);
  }
  if (state->windowMillis > 0) ShowWindowFor(state->windowMillis);
  if (Has("main-prints")) WriteStandardOutput("hello from main\n");
  if (!state->loadLibrary.empty()) LoadApplicationLibrary(state->loadLibrary);
  if (state->mainExit >= 0) {
    Log("exit " + std::to_string(state->mainExit));
    exit(state->mainExit);
  }
  if (Has("main-throws")) Throw("java/lang/IllegalStateException");
}

jstring JNICALL NewString(JNIEnv* env, const jchar* units, jsize length) {
  Enter(env, "NewString", false);
  if (length < 0 || (length > 0 && units == nullptr)) {
    Fail("NewString with length " + std::to_string(length));
  }
  std::u16string chars(reinterpret_cast<const char16_t*>(units),
                       static_cast<size_t>(length));
  if (Has("newstring-fails")) {
    Log("NewString " + Escape(ToUtf8(chars)) + " -> null");
    Throw("java/lang/OutOfMemoryError");
    return nullptr;
  }
  Log("NewString " + Escape(ToUtf8(chars)));
  Object* string = NewObject(Object::kString, "java/lang/String");
  string->chars = chars;
  return reinterpret_cast<jstring>(string);
}

jsize JNICALL GetStringLength(JNIEnv* env, jstring handle) {
  Enter(env, "GetStringLength", false);
  Object* string = Ref(handle, Object::kString, "GetStringLength");
  Log("GetStringLength " + Escape(ToUtf8(string->chars)));
  return static_cast<jsize>(string->chars.size());
}

const jchar* JNICALL GetStringChars(JNIEnv* env, jstring handle,
                                    jboolean* isCopy) {
  Enter(env, "GetStringChars", false);
  Object* string = Ref(handle, Object::kString, "GetStringChars");
  Log("GetStringChars " + Escape(ToUtf8(string->chars)));
  if (isCopy != nullptr) *isCopy = JNI_FALSE;
  ++state->charsOut;
  return reinterpret_cast<const jchar*>(string->chars.c_str());
}

void JNICALL ReleaseStringChars(JNIEnv* env, jstring handle,
                                const jchar* units) {
  Enter(env, "ReleaseStringChars", true);
  Object* string = Ref(handle, Object::kString, "ReleaseStringChars");
  if (units != reinterpret_cast<const jchar*>(string->chars.c_str()) ||
      state->charsOut == 0) {
    Fail("ReleaseStringChars of units GetStringChars did not give");
  }
  --state->charsOut;
  Log("ReleaseStringChars " + Escape(ToUtf8(string->chars)));
}

jstring JNICALL NewStringUTF(JNIEnv* env, const char* text) {
  Enter(env, "NewStringUTF", false);
  if (text == nullptr) Fail("NewStringUTF with null");
  Log("NewStringUTF " + Escape(text));
  Object* string = NewObject(Object::kString, "java/lang/String");
  string->chars = FromUtf8(text);
  return reinterpret_cast<jstring>(string);
}

jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass type,
                                    jobject initial) {
  Enter(env, "NewObjectArray", false);
  Object* element = Ref(type, Object::kClass, "NewObjectArray");
  if (length < 0) Fail("NewObjectArray of length " + std::to_string(length));
  Log("NewObjectArray " + std::to_string(length) + " " + element->name +
      (initial ? " initial" : ""));
  Object* array = NewObject(Object::kArray, element->name);
  array->elements.assign(static_cast<size_t>(length),
                         reinterpret_cast<Object*>(initial));
  return reinterpret_cast<jobjectArray>(array);
}

void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray handle,
                                   jsize index, jobject value) {
  Enter(env, "SetObjectArrayElement", false);
  Object* array = Ref(handle, Object::kArray, "SetObjectArrayElement");
  Object* element =
      Ref(value, Object::kString, "SetObjectArrayElement", true);
  if (index < 0 || static_cast<size_t>(index) >= array->elements.size()) {
    Fail("SetObjectArrayElement at " + std::to_string(index) + " of " +
         Describe(array));
  }
  Log("SetObjectArrayElement " + std::to_string(index) + " " +
      Describe(element));
  array->elements[static_cast<size_t>(index)] = element;
}

// --- The invocation interface.

void EnterVm(JavaVM* vm, const char* function) {
  if (vm != &theVm) Fail(std::string(function) + " with a foreign JavaVM");
  if (state == nullptr || !state->running) {
    Fail(std::string(function) + " without a running machine");
  }
}

jint JNICALL DetachCurrentThread(JavaVM* vm) {
  EnterVm(vm, "DetachCurrentThread");
  Log("DetachCurrentThread");
  return JNI_OK;
}

jint JNICALL AttachCurrentThreadAsDaemon(JavaVM* vm, void** env, void*) {
  EnterVm(vm, "AttachCurrentThreadAsDaemon");
  Log("AttachCurrentThreadAsDaemon");
  *env = &theEnv;
  return JNI_OK;
}

jint JNICALL DestroyJavaVM(JavaVM* vm) {
  EnterVm(vm, "DestroyJavaVM");
  if (state->pending != nullptr) {
    Fail("DestroyJavaVM while " + state->pending->name + " is pending");
  }
  Log("DestroyJavaVM");
  state->running = false;
  return JNI_OK;
}

// --- Every other slot.

template <size_t Index>
void JNICALL UnexpectedJni() {
  Fail("JNI function " + std::to_string(Index));
}

template <size_t Index>
void JNICALL UnexpectedInvoke() {
  Fail("invocation function " + std::to_string(Index));
}

template <typename Table, size_t... Index>
void FillSlots(Table* table, bool jni, std::index_sequence<Index...>) {
  void* slots[] = {jni ? reinterpret_cast<void*>(&UnexpectedJni<Index>)
                       : reinterpret_cast<void*>(&UnexpectedInvoke<Index>)...};
  memcpy(static_cast<void*>(table), slots, sizeof slots);
}

void BuildTables() {
  static_assert(sizeof(JNINativeInterface_) % sizeof(void*) == 0, "slots");
  FillSlots(&jniTable, true,
            std::make_index_sequence<sizeof(JNINativeInterface_) /
                                     sizeof(void*)>());
  FillSlots(&invokeTable, false,
            std::make_index_sequence<sizeof(JNIInvokeInterface_) /
                                     sizeof(void*)>());
  jniTable.FindClass = FindClass;
  jniTable.ExceptionOccurred = ExceptionOccurred;
  jniTable.ExceptionDescribe = ExceptionDescribe;
  jniTable.ExceptionClear = ExceptionClear;
  jniTable.DeleteLocalRef = DeleteLocalRef;
  jniTable.GetStaticMethodID = GetStaticMethodID;
  jniTable.IsAssignableFrom = IsAssignableFrom;
  jniTable.CallStaticObjectMethodV = CallStaticObjectMethodV;
  jniTable.CallStaticVoidMethodV = CallStaticVoidMethodV;
  jniTable.NewString = NewString;
  jniTable.GetStringLength = GetStringLength;
  jniTable.GetStringChars = GetStringChars;
  jniTable.ReleaseStringChars = ReleaseStringChars;
  jniTable.NewStringUTF = NewStringUTF;
  jniTable.NewObjectArray = NewObjectArray;
  jniTable.SetObjectArrayElement = SetObjectArrayElement;
  invokeTable.DestroyJavaVM = DestroyJavaVM;
  invokeTable.DetachCurrentThread = DetachCurrentThread;
  invokeTable.AttachCurrentThreadAsDaemon = AttachCurrentThreadAsDaemon;
}

std::string LogPathFromEnvironment() {
#ifdef _WIN32
  // msvcrt's getenv misses what SetEnvironmentVariableA set after start-up.
  char buffer[4096];
  DWORD n = GetEnvironmentVariableA("ZOV_TESTRUNTIME_LOG", buffer,
                                    sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
#else
  const char* value = getenv("ZOV_TESTRUNTIME_LOG");
  return value ? value : "";
#endif
}

void ReadScenario(const std::string& option) {
  static const char kScenario[] = "-Dtestruntime.scenario=";
  static const char kMainClass[] = "-Dtestruntime.mainclass=";
  static const char kLibraryPath[] = "-Djava.library.path=";
  if (StartsWith(option, kLibraryPath)) {
    state->libraryPath = option.substr(sizeof kLibraryPath - 1);
    return;
  }
  if (StartsWith(option, kMainClass)) {
    state->mainClass = option.substr(sizeof kMainClass - 1);
    return;
  }
  if (!StartsWith(option, kScenario)) return;
  std::string items = option.substr(sizeof kScenario - 1) + ",";
  size_t start = 0;
  for (size_t comma; (comma = items.find(',', start)) != std::string::npos;
       start = comma + 1) {
    std::string item = items.substr(start, comma - start);
    if (StartsWith(item, "version=")) {
      state->version = item.substr(8);
    } else if (StartsWith(item, "vm-version=")) {
      state->vmVersion = item.substr(11);
    } else if (StartsWith(item, "main-exits=")) {
      state->mainExit = atoi(item.c_str() + 11);
    } else if (StartsWith(item, "load-library=")) {
      state->loadLibrary = item.substr(13);
    } else if (StartsWith(item, "main-window=")) {
      state->windowMillis = atoi(item.c_str() + 12);
    } else if (StartsWith(item, "main-until=")) {
      state->mainUntil = item.substr(11);
    } else if (StartsWith(item, "main-sleeps=")) {
      state->mainMillis = atoi(item.c_str() + 12);
    } else if (!item.empty()) {
      state->scenario.push_back(item);
    }
  }
}

}  // namespace

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env,
                                                   void* rawArgs) {
  // A fresh machine each time: the library may stay loaded between tests.
  delete state;
  state = new State;
  state->version = "17.0.2";
  state->vmVersion = "17.0.2+8-86";
  state->logPath = LogPathFromEnvironment();
  BuildTables();

  const JavaVMInitArgs* args = static_cast<const JavaVMInitArgs*>(rawArgs);
  char header[128];
  snprintf(header, sizeof header,
           "JNI_CreateJavaVM version=0x%08X nOptions=%d ignoreUnrecognized=%d",
           static_cast<unsigned>(args->version), static_cast<int>(args->nOptions),
           static_cast<int>(args->ignoreUnrecognized));
  Log(header);
  if (args->nOptions > 0 && args->options == nullptr) Fail("null option array");
  bool dump = false;
  std::string archive;
  for (jint i = 0; i < args->nOptions; ++i) {
    const JavaVMOption& option = args->options[i];
    std::string text = option.optionString ? option.optionString : "";
    Log("option[" + std::to_string(i) + "]=" + Escape(text) +
        (option.extraInfo ? " extraInfo" : ""));
    ReadScenario(text);
    dump = dump || text == "-Xshare:dump";
    const std::string kArchive = "-XX:SharedArchiveFile=";
    if (text.compare(0, kArchive.size(), kArchive) == 0) archive = text.substr(kArchive.size());
  }
  // As Java 17 does: the archive written, the process ends.
  if (dump) {
    FILE* file = archive.empty() ? nullptr : fopen(archive.c_str(), "wb");
    bool written = file != nullptr && fputs("testruntime archive\n", file) >= 0;
    if (file != nullptr) written = fclose(file) == 0 && written;
    exit(written ? 0 : 1);
  }
#ifdef ZOV_TESTRUNTIME_DEPENDENCY
  Log(std::string("dependency ") + ZovDepIdentity());
#endif

  if (Has("create-fails")) {
    *vm = reinterpret_cast<JavaVM*>(static_cast<uintptr_t>(0xBAD0));
    *env = reinterpret_cast<void*>(static_cast<uintptr_t>(0xBAD1));
    return JNI_ERR;
  }
  if (Has("log-cwd")) {
    char cwd[4096] = "";
#ifdef _WIN32
    GetCurrentDirectoryA(sizeof cwd, cwd);
#else
    if (getcwd(cwd, sizeof cwd) == nullptr) cwd[0] = 0;
#endif
    Log(std::string("cwd ") + Escape(cwd));
  }
  state->running = true;
  *vm = &theVm;
  *env = &theEnv;
  return JNI_OK;
}
