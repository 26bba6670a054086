#include "picture_files.h"

#include <cstring>

#include "byte_order.h"

namespace zovpack {

namespace {

const size_t kFileHeaderSize = 14;
const size_t kCoreHeaderSize = 12;
const size_t kInfoHeaderSize = 40;
const uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

bool IsPng(const std::string& s, size_t pos, size_t len) {
  return len >= 8 && std::memcmp(s.data() + pos, "\x89PNG\r\n\x1a\n", 8) == 0;
}

}  // namespace

bool ParseBmp(const std::string& file, Bitmap* bitmap, std::string* error) {
  const size_t size = file.size();
  if (size < kFileHeaderSize + kCoreHeaderSize || file[0] != 'B' ||
      file[1] != 'M') {
    *error = "not a BMP file";
    return false;
  }
  uint32_t pixels = Load32(file, 10);
  uint32_t header = Load32(file, kFileHeaderSize);
  if (!InRange(size, kFileHeaderSize, header) ||
      (header != kCoreHeaderSize && header < kInfoHeaderSize)) {
    *error = "the BMP header is damaged";
    return false;
  }
  const size_t h = kFileHeaderSize;
  int64_t width, height;
  uint16_t planes, bits;
  uint32_t compression = kRgb, used = 0, image_size = 0;
  size_t entry_size = 4;
  if (header == kCoreHeaderSize) {
    width = Load16(file, h + 4);
    height = static_cast<int16_t>(Load16(file, h + 6));
    planes = Load16(file, h + 8);
    bits = Load16(file, h + 10);
    entry_size = 3;
  } else {
    width = static_cast<int32_t>(Load32(file, h + 4));
    height = static_cast<int32_t>(Load32(file, h + 8));
    planes = Load16(file, h + 12);
    bits = Load16(file, h + 14);
    compression = Load32(file, h + 16);
    image_size = Load32(file, h + 20);
    used = Load32(file, h + 32);
  }
  bool bits_ok = bits == 1 || bits == 4 || bits == 8 || bits == 16 ||
                 bits == 24 || bits == 32;
  bool compression_ok =
      compression == kRgb || (compression == kRle8 && bits == 8) ||
      (compression == kRle4 && bits == 4) ||
      (compression == kBitFields && (bits == 16 || bits == 32));
  int64_t rows = height < 0 ? -height : height;
  if (width <= 0 || height == 0 || width > 65535 || rows > 65535 ||
      planes != 1 || !bits_ok || !compression_ok ||
      (height < 0 && (compression == kRle4 || compression == kRle8))) {
    *error = "the BMP file describes an unsupported or impossible bitmap";
    return false;
  }
  // Colour table: masks for bit fields in a plain info header, then the
  // palette of an indexed bitmap.
  uint64_t colours = used;
  if (bits <= 8 && used == 0) colours = 1u << bits;
  if (bits <= 8 && colours > (1u << bits)) {
    *error = "the BMP colour table is damaged";
    return false;
  }
  uint64_t table = colours * entry_size;
  if (compression == kBitFields && header == kInfoHeaderSize) table += 12;
  uint64_t pixel_bytes;
  if (compression == kRle4 || compression == kRle8) {
    pixel_bytes = image_size;
  } else {
    uint64_t row = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    pixel_bytes = row * static_cast<uint64_t>(rows);
  }
  if (!InRange(size, kFileHeaderSize + header, table) ||
      pixels < kFileHeaderSize + header + table || pixel_bytes == 0 ||
      !InRange(size, pixels, pixel_bytes)) {
    *error = "the BMP file is shorter than its pixels";
    return false;
  }
  bitmap->width = static_cast<int32_t>(width);
  bitmap->height = static_cast<int32_t>(height);
  bitmap->bit_count = bits;
  bitmap->resource = file.substr(kFileHeaderSize, header + table);
  bitmap->resource.append(file, pixels, pixel_bytes);
  return true;
}

bool ParseIco(const std::string& file, std::vector<IconImage>* images,
              std::string* error) {
  if (file.size() < 6 || Load16(file, 0) != 0 || Load16(file, 2) != 1 ||
      Load16(file, 4) == 0) {
    *error = "not an ICO file";
    return false;
  }
  size_t count = Load16(file, 4);
  if (!InRange(file.size(), 6, count * 16)) {
    *error = "the ICO directory is damaged";
    return false;
  }
  images->clear();
  for (size_t i = 0; i < count; ++i) {
    size_t e = 6 + i * 16;
    IconImage image;
    image.width = static_cast<uint8_t>(file[e]);
    image.height = static_cast<uint8_t>(file[e + 1]);
    image.color_count = static_cast<uint8_t>(file[e + 2]);
    image.planes = Load16(file, e + 4);
    image.bit_count = Load16(file, e + 6);
    uint32_t len = Load32(file, e + 8);
    uint32_t offset = Load32(file, e + 12);
    if (len < kInfoHeaderSize || !InRange(file.size(), offset, len)) {
      *error = "image " + std::to_string(i + 1) +
               " of the ICO file lies outside the file";
      return false;
    }
    bool dib = Load32(file, offset) == kInfoHeaderSize;
    if (!dib && !IsPng(file, offset, len)) {
      *error = "image " + std::to_string(i + 1) +
               " of the ICO file is neither a bitmap nor a PNG";
      return false;
    }
    if (dib && image.bit_count == 0) image.bit_count = Load16(file, offset + 14);
    if (dib && image.planes == 0) image.planes = 1;
    image.data = file.substr(offset, len);
    images->push_back(image);
  }
  return true;
}

std::string BuildIconGroup(const std::vector<IconImage>& images,
                           uint16_t first_id) {
  std::string group;
  Append16(&group, 0);
  Append16(&group, 1);
  Append16(&group, static_cast<uint16_t>(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    const IconImage& image = images[i];
    group.push_back(static_cast<char>(image.width));
    group.push_back(static_cast<char>(image.height));
    group.push_back(static_cast<char>(image.color_count));
    group.push_back(0);
    Append16(&group, image.planes);
    Append16(&group, image.bit_count);
    Append32(&group, static_cast<uint32_t>(image.data.size()));
    Append16(&group, static_cast<uint16_t>(first_id + i));
  }
  return group;
}

bool ParseIconGroup(const std::string& group, std::vector<uint16_t>* ids) {
  if (group.size() < 6 || Load16(group, 2) != 1) return false;
  size_t count = Load16(group, 4);
  if (!InRange(group.size(), 6, count * 14)) return false;
  ids->clear();
  for (size_t i = 0; i < count; ++i) ids->push_back(Load16(group, 6 + i * 14 + 12));
  return true;
}

}  // namespace zovpack
