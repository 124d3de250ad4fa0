// Filling the Start-menu folder tree against a bare recursive walk of the
// same folders (stand-in file system, 5,000 folders up to 6 levels deep).
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/standin/Standin.h"
#include "setup/Main.h"
#include "setup/Unit_Constants.h"

namespace {

const std::string kPrograms = "C:\\Programs";

void MakeTree() {
  static bool made = false;
  if (made) return;
  made = true;
  standin::SetProgramsFolder(kPrograms);
  os::CreateDirectoryA(kPrograms);
  // Breadth-first: 8 children a folder until 5,000 folders, at most 6 deep.
  std::vector<std::pair<std::string, int>> queue = {{kPrograms, 0}};
  int made_count = 0;
  for (std::size_t i = 0; i < queue.size() && made_count < 5000; ++i) {
    const auto [folder, depth] = queue[i];
    if (depth == 6) continue;
    for (int c = 0; c < 8 && made_count < 5000; ++c) {
      const std::string child = folder + "\\Folder " + std::to_string(made_count);
      os::CreateDirectoryA(child);
      queue.push_back({child, depth + 1});
      ++made_count;
    }
  }
}

void Walk(const std::string& folder, std::vector<std::string>& names) {
  os::TDirectorySearch search(folder + "\\*.*");
  while (search.Next()) {
    if (!search.IsFolder() || search.Name() == "." || search.Name() == "..") continue;
    names.push_back(search.Name());
    Walk(folder + "\\" + search.Name(), names);
  }
}

void BM_BareWalk(benchmark::State& state) {
  MakeTree();
  for (auto _ : state) {
    std::vector<std::string> names;
    Walk(kPrograms, names);
    benchmark::DoNotOptimize(names.data());
    if (names.size() != 5000) state.SkipWithError("wrong folder count");
  }
}

void BM_FillProgFoldersTree(benchmark::State& state) {
  MakeTree();
  InitConstants();
  TMainForm form;
  MainForm = &form;
  for (auto _ : state) {
    form.FillProgFoldersTree();
    if (form.ProgFoldersTree.Count() != 5001) state.SkipWithError("wrong node count");
  }
  MainForm = nullptr;
}

BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FillProgFoldersTree)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
