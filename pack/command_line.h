// zovpack's command line.
#ifndef ZOV_PACK_COMMAND_LINE_H_
#define ZOV_PACK_COMMAND_LINE_H_

#include <string>
#include <vector>

#include "packer.h"

namespace zovpack {

struct CommandLine {
  enum class Mode { kPack, kShow, kHelp, kVersion } mode = Mode::kPack;
  PackRequest pack;
  std::string show_path;
};

// Parses the arguments after the program name. Fails with a message for
// unknown options, missing values and missing or extra operands.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* cmd,
                      std::string* error);

extern const char kUsage[];

}  // namespace zovpack

#endif  // ZOV_PACK_COMMAND_LINE_H_
