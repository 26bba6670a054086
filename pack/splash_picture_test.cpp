#include "splash_picture.h"

#include <gtest/gtest.h>

#include "byte_order.h"
#include "test_util.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include "stb_image_write.h"

namespace zovpack {
namespace {

void Collect(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<char*>(data), size);
}

// Pixel (x, y), counted from the top, as 0xRRGGBB.
uint32_t At(const Bitmap& b, int x, int y) {
  size_t row = (static_cast<size_t>(b.width) * 3 + 3) / 4 * 4;
  size_t p = 40 + (b.height - 1 - y) * row + x * 3;
  const std::string& d = b.resource;
  return static_cast<unsigned char>(d[p + 2]) << 16 |
         static_cast<unsigned char>(d[p + 1]) << 8 | static_cast<unsigned char>(d[p]);
}

TEST(SplashImageTest, PngIsCompositedOntoWhiteAndKeepsItsSize) {
  // 3 x 2, so that rows need padding: opaque red, half-transparent blue,
  // clear black; then green, white, clear.
  const unsigned char rgba[] = {255, 0, 0, 255,   0, 0, 255, 128,  0, 0, 0, 0,
                                0, 255, 0, 255,   255, 255, 255, 255,  9, 9, 9, 0};
  std::string png;
  ASSERT_NE(0, stbi_write_png_to_func(Collect, &png, 3, 2, 4, rgba, 12));
  Bitmap b;
  std::string error;
  ASSERT_TRUE(ConvertSplashImage(png, &b, &error)) << error;
  EXPECT_EQ(3, b.width);
  EXPECT_EQ(2, b.height);
  EXPECT_EQ(24, b.bit_count);
  ASSERT_EQ(40u + 2 * 12, b.resource.size());
  EXPECT_EQ(40u, Load32(b.resource, 0));
  EXPECT_EQ(0xFF0000u, At(b, 0, 0));
  EXPECT_EQ(0x7F7FFFu, At(b, 1, 0));
  EXPECT_EQ(0xFFFFFFu, At(b, 2, 0));
  EXPECT_EQ(0x00FF00u, At(b, 0, 1));
  EXPECT_EQ(0xFFFFFFu, At(b, 2, 1));
}

TEST(SplashImageTest, JpegAndBmpAreTakenAndAnythingElseIsRefusedWithAReason) {
  std::vector<unsigned char> rgb(16 * 8 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = 0xC0, rgb[i + 1] = 0x80, rgb[i + 2] = 0x40;
  }
  std::string jpeg;
  ASSERT_NE(0, stbi_write_jpg_to_func(Collect, &jpeg, 16, 8, 3, rgb.data(), 95));
  Bitmap b;
  std::string error;
  ASSERT_TRUE(ConvertSplashImage(jpeg, &b, &error)) << error;
  EXPECT_EQ(16, b.width);
  EXPECT_EQ(8, b.height);
  uint32_t p = At(b, 5, 5);
  EXPECT_NEAR(0xC0, p >> 16, 3);
  EXPECT_NEAR(0x80, (p >> 8) & 0xFF, 3);
  EXPECT_NEAR(0x40, p & 0xFF, 3);

  ASSERT_TRUE(ConvertSplashImage(test::MakeBmp(20, 10, 8), &b, &error)) << error;
  EXPECT_EQ(8, b.bit_count);  // as it was

  for (std::string bad : {std::string("GIF89a"), jpeg.substr(0, 100),
                          std::string("\x89PNG\r\n\x1a\n", 8), std::string("BM")}) {
    EXPECT_FALSE(ConvertSplashImage(bad, &b, &error));
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(ConvertSplashImage("plain text", &b, &error));
  EXPECT_EQ(0u, error.find("not a BMP, PNG, JPEG or GIF image")) << error;
}

}  // namespace
}  // namespace zovpack
