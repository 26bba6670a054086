// zovpack checks and shows configuration lines the way the launcher will
// read them: both must find the same comment in a file and the same values
// in its lines, here on the fuzz targets' seeds (tests/fuzz/make_seeds.py).
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_store.h"
#include "config/embedded_config.h"
#include "config_lines.h"
#include "gtest/gtest.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;

const char* const kKeys[] = {"option",    "property",       "classpath",
                             "jre_order", "jvmdll",         "minjre",
                             "mainclass", "cds",            "maxjre",
                             "argument",  "workdir",        "restart_status",
                             "single_instance", "packed_runtime"};

std::vector<std::string> Seeds(const char* target) {
  std::vector<std::string> seeds;
  fs::path folder = fs::path(ZOV_SOURCE_DIR) / "tests/fuzz/corpus" / target;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    seeds.push_back(bytes.str());
  }
  EXPECT_FALSE(seeds.empty()) << folder;
  return seeds;
}

void Gather(void* context, const char* value) {
  static_cast<std::vector<std::string>*>(context)->push_back(value);
}

// Every value of every key, as the launcher and as zovpack read the text.
void ExpectSameValues(const std::string& text) {
  ConfigStore store("", "");
  store.Assign(text.data(), static_cast<int32_t>(text.size()));
  store.embeddedStart = 0;
  std::vector<zovpack::LauncherLine> lines;
  for (const std::string& line : zovpack::SplitLauncherLines(text)) {
    lines.push_back(zovpack::ReadLauncherLine(line));
  }
  for (const char* key : kKeys) {
    std::vector<std::string> launcher, packer;
    store.ForEachValue(TextBuffer(key), Gather, &launcher, false);
    for (const zovpack::LauncherLine& line : lines) {
      if (line.key != nullptr && std::string(line.key) == key) {
        packer.push_back(line.value);
      }
    }
    EXPECT_EQ(launcher, packer) << key << " in " << text;
  }
}

TEST(ConfigAgreement, ZovpackReadsTheLinesAsTheLauncherDoes) {
  // Their first byte only tells the fuzz target where the side text ends.
  for (const std::string& seed : Seeds("fuzz_config_lookup")) {
    if (!seed.empty()) ExpectSameValues(seed.substr(1));
  }
}

TEST(ConfigAgreement, ZovpackFindsTheCommentTheLauncherFinds) {
  testing_support::ScopedTempDir dir;
  std::string path = dir.Join("app");
  std::vector<std::string> files = Seeds("fuzz_embedded_comment");
  // A record at the window's edge is found, one byte further is not.
  for (int beyond : {0, 1}) {
    files.push_back("stub" + std::string("PK\x05\x06", 4) +
                    std::string(18, '\0') + "option -Xmx1m\n" +
                    std::string(kMaxConfigComment - 14 + beyond, ' '));
  }
  for (const std::string& seed : files) {
    testing_support::WriteFile(path, seed);
    TextBuffer launcher = ReadEmbeddedConfig(path.c_str());
    std::string packer;
    zovpack::FindLauncherComment(seed, &packer);
    EXPECT_EQ(std::string(launcher.data(), launcher.length()), packer);
    ExpectSameValues(packer);
  }
}

}  // namespace
