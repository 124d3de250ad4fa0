// What each check on the way of one file costs under this system: makes
// FILES files of 4 KiB in 50 folders below TARGET_DIR, once bare and once
// with each check Setup makes per entry, and prints the microseconds per
// file of each. For finding where Setup's time goes; bench/setup-bench
// measures Setup itself.
//
//   call_costs TARGET_DIR [FILES]
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "bench/Clock.h"
#include <cstdlib>
#include <string>

namespace {

enum Check { kNone = 0, kAttributes = 1, kFinalPath = 2, kFolderFinalPath = 4, kNameInfo = 8, kFinalPathNt = 16 };

using FinalPath = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

double Run(const std::string& root, int files, int checks, FinalPath finalPath) {
  static char data[4096];
  ::CreateDirectoryA(root.c_str(), nullptr);
  for (int f = 0; f < 50; ++f) ::CreateDirectoryA((root + "\\F" + std::to_string(f)).c_str(), nullptr);
  const double start = Now();
  for (int i = 0; i < files; ++i) {
    const std::string folder = root + "\\F" + std::to_string(i % 50);
    const std::string path = folder + "\\File" + std::to_string(i) + ".wdl";
    char final[MAX_PATH * 2];
    if (checks & kAttributes) ::GetFileAttributesA(path.c_str());
    if ((checks & kFolderFinalPath) && i < 50) {
      HANDLE dir = ::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      finalPath(dir, final, sizeof final, 0);
      ::CloseHandle(dir);
    }
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    if (checks & kFinalPath) finalPath(file, final, sizeof final, 0);
    if (checks & kFinalPathNt) finalPath(file, final, sizeof final, 2 /*VOLUME_NAME_NT*/);
    if (checks & kNameInfo) {
      // Where the file lies on its volume, and which volume: the check by
      // name information instead of the final path.
      alignas(8) char info[sizeof(FILE_NAME_INFO) + MAX_PATH * 4];
      ::GetFileInformationByHandleEx(file, FileNameInfo, info, sizeof info);
      BY_HANDLE_FILE_INFORMATION volume;
      ::GetFileInformationByHandle(file, &volume);
    }
    DWORD written;
    ::WriteFile(file, data, sizeof data, &written, nullptr);
    ::CloseHandle(file);
  }
  return (Now() - start) / files * 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const int files = argc > 2 ? std::atoi(argv[2]) : 5000;
  const auto finalPath = reinterpret_cast<FinalPath>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  if (!finalPath) return 1;
  const struct {
    const char* name;
    int checks;
  } runs[] = {{"bare", kNone},
              {"attributes", kAttributes},
              {"final-path", kFinalPath},
              {"both", kAttributes | kFinalPath},
              {"folder-final-path", kFolderFinalPath},
              {"name-info", kNameInfo},
              {"final-path-nt", kFinalPathNt}};
  ::CreateDirectoryA(argv[1], nullptr);
  // Rounds in turn, each variant once a round in a fresh folder, the order
  // rotated: the medians, so that one slow moment counts once.
  constexpr int kRounds = 5, kRuns = sizeof runs / sizeof runs[0];
  double times[kRuns][kRounds];
  int n = 0;
  for (int round = 0; round < kRounds; ++round)
    for (int k = 0; k < kRuns; ++k) {
      const int r = (k + round) % kRuns;
      times[r][round] = Run(std::string(argv[1]) + "\\run" + std::to_string(n++), files, runs[r].checks, finalPath);
    }
  for (int r = 0; r < kRuns; ++r) {
    std::sort(times[r], times[r] + kRounds);
    std::printf("%-18s %8.1f us/file (median of %d)\n", runs[r].name, times[r][kRounds / 2], kRounds);
  }
  return 0;
}
