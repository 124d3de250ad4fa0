// Under Wine: Setup's extraction (progress dialog, worker thread, real
// Windows calls) against a minimal copy loop over the same volumes.
//
//   win_extract_bench dialog|copy TARGET_DIR     (volumes in the current folder)
#include "platform/win32/WinApi.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_Logfile.h"
#include "setup/Unit_Constants.h"
#include "setup/Unit_ExitForm.h"

namespace {

double Now() {
  LARGE_INTEGER count, frequency;
  ::QueryPerformanceCounter(&count);
  ::QueryPerformanceFrequency(&frequency);
  return double(count.QuadPart) / double(frequency.QuadPart);
}

int Dialog(const std::string& target) {
  os::Application.Initialize();
  os::Application.Title = "Setup";
  InitConstants();
  TExitForm exitForm;
  ExitForm = &exitForm;
  TExtractForm extractForm;
  ExtractForm = &extractForm;
  const double start = Now();
  TLogFile log(target, "Morvella");
  ExtractPars.LogFile = &log;
  ExtractPars.InstallDir = target;
  const int result = extractForm.ShowModal();
  log.Close();
  std::printf("dialog %.3f\n", Now() - start);
  ExtractForm = nullptr;
  ExitForm = nullptr;
  return result == 1 ? 0 : 1;
}

int Copy(const std::string& target) {
  const double start = Now();
  std::vector<char> buffer(256 * 1024);
  for (int n = 1;; ++n) {
    const std::string name = VolumeFileName(n);
    ::HANDLE in = ::CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (in == INVALID_HANDLE_VALUE) break;
    ::HANDLE out = ::CreateFileA((target + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ::DWORD read = 0, written = 0;
    while (::ReadFile(in, buffer.data(), ::DWORD(buffer.size()), &read, nullptr) && read > 0)
      ::WriteFile(out, buffer.data(), read, &written, nullptr);
    ::CloseHandle(in);
    ::CloseHandle(out);
  }
  std::printf("copy %.3f\n", Now() - start);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  ::CreateDirectoryA(argv[2], nullptr);
  return std::strcmp(argv[1], "dialog") == 0 ? Dialog(argv[2]) : Copy(argv[2]);
}
