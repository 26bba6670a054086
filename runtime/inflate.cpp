#include "runtime/inflate.h"

#include <stdlib.h>
#include <string.h>

#include "text/text.h"

namespace {

const int kWindowSize = 32768;
const int kInputSize = 16384;

const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

// By length code (from 257), then by distance code from 30 on: the first
// value and the extra bits that follow the code. Filled at each start:
// zeroed storage costs the executable nothing, a table of constants its
// bytes.
uint16_t Base[60];
uint8_t Extra[60];

// Codes up to this length, which most symbols have, decode through one
// table look-up; longer ones bit by bit.
const int kFastBits = 9;

struct Huffman {
  uint16_t count[16];    // codes of each length
  uint16_t symbol[288];  // symbols by code, shortest first
  uint16_t fast[1 << kFastBits];  // symbol << 4 | length; 0: a longer code
};

struct Inflater {
  InflateReader reader;
  void* readerContext;
  InflateSink sink;
  void* sinkContext;
  int inPos, inEnd;
  int overrun;  // zero bytes read past the end
  bool failed;  // damaged data, or the sink stopped
  bool stopped;
  uint32_t bits;
  int bitCount;
  uint32_t outPos;   // bytes decoded, modulo 2^32
  uint32_t flushed;  // of those, bytes the sink has
  uint32_t total;    // saturates: how far back a distance may reach
  Huffman lengths, distances;
  unsigned char window[kWindowSize];
  unsigned char input[kInputSize];
};

// Lengths from 3, distances from 1: the extra bits grow by one every four
// (two) codes after the first eight (four), and each base starts where the
// code before ends. Out of line and one loop: unrolled it would cost more.
__attribute__((noinline)) void FillCodes() {
  uint32_t first = 3;
  int group = 4, bits = 0, run = 8;
  for (int i = 0; i < 60; ++i) {
    if (i == 30) {
      first = 1;
      group = 2;
      bits = 0;
      run = 4;
    }
    Base[i] = static_cast<uint16_t>(first);
    Extra[i] = static_cast<uint8_t>(bits);
    first += 1u << bits;
    if (--run == 0) {
      ++bits;
      run = group;
    }
  }
  Base[28] = 258;  // the last length code stands for 258 alone
  Extra[28] = 0;
}

int InflateByte(Inflater* s) {
  if (s->inPos == s->inEnd) {
    s->inPos = 0;
    s->inEnd = s->reader(s->readerContext, s->input, kInputSize);
    if (s->inEnd <= 0) {
      s->inEnd = 0;
      // Look-ahead may reach a few bytes past the end; more is a cut stream.
      if (++s->overrun > 4) s->failed = true;
      return 0;
    }
  }
  return s->input[s->inPos++];
}

void NeedBits(Inflater* s, int n) {
  while (s->bitCount < n) {
    s->bits |= static_cast<uint32_t>(InflateByte(s)) << s->bitCount;
    s->bitCount += 8;
  }
}

uint32_t TakeBits(Inflater* s, int n) {
  NeedBits(s, n);
  uint32_t value = s->bits & ((1u << n) - 1);
  s->bits >>= n;
  s->bitCount -= n;
  return value;
}

bool FlushWindow(Inflater* s) {
  int count = static_cast<int>(s->outPos - s->flushed);
  if (count > 0 && !s->failed && !s->sink(s->sinkContext,
                            s->window + (s->flushed & (kWindowSize - 1)),
                            count)) {
    s->stopped = s->failed = true;
  }
  s->flushed = s->outPos;
  return !s->failed;
}

void PutByte(Inflater* s, unsigned char byte) {
  s->window[s->outPos & (kWindowSize - 1)] = byte;
  if ((++s->outPos & (kWindowSize - 1)) == 0) FlushWindow(s);
  if (s->total < kWindowSize) ++s->total;
}

// False for an over-subscribed set of lengths; an incomplete one is kept,
// its missing codes fail when they are met.
bool BuildHuffman(Huffman* h, const uint8_t* length, int n) {
  uint16_t offsets[16];
  memset(h, 0, sizeof *h);
  for (int i = 0; i < n; ++i) h->count[length[i]]++;
  int left = 1;
  offsets[1] = 0;
  for (int len = 1; len < 16; ++len) {
    left = (left << 1) - h->count[len];
    if (left < 0) return false;
    if (len < 15) offsets[len + 1] = offsets[len] + h->count[len];
  }
  for (int i = 0; i < n; ++i) {
    if (length[i] != 0) h->symbol[offsets[length[i]]++] = static_cast<uint16_t>(i);
  }
  // The table is indexed by the code's bits as they arrive, first bit
  // lowest; canonical codes count up from 0, shortest first.
  int code = 0, index = 0;
  for (int len = 1; len <= kFastBits; ++len, code <<= 1) {
    for (int k = 0; k < h->count[len]; ++k, ++code, ++index) {
      int reversed = 0;
      for (int b = 0; b < len; ++b) reversed |= ((code >> b) & 1) << (len - 1 - b);
      for (int i = reversed; i < (1 << kFastBits); i += 1 << len) {
        h->fast[i] = static_cast<uint16_t>(h->symbol[index] << 4 | len);
      }
    }
  }
  return true;
}

int DecodeSymbol(Inflater* s, const Huffman* h) {
  NeedBits(s, kFastBits);
  uint16_t entry = h->fast[s->bits & ((1u << kFastBits) - 1)];
  if (entry != 0) {
    TakeBits(s, entry & 15);
    return entry >> 4;
  }
  int code = 0, first = 0, index = 0;
  for (int len = 1; len < 16; ++len) {
    code |= static_cast<int>(TakeBits(s, 1));
    int count = h->count[len];
    if (code - first < count) return h->symbol[index + code - first];
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  return -1;
}

bool StoredBlock(Inflater* s) {
  TakeBits(s, s->bitCount & 7);
  uint32_t length = TakeBits(s, 16);
  if ((TakeBits(s, 16) ^ 0xffff) != length) return false;
  while (length-- > 0 && !s->failed) PutByte(s, static_cast<unsigned char>(TakeBits(s, 8)));
  return true;
}

bool CodedBlock(Inflater* s) {
  for (;;) {
    int symbol = DecodeSymbol(s, &s->lengths);
    if (s->failed || symbol < 0) return false;
    if (symbol < 256) {
      PutByte(s, static_cast<unsigned char>(symbol));
      continue;
    }
    if (symbol == 256) return true;
    symbol -= 257;
    if (symbol >= 29) return false;
    uint32_t length = Base[symbol] + TakeBits(s, Extra[symbol]);
    symbol = DecodeSymbol(s, &s->distances);
    if (symbol < 0 || symbol >= 30) return false;
    uint32_t distance = Base[30 + symbol] + TakeBits(s, Extra[30 + symbol]);
    if (distance > s->total) return false;
    while (length-- > 0) {
      PutByte(s, s->window[(s->outPos - distance) & (kWindowSize - 1)]);
    }
  }
}

bool FixedBlock(Inflater* s) {
  uint8_t length[288 + 30];
  for (int i = 0; i < 288 + 30; ++i) {
    length[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : i < 288 ? 8 : 5;
  }
  BuildHuffman(&s->lengths, length, 288);
  BuildHuffman(&s->distances, length + 288, 30);
  return CodedBlock(s);
}

bool DynamicBlock(Inflater* s) {
  uint8_t length[288 + 32];
  int literals = static_cast<int>(TakeBits(s, 5)) + 257;
  int distances = static_cast<int>(TakeBits(s, 5)) + 1;
  int codes = static_cast<int>(TakeBits(s, 4)) + 4;
  if (literals > 286 || distances > 30) return false;
  memset(length, 0, 19);
  for (int i = 0; i < codes; ++i) length[kCodeLengthOrder[i]] = static_cast<uint8_t>(TakeBits(s, 3));
  if (!BuildHuffman(&s->lengths, length, 19)) return false;
  for (int i = 0; i < literals + distances;) {
    int symbol = DecodeSymbol(s, &s->lengths);
    if (symbol < 0 || s->failed) return false;
    if (symbol < 16) {
      length[i++] = static_cast<uint8_t>(symbol);
      continue;
    }
    // 16 repeats the last length, 17 and 18 repeat zero.
    static const uint8_t kRepeatBase[3] = {3, 3, 11};
    static const uint8_t kRepeatBits[3] = {2, 3, 7};
    symbol -= 16;
    if (symbol == 0 && i == 0) return false;
    uint8_t value = symbol == 0 ? length[i - 1] : 0;
    int repeat = kRepeatBase[symbol] + static_cast<int>(TakeBits(s, kRepeatBits[symbol]));
    if (i + repeat > literals + distances) return false;
    while (repeat-- > 0) length[i++] = value;
  }
  if (length[256] == 0) return false;  // no end of block
  return BuildHuffman(&s->lengths, length, literals) &&
         BuildHuffman(&s->distances, length + literals, distances) && CodedBlock(s);
}

}  // namespace

InflateResult Inflate(InflateReader reader, void* readerContext,
                      InflateSink sink, void* sinkContext) {
  Inflater* s = static_cast<Inflater*>(HeapResize(nullptr, sizeof(Inflater)));
  memset(s, 0, offsetof(Inflater, lengths));
  s->reader = reader;
  s->readerContext = readerContext;
  s->sink = sink;
  s->sinkContext = sinkContext;
  FillCodes();
  bool last = false, ok = true;
  while (ok && !last) {
    last = TakeBits(s, 1) != 0;
    switch (TakeBits(s, 2)) {
      case 0: ok = StoredBlock(s); break;
      case 1: ok = FixedBlock(s); break;
      case 2: ok = DynamicBlock(s); break;
      default: ok = false;
    }
    ok = ok && !s->failed;
  }
  if (ok) ok = FlushWindow(s);
  InflateResult result =
      ok ? InflateDone : s->stopped ? InflateStopped : InflateDamaged;
  free(s);
  return result;
}

uint32_t Adler32(uint32_t adler, const unsigned char* data, int count) {
  uint32_t a = adler & 0xffff, b = adler >> 16;
  while (count > 0) {
    // 5552 bytes is the most that cannot overflow before the reduction.
    int n = count < 5552 ? count : 5552;
    count -= n;
    while (n-- > 0) {
      a += *data++;
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  return b << 16 | a;
}
