// A Java runtime image packed into the file (--runtime): checked against
// the target, stored as one raw DEFLATE stream in the launcher's format
// (runtime/packed_runtime.h), and described again for --show.
#ifndef ZOV_PACK_RUNTIME_PAYLOAD_H_
#define ZOV_PACK_RUNTIME_PAYLOAD_H_

#include <cstdint>
#include <string>
#include <vector>

#include "packer.h"

namespace zovpack {

// The machine of a PE or ELF image; 0 when it is neither. *pe tells which.
uint16_t ImageMachine(const std::string& image, bool* pe);
std::string MachineName(uint16_t machine, bool pe);

struct PackedRuntime {
  std::string payload;  // the raw DEFLATE stream
  uint32_t adler = 1;   // of the decoded stream
  std::string key;      // hex digest of the decoded stream
  uint64_t unpacked_size = 0;
  size_t files = 0;
  std::string version;  // the release file's JAVA_VERSION
  std::string modules;  // and its MODULES
};

// Reads the runtime home dir for target: refuses it, saying what it found,
// unless it holds the target's library (bin/server or bin/client jvm.dll
// for Windows, lib/server/libjvm.so for Linux) built for TargetMachine.
bool PackRuntime(const std::string& dir, Target target, PackedRuntime* out,
                 std::string* error);

// The decoded stream of a list of files: paths below the home with "/",
// their contents, and which are folders and executables.
struct RuntimeEntry {
  char kind;  // 'd', 'f' or 'x'
  std::string path;
  std::string data;
};
std::string EncodeRuntimeStream(const std::vector<RuntimeEntry>& entries);
bool DecodeRuntimeStream(const std::string& stream,
                         std::vector<RuntimeEntry>* entries,
                         std::string* error);

// The value of the packed_runtime line for a payload at offset.
std::string RuntimeLineValue(uint64_t offset, const PackedRuntime& runtime);

// For --show: the runtime that the packed_runtime value locates in file.
bool DescribeRuntime(const std::string& file, const std::string& value,
                     std::string* report);

// A value of a release file ("KEY=\"value\"" lines); empty when absent.
std::string ReleaseValue(const std::string& release, const std::string& key);

}  // namespace zovpack

#endif  // ZOV_PACK_RUNTIME_PAYLOAD_H_
