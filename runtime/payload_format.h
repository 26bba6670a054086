// The runtime a packed file carries: zovpack writes it, the launcher
// unpacks it. It is one raw DEFLATE stream between the launcher and the
// archive, named by the embedded line
//   packed_runtime OFFSET LENGTH ADLER32 KEY
// (decimal numbers, KEY the 32 hex digits of the content's digest). The
// stream decodes to the magic, the 32-bit little-endian length of the
// entry list, the list, then every file's bytes in list order. An entry is
// its kind, its size in 8 bytes little-endian (0 for a folder), and its
// path below the home with "/" separators, ended by a NUL; a folder comes
// before what it holds.
#ifndef ZOV_RUNTIME_PAYLOAD_FORMAT_H_
#define ZOV_RUNTIME_PAYLOAD_FORMAT_H_

inline constexpr char kPackedRuntimeKey[] = "packed_runtime";
inline constexpr int kPayloadKeyDigits = 32;

inline constexpr char kPayloadMagic[] = "ZRT1";  // its first 4 bytes
inline constexpr int kPayloadMagicSize = 4;
inline constexpr int kPayloadHeaderSize = 8;     // magic, list length
inline constexpr int kPayloadEntryHeadSize = 9;  // kind, size; then the path

// An entry's kind.
inline constexpr char kPayloadFolder = 'd';
inline constexpr char kPayloadFile = 'f';
inline constexpr char kPayloadExecutable = 'x';  // a file, executable on Linux

#endif  // ZOV_RUNTIME_PAYLOAD_FORMAT_H_
