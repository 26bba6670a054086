// Windows: the one-instance object, and the named pipe later starts
// deliver to. The pipe admits this user alone and no other machine, and
// its name carries the first instance's process id, which a client checks
// against the pipe's server: a pipe that anyone else made is never used.
#include <stddef.h>
#include <string.h>
#include <windows.h>

#include "platform/platform.h"
#include "text/text.h"

static DWORD holder;  // of the claim, when another process has it
static HANDLE listening;  // null for none: the stub then has no .data

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
  holder = *shared;
  // EnumWindows lists top-level windows from the top of the z-order.
  TopWindowSearch search = {holder, nullptr};
  if (search.process != 0) EnumWindows(FindTopWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return -1;
  if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
  SetForegroundWindow(search.found);
  return 0;
}

static TextBuffer PipeName(const char* name, DWORD process) {
  char digits[12];
  char* first = digits + sizeof digits - 1;
  *first = '\0';
  do *--first = static_cast<char>('0' + process % 10); while (process /= 10);
  TextBuffer pipe("\\\\.\\pipe\\zov-");
  pipe.Append(first);
  pipe.Append("-");
  pipe.Append(name);
  return pipe;
}

bool PlatformListenInstance(const char* name) {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  union {
    TOKEN_USER user;
    char room[128];
  } info;
  DWORD size;
  BOOL known = GetTokenInformation(token, TokenUser, &info, sizeof info, &size);
  CloseHandle(token);
  if (!known) return false;
  // A descriptor whose one entry grants this user everything, laid out as
  // winnt.h defines it: four imports fewer than having it built.
  SID* sid = static_cast<SID*>(info.user.User.Sid);
  WORD sidSize = static_cast<WORD>(8 + 4 * sid->SubAuthorityCount);
  struct {
    ACL acl;
    ACCESS_ALLOWED_ACE ace;  // the SID starts in its last field
    DWORD rest[SID_MAX_SUB_AUTHORITIES + 1];
  } access;
  access.acl = {ACL_REVISION, 0, sizeof access, 1, 0};
  access.ace.Header = {ACCESS_ALLOWED_ACE_TYPE, 0,
                       static_cast<WORD>(offsetof(ACCESS_ALLOWED_ACE, SidStart) + sidSize)};
  access.ace.Mask = FILE_ALL_ACCESS;
  memcpy(&access.ace.SidStart, sid, sidSize);
  SECURITY_DESCRIPTOR descriptor = {SECURITY_DESCRIPTOR_REVISION, 0, SE_DACL_PRESENT,
                                    nullptr, nullptr, nullptr, &access.acl};
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
  TextBuffer pipe = PipeName(name, GetCurrentProcessId());
  HANDLE made = CreateNamedPipeA(
      pipe.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
      1, 512, 65536, 0, &attributes);
  if (made == INVALID_HANDLE_VALUE) return false;
  listening = made;
  return true;
}

// One pipe instance serves the starts one after the other: a channel is
// that instance, and closing it frees it for the next start.
PlatformChannel* PlatformAcceptInstance() {
  while (listening != nullptr) {
    if (ConnectNamedPipe(listening, nullptr) ||
        GetLastError() == ERROR_PIPE_CONNECTED) {
      return reinterpret_cast<PlatformChannel*>(listening);
    }
    // A client that came and went before the connection was taken.
    if (GetLastError() != ERROR_NO_DATA) return nullptr;
    DisconnectNamedPipe(listening);
  }
  return nullptr;
}

static DWORD Remaining(uint32_t deadline) {
  int32_t left = static_cast<int32_t>(deadline - PlatformTickCount());
  return left > 0 ? static_cast<DWORD>(left) : 0;
}

PlatformChannel* PlatformConnectInstance(const char* name, uint32_t deadline) {
  if (holder == 0) return nullptr;
  TextBuffer pipe = PipeName(name, holder);
  do {
    // Identification only: the server may not act as this user.
    HANDLE file = CreateFileA(pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING,
                              SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      ULONG server = 0;
      if (GetNamedPipeServerProcessId(file, &server) && server == holder) {
        return reinterpret_cast<PlatformChannel*>(file);
      }
      CloseHandle(file);
      return nullptr;
    }
    // Busy with an earlier start, or not made yet by one still starting.
    if (GetLastError() != ERROR_PIPE_BUSY ||
        !WaitNamedPipeA(pipe.c_str(), Remaining(deadline) + 1)) {
      Sleep(50);
    }
  } while (Remaining(deadline) > 0);
  return nullptr;
}

// Reads only what has arrived, so that a silent peer costs no more than
// the deadline.
bool PlatformReceive(PlatformChannel* channel, void* data, int32_t count,
                     uint32_t deadline) {
  HANDLE pipe = reinterpret_cast<HANDLE>(channel);
  char* next = static_cast<char*>(data);
  while (count > 0) {
    DWORD ready = 0, got = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &ready, nullptr)) return false;
    if (ready == 0) {
      if (Remaining(deadline) == 0) return false;
      Sleep(10);
      continue;
    }
    if (ready > static_cast<DWORD>(count)) ready = static_cast<DWORD>(count);
    if (!ReadFile(pipe, next, ready, &got, nullptr) || got == 0) return false;
    next += got;
    count -= static_cast<int32_t>(got);
  }
  return true;
}

// The other side reads as it receives, so a write waits no longer than
// that side's own deadline.
bool PlatformSend(PlatformChannel* channel, const void* data, int32_t count,
                  uint32_t) {
  DWORD written = 0;
  return WriteFile(reinterpret_cast<HANDLE>(channel), data,
                   static_cast<DWORD>(count), &written, nullptr) &&
         written == static_cast<DWORD>(count);
}

void PlatformCloseChannel(PlatformChannel* channel) {
  HANDLE pipe = reinterpret_cast<HANDLE>(channel);
  if (pipe == listening) {
    // Disconnecting drops what the client has not read yet: the answer
    // stays until the client closes its end (it sends nothing more).
    char rest;
    PlatformReceive(channel, &rest, 1, PlatformTickCount() + 2000);
    DisconnectNamedPipe(pipe);
  } else if (pipe != nullptr) {
    CloseHandle(pipe);
  }
}

static DWORD WINAPI RunThread(void* function) {
  reinterpret_cast<void (*)()>(function)();
  return 0;
}

bool PlatformStartThread(void (*function)()) {
  HANDLE thread = CreateThread(nullptr, 0, RunThread,
                               reinterpret_cast<void*>(function), 0, nullptr);
  if (thread == nullptr) return false;
  CloseHandle(thread);
  return true;
}
