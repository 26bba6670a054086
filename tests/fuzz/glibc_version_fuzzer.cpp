// zovpack's reader of the glibc versions an ELF file needs, over any file
// (a runtime's libraries are whatever the user points --runtime at): it
// ends, stays inside the file, and answers a version or nothing.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "pack/glibc_version.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string file(reinterpret_cast<const char*>(data), size);
  std::string version = zovpack::NeededGlibc(file);
  FUZZ_CHECK(version.empty() || (version[0] >= '0' && version[0] <= '9'));
  zovpack::OldestDistributionsWith(version);
  return 0;
}
