// What a packed file carries besides its archive, zovpack writes and the
// launcher unpacks: its runtime, and its application's jars, native
// libraries and files. Each is one raw DEFLATE stream between the
// launcher and the archive, named by an embedded line
//   packed_runtime OFFSET LENGTH ADLER32 KEY
// (packed_lib, packed_native, packed_files for the others)
// (decimal numbers, KEY the 32 hex digits of the content's digest). The
// stream decodes to the magic, the 32-bit little-endian length of the
// entry list, the list, then every file's bytes in list order. An entry is
// its kind, its size in 8 bytes little-endian (0 for a folder), and its
// path below the home with "/" separators, ended by a NUL; a folder comes
// before what it holds.
#ifndef ZOV_RUNTIME_PAYLOAD_FORMAT_H_
#define ZOV_RUNTIME_PAYLOAD_FORMAT_H_

inline constexpr char kPackedRuntimeKey[] = "packed_runtime";
inline constexpr char kPackedLibKey[] = "packed_lib";
inline constexpr char kPackedNativeKey[] = "packed_native";
inline constexpr char kPackedFilesKey[] = "packed_files";
inline constexpr int kPayloadKeyDigits = 32;

inline constexpr char kPayloadMagic[] = "ZRT1";  // its first 4 bytes
inline constexpr int kPayloadMagicSize = 4;
inline constexpr int kPayloadHeaderSize = 8;     // magic, list length
inline constexpr int kPayloadEntryHeadSize = 9;  // kind, size; then the path

// An entry's kind.
inline constexpr char kPayloadFolder = 'd';
inline constexpr char kPayloadFile = 'f';
inline constexpr char kPayloadExecutable = 'x';  // a file, executable on Linux
inline constexpr char kPayloadClassPath = 'j';   // a file, on the class path

#endif  // ZOV_RUNTIME_PAYLOAD_FORMAT_H_
