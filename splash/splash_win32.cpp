// The splash window on a thread of its own. The main thread only starts it
// and arms its close timer; the splash thread creates, paints, closes and
// frees everything.
#include "splash/splash.h"

#include <windows.h>

#include <stdlib.h>

// The splash is never worth ending the launch for: where the heap cannot
// hold one, new gives null and the launch goes on without it. realloc,
// which the launcher imports anyway, allocates as malloc does.
#define ZOV_SPLASH_HEAP                                                  \
  static void* operator new(size_t size) noexcept { return realloc(nullptr, size); } \
  static void operator delete(void* p) { free(p); }

class SplashFrame {
 public:
  ZOV_SPLASH_HEAP
  // Registers the class if needed, then creates and shows the window.
  // 1 when the window is up, else 0.
  int Create(HBITMAP bitmap, const char* caption);

  HWND window = nullptr;
};

class SplashWindow final {
 public:
  ZOV_SPLASH_HEAP
  // On the splash thread: publishes the splash, creates its window and
  // signals splashReady whatever the outcome. 1 when the window is up.
  virtual int InitOnThread();

  HANDLE splashReady;
  SplashFrame* frame;
  HBITMAP bitmap;
  const char* caption;  // borrowed
};

SplashWindow* volatile ActiveSplash = nullptr;

namespace {

const char* const kClassName = "ZOVSPLASH";
const UINT_PTR kCloseTimerId = 1;

// Keeps SetCloseTimer apart from the splash thread's stores and tear-down.
// Statically initialised, so the first use is safe from any thread without
// relying on the order of static construction. Not recursive: no holder
// takes it again.
SRWLOCK lock = SRWLOCK_INIT;

class LockHolder {
 public:
  LockHolder() { AcquireSRWLockExclusive(&lock); }
  ~LockHolder() { ReleaseSRWLockExclusive(&lock); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
};

void Paint(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  PAINTSTRUCT paint;
  HDC target = BeginPaint(window, &paint);
  SplashWindow* splash = ActiveSplash;  // this thread's own: no lock
  if (target != nullptr && splash != nullptr) {
    HDC memory = CreateCompatibleDC(target);
    HGDIOBJ kept = SelectObject(memory, splash->bitmap);
    BitBlt(target, 0, 0, client.right - client.left,
           client.bottom - client.top, memory, 0, 0, SRCCOPY);
    SelectObject(memory, kept);
    DeleteDC(memory);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_KEYDOWN:
    case WM_TIMER:
      PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    // Swallowed so that neither Alt+F4 nor a click can close or move it.
    case WM_SYSKEYDOWN:
      return 0;
    default:
      break;
  }
  // The left, right and middle button presses are three messages apart,
  // both in the client area and on the frame.
  UINT client = message - WM_LBUTTONDOWN;
  UINT frame = message - WM_NCLBUTTONDOWN;
  if ((client <= 6 && client % 3 == 0) || (frame <= 6 && frame % 3 == 0)) {
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI SplashThreadMain(void* parameter) {
  SplashWindow* splash = static_cast<SplashWindow*>(parameter);
  if (splash->InitOnThread()) {
    MSG message;
    // -1 is an error, not a message: stop rather than spin.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  {
    LockHolder held;
    ActiveSplash = nullptr;
    SplashFrame* frame = splash->frame;
    splash->frame = nullptr;
    DeleteObject(splash->bitmap);
    delete frame;
  }
  // StartSplash waits on a duplicate of this handle, so closing ours can
  // never pull the handle from under its wait.
  CloseHandle(splash->splashReady);
  delete splash;
  return 0;
}

}  // namespace

int SplashWindow::InitOnThread() {
  {
    LockHolder held;
    ActiveSplash = this;
    frame = new SplashFrame;
  }
  int created = frame != nullptr ? frame->Create(bitmap, caption) : 0;
  SetEvent(splashReady);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
  return created;
}

int SplashFrame::Create(HBITMAP bitmap, const char* caption) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  // Fails harmlessly when an earlier splash registered the class; without
  // it for another reason, the window below cannot be created.
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = SplashWindowProc;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  RegisterClassA(&windowClass);
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  BITMAP size = {};
  GetObjectA(bitmap, sizeof size, &size);
  // Signed, truncating: a bitmap larger than the screen starts off-screen.
  HWND created = CreateWindowExA(
      0, kClassName, caption, WS_POPUP | WS_VISIBLE,
      (screenWidth - size.bmWidth) / 2, (screenHeight - size.bmHeight) / 2,
      size.bmWidth, size.bmHeight, nullptr, nullptr, module, nullptr);
  {
    LockHolder held;
    window = created;
  }
  if (created == nullptr) return 0;
  ShowWindow(created, SW_SHOW);
  UpdateWindow(created);
  return 1;
}

void* LoadSplashBitmap() {
  return LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100));
}

void StartSplash(void* bitmap, const char* caption) {
  SplashWindow* splash = new SplashWindow;
  if (splash == nullptr) {
    DeleteObject(static_cast<HBITMAP>(bitmap));
    return;
  }
  splash->frame = nullptr;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
  splash->splashReady = CreateEventA(&attributes, TRUE, FALSE, nullptr);
  splash->bitmap = static_cast<HBITMAP>(bitmap);
  splash->caption = caption;
  // The splash thread closes its handle (and frees the object) whenever it
  // ends, possibly while this thread still waits: wait on a handle of our
  // own, so each side closes only what it holds.
  HANDLE ready = nullptr;
  HANDLE process = GetCurrentProcess();
  if (splash->splashReady != nullptr) {
    DuplicateHandle(process, splash->splashReady, process, &ready, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  }
  HANDLE thread = CreateThread(nullptr, 0, SplashThreadMain, splash, 0,
                               nullptr);
  if (thread == nullptr) {
    DeleteObject(splash->bitmap);
    if (splash->splashReady != nullptr) CloseHandle(splash->splashReady);
    if (ready != nullptr) CloseHandle(ready);
    delete splash;
    return;
  }
  CloseHandle(thread);
  if (ready != nullptr) {
    WaitForSingleObject(ready, 30000);
    CloseHandle(ready);
  }
}

void SetCloseTimer(SplashWindow* splash, unsigned delayMs) {
  if (splash == nullptr) return;
  LockHolder held;
  // The caller read ActiveSplash before the lock was taken; a splash that
  // has gone since may already be freed, so only the live one is touched.
  if (splash != ActiveSplash || splash->frame == nullptr ||
      splash->frame->window == nullptr) {
    return;
  }
  SetTimer(splash->frame->window, kCloseTimerId, delayMs, nullptr);
}
