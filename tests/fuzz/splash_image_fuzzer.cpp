// zovpack's splash conversion over any file: a decoded image becomes a
// complete 24-bit bitmap of its own size, and nothing else gets through.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "pack/byte_order.h"
#include "pack/splash_picture.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  zovpack::Bitmap bitmap;
  std::string error;
  if (!zovpack::ConvertSplashImage(file, &bitmap, &error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(bitmap.width > 0 && bitmap.height != 0);
  if (file.compare(0, 2, "BM") == 0) return 0;  // kept as it was
  size_t row = (static_cast<size_t>(bitmap.width) * 3 + 3) / 4 * 4;
  FUZZ_CHECK(bitmap.bit_count == 24 && bitmap.height > 0);
  FUZZ_CHECK(bitmap.resource.size() == 40 + row * bitmap.height);
  FUZZ_CHECK(zovpack::Load32(bitmap.resource, 4) == uint32_t(bitmap.width));
  return 0;
}
