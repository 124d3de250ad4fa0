// The folders are layers, and an include only points down: setup/ (the
// wizard) may use system/ and engine/; system/ may use engine/; all of them
// reach the disk through trust/, which uses platform/. What two layers share
// lives below both.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// The folders each layer may include from, besides its own.
const std::map<std::string, std::set<std::string>> kMayUse = {
    {"setup", {"system", "engine", "trust", "platform", "resources"}},
    {"system", {"engine", "trust", "platform", "resources"}},
    {"engine", {"trust", "platform", "resources"}},
    {"trust", {"platform", "resources"}},
    {"platform", {"resources"}},
};

TEST(LayersTest, IncludesPointOnlyDown) {
  std::vector<std::string> upward;
  int files = 0;
  for (const auto& [layer, allowed] : kMayUse) {
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(TEST_SOURCE_DIR) / layer)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      ++files;
      std::ifstream in(entry.path());
      std::string line;
      for (int number = 1; std::getline(in, line); ++number) {
        if (line.rfind("#include \"", 0) != 0) continue;
        const std::string target = line.substr(10, line.find('"', 10) - 10);
        const std::string folder = target.substr(0, target.find('/'));
        if (folder != layer && !allowed.count(folder))
          upward.push_back(fs::relative(entry.path(), TEST_SOURCE_DIR).string() + ":" +
                           std::to_string(number) + " includes " + target);
      }
    }
  }
  EXPECT_GT(files, 50) << "the source tree was not found at " << TEST_SOURCE_DIR;
  EXPECT_TRUE(upward.empty()) << upward.size() << " includes point up, the first: " << upward.front();
}

}  // namespace
