// zovpack's ZIP reader over any file: whatever it accepts can be read entry
// by entry, moved behind a stub, and read again the same, also with bytes
// (a signature) after it.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "pack/zip_archive.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  zovpack::ZipArchive zip;
  std::string error;
  if (!zovpack::ParseZip(file, &zip, &error)) return 0;
  for (const zovpack::ZipEntry& entry : zip.entries) {
    FUZZ_CHECK(zovpack::FindZipEntry(zip, entry.name) != nullptr);
    std::string contents;
    zovpack::ReadZipEntry(file, zip, entry, 1 << 20, &contents, &error);
  }

  std::string packed = "stub";
  if (!zovpack::AppendRelocatedZip(file, zip, "mainclass a.B\r\n", &packed,
                                   &error)) {
    FUZZ_CHECK(packed == "stub");  // a failure leaves it alone
    return 0;
  }
  zovpack::ZipArchive again;
  FUZZ_CHECK(zovpack::ParseZip(packed, &again, &error));
  FUZZ_CHECK(again.entries.size() == zip.entries.size());
  FUZZ_CHECK(again.comment == "mainclass a.B\r\n");
  FUZZ_CHECK(again.start == 4);
  for (size_t i = 0; i < zip.entries.size(); ++i) {
    FUZZ_CHECK(again.entries[i].name == zip.entries[i].name);
    FUZZ_CHECK(again.entries[i].crc == zip.entries[i].crc);
  }
  // A signature appended later leaves the archive as it was.
  zovpack::ZipArchive signed_zip;
  FUZZ_CHECK(zovpack::ParseZip(packed + std::string(40, 'S'), &signed_zip,
                               &error));
  FUZZ_CHECK(signed_zip.entries.size() == zip.entries.size());
  FUZZ_CHECK(signed_zip.central_pos == again.central_pos);
  return 0;
}
