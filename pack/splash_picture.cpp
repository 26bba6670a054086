#include "splash_picture.h"

#include <cstdlib>

#include "byte_order.h"

namespace {

// A few bytes of compressed data can ask for gigabytes; the largest image
// allowed needs 256 MiB.
const size_t kMaxAllocation = size_t{320} << 20;

void* CappedMalloc(size_t size) {
  return size > kMaxAllocation ? nullptr : std::malloc(size);
}

void* CappedRealloc(void* p, size_t size) {
  return size > kMaxAllocation ? nullptr : std::realloc(p, size);
}

}  // namespace

// The decoder is stb_image (Debian's libstb-dev), compiled into this file
// only: no file access, only the formats a splash may come in.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_MALLOC(size) CappedMalloc(size)
#define STBI_REALLOC(p, size) CappedRealloc(p, size)
#define STBI_FREE(p) std::free(p)
#define STBI_MAX_DIMENSIONS 8192  // a splash beyond any screen; bounds memory
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include "stb_image.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace zovpack {

bool ConvertSplashImage(const std::string& file, Bitmap* bitmap,
                        std::string* error) {
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
    return ParseBmp(file, bitmap, error);
  }
  if (file.size() > 0x7FFFFFFF) {
    *error = "the image is too large";
    return false;
  }
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_memory(
      reinterpret_cast<const stbi_uc*>(file.data()), static_cast<int>(file.size()),
      &width, &height, &channels, 4);
  if (rgba == nullptr) {
    *error = std::string("not a BMP, PNG, JPEG or GIF image that can be read (") +
             stbi_failure_reason() + ")";
    return false;
  }
  if (width <= 0 || height <= 0) {  // a GIF may say 0 x 0
    stbi_image_free(rgba);
    *error = "the image has no pixels";
    return false;
  }
  const size_t row = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  std::string& r = bitmap->resource;
  r.clear();
  r.reserve(40 + row * height);
  Append32(&r, 40);
  Append32(&r, static_cast<uint32_t>(width));
  Append32(&r, static_cast<uint32_t>(height));  // bottom-up
  Append16(&r, 1);
  Append16(&r, 24);
  Append32(&r, 0);  // BI_RGB
  Append32(&r, static_cast<uint32_t>(row * height));
  Append32(&r, 2835);  // 72 dpi
  Append32(&r, 2835);
  Append32(&r, 0);
  Append32(&r, 0);
  for (int y = height - 1; y >= 0; --y) {
    const stbi_uc* p = rgba + static_cast<size_t>(y) * width * 4;
    size_t start = r.size();
    for (int x = 0; x < width; ++x, p += 4) {
      // Over white: c * a + 255 * (1 - a), rounded; stored blue first.
      for (int c : {2, 1, 0}) {
        r.push_back(static_cast<char>((p[c] * p[3] + 255 * (255 - p[3]) + 127) / 255));
      }
    }
    r.append(row - (r.size() - start), '\0');
  }
  stbi_image_free(rgba);
  bitmap->width = width;
  bitmap->height = height;
  bitmap->bit_count = 24;
  return true;
}

}  // namespace zovpack
