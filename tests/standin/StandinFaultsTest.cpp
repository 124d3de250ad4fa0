// The stand-in's simulated faults, on which later failure tests depend.
#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/standin/Standin.h"
#include "tests/support/Scratch.h"

namespace {

using namespace os;

TEST(StandinFaultsTest, DiskFullWritesWhatFitsThenFails) {
  ScratchFolder dir;
  HANDLE file = CreateFileA(dir / "big.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  standin::FailWritesAfter(10);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, "12345678", 8, &written));
  EXPECT_FALSE(WriteFile(file, "abcdef", 6, &written));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
  EXPECT_EQ(written, 2u);
  standin::FailWritesAfter(-1);
  CloseHandle(file);
  EXPECT_EQ(ReadFileBytes(dir / "big.bin"), "12345678ab");
}

TEST(StandinFaultsTest, DeniedFolderRefusesChangesBelowIt) {
  ScratchFolder dir;
  ASSERT_TRUE(CreateDirectoryA(dir / "Locked"));
  standin::DenyWrites(dir / "Locked");
  EXPECT_FALSE(CreateDirectoryA(dir / "Locked\\Sub"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(CreateFileA(dir / "Locked\\f", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CreateDirectoryA(dir / "LockedNot"));  // a sibling with the same prefix
  standin::ResetFileSystem();
}

TEST(StandinFaultsTest, MissingDriveIsNoFolder) {
  EXPECT_EQ(GetFileAttributesA("Q:\\"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(MakeSureDirectoryPathExists("Q:\\Apps\\Install.log"));
  standin::AddDrive('Q');
  EXPECT_EQ(GetFileAttributesA("q:\\"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(MakeSureDirectoryPathExists("Q:\\Apps\\Install.log"));
  standin::ResetFileSystem();
}

TEST(StandinFaultsTest, DeniedKeyCanBeReadButNotWritten) {
  standin::ResetRegistry();
  standin::DenyKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft");
  UniqueHKEY key;
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows", 0, KEY_ALL_ACCESS,
                            key.receive(), nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft", 0, KEY_ALL_ACCESS,
                          key.receive()),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft", 0, KEY_READ, key.receive()),
            ERROR_SUCCESS);
  key.reset();
  EXPECT_EQ(standin::OpenKeyCount(), 0);
  standin::ResetRegistry();
}

}  // namespace
