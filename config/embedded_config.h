// The embedded configuration: the comment of the ZIP end-of-central-
// directory record that ends the executable's own file.
#ifndef ZOV_CONFIG_EMBEDDED_CONFIG_H_
#define ZOV_CONFIG_EMBEDDED_CONFIG_H_

#include <stdint.h>

#include "config/end_record_format.h"
#include "text/text.h"

// Searches the last kEndSearchWindow bytes of an in-memory file image, from
// the end down, for the signature 50 4B 05 06. Returns the offset at which
// the comment starts (22 past the signature nearest the end; the comment
// runs to the end of the image, whatever the record's length field says),
// or -1 when there is no signature there or the image is shorter than 22.
int64_t FindEmbeddedComment(const unsigned char* data, int64_t size);

// The offset of the PE signature in a file's first size bytes when they
// start with an MZ header and hold the signature with need bytes from its
// start on; else 0.
uint32_t PeSignatureOffset(const unsigned char* head, int size, uint32_t need);

// Bytes of the file's start read for its PE headers; an image whose
// certificate entry lies beyond them counts as unsigned.
inline constexpr int kHeadBytes = 1024;

// The size of an Authenticode certificate table that ends the file, given
// the file's first headSize bytes and its size: the PE data directory's
// entry 4 when the image is PE32 or PE32+, has that entry, and the table it
// names ends exactly at fileSize. 0 for anything else (no PE image, no
// signature, a table elsewhere or out of bounds). Reads only head.
int64_t CertificateTableSize(const unsigned char* head, int headSize,
                             int64_t fileSize);

// The comment of the file at path, read through a read-only mapping; empty
// when the file cannot be mapped or holds no record within its end. A
// signed file's certificate table is not part of its end: the search, and
// the comment, stop where the table begins.
TextBuffer ReadEmbeddedConfig(const char* path);

// The same for the running executable.
TextBuffer ReadEmbeddedConfig();

#endif  // ZOV_CONFIG_EMBEDDED_CONFIG_H_
