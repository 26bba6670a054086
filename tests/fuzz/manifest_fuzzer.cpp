// zovpack's JAR manifest reader over any text, and its writer over what the
// reader made: written back and read again, a manifest says the same, in
// lines Java accepts, and its launch attributes translate without harm.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "pack/jar_manifest.h"
#include "pack/launch_attributes.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Manifest-Version is always written, and first.
void DropVersion(zovpack::ManifestSection* section) {
  section->Remove("Manifest-Version");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  zovpack::JarManifest manifest = zovpack::ParseManifest(text);
  zovpack::ManifestMainClass(text);
  for (const zovpack::LaunchAttribute& a :
       zovpack::TranslateLaunchAttributes(manifest.main)) {
    FUZZ_CHECK(a.lines.empty() || a.problem.empty());
    for (const std::string& line : a.lines) {
      FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    }
  }

  const std::string written = zovpack::WriteManifest(manifest);
  for (size_t pos = 0; pos < written.size();) {
    size_t end = written.find("\r\n", pos);
    FUZZ_CHECK(end != std::string::npos);
    FUZZ_CHECK(end - pos <= 72);
    pos = end + 2;
  }
  zovpack::JarManifest again = zovpack::ParseManifest(written);
  DropVersion(&manifest.main);
  DropVersion(&again.main);
  FUZZ_CHECK(again.main.attributes == manifest.main.attributes);
  FUZZ_CHECK(again.entries.size() == manifest.entries.size());
  for (size_t i = 0; i < manifest.entries.size(); ++i) {
    FUZZ_CHECK(again.entries[i].name == manifest.entries[i].name);
    FUZZ_CHECK(again.entries[i].attributes == manifest.entries[i].attributes);
  }
  return 0;
}
