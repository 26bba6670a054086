// Linux: this process, and starting this executable again.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/platform.h"
#include "text/text.h"

extern char** environ;

bool PlatformSetCurrentDirectory(const char* path) { return chdir(path) == 0; }

int PlatformStartSelf(bool wait) {
  char self[kMaxPath];
  if (PlatformModuleFileName(self, kMaxPath) == 0) return -1;
  // The arguments as this process got them, each ended by a NUL.
  PlatformFile* file = PlatformOpenFile("/proc/self/cmdline");
  if (file == nullptr) return -1;
  ByteBuffer line;
  for (int64_t got = 1; got > 0;) {
    int32_t at = line.length();
    line.Resize(at + 4096);
    got = PlatformReadFile(file, line.data() + at, 4096);
    line.Resize(at + static_cast<int32_t>(got > 0 ? got : 0));
  }
  PlatformCloseFile(file);
  int count = 0;
  for (int32_t i = 0; i < line.length(); ++i) count += line.data()[i] == 0;
  if (count == 0) return -1;
  char** argv = static_cast<char**>(HeapResize(nullptr, (count + 1) * sizeof(char*)));
  char* next = line.data();
  for (int i = 0; i < count; next += strlen(next) + 1) argv[i++] = next;
  argv[0] = self;
  argv[count] = nullptr;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  if (!wait) {
    // A reader of this process's output must not wait for the other one,
    // nor must whoever holds a pipe this process inherited without
    // close-on-exec (a test harness, make's job server).
    for (int fd = 0; fd < 3; ++fd) {
      posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
    }
    if (DIR* open = opendir("/proc/self/fd")) {
      while (struct dirent* entry = readdir(open)) {
        int fd = atoi(entry->d_name);
        // The listing's own is closed by then: no error for that one.
        if (fd > 2) posix_spawn_file_actions_addclose(&actions, fd);
      }
      closedir(open);
    }
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  }
  pid_t child;
  int failed = posix_spawn(&child, self, &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  free(argv);
  if (failed != 0) return -1;
  if (!wait) return 0;
  int status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

unsigned long PlatformProcessId() {
  return static_cast<unsigned long>(getpid());
}
