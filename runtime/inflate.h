// A streaming decoder of raw DEFLATE data (RFC 1951), for the runtime a
// packed file carries. It holds one 32 KiB window and a small input buffer,
// whatever the size of the data: input comes through a reader, output goes
// to a sink in pieces of at most 32 KiB.
#ifndef ZOV_RUNTIME_INFLATE_H_
#define ZOV_RUNTIME_INFLATE_H_

#include <stdint.h>

// Fills buffer with up to size bytes; returns how many, 0 at the end.
typedef int (*InflateReader)(void* context, unsigned char* buffer, int size);
// Takes count bytes of output; false stops the decoding.
typedef bool (*InflateSink)(void* context, const unsigned char* data,
                            int count);

enum InflateResult : int {
  InflateDone = 0,     // the last block ended
  InflateStopped = 1,  // the sink said stop
  InflateDamaged = 2,  // not valid DEFLATE data, or it ends too soon
};

// Decodes one raw DEFLATE stream. The sink has received every byte
// decoded before the result is returned.
InflateResult Inflate(InflateReader reader, void* readerContext,
                      InflateSink sink, void* sinkContext);

// Adler-32, as zlib computes it: adler starts at 1.
uint32_t Adler32(uint32_t adler, const unsigned char* data, int count);

#endif  // ZOV_RUNTIME_INFLATE_H_
