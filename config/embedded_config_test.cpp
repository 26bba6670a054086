#include "config/embedded_config.h"

#include <string>

#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

using testing_support::ScopedTempDir;
using testing_support::WriteFile;

// An end-of-central-directory record whose length field says 0, followed by
// the comment: the field must not matter.
std::string EndRecord(const std::string& comment) {
  return std::string("PK\x05\x06", 4) + std::string(18, '\0') + comment;
}

int64_t Find(const std::string& image) {
  return FindEmbeddedComment(
      reinterpret_cast<const unsigned char*>(image.data()),
      static_cast<int64_t>(image.size()));
}

TEST(FindEmbeddedComment, LooksOnlyAtTheLast2070BytesFromTheEnd) {
  std::string archive(5000, 'z');
  EXPECT_EQ(5022, Find(archive + EndRecord(std::string(2048, 'c'))));
  EXPECT_EQ(-1, Find(archive + EndRecord(std::string(2049, 'c'))));
  EXPECT_EQ(22, Find(EndRecord("")));           // the whole file is the record
  EXPECT_EQ(-1, Find(EndRecord("").substr(0, 21)));
  EXPECT_EQ(-1, Find(""));

  // A signature inside the comment is nearer the end, so it wins.
  std::string image = archive + EndRecord("key a\r\n" + EndRecord("key b"));
  EXPECT_EQ("key b", image.substr(static_cast<size_t>(Find(image))));
  // A signature too close to the end to begin a record is not one.
  image = archive + EndRecord("x") + "PK\x05\x06";
  EXPECT_EQ("xPK\x05\x06", image.substr(static_cast<size_t>(Find(image))));
}

TEST(ReadEmbeddedConfig, TakesEverythingAfterTheRecordFromTheFile) {
  ScopedTempDir dir;
  std::string path = dir.Join("app");
  // Bytes appended after the archive become part of the comment.
  WriteFile(path, std::string(3000, 'i') + EndRecord("mainclass A") +
                      std::string("\0tail", 5));
  TextBuffer comment = ReadEmbeddedConfig(path.c_str());
  EXPECT_EQ(std::string("mainclass A\0tail", 16),
            std::string(comment.data(), comment.length()));
  EXPECT_EQ(0, comment.data()[comment.length()]);

  // Past the first page and allocation granule, and a window that starts
  // just before such a boundary: the tail view must still see it all.
  for (size_t archive : {size_t{200000}, size_t{65536 - 1000}}) {
    std::string config = "minjre 1.8\r\n" + std::string(1500, '#');
    WriteFile(path, std::string(archive, 'a') + EndRecord(config));
    comment = ReadEmbeddedConfig(path.c_str());
    EXPECT_EQ(config, std::string(comment.data(), comment.length())) << archive;
  }

  EXPECT_EQ(0, ReadEmbeddedConfig(dir.Join("missing").c_str()).length());
  WriteFile(path, "");
  EXPECT_EQ(0, ReadEmbeddedConfig(path.c_str()).length());
}

// The first bytes of a PE image (PE32+ unless pe32) whose certificate
// entry names `size` bytes at file offset `offset`.
std::string PeHead(uint32_t offset, uint32_t size, bool pe32 = false) {
  std::string head(512, '\0');
  auto put32 = [&](size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) head[pos + i] = static_cast<char>(v >> 8 * i);
  };
  head[0] = 'M';
  head[1] = 'Z';
  put32(60, 0x80);
  put32(0x80, 0x4550);
  head[0x80 + 24] = 0x0b;
  head[0x80 + 25] = pe32 ? 1 : 2;
  size_t directories = 0x80 + 24 + (pe32 ? 96 : 112);
  put32(directories - 4, 16);
  put32(directories + 32, offset);
  put32(directories + 36, size);
  return head;
}

int64_t TableSize(const std::string& head, int64_t fileSize) {
  return CertificateTableSize(
      reinterpret_cast<const unsigned char*>(head.data()),
      static_cast<int>(head.size()), fileSize);
}

TEST(CertificateTableSize, OnlyATableThatEndsAWellFormedImage) {
  EXPECT_EQ(4600, TableSize(PeHead(10000, 4600), 14600));
  EXPECT_EQ(4600, TableSize(PeHead(10000, 4600, true), 14600));
  EXPECT_EQ(0, TableSize(PeHead(0, 0), 14600));          // unsigned
  EXPECT_EQ(0, TableSize(PeHead(10000, 4600), 14608));   // not at the end
  EXPECT_EQ(0, TableSize(PeHead(0xffffffff, 4600), 14600));

  std::string head = PeHead(10000, 4600);
  EXPECT_EQ(0, TableSize(head.substr(0, 0x80 + 24 + 112 + 39), 14600));
  std::string damaged = head;
  damaged[0x80 + 24 + 108] = 4;  // no entry 4 in the directory
  EXPECT_EQ(0, TableSize(damaged, 14600));
  damaged = head;
  damaged[0x80 + 25] = 3;  // neither PE32 nor PE32+
  EXPECT_EQ(0, TableSize(damaged, 14600));
  damaged = head;
  damaged[63] = 0x7f;  // headers far beyond the bytes read
  EXPECT_EQ(0, TableSize(damaged, 14600));
  damaged = head;
  damaged[0x80] = 'N';
  EXPECT_EQ(0, TableSize(damaged, 14600));
  EXPECT_EQ(0, TableSize("MZ", 14600));
}

TEST(ReadEmbeddedConfig, StopsWhereTheSignatureBegins) {
  ScopedTempDir dir;
  std::string path = dir.Join("signed.exe");
  // A signature longer than the whole search window, after the alignment
  // padding a signer adds; comment and padding fill the window exactly.
  std::string config = "mainclass a.B\r\n" + std::string(2045 - 15, '#');
  std::string image = PeHead(0, 0) + std::string(3000, 'i') +
                      EndRecord(config) + std::string(3, '\0');
  std::string table(4600, 'S');
  table.replace(3600, 23, EndRecord("x"));  // a record inside the signature
  std::string signed_file =
      PeHead(static_cast<uint32_t>(image.size()), 4600) +
      image.substr(512) + table;
  WriteFile(path, signed_file);
  TextBuffer comment = ReadEmbeddedConfig(path.c_str());
  EXPECT_EQ(config + std::string(3, '\0'),
            std::string(comment.data(), comment.length()));

  // Damaged: the table would end past the file. The file is read as an
  // unsigned one, so the record inside the table is found.
  WriteFile(path, PeHead(static_cast<uint32_t>(image.size()), 4601) +
                      signed_file.substr(512));
  comment = ReadEmbeddedConfig(path.c_str());
  EXPECT_EQ(table.substr(3622), std::string(comment.data(), comment.length()));
}

}  // namespace
