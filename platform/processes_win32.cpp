// Windows: starting this executable again, and the one-instance object.
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

struct TopWindowSearch {
  DWORD process;
  HWND found;
};

static BOOL CALLBACK FindTopWindow(HWND window, LPARAM context) {
  TopWindowSearch* search = reinterpret_cast<TopWindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

int PlatformClaimInstance(const char* name) {
  // A named mapping goes with the last process that holds it, and carries
  // the first instance's process id to the next start.
  TextBuffer object("zov-instance-");
  object.Append(name);
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr,
                                      PAGE_READWRITE, 0, sizeof(DWORD),
                                      object.c_str());
  if (mapping == nullptr) return 1;
  bool running = GetLastError() == ERROR_ALREADY_EXISTS;
  DWORD* shared = static_cast<DWORD*>(
      MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)));
  if (shared == nullptr) return running ? -1 : 1;
  if (!running) {
    *shared = GetCurrentProcessId();  // mapping and view stay to the end
    return 1;
  }
  // EnumWindows lists top-level windows from the top of the z-order.
  TopWindowSearch search = {*shared, nullptr};
  if (search.process != 0) EnumWindows(FindTopWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return -1;
  if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
  SetForegroundWindow(search.found);
  return 0;
}

unsigned long PlatformProcessId() { return GetCurrentProcessId(); }
