#include "pe_resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app_resources.h"
#include "byte_order.h"
#include "pe_image.h"
#include "picture_files.h"
#include "test_util.h"

namespace zovpack {
namespace {

const Resource* Find(const std::vector<Resource>& list, uint16_t type,
                     uint16_t name, uint16_t language) {
  for (const Resource& r : list) {
    if (r.type == ResourceName::Id(type) && r.name == ResourceName::Id(name) &&
        r.language == language) {
      return &r;
    }
  }
  return nullptr;
}

std::vector<Resource> Read(const std::string& file) {
  PeImage image;
  std::vector<Resource> list;
  std::string error;
  EXPECT_TRUE(ParsePe(file, &image, &error)) << error;
  EXPECT_TRUE(ReadResources(file, image, &list, &error)) << error;
  return list;
}

// What the Windows loader relies on: aligned, ordered, non-overlapping
// sections inside the file, SizeOfImage covering exactly the last one, the
// resource directory inside a section, and a matching checksum.
void ExpectConsistentHeaders(const std::string& file) {
  PeImage image;
  std::string error;
  ASSERT_TRUE(ParsePe(file, &image, &error)) << error;
  uint64_t va_end = image.size_of_headers;
  std::vector<std::pair<uint32_t, uint32_t>> raw;
  for (const PeSection& s : image.sections) {
    EXPECT_EQ(0u, s.virtual_address % image.section_alignment) << s.name;
    EXPECT_GE(s.virtual_address, va_end) << s.name;
    va_end = uint64_t{s.virtual_address} + std::max(s.virtual_size, s.raw_size);
    if (s.raw_size == 0) continue;
    EXPECT_EQ(0u, s.raw_pointer % image.file_alignment) << s.name;
    EXPECT_EQ(0u, s.raw_size % image.file_alignment) << s.name;
    EXPECT_LE(uint64_t{s.raw_pointer} + s.raw_size, file.size()) << s.name;
    raw.emplace_back(s.raw_pointer, s.raw_pointer + s.raw_size);
  }
  std::sort(raw.begin(), raw.end());
  for (size_t i = 1; i < raw.size(); ++i) EXPECT_LE(raw[i - 1].second, raw[i].first);
  EXPECT_EQ((va_end + image.section_alignment - 1) / image.section_alignment *
                image.section_alignment,
            image.size_of_image);
  DataDirectory dir = ReadDirectory(file, image, kResourceDirectory);
  size_t offset;
  EXPECT_TRUE(RvaToOffset(image, dir.rva, dir.size, &offset));
  EXPECT_EQ(Load32(file, image.checksum_pos()),
            ComputePeChecksum(file, image.checksum_pos()));
}

class PeResourcesTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    path_ = test::TestStub(GetParam());
    if (path_.empty()) GTEST_SKIP() << "no mingw-w64 test stub";
    stub_ = test::ReadFileOrDie(path_);
  }

  // Edits a copy of the stub as packing does, checksum included.
  std::string Edit(const Bitmap* splash, const std::vector<IconImage>* icon) {
    std::string file = stub_;
    std::vector<Resource> list = Read(file);
    if (splash != nullptr) SetSplashBitmap(&list, *splash);
    std::string error;
    if (icon != nullptr) {
      EXPECT_TRUE(ReplaceIcon(&list, *icon, &error)) << error;
    }
    EXPECT_TRUE(WriteResources(&file, list, &error)) << error;
    PeImage image;
    EXPECT_TRUE(ParsePe(file, &image, &error));
    Store32(&file, image.checksum_pos(), ComputePeChecksum(file, image.checksum_pos()));
    return file;
  }

  int RunUnderWine(const std::string& file, const std::string& args) {
    test::ScratchDir dir;
    test::WriteFileOrDie(dir.Join("t.exe"), file);
    std::string log;
    // The test run's one prefix when there is one: a new prefix costs seconds.
    const char* runPrefix = std::getenv("WINEPREFIX");
    std::string prefix = runPrefix && *runPrefix
                             ? runPrefix
                             : std::string(ZOVPACK_TEST_STUB_DIR) + "/wineprefix";
    int rc = test::Run("chmod +x '" + dir.Join("t.exe") + "' && WINEDEBUG=-all WINEPREFIX=" +
                           prefix + " " +
                           test::WineLoader() + " '" + dir.Join("t.exe") + "' " + args,
                       &log);
    return rc;
  }

  std::string path_;
  std::string stub_;
};

TEST_P(PeResourcesTest, RoundTripKeepsEveryResource) {
  // The linker's checksum agrees with ours.
  PeImage image;
  std::string error;
  ASSERT_TRUE(ParsePe(stub_, &image, &error));
  EXPECT_EQ(Load32(stub_, image.checksum_pos()),
            ComputePeChecksum(stub_, image.checksum_pos()));

  std::vector<Resource> before = Read(stub_);
  for (uint16_t language : {1028, 1033, 2052}) {
    EXPECT_NE(nullptr, Find(before, kRtString, 1, language)) << language;
  }
  EXPECT_NE(nullptr, Find(before, kRtVersion, 1, 1033));
  EXPECT_NE(nullptr, FindIconGroup(before));

  std::string file = stub_;
  ASSERT_TRUE(WriteResources(&file, before, &error)) << error;
  std::vector<Resource> after = Read(file);
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_TRUE(before[i].type == after[i].type && before[i].name == after[i].name);
    EXPECT_EQ(before[i].language, after[i].language);
    EXPECT_EQ(before[i].data, after[i].data);
  }
  // Named entries survive too, and sort before numbered ones.
  Resource named = before[0];
  named.name.is_string = true;
  named.name.text = u"ZOVNAME";
  before.push_back(named);
  ASSERT_TRUE(WriteResources(&file, before, &error)) << error;
  after = Read(file);
  ASSERT_EQ(before.size(), after.size());
  EXPECT_TRUE(std::any_of(after.begin(), after.end(), [](const Resource& r) {
    return r.name.is_string && r.name.text == u"ZOVNAME";
  }));
}

TEST_P(PeResourcesTest, SplashAndIconEditsKeepImageConsistent) {
  std::string error;
  std::vector<Resource> before = Read(stub_);
  PeImage original;
  ASSERT_TRUE(ParsePe(stub_, &original, &error));

  // A tiny splash fits the existing section: nothing moves.
  Bitmap tiny;
  ASSERT_TRUE(ParseBmp(test::MakeBmp(1, 1, 24), &tiny, &error));
  std::string small = Edit(&tiny, nullptr);
  ExpectConsistentHeaders(small);
  EXPECT_EQ(stub_.size(), small.size());

  // A large one forces the section to grow, or a new one to be added when
  // other sections follow the resources.
  Bitmap splash;
  ASSERT_TRUE(ParseBmp(test::MakeBmp(200, 100, 24), &splash, &error));
  std::vector<IconImage> icon;
  ASSERT_TRUE(ParseIco(test::MakeIco({16, 48}), &icon, &error));
  std::string big = Edit(&splash, &icon);
  ExpectConsistentHeaders(big);
  PeImage edited;
  ASSERT_TRUE(ParsePe(big, &edited, &error));
  const PeSection& last = original.sections.back();
  bool resources_last = ReadDirectory(stub_, original, kResourceDirectory).rva ==
                        last.virtual_address;
  EXPECT_EQ(original.sections.size() + (resources_last ? 0 : 1), edited.sections.size());
  int64_t raw_growth = 0;
  for (const PeSection& s : edited.sections) raw_growth += s.raw_size;
  for (const PeSection& s : original.sections) raw_growth -= s.raw_size;
  EXPECT_EQ(Load32(stub_, original.optional_pos + 8) + raw_growth,
            Load32(big, edited.optional_pos + 8));

  std::vector<Resource> after = Read(big);
  for (uint16_t language : {1028, 1033, 2052}) {
    ASSERT_NE(nullptr, Find(after, kRtString, 1, language));
    EXPECT_EQ(Find(before, kRtString, 1, language)->data,
              Find(after, kRtString, 1, language)->data);
  }
  EXPECT_EQ(Find(before, kRtVersion, 1, 1033)->data, Find(after, kRtVersion, 1, 1033)->data);
  ASSERT_NE(nullptr, FindSplashBitmap(after));
  EXPECT_EQ(splash.resource, FindSplashBitmap(after)->data);
  // The group was replaced in place; its images are the new ones and the
  // old image, used by no other group, is gone.
  const Resource* group = FindIconGroup(after);
  ASSERT_NE(nullptr, group);
  EXPECT_TRUE(group->name == FindIconGroup(before)->name);
  std::vector<uint16_t> ids;
  ASSERT_TRUE(ParseIconGroup(group->data, &ids));
  ASSERT_EQ(2u, ids.size());
  EXPECT_EQ(icon[1].data, Find(after, kRtIcon, ids[1], group->language)->data);
  const std::string old_image = Find(before, kRtIcon, 1, group->language)->data;
  EXPECT_TRUE(std::none_of(after.begin(), after.end(), [&](const Resource& r) {
    return r.type == ResourceName::Id(kRtIcon) && r.data == old_image;
  }));

  if (GetParam() == std::string("stub64.exe") && !test::WineLoader().empty()) {
    EXPECT_EQ(0, RunUnderWine(small, "splash 1"));
    EXPECT_EQ(0, RunUnderWine(big, "splash 200"));
    EXPECT_EQ(0, RunUnderWine(big, "icon"));
  }
}

TEST_P(PeResourcesTest, RefusesImagesItCannotEdit) {
  std::string file = stub_;
  PeImage image;
  std::string error;
  ASSERT_TRUE(ParsePe(file, &image, &error));
  Store32(&file, image.directory_pos(kSecurityDirectory), 0x100);
  Store32(&file, image.directory_pos(kSecurityDirectory) + 4, 0x100);
  std::string unchanged = file;
  EXPECT_FALSE(WriteResources(&file, Read(stub_), &error));
  EXPECT_EQ(unchanged, file);

  // A resource tree that points outside the section.
  file = stub_;
  size_t root;
  DataDirectory dir = ReadDirectory(file, image, kResourceDirectory);
  ASSERT_TRUE(RvaToOffset(image, dir.rva, 16, &root));
  Store32(&file, root + 16 + 4, 0x80000000u | 0x7ffffff0u);
  std::vector<Resource> list;
  EXPECT_FALSE(ReadResources(file, image, &list, &error));
  EXPECT_FALSE(ParsePe("MZ not really", &image, &error));
}

INSTANTIATE_TEST_SUITE_P(Stubs, PeResourcesTest,
                         ::testing::Values("stub64.exe", "stub32.exe"));

}  // namespace
}  // namespace zovpack
