// Windows: this process, and starting this executable again.
#include <windows.h>

#include "platform/platform.h"
#include "text/text.h"

bool PlatformSetCurrentDirectory(const char* path) {
  return SetCurrentDirectoryA(path) != 0;
}

int PlatformStartSelf(bool wait) {
  char self[kMaxPath];
  if (PlatformModuleFileName(self, kMaxPath) == 0) return -1;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  // Waited for, it shares this one's console and standard handles. Not,
  // it gets a console without a window, which what it starts shares.
  if (!CreateProcessA(self, GetCommandLineA(), nullptr, nullptr, wait,
                      wait ? 0 : CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  CloseHandle(process.hThread);
  DWORD status = 0;
  if (wait) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
  }
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

unsigned long PlatformProcessId() { return GetCurrentProcessId(); }
