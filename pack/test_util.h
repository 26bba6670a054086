// Helpers for zovpack's tests: external tools, and
// BMP / ICO files made in memory.
#ifndef ZOV_PACK_TEST_UTIL_H_
#define ZOV_PACK_TEST_UTIL_H_

#include <cstdint>
#include <initializer_list>
#include <string>

#include "tests/test_support.h"

namespace zovpack {
namespace test {

// A fresh directory, removed with its contents on destruction: the one
// the launcher's tests use.
using ScratchDir = testing_support::ScopedTempDir;

bool HaveTool(const std::string& name);

// Runs a shell command; returns its exit status and its combined output.
int Run(const std::string& command, std::string* output = nullptr);

std::string ReadFileOrDie(const std::string& path);
void WriteFileOrDie(const std::string& path, const std::string& contents);

// A bottom-up BMP file of the given size and depth (8 gets a full palette).
// `gap` extra bytes sit between the colour table and the pixels.
std::string MakeBmp(int width, int height, int bits, int gap = 0);

// An ICO file with one DIB image per size given, 32 bits deep.
std::string MakeIco(std::initializer_list<int> sizes);

// Path of a test stub built by the build (stub64.exe, stub32.exe), or empty
// when the cross compilers were not there.
std::string TestStub(const std::string& name);

// Path of the Wine loader, or empty.
std::string WineLoader();

}  // namespace test
}  // namespace zovpack

#endif  // ZOV_PACK_TEST_UTIL_H_
