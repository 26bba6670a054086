// zovpack's reader of version records (--show reads any file's): whatever
// it reads it can write again, and what it writes reads back the same.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "pack/version_info.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string record_data(reinterpret_cast<const char*>(data), size);
  zovpack::VersionRecord record;
  if (!zovpack::ReadVersionResource(record_data, &record)) return 0;
  std::string built, error;
  // Text read is made UTF-8; only a record over 64 KiB cannot be written.
  if (!zovpack::BuildVersionResource(record, &built, &error)) {
    FUZZ_CHECK(error == "the version record's text is too long");
    return 0;
  }
  zovpack::VersionRecord again;
  FUZZ_CHECK(zovpack::ReadVersionResource(built, &again));
  FUZZ_CHECK(again.strings == record.strings);
  for (int i = 0; i < 4; ++i) {
    FUZZ_CHECK(again.file_version[i] == record.file_version[i]);
    FUZZ_CHECK(again.product_version[i] == record.product_version[i]);
  }
  return 0;
}
