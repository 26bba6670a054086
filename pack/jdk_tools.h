// Running the programs of a JDK (jdeps, jlink, jimage, jar) and of a
// linked runtime, through the shell, collecting what they print.
#ifndef ZOV_PACK_JDK_TOOLS_H_
#define ZOV_PACK_JDK_TOOLS_H_

#include <string>
#include <vector>

namespace zovpack {

// One argument for the shell that RunTool starts.
std::string Quote(const std::string& s);

// Runs command; its standard output and error in *output; true on status 0.
bool RunTool(const std::string& command, std::string* output);

// home/bin/name (with .exe on Windows), quoted.
std::string Tool(const std::string& home, const char* name);

// The JDK home given, else JAVA_HOME, else that of javac on PATH; empty
// (and *error) when none has jlink.
std::string FindJdk(const std::string& given, std::string* error);

// The feature version of the runtime at home, from its release file: 17
// for JAVA_VERSION="17.0.15"; 0 when it cannot say.
int FeatureVersion(const std::string& home);

// A folder made new under parent, named prefix and a unique tail, which
// no other process uses; empty (and *error) when none can be made.
std::string MakeFreshFolder(const std::string& parent, const std::string& prefix,
                            std::string* error);

// The lines of what a tool said, without line ends, trailing spaces and
// empty lines.
std::vector<std::string> OutputLines(const std::string& said);

// The first line of what a tool said that tells why it failed: an
// "Error:" line if there is one, else the first line that is not empty.
std::string FailureLine(const std::string& said);

}  // namespace zovpack

#endif  // ZOV_PACK_JDK_TOOLS_H_
