// Where the stand-in must behave as Windows does for the held folder's
// decisions to be tested against it at all.
#include <gtest/gtest.h>

#include "platform/EntryHandles.h"
#include "platform/Files.h"
#include "platform/standin/Standin.h"
#include "tests/support/Scratch.h"

namespace {

class StandinModelTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetFileSystem(); }
  void TearDown() override {
    standin::SetAnsiCodePage(1252);
    standin::ResetFileSystem();
  }
};

// An entry moved behind the system's back takes its attributes, rights
// and owner along, and a handle open on it reads them where it now is.
TEST_F(StandinModelTest, WhatIsKeptBesideAnEntryMovesWithIt) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\A\\B\\"));
  WriteFileBytes("C:\\A\\B\\f.txt", "x");
  const char* const rights = "O:BAD:P(A;OICI;FA;;;BA)";
  standin::SetSecurity("C:\\A", rights);
  ASSERT_TRUE(os::SetFileAttributesA("C:\\A\\B\\f.txt", os::FILE_ATTRIBUTE_READONLY));
  const os::UniqueHandle open = os::OpenEntry("C:\\A\\B\\f.txt", os::FILE_READ_ATTRIBUTES);
  ASSERT_TRUE(standin::MoveBehind("C:\\A", "C:\\Z"));
  EXPECT_NE(os::GetNamedSecurityInfoA("C:\\Z").find("D:P(A;OICI;0x1f01ff;;;BA)"), std::string::npos)
      << os::GetNamedSecurityInfoA("C:\\Z");
  EXPECT_TRUE(os::GetFileAttributesA("C:\\Z\\B\\f.txt") & os::FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(os::GetFileAttributesByHandle(open.get()) & os::FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\A\\"));
  EXPECT_EQ(os::GetNamedSecurityInfoA("C:\\A").find("D:P(A;OICI;0x1f01ff;;;BA)"), std::string::npos)
      << "a new entry at the old path has none of it";
}

// A deletion through a handle happens when the last handle closes; until
// then the entry is there and cannot be opened again.
TEST_F(StandinModelTest, DeletionThroughAHandleWaitsForTheLastClose) {
  WriteFileBytes("C:\\f.txt", "x");
  os::UniqueHandle reader(os::CreateFileA("C:\\f.txt", os::GENERIC_READ,
                                          os::FILE_SHARE_READ | os::FILE_SHARE_WRITE | os::FILE_SHARE_DELETE,
                                          os::OPEN_EXISTING));
  {
    const os::UniqueHandle entry = os::OpenEntryToDelete("C:\\f.txt", false);
    ASSERT_TRUE(os::SetFileDispositionInfo(entry.get(), true));
  }
  EXPECT_TRUE(Exists("C:\\f.txt"));
  EXPECT_FALSE(os::OpenEntry("C:\\f.txt", os::FILE_READ_ATTRIBUTES));
  EXPECT_EQ(os::GetLastError(), os::DWORD(os::ERROR_ACCESS_DENIED));
  reader.reset();
  EXPECT_FALSE(Exists("C:\\f.txt"));
  // A folder must be empty when it is marked.
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\D\\"));
  WriteFileBytes("C:\\D\\g.txt", "x");
  const os::UniqueHandle folder = os::OpenEntryToDelete("C:\\D", true);
  EXPECT_FALSE(os::SetFileDispositionInfo(folder.get(), true));
  EXPECT_EQ(os::GetLastError(), os::DWORD(os::ERROR_DIR_NOT_EMPTY));
}

// Final paths compare every character without regard to case, as Windows
// compares names in UTF-16, not the ASCII letters alone.
TEST_F(StandinModelTest, FinalPathsCompareEveryLetterWithoutRegardToCase) {
  struct Case {
    int codePage;
    std::string made, asked;
  };
  const Case cases[] = {
      {1252, "C:\\\xE9t\xE9", "C:\\\xC9T\xC9"},  // été, ÉTÉ
      {1251, "C:\\\xE4\xE0", "C:\\\xC4\xC0"},    // да, ДА
      {932, "C:\\\x82\x81", "C:\\\x82\x60"},     // ａ, Ａ (full width)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    standin::SetAnsiCodePage(c.codePage);
    standin::ResetFileSystem();
    ASSERT_TRUE(os::CreateDirectoryA(c.made));
    const os::UniqueHandle held = os::OpenEntry(c.made, os::FILE_READ_ATTRIBUTES);
    EXPECT_TRUE(os::FinalPathIs(held.get(), c.asked));
    EXPECT_FALSE(os::FinalPathIs(held.get(), "C:\\Other"));
  }
}

}  // namespace
