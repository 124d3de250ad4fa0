// The file-system calls behave as Windows' do on the cases the installer
// relies on. Runs against the stand-in natively and against Wine's kernel32.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "trust/HeldFolder.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Sddl.h"
#include "platform/Shell.h"
#include "setup/InstallFolder.h"
#include "uninst/Uninstaller.h"
#include "system/Unit_Uninstall.h"
#include "tests/support/Platform.h"
#include "tests/support/Scratch.h"

namespace {

using namespace os;

class SeamFilesTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCurrentDirectoryA(savedCurrent_); }
  ScratchFolder dir_;
  std::string savedCurrent_ = GetCurrentDirectoryA();
};

TEST_F(SeamFilesTest, MakeSureDirectoryPathExistsStopsAtTheLastBackslash) {
  ASSERT_TRUE(MakeSureDirectoryPathExists(dir_ / "One\\Two\\Install.log"));
  EXPECT_EQ(GetFileAttributesA(dir_ / "One\\Two") & FILE_ATTRIBUTE_DIRECTORY,
            FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA(dir_ / "One\\Two\\Install.log"), INVALID_FILE_ATTRIBUTES);
  // Existing folders are no failure, and a trailing backslash makes the last
  // level a folder too.
  ASSERT_TRUE(MakeSureDirectoryPathExists(dir_ / "One\\Two\\Three\\"));
  EXPECT_NE(GetFileAttributesA(dir_ / "One\\Two\\Three"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SeamFilesTest, FolderCallsReportWindowsErrorCodes) {
  EXPECT_TRUE(CreateDirectoryA(dir_ / "A"));
  EXPECT_FALSE(CreateDirectoryA(dir_ / "A"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryA(dir_ / "Missing\\B"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

  WriteFileBytes(dir_ / "A\\file.txt", "x");
  EXPECT_FALSE(RemoveDirectoryA(dir_ / "A"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(DeleteFileA(dir_ / "A\\FILE.TXT"));  // names are not case-sensitive
  EXPECT_FALSE(DeleteFileA(dir_ / "A\\file.txt"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(RemoveDirectoryA(dir_ / "a"));

  EXPECT_EQ(GetFileAttributesA(dir_ / "A"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA(dir_ / "A\\B\\C"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(SeamFilesTest, ReadOnlyFileCannotBeDeleted) {
  WriteFileBytes(dir_ / "locked.wdl", "words");
  ASSERT_TRUE(SetFileAttributesA(dir_ / "locked.wdl", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(DeleteFileA(dir_ / "locked.wdl"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadFileBytes(dir_ / "locked.wdl"), "words");
}

TEST_F(SeamFilesTest, FileCreatedAlwaysReplacesTheOldContents) {
  WriteFileBytes(dir_ / "f.bin", std::string(1000, 'a'));
  WriteFileBytes(dir_ / "f.bin", "bc");
  EXPECT_EQ(ReadFileBytes(dir_ / "f.bin"), "bc");
  EXPECT_EQ(CreateFileA(dir_ / "none\\f.bin", GENERIC_WRITE, 0, CREATE_ALWAYS),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(CreateFileA(dir_ / "absent.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(SeamFilesTest, FullPathNameResolvesAgainstTheCurrentFolder) {
  ASSERT_TRUE(CreateDirectoryA(dir_ / "Cur"));
  ASSERT_TRUE(SetCurrentDirectoryA(dir_ / "Cur"));
  const std::string cur = dir_ / "Cur";
  EXPECT_EQ(GetFullPathNameA("Morvella"), cur + "\\Morvella");
  EXPECT_EQ(GetFullPathNameA("..\\Other\\.\\x"), dir_ / "Other\\x");
  EXPECT_EQ(GetFullPathNameA("Sub/Dir"), cur + "\\Sub\\Dir");
  EXPECT_EQ(GetFullPathNameA("Sub\\"), cur + "\\Sub\\");  // a trailing backslash stays
  EXPECT_EQ(GetFullPathNameA("\\Apps"), cur.substr(0, 2) + "\\Apps");
  EXPECT_EQ(GetFullPathNameA("C:\\a\\..\\..\\b"), "C:\\b");
}

TEST_F(SeamFilesTest, SearchFindsRealNamesAndSkipsHiddenAndSystemEntries) {
  for (const char* name : {"Games", "accessories", "Old", "Sys"})
    ASSERT_TRUE(CreateDirectoryA(dir_ / name));
  WriteFileBytes(dir_ / "Readme.txt", "");
  ASSERT_TRUE(SetFileAttributesA(dir_ / "Old", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA(dir_ / "Sys", FILE_ATTRIBUTE_SYSTEM));
  EXPECT_TRUE(GetFileAttributesA(dir_ / "Old") & FILE_ATTRIBUTE_HIDDEN);

  std::set<std::string> all;
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(dir_ / "*.*", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do all.insert(data.cFileName);
  while (FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_MORE_FILES));
  FindClose(h);
  EXPECT_EQ(all, (std::set<std::string>{".", "..", "Games", "accessories", "Old", "Sys",
                                        "Readme.txt"}));

  std::set<std::string> shown, folders;
  TDirectorySearch search(dir_ / "*.*");
  while (search.Next()) {
    shown.insert(search.Name());
    if (search.IsFolder()) folders.insert(search.Name());
  }
  EXPECT_EQ(shown, (std::set<std::string>{".", "..", "Games", "accessories", "Readme.txt"}));
  EXPECT_EQ(folders, (std::set<std::string>{".", "..", "Games", "accessories"}));

  // Without wildcards the search looks up one entry and gives its own name.
  h = FindFirstFileA(dir_ / "GAMES", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.cFileName, "Games");
  EXPECT_FALSE(FindNextFileA(h, &data));
  FindClose(h);
  EXPECT_EQ(FindFirstFileA(dir_ / "Nothing*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(SeamFilesTest, RightsSetOnAFolderReadBackAsSet) {
  const std::string set = dir_ / "Set";
  const std::string made = dir_ / "Made";
  ASSERT_TRUE(CreateDirectoryA(set));
  {
    const UniqueHandle folder(CreateFileA(set, READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    ASSERT_TRUE(folder) << GetLastError();
    ASSERT_TRUE(SetSecurityInfoByHandle(folder.get(), kInstallFolderSddl)) << GetLastError();
    EXPECT_FALSE(GetSecurityInfoByHandle(folder.get()).empty());
  }
  ASSERT_TRUE(CreateDirectoryA(made, "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)")) << GetLastError();
  EXPECT_FALSE(GetNamedSecurityInfoA(set).empty());
  // Wine takes the calls but keeps only Unix mode bits: what was set shows
  // on Windows and on the stand-in.
  if (OnWine()) return;
  struct Expected {
    std::string folder;
    std::set<std::string> entries;  // SID and rights of each entry
  };
  for (const Expected& e : {Expected{set, {"SY 1f01ff", "BA 1f01ff", "BU 1200a9"}},
                            Expected{made, {"SY 1f01ff", "BA 1f01ff"}}}) {
    SCOPED_TRACE(e.folder);
    const std::string text = GetNamedSecurityInfoA(e.folder);
    sddl::Descriptor rights;
    ASSERT_TRUE(sddl::Parse(text, rights)) << text;
    EXPECT_EQ(rights.Owner, "BA") << text;
    EXPECT_TRUE(rights.Protected) << text;
    std::set<std::string> entries;
    for (const sddl::Ace& ace : rights.Dacl) {
      char mask[16];
      std::snprintf(mask, sizeof mask, "%x", unsigned(ace.Mask));
      entries.insert(ace.Sid + " " + mask);
      EXPECT_EQ(ace.Type, 'A');
      EXPECT_TRUE(ace.Has("OI") && ace.Has("CI")) << ace.Flags;
    }
    EXPECT_EQ(entries, e.entries) << text;
    EXPECT_FALSE(sddl::OthersCanChange(rights));
  }
  EXPECT_FALSE(CreateDirectoryA(dir_ / "Bad", "no such text"));
  EXPECT_EQ(GetFileAttributesA(dir_ / "Bad"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SeamFilesTest, HandlesNameTheirEntryAndDeleteExactlyIt) {
  ASSERT_TRUE(MakeSureDirectoryPathExists(dir_ / "Folder\\Full\\"));
  WriteFileBytes(dir_ / "Folder\\Full\\x.txt", "x");
  WriteFileBytes(dir_ / "File.txt", "f");
  auto open = [](const std::string& path, bool folder) {
    return CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0));
  };
  HANDLE file = open(dir_ / "File.txt", false);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileAttributesByHandle(file) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(CharUpperBuffA(GetFinalPathNameByHandleA(file)), CharUpperBuffA(dir_ / "File.txt"));
  EXPECT_TRUE(SetFileDispositionInfo(file, true));
  CloseHandle(file);
  EXPECT_FALSE(Exists(dir_ / "File.txt"));

  HANDLE full = open(dir_ / "Folder\\Full", true);
  ASSERT_NE(full, INVALID_HANDLE_VALUE);
  EXPECT_NE(GetFileAttributesByHandle(full) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_FALSE(SetFileDispositionInfo(full, true)) << "a folder that holds a file stays";
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DIR_NOT_EMPTY));
  CloseHandle(full);
  EXPECT_TRUE(Exists(dir_ / "Folder\\Full\\x.txt"));
  EXPECT_EQ(open(dir_ / "Folder", false), INVALID_HANDLE_VALUE) << "a folder needs backup semantics";
}

TEST_F(SeamFilesTest, RemovalDeletesTheRecordedFilesThroughHandles) {
  const std::string folder = dir_ / "Morvella";
  ASSERT_TRUE(MakeSureDirectoryPathExists(folder + "\\Lists\\"));
  for (const char* f : {"Morvella.exe", "Uninst.exe", "Lists\\French.wdl"}) WriteFileBytes(folder + "\\" + f, f);
  WriteFileBytes(folder + "\\Lists\\Mine.wdl", "mine");
  WriteFileBytes(folder + "\\Install.log",
                 "{program folder}\r\n\r\n\r\n{program files}\r\nMorvella.exe\r\nUninst.exe\r\n"
                 "Lists\\French.wdl\r\n\r\n");
  TRemovalResult result;
  RemoveInstalledFiles(folder, "", result);
  EXPECT_TRUE(result.Complete());
  EXPECT_EQ(FilesBelow(folder), (std::set<std::string>{"Lists\\Mine.wdl"}));
  ASSERT_TRUE(DeleteFileA(folder + "\\Lists\\Mine.wdl"));
  WriteFileBytes(folder + "\\Lists\\French.wdl", "again");
  WriteFileBytes(folder + "\\Install.log", "{program files}\r\nLists\\French.wdl\r\n");
  RemoveInstalledFiles(folder, "", result);
  EXPECT_FALSE(Exists(folder)) << "the emptied folder goes too";
}

// What Windows does with a file held open without delete sharing, and with
// a read-only one: the first stays and is listed again, the second goes.
TEST_F(SeamFilesTest, RemovalKeepsAFileInUseWithTheUninstallerAndARecordOfBoth) {
  const std::string folder = dir_ / "Morvella";
  ASSERT_TRUE(MakeSureDirectoryPathExists(folder + "\\"));
  for (const char* f : {"Morvella.exe", "Uninst.exe", "Morvella.hlp", "Dutch.wdl"})
    WriteFileBytes(folder + "\\" + f, f);
  ASSERT_TRUE(SetFileAttributesA(folder + "\\Dutch.wdl", FILE_ATTRIBUTE_READONLY));
  WriteFileBytes(folder + "\\Install.log",
                 "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n"
                 "\r\n{program files}\r\nMorvella.exe\r\nUninst.exe\r\nMorvella.hlp\r\nDutch.wdl\r\n\r\n");
  const HANDLE held = CreateFileA(folder + "\\Morvella.exe", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TRemovalResult result;
  RemoveInstalledFiles(folder, "Morvella", result, "Uninst.exe");
  WriteRemainingLog(folder, "Morvella", result);
  EXPECT_TRUE(result.RemovedAny);
  ASSERT_EQ(result.Files.size(), 2u);
  EXPECT_EQ(result.Files[0].Name, "Morvella.exe");
  EXPECT_EQ(result.Files[0].Reason, TKeptEntry::InUse);
  EXPECT_EQ(result.Files[1].Name, "Uninst.exe");
  EXPECT_EQ(result.Files[1].Reason, TKeptEntry::Needed);
  EXPECT_EQ(FilesBelow(folder), (std::set<std::string>{"Install.log", "Morvella.exe", "Uninst.exe"}));
  EXPECT_EQ(ReadFileBytes(folder + "\\Install.log"),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n"
            "\r\n{program files}\r\nMorvella.exe\r\nUninst.exe\r\n\r\n");
  ASSERT_TRUE(CloseHandle(held));

  RemoveInstalledFiles(folder, "Morvella", result, "Uninst.exe");
  EXPECT_TRUE(result.Complete());
  EXPECT_FALSE(Exists(folder));
}

// Setup's removal leaves a read-only file and one held open, and deletes
// its log all the same; the held folder deletes a read-only file only when
// told to clear the attribute (as the extraction does to replace it).
TEST_F(SeamFilesTest, SetupsRemovalLeavesReadOnlyFilesAndTheHeldFolderClearsOnlyWhenTold) {
  const std::string folder = dir_ / "Morvella";
  ASSERT_TRUE(MakeSureDirectoryPathExists(folder + "\\"));
  for (const char* f : {"Morvella.exe", "Uninst.exe", "Dutch.wdl"}) WriteFileBytes(folder + "\\" + f, f);
  ASSERT_TRUE(SetFileAttributesA(folder + "\\Dutch.wdl", FILE_ATTRIBUTE_READONLY));
  WriteFileBytes(folder + "\\Install.log",
                 "{program folder}\r\n\r\n\r\n{program files}\r\nMorvella.exe\r\nUninst.exe\r\nDutch.wdl\r\n\r\n");
  const HANDLE held = CreateFileA(folder + "\\Morvella.exe", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RemoveOldInstallation(folder, ""), (std::vector<std::string>{"Morvella.exe", "Dutch.wdl"}));
  ASSERT_TRUE(CloseHandle(held));
  EXPECT_EQ(FilesBelow(folder), (std::set<std::string>{"Dutch.wdl", "Morvella.exe"}));

  const THeldFolder base(folder);
  EXPECT_NE(base.DeleteEntry(folder + "\\Dutch.wdl", false, false), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(GetFileAttributesA(folder + "\\Dutch.wdl") & FILE_ATTRIBUTE_READONLY, DWORD(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(base.DeleteEntry(folder + "\\Dutch.wdl", false, true), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(FilesBelow(folder), (std::set<std::string>{"Morvella.exe"}));
}

// Share modes as Windows keeps them: each side must allow what the other
// does; attributes alone take part in nothing.
// A way held level by level: nobody can rename a level while it is held
// (before Vista nothing else would tell a swapped one), the missing levels
// are made through the held ones and only those are removed again.
TEST_F(SeamFilesTest, AHeldWayKeepsEveryLevelInItsPlace) {
  ASSERT_TRUE(MakeSureDirectoryPathExists(dir_ / "A\\B\\"));
  {
    THeldWay way(dir_.Path(), "A\\B\\C\\D");
    ASSERT_TRUE(way.Usable());
    EXPECT_EQ(way.Missing(), "C\\D");
    for (const char* level : {"A", "A\\B"}) {
      EXPECT_FALSE(MoveFileExA(dir_ / level, dir_ / "Moved", 0)) << level;
      EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION)) << level;
    }
    ASSERT_EQ(way.MakeMissing(), "");
    EXPECT_NE(GetFileAttributesA(dir_ / "A\\B\\C\\D"), INVALID_FILE_ATTRIBUTES);
    way.RemoveMade();
    EXPECT_EQ(GetFileAttributesA(dir_ / "A\\B\\C"), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_TRUE(MoveFileExA(dir_ / "A", dir_ / "Moved", 0));
}

TEST_F(SeamFilesTest, ShareModesDecideWhetherASecondOpenOrADeleteGoesThrough) {
  const std::string file = dir_ / "shared.txt";
  constexpr DWORD R = FILE_SHARE_READ, W = FILE_SHARE_WRITE, D = FILE_SHARE_DELETE;
  const struct {
    const char* what;
    DWORD access1, share1, access2, share2;
    bool second;   // the second open goes through
    bool deleted;  // DeleteFileA goes through while the first is open
  } cases[] = {
      {"readers sharing reading", GENERIC_READ, R, GENERIC_READ, R, true, false},
      {"a writer where only reading is shared", GENERIC_READ, R, GENERIC_WRITE, R | W, false, false},
      {"a reader beside a writer who shares nothing", GENERIC_WRITE, 0, GENERIC_READ, R | W | D, false, false},
      {"a reader who does not share the first one's writing", GENERIC_WRITE, R | W, GENERIC_READ, R, false, false},
      {"deleting where deleting is shared", GENERIC_READ, R | D, DELETE | FILE_READ_ATTRIBUTES, R | W | D, true, true},
      {"deleting where it is not", GENERIC_READ, R | W, DELETE | FILE_READ_ATTRIBUTES, R | W | D, false, false},
      {"attributes alone", FILE_READ_ATTRIBUTES, 0, GENERIC_READ | GENERIC_WRITE, 0, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(file, "x");
    const HANDLE first = CreateFileA(file, c.access1, c.share1, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    const HANDLE second = CreateFileA(file, c.access2, c.share2, OPEN_EXISTING);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.second);
    if (second == INVALID_HANDLE_VALUE) EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    else CloseHandle(second);
    EXPECT_EQ(DeleteFileA(file), c.deleted);
    if (!c.deleted) {
      EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    }
    CloseHandle(first);
    DeleteFileA(file);
  }
}

}  // namespace
