// The log4j2 plugin index reader over any bytes: what it accepts it writes
// back as long as it was (a flag byte other than 0 reads as true, as Java
// reads it, and is written 1), reads again the same, and joining it with
// itself reads back.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "pack/plugin_index.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  zovpack::PluginIndex index;
  std::string error;
  if (!zovpack::ReadPluginIndex(bytes, &index, &error)) {
    FUZZ_CHECK(index.empty() && !error.empty());
    return 0;
  }
  const std::string written = zovpack::WritePluginIndex(index);
  FUZZ_CHECK(written.size() == bytes.size());
  zovpack::PluginIndex reread;
  FUZZ_CHECK(zovpack::ReadPluginIndex(written, &reread, &error));
  FUZZ_CHECK(zovpack::WritePluginIndex(reread) == written);
  zovpack::PluginIndex joined;
  zovpack::JoinPluginIndex(&joined, index);
  zovpack::JoinPluginIndex(&joined, index);
  zovpack::PluginIndex again;
  FUZZ_CHECK(zovpack::ReadPluginIndex(zovpack::WritePluginIndex(joined), &again, &error));
  return 0;
}
