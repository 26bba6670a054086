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

}  // namespace
