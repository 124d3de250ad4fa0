// The file-system calls behave as Windows' do on the cases the installer
// relies on. Runs against the stand-in natively and against Wine's kernel32.
#include <gtest/gtest.h>

#include <set>

#include "platform/FileSearch.h"
#include "platform/Files.h"
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

}  // namespace
