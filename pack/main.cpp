// zovpack: packs a Java application archive behind the zov launcher.
#include <cstdio>
#include <string>
#include <vector>

#include "command_line.h"
#include "file_io.h"
#include "packer.h"
#include "show.h"
#include "zov_version.h"

int main(int argc, char** argv) {
  using namespace zovpack;
  CommandLine cmd;
  std::string error;
  if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &cmd,
                        &error)) {
    std::fprintf(stderr, "zovpack: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (cmd.mode == CommandLine::Mode::kHelp) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (cmd.mode == CommandLine::Mode::kVersion) {
    std::puts("zovpack " ZOV_VERSION_TEXT);
    return 0;
  }
  if (cmd.mode == CommandLine::Mode::kShow) {
    std::string file, report;
    if (!ReadWholeFile(cmd.show_path, &file, &error)) {
      std::fprintf(stderr, "zovpack: error: %s\n", error.c_str());
      return 1;
    }
    if (!DescribePackedFile(file, &report, &error)) {
      std::fprintf(stderr, "zovpack: error: %s: %s\n", cmd.show_path.c_str(),
                   error.c_str());
      return 1;
    }
    std::fputs(report.c_str(), stdout);
    return 0;
  }
  std::vector<std::string> warnings, notes;
  bool ok = Pack(cmd.pack, &warnings, &error, &notes);
  for (const std::string& n : notes) {
    std::fprintf(stderr, "zovpack: %s\n", n.c_str());
  }
  for (const std::string& w : warnings) {
    std::fprintf(stderr, "zovpack: warning: %s\n", w.c_str());
  }
  if (!ok) {
    std::fprintf(stderr, "zovpack: error: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
