// Runs a program to its end, with a deadline, and captures what it says.
#ifndef ZOV_TESTS_E2E_PROCESS_H_
#define ZOV_TESTS_E2E_PROCESS_H_

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct ProcessResult {
  int status = -1;        // exit status; -1 when killed by a signal
  int signal = 0;         // the signal that ended it, if any
  bool timedOut = false;  // killed at the deadline
  std::string out;
  std::string err;
  double seconds = 0;
};

struct ProcessOptions {
  std::vector<std::pair<std::string, std::string>> setEnv;
  std::vector<std::string> unsetEnv;
  std::string workingDirectory;
  double timeoutSeconds = 60;
  // Called about every 200 ms while the process runs (e.g. to close a
  // message box it shows).
  std::function<void()> whileRunning;
};

ProcessResult RunProcess(const std::vector<std::string>& argv,
                         const ProcessOptions& options = ProcessOptions());

// Waits (up to two minutes) until no process runs the executable file: a
// packed file whose runtime lacks its base archive leaves one behind, in
// a session of its own, to make that archive once the start has ended.
void AwaitLeftBehind(const std::string& file);

}  // namespace e2e

#endif  // ZOV_TESTS_E2E_PROCESS_H_
