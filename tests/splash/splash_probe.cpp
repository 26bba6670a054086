// Drives the splash from the outside: splash_wine_test.py writes one command
// a line on standard input and reads one answer line for each, while it
// looks at and types into the window through the X display.
//
//   start R        StartSplash with bitmap resource R (100: LoadSplashBitmap)
//                  -> "started MS X Y W H SCREENW SCREENH" or "started MS none"
//   timer MS       SetCloseTimer(ActiveSplash, MS) -> "armed"
//   stale MS       SetCloseTimer with the pointer of the last started splash,
//                  live or gone -> "armed"
//   wait MS        until the splash is gone, at most MS -> "gone T" with T
//                  the time since the last timer request, or "alive"
//   failclass      StartSplash while a class "ZOVSPLASH" that refuses to
//                  create windows is registered -> "failed MS ACTIVE WINDOW"
//   race N         N splashes, each closed while a stream of timer requests
//                  races its tear-down -> "raced" (or "stuck")
//   quit
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "splash/splash.h"

namespace {

const char kCaption[] = "Please wait ...";

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(counter.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

HWND SplashHandle() { return FindWindowA("ZOVSPLASH", nullptr); }

bool Gone() { return ActiveSplash == nullptr && SplashHandle() == nullptr; }

void Answer(const char* format, ...) {
  va_list values;
  va_start(values, format);
  vprintf(format, values);
  va_end(values);
  printf("\n");
  fflush(stdout);
}

LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam,
                                LPARAM lParam) {
  if (message == WM_NCCREATE) return FALSE;
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
  SplashWindow* lastStarted = nullptr;
  double lastTimer = Now();
  char line[256];
  while (fgets(line, sizeof line, stdin) != nullptr) {
    char command[32] = "";
    int number = 0;
    sscanf(line, "%31s %d", command, &number);
    if (strcmp(command, "start") == 0) {
      void* bitmap = number == 100
                         ? LoadSplashBitmap()
                         : LoadBitmapA(GetModuleHandleA(nullptr),
                                       MAKEINTRESOURCEA(number));
      double begin = Now();
      StartSplash(bitmap, kCaption);
      double took = Now() - begin;
      lastStarted = ActiveSplash;
      RECT rect;
      HWND window = SplashHandle();
      if (window != nullptr && GetWindowRect(window, &rect)) {
        Answer("started %.0f %ld %ld %ld %ld %d %d", took, rect.left, rect.top,
               rect.right - rect.left, rect.bottom - rect.top,
               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
      } else {
        Answer("started %.0f none", took);
      }
    } else if (strcmp(command, "timer") == 0) {
      lastTimer = Now();
      SetCloseTimer(ActiveSplash, static_cast<unsigned>(number));
      Answer("armed");
    } else if (strcmp(command, "stale") == 0) {
      lastTimer = Now();
      SetCloseTimer(lastStarted, static_cast<unsigned>(number));
      Answer("armed");
    } else if (strcmp(command, "wait") == 0) {
      double until = Now() + number;
      while (!Gone() && Now() < until) Sleep(10);
      if (Gone()) {
        Answer("gone %.0f", Now() - lastTimer);
      } else {
        Answer("alive");
      }
    } else if (strcmp(command, "failclass") == 0) {
      // Earlier splashes registered the real class for this module.
      UnregisterClassA("ZOVSPLASH", GetModuleHandleA(nullptr));
      WNDCLASSA refusing = {};
      refusing.lpfnWndProc = RefuseCreation;
      refusing.hInstance = GetModuleHandleA(nullptr);
      refusing.lpszClassName = "ZOVSPLASH";
      RegisterClassA(&refusing);
      double begin = Now();
      StartSplash(LoadSplashBitmap(), kCaption);
      double took = Now() - begin;
      Sleep(200);  // the tear-down follows the signal
      Answer("failed %.0f %d %d", took, ActiveSplash != nullptr,
             SplashHandle() != nullptr);
      UnregisterClassA("ZOVSPLASH", GetModuleHandleA(nullptr));
    } else if (strcmp(command, "race") == 0) {
      // A timer request re-arms the countdown, so a stream of them would
      // keep the splash up: close it by message and keep requesting.
      int i = 0;
      for (; i < number; ++i) {
        StartSplash(LoadSplashBitmap(), kCaption);
        SplashWindow* started = ActiveSplash;
        PostMessageA(SplashHandle(), WM_CLOSE, 0, 0);
        double until = Now() + 30000;
        while (!Gone() && Now() < until) {
          SetCloseTimer(ActiveSplash, 60000);
          SetCloseTimer(started, 60000);
        }
        if (!Gone()) break;
      }
      Answer(i == number ? "raced" : "stuck");
    } else if (strcmp(command, "quit") == 0) {
      break;
    } else {
      Answer("unknown %s", command);
    }
  }
  return 0;
}
