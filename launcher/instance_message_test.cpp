#include "launcher/instance_message.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

std::string Compose(const char* directory, const std::vector<std::string>& arguments) {
  StringList list;
  for (const std::string& argument : arguments) list.Add(argument.c_str());
  ByteBuffer out;
  if (!ComposeInstanceMessage(directory, list, &out)) return "refused";
  return std::string(out.data(), out.length());
}

TEST(InstanceMessage, ReadsBackWhatWasComposedAndNothingElse) {
  std::string frame = Compose("/home/\xC3\xBC", {"", "two words", "\xE4\xB8\xAD"});
  ASSERT_EQ(std::string("zovi\x18\0\0\0/home/\xC3\xBC\0\0two words\0\xE4\xB8\xAD\0", 32),
            frame);
  const unsigned char* header = reinterpret_cast<const unsigned char*>(frame.data());
  ASSERT_EQ(24, InstanceBodyLength(header));
  EXPECT_EQ(4, CountInstanceTexts(frame.data() + 8, 24));

  // Not ours, empty, or longer than any start sends: the header is refused.
  auto length = [](const std::string& header) {
    return InstanceBodyLength(reinterpret_cast<const unsigned char*>(header.data()));
  };
  EXPECT_EQ(-1, length(std::string("GET / HT", 8)));
  EXPECT_EQ(-1, length(std::string("zovi\0\0\0\0", 8)));
  EXPECT_EQ(-1, length(std::string("zovi\x01\0\x10\0", 8)));
  EXPECT_EQ(1 << 20, length(std::string("zovi\0\0\x10\0", 8)));
  EXPECT_EQ(-1, length(std::string("zovi\xff\xff\xff\xff", 8)));

  // A body must end its last text.
  EXPECT_EQ(0, CountInstanceTexts("ab", 2));
  EXPECT_EQ(0, CountInstanceTexts("a\0b", 3));
  EXPECT_EQ(0, CountInstanceTexts("", 0));
  EXPECT_EQ(1, CountInstanceTexts("", 1));
}

TEST(InstanceMessage, RefusesToComposeWhatTheReaderWouldRefuse) {
  std::string directory(100, 'd');
  // The body's limit counts every NUL: at it, it goes; one byte more, not.
  std::string fits(kMaxInstanceBody - 101 - 1, 'a');
  EXPECT_EQ(static_cast<size_t>(kMaxInstanceBody + 8), Compose(directory.c_str(), {fits}).size());
  EXPECT_EQ("refused", Compose(directory.c_str(), {fits + "a"}));
}

}  // namespace
