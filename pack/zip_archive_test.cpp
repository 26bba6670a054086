#include "zip_archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "byte_order.h"
#include "test_util.h"

namespace zovpack {
namespace {


using test::ScratchDir;

class ZipArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTool("zip") || !test::HaveTool("unzip")) {
      GTEST_SKIP() << "zip and unzip are needed";
    }
    test::WriteFileOrDie(dir_.Join("big.txt"), std::string(50000, 'z'));
    test::WriteFileOrDie(dir_.Join("small.bin"), "\x01\x02\x03");
  }

  // Zips big.txt (deflated) and small.bin (stored) with extra zip options.
  std::string MakeZip(const std::string& options) {
    std::string out = dir_.Join("in.zip");
    test::Run("rm -f '" + out + "'");
    std::string log;
    EXPECT_EQ(0, test::Run("cd '" + dir_.path() + "' && zip -q " + options +
                         " in.zip big.txt && zip -q -0 " + options +
                         " in.zip small.bin",
                     &log))
        << log;
    return test::ReadFileOrDie(out);
  }

  // Relocates `zip` behind a stub and checks the result with the readers.
  std::string PackAndCheck(const std::string& data, const std::string& comment,
                           int big_method = 8) {
    ZipArchive zip;
    std::string error;
    EXPECT_TRUE(ParseZip(data, &zip, &error)) << error;
    std::string out(3000, 'S');
    EXPECT_TRUE(AppendRelocatedZip(data, zip, comment, &out, &error)) << error;
    std::string path = dir_.Join("out.exe");
    test::WriteFileOrDie(path, out);
    std::string log;
    // Info-ZIP warns (status 1) of the stub its offsets do not count.
    EXPECT_GE(1, test::Run("unzip -t '" + path + "'", &log)) << log;
    EXPECT_NE(std::string::npos, log.find("No errors detected")) << log;
    if (test::HaveTool("jar")) {
      EXPECT_EQ(0, test::Run("cd '" + dir_.path() + "' && jar tf out.exe", &log)) << log;
      EXPECT_NE(std::string::npos, log.find("small.bin")) << log;
    }

    ZipArchive again;
    EXPECT_TRUE(ParseZip(out, &again, &error)) << error;
    EXPECT_EQ(3000u, again.start);
    EXPECT_EQ(again.zip64 ? 0 : 3000, again.base);
    EXPECT_EQ(comment, again.comment);
    EXPECT_EQ(2u, again.entries.size());
    std::string body;
    const ZipEntry* big = FindZipEntry(again, "BIG.TXT");
    EXPECT_NE(nullptr, big);
    if (big == nullptr) return out;
    EXPECT_EQ(big_method, big->method);
    EXPECT_TRUE(ReadZipEntry(out, again, *big, 1 << 20, &body, &error)) << error;
    EXPECT_EQ(std::string(50000, 'z'), body);
    EXPECT_TRUE(ReadZipEntry(out, again, *FindZipEntry(again, "small.bin"),
                             1 << 20, &body, &error));
    EXPECT_EQ("\x01\x02\x03", body);
    EXPECT_FALSE(ReadZipEntry(out, again, *big, 1000, &body, &error));
    return out;
  }

  ScratchDir dir_;
};

TEST_F(ZipArchiveTest, RelocatesPlainArchive) {
  std::string out = PackAndCheck(MakeZip(""), "mainclass a.B\r\noption -Xmx1g");
  EXPECT_EQ("mainclass a.B\r\noption -Xmx1g", out.substr(out.size() - 28));
}

TEST_F(ZipArchiveTest, ReplacesExistingComment) {
  std::string data = MakeZip("");
  test::Run("cd '" + dir_.path() + "' && echo 'an old comment' | zip -q -z in.zip");
  data = test::ReadFileOrDie(dir_.Join("in.zip"));
  ZipArchive zip;
  std::string error;
  ASSERT_TRUE(ParseZip(data, &zip, &error)) << error;
  EXPECT_EQ("an old comment", zip.comment.substr(0, 14));
  std::string out = PackAndCheck(data, "x");
  EXPECT_EQ(std::string::npos, out.find("an old comment"));
  PackAndCheck(data, "");
}

// A stored-only zip64 archive whose central headers keep their local
// header offsets in zip64 extra fields, as writers do past 4 GB.
std::string MakeZip64WithOffsetsInExtra() {
  const std::pair<std::string, std::string> files[] = {
      {"big.txt", std::string(50000, 'z')}, {"small.bin", "\x01\x02\x03"}};
  std::string out, central;
  for (const auto& f : files) {
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(f.second.data()), f.second.size()));
    uint64_t offset = out.size();
    auto header = [&](std::string* s, bool is_central) {
      Append32(s, is_central ? 0x02014b50 : 0x04034b50);
      if (is_central) Append16(s, 45);
      Append16(s, 45);
      Append16(s, 0);
      Append16(s, 0);
      Append32(s, 0x00210000);
      Append32(s, crc);
      Append32(s, static_cast<uint32_t>(f.second.size()));
      Append32(s, static_cast<uint32_t>(f.second.size()));
      Append16(s, static_cast<uint16_t>(f.first.size()));
      Append16(s, is_central ? 12 : 0);
    };
    header(&out, false);
    out += f.first + f.second;
    header(&central, true);
    for (int i = 0; i < 5; ++i) Append16(&central, 0);
    Append32(&central, 0xffffffff);
    central += f.first;
    Append16(&central, 1);
    Append16(&central, 8);
    Append32(&central, static_cast<uint32_t>(offset));
    Append32(&central, static_cast<uint32_t>(offset >> 32));
  }
  uint64_t central_offset = out.size();
  out += central;
  uint64_t record = out.size();
  Append32(&out, 0x06064b50);
  Append32(&out, 44);
  Append32(&out, 0);
  Append16(&out, 45);
  Append16(&out, 45);
  Append32(&out, 0);
  Append32(&out, 0);
  for (uint64_t v : {uint64_t{2}, uint64_t{2}, uint64_t{central.size()}, central_offset}) {
    Append32(&out, static_cast<uint32_t>(v));
    Append32(&out, static_cast<uint32_t>(v >> 32));
  }
  Append32(&out, 0x07064b50);
  Append32(&out, 0);
  Append32(&out, static_cast<uint32_t>(record));
  Append32(&out, 0);
  Append32(&out, 1);
  Append32(&out, 0x06054b50);
  Append32(&out, 0);
  Append16(&out, 2);
  Append16(&out, 2);
  Append32(&out, static_cast<uint32_t>(central.size()));
  Append32(&out, 0xffffffff);
  Append16(&out, 0);
  return out;
}

TEST_F(ZipArchiveTest, RelocatesZip64Archives) {
  // Info-ZIP's forced zip64: sizes in the extra fields, offsets not.
  std::string data = MakeZip("-fz");
  ZipArchive zip;
  std::string error;
  ASSERT_TRUE(ParseZip(data, &zip, &error)) << error;
  ASSERT_TRUE(zip.zip64);
  std::string out = PackAndCheck(data, "mainclass z.Z");
  ASSERT_TRUE(ParseZip(out, &zip, &error));
  EXPECT_TRUE(zip.zip64);

  data = MakeZip64WithOffsetsInExtra();
  ASSERT_TRUE(ParseZip(data, &zip, &error)) << error;
  ASSERT_TRUE(zip.entries[1].offset_in_zip64);
  out = PackAndCheck(data, "mainclass z.Z", 0);
  ASSERT_TRUE(ParseZip(out, &zip, &error));
  EXPECT_TRUE(zip.entries[0].offset_in_zip64);
  EXPECT_EQ(0, zip.base);
  EXPECT_EQ(3000u, zip.entries[0].local_offset);
}

TEST_F(ZipArchiveTest, DropsUnaccountedPrefix) {
  // A prefix the offsets do not count, then one they do (zip -A).
  std::string data = std::string(777, 'P') + MakeZip("");
  ZipArchive zip;
  std::string error;
  ASSERT_TRUE(ParseZip(data, &zip, &error)) << error;
  EXPECT_EQ(777, zip.base);
  EXPECT_EQ(777u, zip.start);
  PackAndCheck(data, "c");

  test::WriteFileOrDie(dir_.Join("in.zip"), data);
  test::Run("cd '" + dir_.path() + "' && zip -q -A in.zip");
  data = test::ReadFileOrDie(dir_.Join("in.zip"));
  ASSERT_TRUE(ParseZip(data, &zip, &error)) << error;
  EXPECT_EQ(0, zip.base);
  EXPECT_EQ(777u, zip.start);
  PackAndCheck(data, "c");
}

TEST_F(ZipArchiveTest, RejectsWhatIsNotAWholeArchive) {
  std::string data = MakeZip("");
  ZipArchive zip;
  std::string error;
  EXPECT_FALSE(ParseZip("just some text, certainly no archive", &zip, &error));
  EXPECT_FALSE(ParseZip("", &zip, &error));
  EXPECT_FALSE(error.empty());
  // The central directory cut away, and a local header overwritten.
  ZipArchive good;
  ASSERT_TRUE(ParseZip(data, &good, &error));
  std::string cut = data.substr(0, good.central_pos + 10) + data.substr(good.end_pos);
  EXPECT_FALSE(ParseZip(cut, &zip, &error));
  std::string broken = data;
  broken[0] = 'X';
  EXPECT_FALSE(ParseZip(broken, &zip, &error));
  EXPECT_NE(std::string::npos, error.find("local header")) << error;
  // A damaged entry fails its CRC instead of yielding wrong bytes.
  std::string flipped = data;
  const ZipEntry* small = FindZipEntry(good, "small.bin");
  size_t local = small->local_offset;
  flipped[local + 30 + Load16(data, local + 26) + Load16(data, local + 28)] ^= 1;
  std::string body;
  EXPECT_FALSE(ReadZipEntry(flipped, good, *small, 100, &body, &error));
}

}  // namespace
}  // namespace zovpack
