// The DLL search of both programs: a DLL beside the program is never loaded
// once the search is restricted; DLLs of the system folder still are.
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\'));
}

// Runs dllprobe.exe from the temporary folder; its exit code.
DWORD Probe(const std::string& arguments) {
  const std::string program = ProgramFolder() + "\\dllprobe.exe";
  std::string line = "\"" + program + "\" " + arguments;
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, temp,
                        &startup, &process))
    return 0xFFFFFFFF;
  ::WaitForSingleObject(process.hProcess, 30000);
  DWORD code = 0xFFFFFFFF;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return code;
}

TEST(DllSearchTest, PlantedDllIsLoadedOnlyWithoutTheRestriction) {
  ASSERT_NE(::GetFileAttributesA((ProgramFolder() + "\\planted.dll").c_str()), INVALID_FILE_ATTRIBUTES);
  // Without the restriction the program's folder is searched: the plant works.
  EXPECT_EQ(Probe(""), 3u);
  // With it: only the system folder.
  EXPECT_EQ(Probe("--restricted"), 2u);
}

}  // namespace
