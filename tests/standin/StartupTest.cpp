// What start-up finds of an earlier installation and which folders it
// proposes.
#include <cstring>

#include "engine/VolumeCheck.h"
#include "platform/Files.h"
#include "resources/ResourceIds.h"
#include "setup/ReleaseCodePage.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"

namespace {

using os::HKEY_LOCAL_MACHINE;

const char* const kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella";
const char* const kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kOldVersion = "Software\\Vantrel\\Morvella\\1.0";

class StartupTest : public WizardFixture {
 protected:
  void EarlierInstallation(const std::string& folder, const std::string& log) {
    standin::AddDrive(folder[0]);
    ASSERT_TRUE(os::MakeSureDirectoryPathExists(folder + "\\"));
    WriteFileBytes(folder + "\\Install.log", log);
    SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", folder + "\\Uninst.exe");
  }
};

struct DefaultCase {
  const char* programFilesDir;  // null: no value
  const char* installDir;
};

TEST_F(StartupTest, WithoutEarlierInstallationTheDefaultsAreProposed) {
  const DefaultCase cases[] = {
      {"C:\\Program Files", "C:\\Program Files\\Morvella"},
      {"D:\\Apps\\", "D:\\Apps\\Morvella"},
      {"C:\\", "C:\\Morvella"},
      {nullptr, "C:\\Program Files\\Morvella"},
      {"", "C:\\Program Files\\Morvella"},        // empty: no folder at all
      {"Programs", "C:\\Program Files\\Morvella"},  // relative: would land on the medium
  };
  for (const DefaultCase& c : cases) {
    SCOPED_TRACE(c.programFilesDir ? c.programFilesDir : "(none)");
    standin::ResetRegistry();
    if (c.programFilesDir) SetString(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir", c.programFilesDir);
    Start();
    EXPECT_EQ(SetupPars.InstallDir, c.installDir);
    EXPECT_EQ(SetupPars.ProgFolder, "Morvella");
    EXPECT_FALSE(SetupPars.OldInstallFound);
    EXPECT_FALSE(AskUninstallOld);
    EXPECT_TRUE(backdrop_->Visible());
    EXPECT_EQ(backdrop_->ScreenBounds().Width, 1024);
    EXPECT_EQ(backdrop_->ScreenBounds().Height, 768);
    EXPECT_FALSE(backdrop_->Enabled());
  }
}

struct LogCase {
  const char* what;
  std::string log;
  bool found;
  const char* progFolder;
};

TEST_F(StartupTest, FoldersOfAnEarlierInstallationComeFromItsLog) {
  const LogCase cases[] = {
      {"folder after the marker",
       "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella Tools\r\n\r\n",
       true, "Morvella Tools"},
      {"marker is the last line", "x\r\n{program folder}\r\n", false, "Morvella"},
      {"empty line after the marker", "{program folder}\r\n\r\n", true, ""},
      {"folder is the last line", "{program folder}\r\nTools\r\n", true, "Tools"},
      // A last line cut off before its line break, a write that never
      // ended, is no line: as the removal reads it.
      {"last line without line end", "{program folder}\r\nTools", false, "Morvella"},
      {"last line ended by CR alone", "{program folder}\r\nTools\r", false, "Morvella"},
      {"marker only as part of a line", " {program folder}\r\nTools\r\n", false, "Morvella"},
      {"marker in other case", "{Program Folder}\r\nTools\r\n", false, "Morvella"},
  };
  for (const LogCase& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetRegistry();
    EarlierInstallation("E:\\Tools\\Morvella", c.log);
    Start();
    EXPECT_EQ(SetupPars.OldInstallFound, c.found);
    EXPECT_EQ(SetupPars.InstallDir, c.found ? "E:\\Tools\\Morvella" : "C:\\Program Files\\Morvella");
    EXPECT_EQ(SetupPars.ProgFolder, c.progFolder);
    EXPECT_EQ(SetupPars.OldInstallDir, "E:\\Tools\\Morvella");
  }
}

TEST_F(StartupTest, VersionOneMarkerAsksInsteadOfShowingTheBackdrop) {
  EarlierInstallation("C:\\OLD", "{program folder}\r\nOld Tools\r\n");
  SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", "C:\\WINDOWS\\UNINST.EXE -f C:\\OLD\\UNINST.LOG");
  CreateKey(HKEY_LOCAL_MACHINE, kOldVersion);
  Answer("Morvella Setup", [](ui::TForm& f) { f.KeyEscape(); });  // No
  Start();
  EXPECT_TRUE(AskUninstallOld);
  EXPECT_TRUE(main_->Visible());
  EXPECT_EQ(OldUninstallCommand, "C:\\WINDOWS\\UNINST.EXE -f C:\\OLD\\UNINST.LOG");
  EXPECT_FALSE(backdrop_->Visible());
  // The folder part runs to the command's last backslash and holds no log:
  // the defaults are proposed.
  EXPECT_EQ(SetupPars.OldInstallDir, "C:\\WINDOWS\\UNINST.EXE -f C:\\OLD");
  EXPECT_FALSE(SetupPars.OldInstallFound);
}

TEST_F(StartupTest, UnusableUninstallEntriesLeaveTheDefaults) {
  // A number where text belongs.
  SetDword(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", 7);
  Start();
  EXPECT_EQ(SetupPars.InstallDir, "C:\\Program Files\\Morvella");
  EXPECT_TRUE(standin::MessageBoxes().empty());

  // No folder part: the log must not be looked for in the current folder,
  // which is the installation medium.
  standin::ResetRegistry();
  WriteFileBytes("C:\\Install.log", "{program folder}\r\nPlanted\r\n");
  SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", "Uninst.exe");
  Start();
  EXPECT_FALSE(SetupPars.OldInstallFound);
  EXPECT_EQ(SetupPars.ProgFolder, "Morvella");
}

TEST_F(StartupTest, UninstallKeyWithoutAccessCountsAsMissing) {
  EarlierInstallation("E:\\Morvella", "{program folder}\r\nTools\r\n");
  standin::DenyKey(HKEY_LOCAL_MACHINE, kUninstall);
  Start();
  EXPECT_FALSE(SetupPars.OldInstallFound);
  EXPECT_EQ(SetupPars.InstallDir, "C:\\Program Files\\Morvella");
}

TEST_F(StartupTest, UninstallCommandIsReadQuotedAsNowAndUnquotedAsBefore) {
  const std::string folder = "D:\\Word Tools\\Morvella";
  for (const std::string& command : {"\"" + folder + "\\Uninst.exe\"", folder + "\\Uninst.exe"}) {
    SCOPED_TRACE(command);
    standin::ResetRegistry();
    EarlierInstallation(folder, "{program folder}\r\nWords\r\n");
    SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", command);
    Start();
    EXPECT_TRUE(SetupPars.OldInstallFound);
    EXPECT_EQ(SetupPars.OldInstallDir, folder);
    EXPECT_EQ(SetupPars.ProgFolder, "Words");
  }
}

TEST_F(StartupTest, QuotedCommandAndEscapingFoldersAreHandled) {
  EarlierInstallation("E:\\Program Files\\Morvella", "{program folder}\r\n..\\..\\Desktop\r\n");
  SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", "\"E:\\Program Files\\Morvella\\Uninst.exe\"");
  Start();
  EXPECT_TRUE(SetupPars.OldInstallFound);
  EXPECT_EQ(SetupPars.InstallDir, "E:\\Program Files\\Morvella");
  EXPECT_EQ(SetupPars.ProgFolder, "Morvella") << "a folder outside the Programs folder is not proposed";
}

}  // namespace

namespace {

// A release names the code page it was packed for; on a Windows with
// another one Setup stops before its wizard. An ordinary Setup.exe (no
// list), and a release on its own code page, go on.
TEST(ReleaseCodePageTest, AReleaseRunsOnlyOnTheCodePageItWasPackedFor) {
  const std::string volume = VolumeDigestLine(1, "payload");
  struct Case {
    const char* what;
    std::string list;
    int system;
    const char* said;  // null: nothing to say
  };
  const Case cases[] = {
      {"932 release on 1252", "codepage 932\n" + volume, 1252,
       "This Setup is for Windows in Japanese (code page 932), and this Windows uses Western European "
       "(code page 1252).  Nothing was changed.  Run the Setup made for your language."},
      {"1252 release on 932", volume + "codepage 1252\n", 932,
       "This Setup is for Windows in Western European (code page 1252), and this Windows uses Japanese "
       "(code page 932)."},
      {"1251 release on 1250", "codepage 1251\n" + volume, 1250,
       "This Setup is for Windows in Cyrillic (code page 1251), and this Windows uses Central European "
       "(code page 1250)."},
      {"932 release on 932", "codepage 932\n" + volume, 932, nullptr},
      {"a release without a code page", volume, 932, nullptr},
      {"the ordinary build", "", 950, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::SetRcData(IDR_VOLUME_HASHES, c.list);
    standin::SetAnsiCodePage(c.system);
    const std::string problem = ReleaseCodePageProblem();
    if (!c.said)
      EXPECT_EQ(problem, "");
    else
      EXPECT_EQ(problem.substr(0, std::strlen(c.said)), c.said);
  }
  standin::SetRcData(IDR_VOLUME_HASHES, "");
  standin::SetAnsiCodePage(1252);
}

}  // namespace
