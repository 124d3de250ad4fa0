// The DLL search of both programs: a DLL beside the program is never loaded
// once the search is restricted; DLLs of the system folder still are.
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include "platform/win32/DllSearch.h"

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
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
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

// Where the system cannot keep the program's folder out of the search, a
// DLL there under any of the watched names stops the program.
TEST(DllSearchTest, PlantedDllsAreFoundUnderEveryWatchedNameInAnyCase) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "planted-names";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  EXPECT_EQ(os::win32::PlantedDllIn(folder), "");
  // What system DLLs load by bare name, and what the programs delay-load.
  for (const char* name :
       {"UXTHEME.DLL", "Version.dll", "dwmapi.dll", "CRYPTBASE.dll", "userenv.dll", "propsys.dll",
        "apphelp.dll", "oleacc.dll", "clbcatq.dll", "ntmarta.dll", "msimg32.dll", "SetupApi.dll",
        "profapi.dll", "sspicli.dll", "wldp.dll", "USER32.dll", "gdi32.dll", "comctl32.dll",
        "shell32.dll", "ole32.dll", "advapi32.dll", "CryptSP.dll", "RSAENH.DLL"}) {
    const std::string path = folder + "\\" + name;
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    ::CloseHandle(file);
    EXPECT_FALSE(os::win32::PlantedDllIn(folder).empty()) << name;
    ::DeleteFileA(path.c_str());
  }
  EXPECT_EQ(os::win32::PlantedDllIn(folder), "");
  ::RemoveDirectoryA(folder.c_str());
}

}  // namespace
