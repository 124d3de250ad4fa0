// Whom the programs trust and where rights count: before Vista, on a system
// drive that keeps no rights, on network and removable drives; and the way
// to a folder held from its root, which nobody can rename meanwhile.
#include "platform/Files.h"
#include "platform/Process.h"
#include "setup/InstallFolder.h"
#include "setup/Main.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"
#include "trust/HeldFolder.h"
#include "trust/Policy.h"

namespace {

// Windows 2000 to 2003 give Power Users Modify on Program Files.
const char* const kPowerUsersProgramFiles =
    "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;PU)(A;OICI;0x1200a9;;;BU)";

class TrustTest : public WizardFixture {
 protected:
  void SetUp() override {
    WizardFixture::SetUp();
    StartFromSmallMedium();
  }
  void TearDown() override {
    standin::SimulatePreVista(false);
    WizardFixture::TearDown();
  }
  // Page 2 with folder typed, then on to the end when it is taken; the
  // message shown, empty when it was installed.
  std::string Install(const std::string& folder) {
    standin::ResetDialogs();
    Start();
    GoTo(2);
    main_->InstallDirEdit.SetText(folder);
    main_->NextButton.Click();
    if (SetupPars.Page == 3) {
      main_->NextButton.Click();
      main_->NextButton.Click();
    }
    if (SetupPars.Page == 5) return {};
    return standin::MessageBoxes().empty() ? "(no message)" : standin::MessageBoxes()[0].Text;
  }
};

// Before Vista Power Users can make themselves administrators: their right
// to change Program Files is no boundary there, and refusing it refused
// every folder in Program Files. From Vista on it counts.
TEST_F(TrustTest, PowerUsersCountAsAdministratorsOnlyBeforeVista) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Program Files\\Old\\"));
  standin::SetSecurity("C:\\Program Files", kPowerUsersProgramFiles);
  for (const bool preVista : {false, true}) {
    SCOPED_TRACE(preVista ? "before Vista" : "Vista on");
    standin::SimulatePreVista(preVista);
    const std::string message = Install("C:\\Program Files\\Vantrel\\Morvella");
    if (preVista) {
      EXPECT_EQ(message, "");
      EXPECT_EQ(ReadFileBytes("C:\\Program Files\\Vantrel\\Morvella\\Lists\\Fr.wdl"), "fr");
    } else {
      EXPECT_EQ(message.rfind("Users without administrator rights can rename or delete the folder C:\\Program Files, ", 0), 0u)
          << message;
    }
  }
  // The version-1.0 uninstaller there is started before Vista, and only then.
  WriteFileBytes("C:\\Program Files\\Old\\UNINST.EXE", "MZ");
  for (const bool preVista : {true, false}) {
    standin::SimulatePreVista(preVista);
    EXPECT_EQ(bool(HoldToStart("C:\\Program Files\\Old\\UNINST.EXE", true).File), preVista);
  }
}

// A system drive that keeps no rights has nothing to protect, the Windows
// folder included: nothing is judged there, as under Wine. Where it keeps
// them, a data drive without rights is refused outside Program Files.
TEST_F(TrustTest, SystemDriveWithoutRightsJudgesNothing) {
  struct Case {
    char fat;  // the drive without rights
    const char* folder;
    bool installed;
  };
  const Case cases[] = {
      {'C', "C:\\Program Files\\Vantrel\\Morvella", true},
      {'C', "D:\\Apps\\Morvella", true},
      {'D', "D:\\Other\\Morvella", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    standin::SetDriveWithoutRights(c.fat);
    const std::string message = Install(c.folder);
    EXPECT_EQ(message.empty(), c.installed) << message;
    if (!c.installed) EXPECT_NE(message.find("keeps no access rights"), std::string::npos) << message;
    standin::ResetFileSystem();
    SetUp();
  }
}

// Their administrators and system are another machine's: Setup cannot tell
// who may change the files there, so such folders are refused by name.
TEST_F(TrustTest, NetworkAndRemovableDrivesAreRefused) {
  standin::AddDrive('N');
  standin::SetDriveType('N', os::DRIVE_REMOTE);
  standin::AddDrive('R');
  standin::SetDriveType('R', os::DRIVE_REMOVABLE);
  for (const char* folder : {"N:\\Apps\\Morvella", "R:\\Morvella", "\\\\server\\share\\Morvella"}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(InstallFolderProblem(folder),
              std::string("The folder ") + folder +
                  " lies on a network or removable drive, whose rights another computer keeps, so Setup "
                  "cannot tell who could change Morvella's programs there, which run with administrator "
                  "rights.  Choose a folder on a fixed drive of this computer, such as one in Program "
                  "Files.");
  }
}

// A file system that takes no owner answers an owner error: what Setup makes
// there gets the default owner, as after a refusal, and the installation
// goes on.
TEST_F(TrustTest, OwnerErrorTakesTheOrdinaryFallback) {
  standin::RefuseRights(true, os::ERROR_INVALID_OWNER);
  const std::string message = Install("C:\\Program Files\\Vantrel\\Morvella");
  standin::RefuseRights(false);
  EXPECT_EQ(message, "");
  EXPECT_EQ(ReadFileBytes("C:\\Program Files\\Vantrel\\Morvella\\Lists\\Fr.wdl"), "fr");
}

// Page 3 makes nothing to test the Start-menu folder: a folder made and
// removed by its path could be turned, by a junction re-pointed in between,
// into an elevated deletion of an administrators' folder.
TEST_F(TrustTest, PageThreeMakesNothingToTestTheFolder) {
  Start();
  GoTo(3);
  main_->ProgFolderEdit.SetText("Vantrel\\Morvella");
  standin::FailNthChange(0);  // counts from here
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(standin::ChangesCounted(), 0);
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Vantrel"));
  // A Programs folder that takes no folders is still said on page 3.
  main_->BackButton.Click();
  standin::DenyWrites(kPrograms);
  standin::ResetDialogs();
  main_->NextButton.Click();
  standin::AllowWrites(kPrograms);
  EXPECT_EQ(SetupPars.Page, 3);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Text, "The folder you have filled in, could not be created.  Choose another folder.");
}

}  // namespace
