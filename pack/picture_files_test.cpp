#include "picture_files.h"

#include <gtest/gtest.h>

#include "byte_order.h"
#include "test_util.h"

namespace zovpack {
namespace {

TEST(ImageFilesTest, BitmapBecomesContiguousResource) {
  Bitmap bitmap;
  std::string error;
  std::string file = test::MakeBmp(3, 2, 24);
  ASSERT_TRUE(ParseBmp(file, &bitmap, &error)) << error;
  EXPECT_EQ(3, bitmap.width);
  EXPECT_EQ(2, bitmap.height);
  EXPECT_EQ(file.substr(14), bitmap.resource);

  // The loader expects the pixels right after the colour table, whatever
  // gap the file leaves.
  file = test::MakeBmp(5, 4, 8, 10);
  ASSERT_TRUE(ParseBmp(file, &bitmap, &error)) << error;
  EXPECT_EQ(40u + 1024 + 8 * 4, bitmap.resource.size());
  EXPECT_EQ(file.substr(14, 40 + 1024), bitmap.resource.substr(0, 40 + 1024));
  EXPECT_EQ(file.substr(file.size() - 32), bitmap.resource.substr(40 + 1024));
}

TEST(ImageFilesTest, RejectsBrokenBitmaps) {
  std::string good = test::MakeBmp(4, 4, 32);
  std::string truncated = good.substr(0, good.size() - 1);
  std::string not_bmp = "XM" + good.substr(2);
  std::string odd_depth = good;
  Store16(&odd_depth, 14 + 14, 7);
  std::string no_width = good;
  Store32(&no_width, 14 + 4, 0);
  std::string pixels_past_end = good;
  Store32(&pixels_past_end, 10, static_cast<uint32_t>(good.size()));
  Bitmap bitmap;
  std::string error;
  for (const std::string& bad : {truncated, not_bmp, odd_depth, no_width,
                                 pixels_past_end, std::string("BM")}) {
    EXPECT_FALSE(ParseBmp(bad, &bitmap, &error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(ImageFilesTest, IconFileAndGroup) {
  std::vector<IconImage> images;
  std::string error;
  std::string file = test::MakeIco({16, 32});
  ASSERT_TRUE(ParseIco(file, &images, &error)) << error;
  ASSERT_EQ(2u, images.size());
  EXPECT_EQ(16, images[0].width);
  EXPECT_EQ(32, images[1].bit_count);
  EXPECT_EQ(40u + 16 * 16 * 4 + 16 * 4, images[0].data.size());

  std::string group = BuildIconGroup(images, 5);
  EXPECT_EQ(6u + 2 * 14, group.size());
  std::vector<uint16_t> ids;
  ASSERT_TRUE(ParseIconGroup(group, &ids));
  EXPECT_EQ((std::vector<uint16_t>{5, 6}), ids);
  EXPECT_EQ(images[1].data.size(), Load32(group, 6 + 14 + 8));

  std::string empty = file.substr(0, 6);
  Store16(&empty, 4, 0);
  std::string outside = file;
  Store32(&outside, 6 + 12, static_cast<uint32_t>(file.size() - 10));
  std::string not_an_image = file;
  Store32(&not_an_image, Load32(file, 6 + 12), 0x12345678);
  for (const std::string& bad : {empty, outside, not_an_image, file.substr(0, 20),
                                 test::MakeBmp(2, 2, 24)}) {
    EXPECT_FALSE(ParseIco(bad, &images, &error));
  }
  EXPECT_FALSE(ParseIconGroup(std::string("\0\0\1\0\5\0", 6), &ids));
}

}  // namespace
}  // namespace zovpack
