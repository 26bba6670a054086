// BMP and ICO files, parsed into the forms the Windows resource section
// keeps them in.
#ifndef ZOV_PACK_PICTURE_FILES_H_
#define ZOV_PACK_PICTURE_FILES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zovpack {

struct Bitmap {
  int32_t width = 0;
  int32_t height = 0;  // negative for a top-down bitmap
  uint16_t bit_count = 0;
  // The RT_BITMAP resource: the info header, the colour table and the
  // pixels, contiguous (the loader finds the pixels right after the table).
  std::string resource;
};

// Parses a .bmp file. Fails for anything but a well-formed Windows bitmap
// whose pixel data lies inside the file.
bool ParseBmp(const std::string& file, Bitmap* bitmap, std::string* error);

struct IconImage {
  uint8_t width = 0;  // 0 means 256
  uint8_t height = 0;
  uint8_t color_count = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  std::string data;  // the RT_ICON resource: a DIB or a PNG
};

// Parses a .ico file into its images. Fails unless the file has at least
// one image, every image lies inside the file, and each is a DIB or a PNG.
bool ParseIco(const std::string& file, std::vector<IconImage>* images,
              std::string* error);

// The RT_GROUP_ICON resource for `images`, whose RT_ICON ids are
// first_id, first_id + 1, ...
std::string BuildIconGroup(const std::vector<IconImage>& images,
                           uint16_t first_id);

// Parses an RT_GROUP_ICON resource into its icon ids; false when malformed.
bool ParseIconGroup(const std::string& group, std::vector<uint16_t>* ids);

}  // namespace zovpack

#endif  // ZOV_PACK_PICTURE_FILES_H_
