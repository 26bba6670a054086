// Against zlib, the reference (linked where the tests run natively).
#include "runtime/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <string>

#include "gtest/gtest.h"

namespace {

std::string Deflate(const std::string& data, int level, int strategy) {
  z_stream z = {};
  EXPECT_EQ(Z_OK, deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy));
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Hands the stream out in pieces of an odd size, so that codes straddle
// every refill of the decoder's input.
struct Source {
  std::string bytes;
  size_t at = 0;
  int piece = 7;
};

int Read(void* context, unsigned char* buffer, int size) {
  Source* source = static_cast<Source*>(context);
  size_t n = std::min({source->bytes.size() - source->at, static_cast<size_t>(size),
                       static_cast<size_t>(source->piece)});
  std::copy_n(source->bytes.data() + source->at, n, buffer);
  source->at += n;
  return static_cast<int>(n);
}

struct Sink {
  std::string bytes;
  size_t limit = std::string::npos;
};

bool Collect(void* context, const unsigned char* data, int count) {
  Sink* sink = static_cast<Sink*>(context);
  sink->bytes.append(reinterpret_cast<const char*>(data), count);
  return sink->bytes.size() < sink->limit;
}

InflateResult Decode(const std::string& stream, Sink* sink, int piece = 7) {
  Source source;
  source.bytes = stream;
  source.piece = piece;
  return Inflate(Read, &source, Collect, sink);
}

TEST(Inflate, GivesBackWhatZlibCompressedInEveryKindOfBlock) {
  std::string text;
  for (int i = 0; text.size() < 300000; ++i) {
    text += "line " + std::to_string(i * 7919 % 1000) + " of the runtime\n";
  }
  std::string noise(100000, '\0');
  uint32_t x = 1;
  for (char& c : noise) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  // Long runs: matches at distance 1, and at the window's far end.
  std::string runs = std::string(70000, 'a') + noise.substr(0, 32768) +
                     noise.substr(0, 32768);
  const int kinds[][2] = {{0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY},
                          {9, Z_DEFAULT_STRATEGY}, {6, Z_FIXED},
                          {6, Z_HUFFMAN_ONLY},     {6, Z_RLE}};
  for (const std::string& data : {std::string(), std::string("x"), text, noise, runs}) {
    for (const auto& kind : kinds) {
      SCOPED_TRACE("level " + std::to_string(kind[0]) + " strategy " +
                   std::to_string(kind[1]) + ", " + std::to_string(data.size()) +
                   " bytes");
      Sink sink;
      ASSERT_EQ(InflateDone, Decode(Deflate(data, kind[0], kind[1]), &sink));
      EXPECT_TRUE(sink.bytes == data);
      EXPECT_EQ(adler32(1, reinterpret_cast<const Bytef*>(data.data()),
                        static_cast<uInt>(data.size())),
                Adler32(1, reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<int>(data.size())));
    }
  }
}

TEST(Inflate, SaysWhenTheStreamIsCutOrDamagedOrTheSinkStops) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += std::to_string(i) + ",";
  std::string stream = Deflate(text, 9, Z_DEFAULT_STRATEGY);
  for (size_t cut : {size_t(0), size_t(1), stream.size() / 2, stream.size() - 1}) {
    Sink sink;
    EXPECT_EQ(InflateDamaged, Decode(stream.substr(0, cut), &sink)) << cut;
    EXPECT_EQ(0u, text.compare(0, sink.bytes.size(), sink.bytes)) << cut;
  }
  // Block type 3 does not exist.
  Sink reserved;
  EXPECT_EQ(InflateDamaged, Decode(std::string(1, '\x07'), &reserved));
  // A fixed block whose first code copies 3 bytes from 1 back: from before
  // the start.
  Sink before;
  EXPECT_EQ(InflateDamaged, Decode(std::string("\x03\x02\x00", 3), &before));

  Sink stopping;
  stopping.limit = 40000;
  EXPECT_EQ(InflateStopped, Decode(stream, &stopping, 16384));
  EXPECT_LT(stopping.bytes.size(), text.size());
}

}  // namespace
