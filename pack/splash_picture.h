// Splash images as the launcher shows them: any BMP, PNG, JPEG or GIF
// becomes a device-independent bitmap.
#ifndef ZOV_PACK_SPLASH_PICTURE_H_
#define ZOV_PACK_SPLASH_PICTURE_H_

#include <string>

#include "picture_files.h"

namespace zovpack {

// A BMP is kept as it is (ParseBmp); a PNG, JPEG or GIF (its first frame)
// is decoded and becomes a 24-bit bitmap of the same size, transparency
// composited onto white. Fails for anything else, a damaged image, or one
// over 8192 pixels a side.
bool ConvertSplashImage(const std::string& file, Bitmap* bitmap,
                        std::string* error);

}  // namespace zovpack

#endif  // ZOV_PACK_SPLASH_PICTURE_H_
