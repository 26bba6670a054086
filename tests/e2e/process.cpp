#include "tests/e2e/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

namespace e2e {

static double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const ProcessOptions& options) {
  ProcessResult result;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) std::abort();
  double start = Now();
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);  // its own group, so a deadline kills its children too
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, 0);
    for (const auto& name : options.unsetEnv) unsetenv(name.c_str());
    for (const auto& kv : options.setEnv) {
      setenv(kv.first.c_str(), kv.second.c_str(), 1);
    }
    if (!options.workingDirectory.empty() &&
        chdir(options.workingDirectory.c_str()) != 0) {
      _exit(126);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  double nextTick = Now() + 0.2;
  while (open > 0) {
    if (Now() - start > options.timeoutSeconds && !result.timedOut) {
      result.timedOut = true;
      kill(-pid, SIGKILL);
    }
    if (poll(fds, 2, 100) > 0) {
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
        char buffer[65536];
        ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          sinks[i]->append(buffer, static_cast<size_t>(n));
        } else {
          close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
    if (options.whileRunning && Now() >= nextTick) {
      options.whileRunning();
      nextTick = Now() + 0.2;
    }
  }
  int status = 0;
  // Output closes before exit: keep the deadline while reaping too.
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Now() - start > options.timeoutSeconds && !result.timedOut) {
      result.timedOut = true;
      kill(-pid, SIGKILL);
    }
    if (options.whileRunning) options.whileRunning();
    usleep(20000);
  }
  result.seconds = Now() - start;
  if (WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

void AwaitLeftBehind(const std::string& file) {
  for (int round = 0; round < 1200; ++round) {
    bool running = false;
    if (DIR* processes = opendir("/proc")) {
      while (dirent* entry = readdir(processes)) {
        std::string link = std::string("/proc/") + entry->d_name + "/exe";
        char target[4096];
        ssize_t length = readlink(link.c_str(), target, sizeof target);
        running |= length > 0 && file.compare(0, std::string::npos, target,
                                               static_cast<size_t>(length)) == 0;
      }
      closedir(processes);
    }
    if (!running) return;
    usleep(100 * 1000);
  }
}

}  // namespace e2e
