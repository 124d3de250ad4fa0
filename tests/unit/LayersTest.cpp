// The folders are layers, and an include only points down: setup/ (the
// wizard) and uninst/ (the uninstaller), side by side, may use system/ and
// engine/; system/ may use engine/; all of them
// reach the disk through trust/, which uses platform/. What two layers share
// lives below both. The tools and the benchmarks sit on top, but the release
// tools never use the stand-in or the Windows implementation of the
// platform: they run on the packer's host, with host/ (the code pages,
// which the stand-in uses too). And no unit includes, through
// others, one that includes it: a circle, even inside a folder, means two
// units that cannot be understood or tested apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The folders each layer may include from, besides its own.
const std::map<std::string, std::set<std::string>> kMayUse = {
    {"bench", {"setup", "uninst", "system", "engine", "trust", "platform", "resources", "host"}},
    {"tools", {"engine", "trust", "platform", "resources", "host"}},
    {"setup", {"system", "engine", "trust", "platform", "resources"}},
    {"uninst", {"system", "engine", "trust", "platform", "resources"}},
    {"system", {"engine", "trust", "platform", "resources"}},
    {"engine", {"trust", "platform", "resources"}},
    {"trust", {"platform", "resources"}},
    {"platform", {"resources", "host"}},
    {"host", {}},
};
// What a layer never includes, though its folder is allowed.
const std::map<std::string, std::vector<std::string>> kNever = {
    {"tools", {"platform/standin/", "platform/win32/"}},
    {"platform", {"host/"}},
};
// Where a layer may include what kNever keeps from the rest of it.
const std::vector<std::string> kExcepted = {"platform/standin/"};

struct TInclude {
  std::string From;  // a source file, relative to the tree
  int Line;
  std::string Target;
};

// Every project include of every source file of the layers.
std::vector<TInclude> Includes(int& files) {
  std::vector<TInclude> found;
  for (const auto& [layer, allowed] : kMayUse) {
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(TEST_SOURCE_DIR) / layer)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      ++files;
      const std::string from = fs::relative(entry.path(), TEST_SOURCE_DIR).generic_string();
      std::ifstream in(entry.path());
      std::string line;
      for (int number = 1; std::getline(in, line); ++number)
        if (line.rfind("#include \"", 0) == 0) found.push_back({from, number, line.substr(10, line.find('"', 10) - 10)});
    }
  }
  return found;
}

// "engine/Unit_DataFile.cpp" and ".h" are one unit.
std::string UnitOf(const std::string& file) { return file.substr(0, file.rfind('.')); }

TEST(LayersTest, IncludesPointOnlyDown) {
  int files = 0;
  std::vector<std::string> upward;
  for (const TInclude& include : Includes(files)) {
    const std::string layer = include.From.substr(0, include.From.find('/'));
    const std::string folder = include.Target.substr(0, include.Target.find('/'));
    bool allowed = folder == layer || kMayUse.at(layer).count(folder);
    bool excepted = false;
    for (const std::string& part : kExcepted) excepted = excepted || include.From.rfind(part, 0) == 0;
    if (kNever.count(layer) && !excepted)
      for (const std::string& never : kNever.at(layer)) allowed = allowed && include.Target.rfind(never, 0) != 0;
    if (!allowed) upward.push_back(include.From + ":" + std::to_string(include.Line) + " includes " + include.Target);
  }
  EXPECT_GT(files, 50) << "the source tree was not found at " << TEST_SOURCE_DIR;
  EXPECT_TRUE(upward.empty()) << upward.size() << " includes point up, the first: " << upward.front();
}

TEST(LayersTest, NoUnitIncludesItselfThroughOthers) {
  int files = 0;
  std::map<std::string, std::set<std::string>> uses;
  for (const TInclude& include : Includes(files))
    if (UnitOf(include.Target) != UnitOf(include.From)) uses[UnitOf(include.From)].insert(UnitOf(include.Target));
  // A depth-first walk: a unit met again while it is still on the way is
  // a circle, shown as the way round.
  std::map<std::string, int> state;  // 1: on the way, 2: done
  std::vector<std::string> way, circle;
  const std::function<void(const std::string&)> walk = [&](const std::string& unit) {
    state[unit] = 1;
    way.push_back(unit);
    for (const std::string& next : uses[unit]) {
      if (!circle.empty()) break;
      if (state[next] == 1) {
        circle.assign(std::find(way.begin(), way.end(), next), way.end());
        circle.push_back(next);
      } else if (state[next] == 0) {
        walk(next);
      }
    }
    way.pop_back();
    state[unit] = 2;
  };
  for (const auto& [unit, targets] : std::map<std::string, std::set<std::string>>(uses))
    if (state[unit] == 0 && circle.empty()) walk(unit);
  std::string shown;
  for (const std::string& unit : circle) shown += (shown.empty() ? "" : " -> ") + unit;
  EXPECT_GT(files, 50);
  EXPECT_TRUE(circle.empty()) << "an include circle: " << shown;
}

}  // namespace
