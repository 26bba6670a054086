#include "test_util.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "byte_order.h"

namespace zovpack {
namespace test {

bool HaveTool(const std::string& name) {
  return Run("command -v " + name + " >/dev/null 2>&1") == 0;
}

int Run(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output != nullptr) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFileOrDie(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) std::abort();
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileOrDie(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
  if (!out) std::abort();
}

std::string MakeBmp(int width, int height, int bits, int gap) {
  uint32_t colours = bits <= 8 ? 1u << bits : 0;
  uint32_t row = (static_cast<uint32_t>(width) * bits + 31) / 32 * 4;
  uint32_t pixels = 14 + 40 + colours * 4 + gap;
  std::string f;
  f += "BM";
  Append32(&f, pixels + row * height);
  Append32(&f, 0);
  Append32(&f, pixels);
  Append32(&f, 40);
  Append32(&f, static_cast<uint32_t>(width));
  Append32(&f, static_cast<uint32_t>(height));
  Append16(&f, 1);
  Append16(&f, static_cast<uint16_t>(bits));
  for (int i = 0; i < 6; ++i) Append32(&f, 0);
  for (uint32_t i = 0; i < colours; ++i) Append32(&f, i * 0x010101u);
  f.append(gap, '\x55');
  for (uint32_t i = 0; i < row * height; ++i) f.push_back(static_cast<char>(i * 7));
  return f;
}

std::string MakeIco(std::initializer_list<int> sizes) {
  std::string dir, images;
  Append16(&dir, 0);
  Append16(&dir, 1);
  Append16(&dir, static_cast<uint16_t>(sizes.size()));
  size_t offset = 6 + 16 * sizes.size();
  for (int size : sizes) {
    std::string image;
    Append32(&image, 40);
    Append32(&image, static_cast<uint32_t>(size));
    Append32(&image, static_cast<uint32_t>(size * 2));
    Append16(&image, 1);
    Append16(&image, 32);
    for (int i = 0; i < 6; ++i) Append32(&image, 0);
    image.append(static_cast<size_t>(size * size * 4), '\x40');
    image.append(static_cast<size_t>((size + 31) / 32 * 4 * size), '\0');
    dir.push_back(static_cast<char>(size >= 256 ? 0 : size));
    dir.push_back(static_cast<char>(size >= 256 ? 0 : size));
    dir.push_back(0);
    dir.push_back(0);
    Append16(&dir, 1);
    Append16(&dir, 32);
    Append32(&dir, static_cast<uint32_t>(image.size()));
    Append32(&dir, static_cast<uint32_t>(offset + images.size()));
    images += image;
  }
  return dir + images;
}

std::string TestStub(const std::string& name) {
  std::string path = std::string(ZOVPACK_TEST_STUB_DIR) + "/" + name;
  return access(path.c_str(), R_OK) == 0 ? path : std::string();
}

std::string WineLoader() {
  const char* path = "/usr/lib/wine/wine64";
  return access(path, X_OK) == 0 ? path : std::string();
}

}  // namespace test
}  // namespace zovpack
