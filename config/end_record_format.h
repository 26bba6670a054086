// The end of a packed file: the ZIP end-of-central-directory record of the
// application's archive, whose comment carries the configuration lines.
// zovpack writes and checks it; the launcher searches for it. Both read
// their facts from here, so they cannot drift apart.
#ifndef ZOV_CONFIG_END_RECORD_FORMAT_H_
#define ZOV_CONFIG_END_RECORD_FORMAT_H_

#include <stdint.h>

// The record: its signature (50 4B 05 06, little-endian), fixed fields
// and the comment's length, then the comment.
inline constexpr uint32_t kEndRecordSignature = 0x06054b50;
inline constexpr int kEndRecordSize = 22;

// The launcher searches only the last kEndSearchWindow bytes of its file
// for the record, so a longer comment is never found.
inline constexpr int kMaxConfigComment = 2048;
inline constexpr int kEndSearchWindow = kEndRecordSize + kMaxConfigComment;

#endif  // ZOV_CONFIG_END_RECORD_FORMAT_H_
