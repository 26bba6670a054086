// The launcher's reader of a packed runtime over any bytes: the decoder
// never reads or writes out of bounds, agrees with zlib on what zlib made,
// and unpacking never writes outside the home it is given.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <string>

#include "runtime/inflate.h"
#include "runtime/packed_runtime.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

struct Source {
  const uint8_t* data;
  size_t left;
};

int Read(void* context, unsigned char* buffer, int size) {
  Source* s = static_cast<Source*>(context);
  // Small reads: the decoder must carry its state across them.
  size_t n = s->left < 7 ? s->left : 7;
  if (n > static_cast<size_t>(size)) n = static_cast<size_t>(size);
  memcpy(buffer, s->data, n);
  s->data += n;
  s->left -= n;
  return static_cast<int>(n);
}

bool Collect(void* context, const unsigned char* data, int count) {
  std::string* out = static_cast<std::string*>(context);
  out->append(reinterpret_cast<const char*>(data), static_cast<size_t>(count));
  return out->size() < (1u << 22);
}

std::string Deflated(const uint8_t* data, size_t size, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, size), '\0');
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // What zlib compresses, at the level the first byte picks, comes back.
  std::string packed = Deflated(data, size, size > 0 ? data[0] % 10 : 6);
  Source source = {reinterpret_cast<const uint8_t*>(packed.data()), packed.size()};
  std::string out;
  FUZZ_CHECK(Inflate(Read, &source, Collect, &out) == InflateDone);
  FUZZ_CHECK(out == std::string(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(Adler32(1, data, static_cast<int>(size)) ==
             adler32(1, data, static_cast<uInt>(size)));

  // The input itself as a payload, checked and unpacked into a fresh home.
  static std::string home;
  if (home.empty()) {
    char dir[] = "/tmp/zov-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(dir) != nullptr);
    home = std::string(dir) + "/home/";
  }
  source = {data, size};
  ReadPayload(Read, &source, 1, home.c_str(), true);
  source = {data, size};
  StringList jars;  // class-path entries must stay below the home too
  ReadPayload(Read, &source, 1, home.c_str(), false, &jars);
  for (int32_t i = 0; i < jars.Count(); ++i) FUZZ_CHECK(SafeEntryPath(jars.Entry(i)));
  RemoveTree(home.c_str());
  // Nothing but home was made in its parent.
  std::string parent = home.substr(0, home.size() - 5);
  FUZZ_CHECK(rmdir(parent.c_str()) == 0);
  FUZZ_CHECK(mkdir(parent.c_str(), 0700) == 0);
  return 0;
}
