// Uninst.exe: removes what Setup installed, keeps what is not its own.
#include "engine/Unit_DataFile.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Uninstaller.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {

using os::HKEY_CLASSES_ROOT;
using os::HKEY_LOCAL_MACHINE;

const std::string kInstall = "C:\\Program Files\\Morvella";

bool KeyExists(os::HKEY root, const std::string& key) {
  os::UniqueHKEY k;
  return os::RegOpenKeyExA(root, key, 0, os::KEY_READ, k.receive()) == os::ERROR_SUCCESS;
}

class UninstallerTest : public WizardFixture {
 protected:
  void SetUp() override {
    WizardFixture::SetUp();
    standin::AddDrive('D');
    ASSERT_TRUE(os::SetCurrentDirectoryA("D:\\"));
    WriteFileBytes("D:\\Setup.d01", Le32(12) + Entry("Morvella.exe", "prog") +
                                         Entry("Uninst.exe", "unin") + Entry("Lists\\Dutch.wdl", "kaas") +
                                         std::string(1, '\0'));
    Start();
    GoTo(4);
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 5);
    main_->FinishButton.Click();
    standin::ResetDialogs();
    answers_ = 0;
    standin::SetMessageBoxResponder([this](const standin::MessageBoxRecord& box) {
      ++answers_;
      return box.Type & os::MB_YESNO ? answer_ : os::IDOK;
    });
  }
  // Runs as the copy in the temporary folder does.
  int RunCopy() {
    standin::SetProgram("C:\\Temp\\Uninstall Morvella.exe", {"/from", kInstall, "77"});
    return UninstMain();
  }
  std::string LastMessage() {
    return standin::MessageBoxes().empty() ? "" : standin::MessageBoxes().back().Text;
  }
  int answer_ = os::IDYES;
  int answers_ = 0;
};

TEST_F(UninstallerTest, YesRemovesEverythingOfTheProduct) {
  EXPECT_EQ(RunCopy(), 0);
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Morvella"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".wdl"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Morvella.Wordlist"));
  EXPECT_EQ(LastMessage(), "Morvella has been removed from your computer.");
  EXPECT_EQ(standin::DeletedAtRestart(), std::vector<std::string>{"C:\\Temp\\Uninstall Morvella.exe"});

  // Setup proposes the default folders again.
  Start();
  EXPECT_FALSE(SetupPars.OldInstallFound);
  EXPECT_EQ(SetupPars.InstallDir, kInstall);
}

TEST_F(UninstallerTest, FilesOfTheUserAndTheirFolderStay) {
  WriteFileBytes(kInstall + "\\Lists\\Mine.wdl", "mine");
  EXPECT_EQ(RunCopy(), 0);
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Lists\\Mine.wdl"), "mine");
  EXPECT_FALSE(Exists(kInstall + "\\Lists\\Dutch.wdl"));
  EXPECT_FALSE(Exists(kInstall + "\\Install.log"));
  EXPECT_NE(LastMessage().find("was kept"), std::string::npos) << LastMessage();
}

TEST_F(UninstallerTest, StartedFromTheInstallationFolderItRunsFromACopy) {
  standin::SetProgram(kInstall + "\\Uninst.exe", {});
  EXPECT_EQ(UninstMain(), 0);
  EXPECT_EQ(ReadFileBytes("C:\\Temp\\Uninstall Morvella.exe"), "unin");
  ASSERT_EQ(standin::StartedPrograms().size(), 1u);
  EXPECT_EQ(standin::StartedPrograms()[0],
            "\"C:\\Temp\\Uninstall Morvella.exe\" /from \"" + kInstall + "\" 4242 (in C:\\Temp\\)");
  EXPECT_TRUE(Exists(kInstall + "\\Morvella.exe")) << "the first instance removes nothing";
  EXPECT_EQ(answers_, 0) << "and asks nothing";
}

TEST_F(UninstallerTest, NoRemovesNothing) {
  answer_ = os::IDNO;
  EXPECT_EQ(RunCopy(), 0);
  EXPECT_TRUE(Exists(kInstall + "\\Install.log"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".wdl"));
}

TEST_F(UninstallerTest, AssociationTakenByAnotherProgramIsKeptButOurKeyGoes) {
  SetString(HKEY_CLASSES_ROOT, ".wdl", "", "Other.Wordlist");
  SetString(HKEY_CLASSES_ROOT, "Other.Wordlist\\Shell\\Open\\command", "", "other.exe \"%1\"");
  RunCopy();
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".wdl"));
  TRegistry registry;
  registry.SetRootKey(HKEY_CLASSES_ROOT);
  ASSERT_TRUE(registry.OpenKey("\\.wdl", false));
  EXPECT_EQ(registry.ReadString(""), "Other.Wordlist");
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Other.Wordlist\\Shell\\Open\\command"));
  // Its command would name a deleted program.
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Morvella.Wordlist"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella"));
}

TEST_F(UninstallerTest, MissingLogRemovesNothingAndSaysSo) {
  ASSERT_TRUE(os::DeleteFileA(kInstall + "\\Install.log"));
  EXPECT_EQ(RunCopy(), 1);
  EXPECT_TRUE(Exists(kInstall + "\\Morvella.exe"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".wdl"));
  EXPECT_NE(LastMessage().find("Nothing was removed"), std::string::npos);
}

TEST_F(UninstallerTest, HostileLogRemovesNothingOutside) {
  WriteFileBytes("C:\\Victim.txt", "x");
  WriteFileBytes(kInstall + "\\Install.log",
                 "{program folder}\r\n..\\..\\..\\..\\..\\..\r\n\r\n{program files}\r\n..\\..\\Victim.txt\r\n"
                 "C:\\Victim.txt\r\nMorvella.exe\r\n\r\n{program folder files}\r\n..\\..\\Victim.txt\r\n\r\n");
  RunCopy();
  EXPECT_TRUE(Exists("C:\\Victim.txt"));
  EXPECT_FALSE(Exists(kInstall + "\\Morvella.exe"));
}

}  // namespace
