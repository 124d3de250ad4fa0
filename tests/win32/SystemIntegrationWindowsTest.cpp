// Registry entries, shortcuts and removal against the real Windows calls:
// the registry through RegOverridePredefKey on scratch keys, links read back
// through IShellLinkA.
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "engine/Unit_Logfile.h"
#include "setup/Main.h"
#include "setup/Unit_Constants.h"
#include "setup/Unit_UninstallOldForm.h"
#include "system/KnownFolders.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Shortcuts.h"
#include "system/Unit_Uninstall.h"
#include "tests/support/Scratch.h"

namespace {

// HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT point at scratch keys below
// HKEY_CURRENT_USER for the test, so the prefix's own stay untouched.
class RedirectedRegistry {
 public:
  RedirectedRegistry() {
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SetupTestMachine", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &machine_, nullptr);
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\SetupTestClasses", 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &classes_, nullptr);
    EXPECT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_), ERROR_SUCCESS);
    EXPECT_EQ(::RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_), ERROR_SUCCESS);
  }
  ~RedirectedRegistry() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    ::RegCloseKey(machine_);
    ::RegCloseKey(classes_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SetupTestMachine");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SetupTestClasses");
  }

 private:
  ::HKEY machine_ = nullptr;
  ::HKEY classes_ = nullptr;
};

std::string Value(::HKEY root, const char* key, const char* name) {
  char buffer[512] = {};
  ::DWORD size = sizeof buffer, type = 0;
  if (::RegGetValueA(root, key, name, RRF_RT_ANY, &type, buffer, &size) != ERROR_SUCCESS)
    return "(missing)";
  return type == REG_SZ ? std::string(buffer) : "(not text)";
}

TEST(RegistryWindowsTest, EntriesAreWrittenAsTheRealRegistryStoresThem) {
  os::Application.Initialize();
  RedirectedRegistry redirect;
  WriteRegistryEntries("C:\\Program Files\\Morvella");
  const char* uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella";
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, uninstall, "DisplayName"), "Morvella");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, uninstall, "UninstallString"),
            "\"C:\\Program Files\\Morvella\\Uninst.exe\"");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".wdl", nullptr), "Morvella.Wordlist");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\DefaultIcon", nullptr),
            "C:\\Program Files\\Morvella\\Morvella.exe,1");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open\\command", nullptr),
            "\"C:\\Program Files\\Morvella\\Morvella.exe\" \"%1\"");
  // The data length is the text's length plus its zero.
  ::DWORD size = 0;
  ::RegGetValueA(HKEY_LOCAL_MACHINE, uninstall, "DisplayName", RRF_RT_REG_SZ, nullptr, nullptr, &size);
  EXPECT_EQ(size, 9u);
}

class ShortcutsWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::Application.Initialize();  // COM for this thread
    programs_ = GetProgramsFolder();
    ASSERT_FALSE(programs_.empty());
  }
  void TearDown() override { RemoveTree(programs_ + "\\SetupTest"); }

  // The target and working folder of a saved link, as the shell reads them.
  static std::pair<std::string, std::string> ReadLink(const std::string& path) {
    Microsoft::WRL::ComPtr<IShellLinkA> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    EXPECT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(link.GetAddressOf())),
              S_OK);
    link.As(&file);
    wchar_t wide[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file->Load(wide, STGM_READ))) return {"(cannot load)", ""};
    char target[MAX_PATH] = {}, folder[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    return {target, folder};
  }

  std::string programs_;
};

TEST_F(ShortcutsWindowsTest, LinksPointAtTheInstalledFiles) {
  ScratchFolder install;
  WriteFileBytes(install / "Morvella.exe", "MZ");
  {
    TLogFile log(install.Path(), "SetupTest\\Morvella");
    log.BeginProgramFiles();
    log.AddEntry("Morvella.exe");
    CreateShortcuts(install.Path(), "SetupTest\\Morvella", log);
    log.Close();
  }
  const std::string folder = programs_ + "\\SetupTest\\Morvella\\";
  const auto program = ReadLink(folder + "Morvella.lnk");
  EXPECT_EQ(program.first, install / "Morvella.exe");
  EXPECT_EQ(program.second, install.Path());
  EXPECT_EQ(ReadLink(folder + "Morvella Help.lnk").first, install / "Morvehlp.hlp");
  EXPECT_EQ(ReadLink(folder + "Uninstall Morvella.lnk").first, install / "Uninst.exe");

  // And a removal takes them and their folders again.
  RemoveOldInstallation(install.Path(), "SetupTest\\Morvella");
  EXPECT_FALSE(Exists(programs_ + "\\SetupTest"));
  EXPECT_FALSE(Exists(install / "Morvella.exe"));
  EXPECT_FALSE(Exists(install.Path()));
}

TEST(UninstallOldPromptWindowsTest, PromptStandsAtItsPlaceWithItsSize) {
  os::Application.Initialize();
  InitConstants();
  TUninstallOldForm prompt;
  prompt.Show();
  ::HWND window = os::win32::Native(prompt.Handle);
  RECT client, outer;
  ::GetClientRect(window, &client);
  ::GetWindowRect(window, &outer);
  EXPECT_EQ(client.right, 414);
  EXPECT_EQ(client.bottom, 186);
  EXPECT_EQ(outer.left, 192);
  EXPECT_EQ(outer.top, 107);
  EXPECT_EQ(::GetFocus(), os::win32::Native(prompt.YesButton.Handle));
  prompt.Hide();
}

}  // namespace

namespace {

// A folder whose name the ANSI code page lacks a character of reads, in
// that code page, as its look-alike ("Łists" as "Lists"): final paths are
// compared in UTF-16, so an entry in the one is never taken to lie in the
// other.
TEST(FinalPathWindowsTest, LookAlikeNamesAreNeverTheSameFolder) {
  ASSERT_EQ(::GetACP(), 1252u);
  ScratchFolder dir;
  const std::string ansi = dir / "Lists";
  ASSERT_TRUE(os::CreateDirectoryA(ansi));
  wchar_t base[MAX_PATH];
  ::MultiByteToWideChar(CP_ACP, 0, dir.Path().c_str(), -1, base, MAX_PATH);
  const std::wstring lookAlike = std::wstring(base) + L"\\\x0141ists";
  ASSERT_TRUE(::CreateDirectoryW(lookAlike.c_str(), nullptr));
  const std::wstring file = lookAlike + L"\\x.txt";
  const os::UniqueHandle entry(os::HANDLE(reinterpret_cast<std::uintptr_t>(
      ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr))));
  ASSERT_TRUE(entry);
  const os::UniqueHandle folder(os::CreateFileA(ansi, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  ASSERT_TRUE(folder);
  // In the code page the two read alike: compared so, they would pass.
  EXPECT_TRUE(IsBelow(os::GetFinalPathNameByHandleA(folder.get()), os::GetFinalPathNameByHandleA(entry.get())))
      << os::GetFinalPathNameByHandleA(entry.get());
  EXPECT_FALSE(os::FinalPathWithin(folder.get(), entry.get(), false));
  EXPECT_FALSE(os::FinalPathIs(folder.get(), dir / "\xA3ists"));  // a Pound sign: another name again
  EXPECT_TRUE(os::FinalPathIs(folder.get(), dir / "LISTS"));
  const os::UniqueHandle own(os::CreateFileA(ansi + "\\y.txt", GENERIC_WRITE, 0, CREATE_NEW,
                                             FILE_FLAG_DELETE_ON_CLOSE));
  ASSERT_TRUE(own);
  EXPECT_TRUE(os::FinalPathWithin(folder.get(), own.get(), false));
  EXPECT_FALSE(os::FinalPathWithin(folder.get(), folder.get(), false));
  EXPECT_TRUE(os::FinalPathWithin(folder.get(), folder.get(), true));
  ::RemoveDirectoryW(lookAlike.c_str());
}

}  // namespace
