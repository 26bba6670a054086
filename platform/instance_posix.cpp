// Linux: the one-instance lock, and the socket later starts deliver to.
// The socket sits in a folder only the user can enter, and each side
// checks the other's user with SO_PEERCRED all the same.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "platform/glibc_floor.h"
#include "platform/platform.h"
#include "text/text.h"

// In libpthread until 2.34, which the launcher links by name.
ZOV_OLDEST_GLIBC(pthread_create);
ZOV_OLDEST_GLIBC(pthread_detach);

static int listening = -1;

// $XDG_RUNTIME_DIR (else /tmp) + "/zov-UID" + rest.
static TextBuffer UserPath(const char* rest) {
  TextBuffer path;
  if (!PlatformGetEnvironment("XDG_RUNTIME_DIR", &path) || path.c_str()[0] != '/') {
    path.Assign("/tmp", 4);
  }
  char user[32];
  snprintf(user, sizeof user, "/zov-%u", static_cast<unsigned>(getuid()));
  path.Append(user);
  path.Append(rest);
  return path;
}

int PlatformClaimInstance(const char* name) {
  // The lock, not the file, says that an instance runs: the system drops
  // it with the process however that ends.
  TextBuffer path = UserPath("-");
  path.Append(name);
  path.Append(".lock");
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return 1;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;  // held until the end
  int busy = errno == EWOULDBLOCK;
  close(fd);
  return busy ? -1 : 1;
}

// The socket's address; false when the path does not fit one.
static bool SocketAddress(const char* name, sockaddr_un* address) {
  TextBuffer path = UserPath("/");
  path.Append(name);
  memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.length() >= static_cast<int32_t>(sizeof address->sun_path)) return false;
  memcpy(address->sun_path, path.c_str(), path.length());
  return true;
}

static bool PeerIsThisUser(int fd) {
  ucred peer;
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == getuid();
}

bool PlatformListenInstance(const char* name) {
  sockaddr_un address;
  if (!SocketAddress(name, &address)) return false;
  TextBuffer folder = UserPath("");
  mkdir(folder.c_str(), 0700);
  // Made by someone else, or opened to others: not a place for the socket.
  struct stat info;
  if (StatLink(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
      info.st_uid != getuid() || (info.st_mode & 077) != 0) {
    return false;
  }
  // Left by an instance that crashed; this process holds the claim now.
  unlink(address.sun_path);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 64) != 0) {
    close(fd);
    return false;
  }
  listening = fd;
  return true;
}

// A channel is its descriptor + 1, so that descriptor 0 is not null.
static int Descriptor(PlatformChannel* channel) {
  return static_cast<int>(reinterpret_cast<intptr_t>(channel)) - 1;
}

static PlatformChannel* Channel(int fd) {
  return reinterpret_cast<PlatformChannel*>(static_cast<intptr_t>(fd) + 1);
}

PlatformChannel* PlatformAcceptInstance() {
  while (listening >= 0) {
    int fd = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return nullptr;
    }
    if (PeerIsThisUser(fd)) return Channel(fd);
    close(fd);
  }
  return nullptr;
}

static void Pause(int millis) {
  timespec pause = {0, millis * 1000000L};
  nanosleep(&pause, nullptr);
}

static int Remaining(uint32_t deadline) {
  int32_t left = static_cast<int32_t>(deadline - PlatformTickCount());
  return left > 0 ? left : 0;
}

PlatformChannel* PlatformConnectInstance(const char* name, uint32_t deadline) {
  sockaddr_un address;
  if (!SocketAddress(name, &address)) return nullptr;
  do {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    // connect waits while the instance's queue is full: not past deadline.
    int left = Remaining(deadline);
    timeval wait = {left / 1000, (left % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      if (PeerIsThisUser(fd)) return Channel(fd);
      close(fd);
      return nullptr;
    }
    int failure = errno;
    close(fd);
    // The instance claimed the name but has not made its socket yet.
    if (failure != ENOENT && failure != ECONNREFUSED) return nullptr;
    Pause(50);
  } while (Remaining(deadline) > 0);
  return nullptr;
}

// One direction of a transfer: waits for the descriptor, then moves what
// it can, until all count bytes moved or the deadline passed.
static bool Transfer(PlatformChannel* channel, char* data, int32_t count,
                     uint32_t deadline, bool sending) {
  int fd = Descriptor(channel);
  while (count > 0) {
    pollfd ready = {fd, static_cast<short>(sending ? POLLOUT : POLLIN), 0};
    int left = Remaining(deadline);
    if (left == 0 || poll(&ready, 1, left) <= 0) {
      if (left > 0 && errno == EINTR) continue;
      return false;
    }
    ssize_t moved = sending ? send(fd, data, count, MSG_NOSIGNAL | MSG_DONTWAIT)
                            : recv(fd, data, count, MSG_DONTWAIT);
    if (moved <= 0) {
      if (moved < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      return false;
    }
    data += moved;
    count -= static_cast<int32_t>(moved);
  }
  return true;
}

bool PlatformReceive(PlatformChannel* channel, void* data, int32_t count,
                     uint32_t deadline) {
  return Transfer(channel, static_cast<char*>(data), count, deadline, false);
}

bool PlatformSend(PlatformChannel* channel, const void* data, int32_t count,
                  uint32_t deadline) {
  return Transfer(channel, static_cast<char*>(const_cast<void*>(data)), count,
                  deadline, true);
}

void PlatformCloseChannel(PlatformChannel* channel) {
  if (channel != nullptr) close(Descriptor(channel));
}

static void* RunThread(void* function) {
  reinterpret_cast<void (*)()>(function)();
  return nullptr;
}

bool PlatformStartThread(void (*function)()) {
  pthread_t thread;
  if (pthread_create(&thread, nullptr, RunThread, reinterpret_cast<void*>(function)) != 0) {
    return false;
  }
  pthread_detach(thread);
  return true;
}
