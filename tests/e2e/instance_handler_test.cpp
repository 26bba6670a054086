// Later starts of a single instance hand their arguments to the running one,
// with the machine's real JVM: delivered whole and in order from anywhere,
// never from another user, and a bad peer or a failing handler leaves the
// running instance serving.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/e2e_support.h"
#include "tests/test_support.h"

namespace e2e {
namespace {

class LinuxInstanceHandler : public ::testing::Test {
 protected:
  void SetUp() override {
    PackRequest request;
    request.mainClass = "e2e.Handles";
    // The fixed argument names the carried folder: a later start hands it
    // over expanded, as main gets it.
    request.lines = {"single_instance handles", "instance_handler e2e.Handles.open",
                     "argument --fixed=%ZOV_FILES%"};
    MakeDirectory(dir_.Join("files"));
    WriteFile(dir_.Join("files/data.txt"), "data");
    request.extra = {"--files", dir_.Join("files")};
    app_ = dir_.Join("app");
    Pack(request, app_);
    record_ = dir_.Join("record.txt");
    socket_ = dir_.Join("zov-" + std::to_string(getuid()) + "/handles");
  }

  ProcessResult Run(const std::vector<std::string>& args,
                    const std::string& folder) {
    ProcessOptions options;
    options.setEnv = {{"XDG_RUNTIME_DIR", dir_.path()},
                      {"XDG_CACHE_HOME", dir_.Join("cache")},
                      {"ZOV_TRACE", dir_.Join("trace.txt")}};
    options.workingDirectory = folder;
    options.timeoutSeconds = 120;
    return RunLinux(app_, args, options);
  }

  void StartFirst() {
    first_ = std::thread([this] { firstResult_ = Run({record_}, "/"); });
    for (int i = 0; i < 600 && ReadFile(record_).empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::string started = ReadFile(record_);
    ASSERT_EQ(0u, started.find("MAIN --fixed=" + dir_.Join("cache/zov/files/"))) << started;
    fixed_ = started.substr(5, started.size() - 6);
  }

  // Ends the first instance; it must have run all along.
  void StopFirst() {
    WriteFile(record_ + ".stop", "");
    first_.join();
    EXPECT_EQ(0, firstResult_.status) << firstResult_.err;
  }

  std::vector<std::string> Opened() { return LinesStartingWith(ReadFile(record_), "OPEN "); }

  // Connects to the instance's socket as uid and sends bytes: the bytes the
  // instance answered with, or "refused" when it could not connect.
  std::string Poke(uid_t uid, const std::string& bytes) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return "no pipe";
    pid_t child = fork();
    if (child == 0) {
      close(pipeEnds[0]);
      if (setuid(uid) != 0) _exit(2);
      int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address = {};
      address.sun_family = AF_UNIX;
      strncpy(address.sun_path, socket_.c_str(), sizeof address.sun_path - 1);
      std::string answer = "refused";
      if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        answer = "";
        if (write(fd, bytes.data(), bytes.size()) < 0) answer = "unwritten";
        char c;
        while (read(fd, &c, 1) == 1) answer += std::to_string(c);
      }
      if (write(pipeEnds[1], answer.data(), answer.size()) < 0) _exit(3);
      _exit(0);
    }
    close(pipeEnds[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, n);
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return answer;
  }

  ScopedTempDir dir_;
  std::string app_, record_, socket_;
  std::thread first_;
  ProcessResult firstResult_;
  std::string fixed_;  // the fixed argument as the first instance got it
};

TEST_F(LinuxInstanceHandler, DeliversEveryLaterStartWholeAndInOrder) {
  StartFirst();
  std::string other = dir_.Join("other dir \xC3\xBC");
  MakeDirectory(other);
  ProcessResult second = Run({"\xC3\xA4 \xE4\xB8\xAD", "", "two words"}, other);
  EXPECT_EQ(0, second.status) << second.err;
  EXPECT_EQ("", second.out + second.err);
  EXPECT_EQ(std::vector<std::string>(
                {other + " [" + fixed_ + "] [\xC3\xA4 \xE4\xB8\xAD] [] [two words]"}),
            Opened());

  // Several at once: each delivered whole, one call each.
  std::vector<std::thread> starts;
  std::vector<ProcessResult> results(4);
  for (int i = 0; i < 4; ++i) {
    starts.emplace_back([&, i] {
      results[i] = Run({"start" + std::to_string(i), std::string(3000, 'a' + i)}, "/");
    });
  }
  for (std::thread& start : starts) start.join();
  std::vector<std::string> opened = Opened();
  ASSERT_EQ(5u, opened.size());
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(0, results[i].status) << results[i].err;
    std::string line = "/ [" + fixed_ + "] [start" + std::to_string(i) + "] [" +
                       std::string(3000, 'a' + i) + "]";
    EXPECT_EQ(1, std::count(opened.begin(), opened.end(), line)) << i;
  }
  std::string trace = ReadFile(dir_.Join("trace.txt"));
  EXPECT_EQ(5u, LinesStartingWith(trace, "instance delivered 1").size());
  EXPECT_EQ(5u, LinesStartingWith(trace, "instance received \"" + fixed_ + "\"").size());
  EXPECT_EQ(1u, LinesStartingWith(trace, "instance sent \"" + other + "\"").size());
  EXPECT_EQ(1u, LinesStartingWith(trace, "instance received \"two words\"").size());
  StopFirst();
}

TEST_F(LinuxInstanceHandler, BadPeersAndAFailingHandlerLeaveTheInstanceServing) {
  StartFirst();
  // Garbage, a frame that claims too much, one that stops half way (the
  // instance gives up on it after its own timeout), one whose last text
  // has no end.
  EXPECT_EQ("", Poke(getuid(), "GET / HTTP/1.0\r\n\r\n"));
  EXPECT_EQ("", Poke(getuid(), std::string("zovi\xff\xff\xff\x7f", 8) + std::string(4096, 'x')));
  EXPECT_EQ("", Poke(getuid(), std::string("zovi\x10\0\0\0half", 12)));
  EXPECT_EQ("", Poke(getuid(), std::string("zovi\x02\0\0\0ab", 10)));
  // A well-formed frame is answered: 0 once the handler returned.
  EXPECT_EQ("0", Poke(getuid(), std::string("zovi\x06\0\0\0/raw\0\0", 14)));

  ProcessResult threw = Run({"throw"}, "/");
  EXPECT_EQ(13, threw.status);
  ExpectLines(threw.err, {"Error: Already running."});
  ProcessResult later = Run({"later"}, "/");
  EXPECT_EQ(0, later.status) << later.err;
  EXPECT_EQ(std::vector<std::string>({"/raw []", "/ [" + fixed_ + "] [later]"}), Opened());

  // A handler that does not return in time: the start gives up, not hangs.
  ProcessResult hung = Run({"hang"}, "/");
  EXPECT_EQ(13, hung.status);
  EXPECT_LT(hung.seconds, 14);
  StopFirst();
  EXPECT_NE(std::string::npos, firstResult_.err.find("asked to throw"));
}

TEST_F(LinuxInstanceHandler, AnotherUserCannotDeliver) {
  if (getuid() != 0) GTEST_SKIP() << "SKIPPED: needs root to act as another user";
  const uid_t nobody = 65534;
  StartFirst();
  // The folder keeps the socket from others...
  chmod(dir_.path().c_str(), 0755);
  EXPECT_EQ("refused", Poke(nobody, std::string("zovi\x04\0\0\0/x\0\0", 12)));
  // ...and were it opened, the instance still knows them.
  std::string folder = socket_.substr(0, socket_.rfind('/'));
  chmod(folder.c_str(), 0755);
  chmod(socket_.c_str(), 0777);
  EXPECT_EQ("", Poke(nobody, std::string("zovi\x04\0\0\0/x\0\0", 12)));
  chmod(folder.c_str(), 0700);
  EXPECT_EQ(std::vector<std::string>(), Opened());
  EXPECT_EQ(0, Run({"mine"}, "/").status);
  EXPECT_EQ(std::vector<std::string>({"/ [" + fixed_ + "] [mine]"}), Opened());
  StopFirst();
}

}  // namespace
}  // namespace e2e
