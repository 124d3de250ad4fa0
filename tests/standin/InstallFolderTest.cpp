// The installation folder's rights: outside Program Files, no user without
// administrator rights may change what Setup installs, and Setup does not
// install into a link or into a folder of others that such users can change.
#include "engine/Unit_ExtractForm.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Sddl.h"
#include "setup/InstallFolder.h"
#include "setup/Unit_UninstallOldForm.h"
#include "uninst/Uninstaller.h"
#include "tests/standin/WizardFixture.h"
#include "tests/standin/WorkerHold.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"


namespace {

using os::HKEY_LOCAL_MACHINE;

// A folder an ordinary user made: theirs, and they may change all of it.
const char* const kUserFolder =
    "O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
const char* const kAdminFolder = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

sddl::Descriptor Rights(const std::string& path) {
  sddl::Descriptor d;
  EXPECT_TRUE(sddl::Parse(os::GetNamedSecurityInfoA(path), d)) << path;
  return d;
}

class InstallFolderTest : public WizardFixture {
 protected:
  void SetUp() override {
    WizardFixture::SetUp();
    StartFromSmallMedium();
  }
  // Page 2 with folder typed; true when the wizard went on to page 3.
  bool ChooseFolder(const std::string& folder) {
    Start();
    GoTo(2);
    main_->InstallDirEdit.SetText(folder);
    main_->NextButton.Click();
    return SetupPars.Page == 3;
  }
  void InstallFrom3() {
    main_->NextButton.Click();
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 5) << (standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text);
  }
  std::string Message() { return standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text; }
  // An earlier installation at the root of D:, recorded by an Install.log that
  // inherits the drive's rights unless given others.
  void PlantRootInstallation(const char* logRights) {
    WriteFileBytes("D:\\Install.log",
                   "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nMorvella.exe\r\n"
                   "Photos\\Holiday.jpg\r\n\r\n");
    if (logRights) standin::SetSecurity("D:\\Install.log", logRights);
    WriteFileBytes("D:\\Morvella.exe", "old");
    ASSERT_TRUE(os::CreateDirectoryA("D:\\Photos"));
    WriteFileBytes("D:\\Photos\\Holiday.jpg", "the user's");  // added to the log by a user
    SetString(HKEY_LOCAL_MACHINE,
                             "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella",
                             "UninstallString", "\"D:\\Uninst.exe\"");
  }
};

TEST_F(InstallFolderTest, NewFolderOutsideProgramFilesGetsTheRightsOfProgramFiles) {
  ASSERT_TRUE(ChooseFolder("D:\\Apps\\Morvella"));
  InstallFrom3();
  // Set on the top-most folder Setup made; all below inherit it.
  const sddl::Descriptor top = Rights("D:\\Apps");
  EXPECT_EQ(sddl::Format(top), sddl::Format([] {
              sddl::Descriptor d;
              sddl::Parse(kInstallFolderSddl, d);
              return d;
            }()));
  EXPECT_FALSE(sddl::OthersCanChange(top));
  for (const char* path : {"D:\\Apps\\Morvella", "D:\\Apps\\Morvella\\Uninst.exe",
                           "D:\\Apps\\Morvella\\Lists\\Fr.wdl", "D:\\Apps\\Morvella\\Install.log"})
    EXPECT_FALSE(sddl::OthersCanChange(Rights(path))) << path;
  EXPECT_TRUE(sddl::OthersCanChange(Rights("D:\\"))) << "the drive's own rights stay";
}

// Where an administrator's new objects are their own account's (the policy
// "Object creator"), the folders Setup makes are still the administrators':
// each level is given that owner as it is made.
TEST_F(InstallFolderTest, FoldersSetupMakesAreTheAdministratorsWhateverTheDefaultOwner) {
  standin::SetDefaultOwner("S-1-5-21-1-2-3-500");
  for (const char* folder : {"D:\\Apps\\Tools\\Morvella", "C:\\Program Files\\Vantrel\\Morvella"}) {
    SCOPED_TRACE(folder);
    standin::ResetDialogs();
    ASSERT_TRUE(ChooseFolder(folder)) << Message();
    InstallFrom3();
    EXPECT_EQ(ReadFileBytes(std::string(folder) + "\\Uninst.exe"), "unin");
    for (std::string level = folder; level.size() > 3; level = level.substr(0, level.rfind('\\'))) {
      if (level == "C:\\Program Files") break;
      EXPECT_TRUE(sddl::OnlyAdministrators(Rights(level))) << level << " " << sddl::Format(Rights(level));
    }
    main_->FinishButton.Click();
  }
}

// Under the policy that makes an administrator's objects their own
// account's, what the copy makes (a folder below, every file, the log) is
// the Administrators group's all the same, so the next Setup takes its own
// folders: a reinstall over it loses nothing.
TEST_F(InstallFolderTest, ReinstallUnderTheObjectCreatorPolicyKeepsTheInstallation) {
  standin::SetDefaultOwner("S-1-5-21-1-2-3-500");
  ASSERT_TRUE(ChooseFolder("D:\\Apps\\Morvella")) << Message();
  InstallFrom3();
  main_->FinishButton.Click();
  for (const char* made : {"Lists", "Lists\\Fr.wdl", "Morvella.exe", "Install.log"})
    EXPECT_EQ(Rights(std::string("D:\\Apps\\Morvella\\") + made).Owner, "BA") << made;
  standin::ResetDialogs();
  ASSERT_TRUE(ChooseFolder("D:\\Apps\\Morvella")) << Message();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  InstallFrom3();
  EXPECT_EQ(ReadFileBytes("D:\\Apps\\Morvella\\Morvella.exe"), "prog");
  EXPECT_EQ(ReadFileBytes("D:\\Apps\\Morvella\\Lists\\Fr.wdl"), "fr");
}

TEST_F(InstallFolderTest, ProgramFilesKeepsItsOwnRights) {
  Start();
  GoTo(4);
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 5);
  const sddl::Descriptor rights = Rights("C:\\Program Files\\Morvella");
  EXPECT_FALSE(rights.Protected) << "nothing set: it inherits from Program Files";
  EXPECT_FALSE(sddl::OthersCanChange(rights));
}

struct ExistingCase {
  const char* what;
  const char* folder;
  const char* rights;  // set on the folder; null: inherited from D:\ (users may change it)
  bool otherFiles;
  bool accepted;
};

// An existing folder is taken only when administrators (or the system)
// own it and nobody else may change it, and then as it is: a user who owns
// it, or may change it, could hold a handle opened before any rights Setup
// gave it. Empty or not makes no difference.
TEST_F(InstallFolderTest, ExistingFoldersAreTakenOnlyWhenOnlyAdministratorsOwnAndCanChangeThem) {
  const ExistingCase cases[] = {
      {"empty, the user's", "D:\\Empty", kUserFolder, false, false},
      {"empty, inherited from the drive", "D:\\Bare", nullptr, false, false},
      {"other files, the user's", "D:\\Mine", kUserFolder, true, false},
      {"other files, users may add", "D:\\Shared", nullptr, true, false},
      {"administrators' own, users may add", "D:\\Drop",
       "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;CI;0x4;;;BU)", false, false},
      {"empty, administrators' only", "D:\\Clean", kAdminFolder, false, true},
      {"other files, administrators' only", "D:\\Tools", kAdminFolder, true, true},
  };
  for (const ExistingCase& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    ASSERT_TRUE(os::CreateDirectoryA(c.folder));
    if (c.rights) standin::SetSecurity(c.folder, c.rights);
    if (c.otherFiles) WriteFileBytes(std::string(c.folder) + "\\Other.exe", "other");
    const std::string before = os::GetNamedSecurityInfoA(c.folder);
    EXPECT_EQ(ChooseFolder(c.folder), c.accepted) << Message();
    if (!c.accepted) {
      EXPECT_EQ(Message(), std::string("The folder ") + c.folder +
                               " exists already, and users without administrator rights own it or can change "
                               "it.  Choose a new folder, or let only administrators own and change this one.");
      EXPECT_EQ(standin::MessageBoxes()[0].Caption, "Setup");
    } else {
      InstallFrom3();
      EXPECT_EQ(ReadFileBytes(std::string(c.folder) + "\\Uninst.exe"), "unin");
    }
    EXPECT_EQ(os::GetNamedSecurityInfoA(c.folder), before) << "a folder's rights are never changed";
    if (c.otherFiles) EXPECT_EQ(ReadFileBytes(std::string(c.folder) + "\\Other.exe"), "other");
    if (!c.accepted) EXPECT_EQ(FilesBelow(c.folder).size(), c.otherFiles ? 1u : 0u);
  }
}

TEST_F(InstallFolderTest, LinksAreRefusedEvenInProgramFiles) {
  for (const char* link : {"D:\\Link", "C:\\Program Files\\Link"}) {
    SCOPED_TRACE(link);
    standin::ResetDialogs();
    ASSERT_TRUE(os::MakeSureDirectoryPathExists(std::string(link) + "\\"));
    ASSERT_TRUE(os::RemoveDirectoryA(link));
    ASSERT_TRUE(os::CreateDirectoryA("D:\\Target"));
    ASSERT_TRUE(standin::PlaceLink(link, "D:\\Target"));
    EXPECT_FALSE(ChooseFolder(link));
    EXPECT_EQ(Message(), std::string("The folder ") + link +
                             " is a link to another place.  Setup does not install into links; "
                             "choose another folder.");
    ASSERT_TRUE(standin::RemoveLink(link));
    ASSERT_TRUE(os::RemoveDirectoryA("D:\\Target"));
  }
}

TEST_F(InstallFolderTest, EarlierInstallationInAFolderUsersCanChangeIsRefusedAndLeftWhole) {
  // Installed by an earlier Setup that left the drive's rights in place.
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("D:\\Old\\Lists\\"));
  WriteFileBytes("D:\\Old\\Install.log",
                 "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nMorvella.exe\r\n\r\n");
  WriteFileBytes("D:\\Old\\Morvella.exe", "old");
  SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella",
            "UninstallString", "\"D:\\Old\\Uninst.exe\"");
  ASSERT_TRUE(sddl::OthersCanChange(Rights("D:\\Old")));
  EXPECT_FALSE(ChooseFolder("D:\\Old"));
  EXPECT_EQ(Message().rfind("The folder D:\\Old exists already", 0), 0u) << Message();
  // Another folder: the earlier installation goes, the new one is made anew.
  standin::ResetDialogs();
  main_->InstallDirEdit.SetText("D:\\New");
  main_->NextButton.Click();
  InstallFrom3();
  EXPECT_FALSE(Exists("D:\\Old\\Morvella.exe"));
  EXPECT_EQ(ReadFileBytes("D:\\New\\Morvella.exe"), "prog");
  EXPECT_TRUE(sddl::OnlyAdministrators(Rights("D:\\New")));
}

struct RootCase {
  const char* what;
  const char* rights;  // set on D:\; null: as a fresh NTFS drive (users may add and change)
  bool hiddenSystemEntries;
  bool accepted;
};

TEST_F(InstallFolderTest, DriveRootIsTakenOnlyWhenUsersCannotChangeItAndItsRightsStay) {
  const RootCase cases[] = {
      {"empty, users may add", nullptr, false, false},
      {"only hidden system entries, users may add", nullptr, true, false},
      {"the user's", kUserFolder, false, false},
      {"administrators' only", kAdminFolder, true, true},
  };
  for (const RootCase& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    RemoveTree("D:\\");
    standin::AddDrive('D');
    if (c.rights) standin::SetSecurity("D:\\", c.rights);
    if (c.hiddenSystemEntries) {
      ASSERT_TRUE(os::CreateDirectoryA("D:\\System Volume Information"));
      ASSERT_TRUE(os::SetFileAttributesA("D:\\System Volume Information",
                                         os::FILE_ATTRIBUTE_HIDDEN | os::FILE_ATTRIBUTE_SYSTEM));
    }
    const std::string before = os::GetNamedSecurityInfoA("D:\\");
    ASSERT_EQ(ChooseFolder("D:\\"), c.accepted) << Message();
    if (!c.accepted) {
      EXPECT_EQ(Message(), "Users without administrator rights can change the drive D:\\, and Setup "
                           "does not change the rights of a whole drive, so choose a folder on "
                           "that drive, such as D:\\Morvella.");
    } else {
      InstallFrom3();
      EXPECT_EQ(ReadFileBytes("D:\\Morvella.exe"), "prog");
    }
    EXPECT_EQ(os::GetNamedSecurityInfoA("D:\\"), before) << "a drive's rights never change";
  }
}

// The folder is asked about again at the confirmation. The attack this
// stops: a user makes the chosen folder after its page, fills it, and keeps
// a handle open with leave to rewrite its rights. Rights given to the folder
// later would not take that handle's away, so the folder is refused, and
// nothing goes into it.
TEST_F(InstallFolderTest, FolderAUserMadeAfterItsPageWithAHandleKeptOpenIsRefused) {
  ASSERT_TRUE(ChooseFolder("D:\\Later")) << Message();
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 4);
  ASSERT_TRUE(os::CreateDirectoryA("D:\\Later"));
  standin::SetSecurity("D:\\Later", kUserFolder);
  WriteFileBytes("D:\\Later\\Morvella.exe", "theirs");
  const os::UniqueHandle user(standin::OpenAsUser("D:\\Later", os::READ_CONTROL | os::WRITE_DAC));
  ASSERT_TRUE(user);
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(Message().rfind("The folder D:\\Later exists already", 0), 0u) << Message();
  EXPECT_EQ(FilesBelow("D:\\Later").size(), 1u) << "no log, nothing of Setup's";
  EXPECT_EQ(ReadFileBytes("D:\\Later\\Morvella.exe"), "theirs");
  // What the handle could still do, whatever rights the folder had been given.
  standin::SetSecurity("D:\\Later", kAdminFolder);
  EXPECT_TRUE(os::SetSecurityInfoByHandle(user.get(), kUserFolder));
  EXPECT_TRUE(sddl::OthersCanChange(Rights("D:\\Later")));
  // A handle opened by a user without the rights for it gets none.
  standin::SetSecurity("D:\\Later", kAdminFolder);
  EXPECT_FALSE(os::UniqueHandle(standin::OpenAsUser("D:\\Later", os::WRITE_DAC)));
}

// Where the system keeps no rights (Wine: every file, the Windows folder
// too, reads as the user's own), no folder can be told from another: only
// links, drives without rights and drive roots are refused, and a folder
// that exists is taken as it is.
TEST_F(InstallFolderTest, UnderWineOnlyLinksRootsAndFatAreRefused) {
  standin::SimulateWine(true);
  ASSERT_TRUE(os::CreateDirectoryA("D:\\Mine"));
  standin::SetSecurity("D:\\Mine", kUserFolder);
  ASSERT_TRUE(os::CreateDirectoryA("D:\\Mine\\Lists"));
  WriteFileBytes("D:\\Mine\\Other.exe", "other");
  EXPECT_FALSE(ChooseFolder("D:\\"));
  EXPECT_EQ(Message().rfind("Users without administrator rights can change the drive D:\\", 0), 0u) << Message();
  standin::ResetDialogs();
  ASSERT_TRUE(ChooseFolder("D:\\Mine")) << Message();
  InstallFrom3();
  EXPECT_EQ(ReadFileBytes("D:\\Mine\\Lists\\Fr.wdl"), "fr");
  EXPECT_EQ(ReadFileBytes("D:\\Mine\\Other.exe"), "other");
}

// Windows 2000 to 2003 let Power Users change the Windows folder: the
// rights of every other folder count all the same there, and with no final
// paths to tell by, a link on the way is refused by itself.
TEST_F(InstallFolderTest, BeforeVistaRightsAndLinksOnTheWayStillCount) {
  standin::SimulatePreVista(true);
  standin::SetSecurity("C:\\Windows", "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;PU)");
  ASSERT_TRUE(os::CreateDirectoryA("D:\\Mine"));
  standin::SetSecurity("D:\\Mine", kUserFolder);
  EXPECT_FALSE(ChooseFolder("D:\\Mine"));
  EXPECT_EQ(Message().rfind("The folder D:\\Mine exists already", 0), 0u) << Message();
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Program Files\\Vantrel\\"));
  ASSERT_TRUE(standin::PlaceLink("D:\\Apps", "C:\\Program Files\\Vantrel"));
  standin::SetSecurity("D:\\Apps", kAdminFolder);  // by its name it shows its target's rights
  standin::ResetDialogs();
  EXPECT_FALSE(ChooseFolder("D:\\Apps\\Morvella"));
  EXPECT_EQ(Message(), "The folder D:\\Apps on the way to D:\\Apps\\Morvella is a link to another place.  "
                       "Setup does not install through links; choose another folder.");
  standin::SimulatePreVista(false);
}

// Page 2 makes nothing to test a folder: through a user's link at an
// existing level folders would be made wherever it points, and the link
// pointed elsewhere between the making and the removing would have an
// administrator delete an empty folder of anybody's.
TEST_F(InstallFolderTest, PageTwoMakesAndDeletesNothingThroughALink) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Target\\"));
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Victim\\Morvella\\"));
  ASSERT_TRUE(standin::PlaceLink("D:\\Junk", "C:\\Target"));
  standin::BeforeDeleteOpen([](const std::string& path) {
    if (path.find("Morvella") == std::string::npos) return;
    standin::RemoveLink("D:\\Junk");
    standin::PlaceLink("D:\\Junk", "C:\\Victim");
  });
  EXPECT_FALSE(ChooseFolder("D:\\Junk\\Morvella"));
  standin::BeforeDeleteOpen(nullptr);
  EXPECT_TRUE(Exists("C:\\Victim\\Morvella"));
  EXPECT_FALSE(Exists("C:\\Target\\Morvella"));
}

// The write test of the confirmation comes after every check, in the
// folder made and held; a folder that takes no files goes again, through
// handles, and nothing else changed.
TEST_F(InstallFolderTest, FolderThatTakesNoFilesIsRemovedAgain) {
  ASSERT_TRUE(ChooseFolder("C:\\Program Files\\Vantrel\\Morvella")) << Message();
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 4);
  standin::ResetDialogs();
  // Both levels are made; the test file is not, with its owner nor, as
  // every file, without.
  standin::DenyWrites("C:\\Program Files\\Vantrel\\Morvella\\Setup write test.tmp");
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 4);
  EXPECT_EQ(Message(), "Setup cannot write to the folder C:\\Program Files\\Vantrel\\Morvella.  Click Back "
                       "and choose another folder.");
  EXPECT_FALSE(Exists("C:\\Program Files\\Vantrel"));
}

struct AboveCase {
  const char* what;
  const char* folder;        // chosen
  const char* userFolder;    // above it, with rights
  const char* rights;
  const char* named;         // the folder the refusal names; null: accepted
};

// After Setup has finished, a user who may rename a folder above the
// installation folder, or what it holds, can put another folder at the path
// the registry names.
TEST_F(InstallFolderTest, FolderBelowOneUsersCanRenameIsRefused) {
  const AboveCase cases[] = {
      {"parent the user's", "D:\\Tools\\Morvella", "D:\\Tools", kUserFolder, "D:\\Tools"},
      {"grandparent the user's, parent missing", "D:\\Yours\\Apps\\Morvella", "D:\\Yours", kUserFolder,
       "D:\\Yours"},
      {"parent made by an administrator, users may delete it (inherited from the drive)", "D:\\Made\\Morvella",
       "D:\\Made", nullptr, "D:\\Made"},
      {"parent whose children users may delete", "D:\\Bin\\Morvella", "D:\\Bin",
       "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x40;;;BU)", "D:\\Bin"},
      {"parent administrators' only", "D:\\Apps\\Morvella", "D:\\Apps", kAdminFolder, nullptr},
  };
  for (const AboveCase& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    ASSERT_TRUE(os::CreateDirectoryA(c.userFolder));
    if (c.rights) standin::SetSecurity(c.userFolder, c.rights);
    EXPECT_EQ(ChooseFolder(c.folder), c.named == nullptr) << Message();
    if (c.named) {
      EXPECT_EQ(Message(), std::string("Users without administrator rights can rename or delete the folder ") +
                               c.named + ", so they could later put other programs in the place of " + c.folder +
                               ".  Choose a folder in Program Files.");
      EXPECT_TRUE(FilesBelow(c.userFolder).empty());
      EXPECT_FALSE(Exists(c.folder));
    }
  }
}

TEST_F(InstallFolderTest, DriveThatKeepsNoRightsIsRefusedOutsideProgramFiles) {
  standin::AddDrive('F');
  standin::SetDriveWithoutRights('F');
  for (const char* folder : {"F:\\Morvella", "F:\\"}) {
    SCOPED_TRACE(folder);
    standin::ResetDialogs();
    EXPECT_FALSE(ChooseFolder(folder));
    EXPECT_NE(Message().find("keeps no access rights"), std::string::npos) << Message();
  }
  EXPECT_TRUE(FilesBelow("F:\\").empty());
}

TEST_F(InstallFolderTest, RightsThatCannotBeSetAreReportedAndNothingIsInstalled) {
  ASSERT_TRUE(ChooseFolder("D:\\New\\Morvella"));
  standin::RefuseRights(true);
  main_->NextButton.Click();
  main_->NextButton.Click();
  standin::RefuseRights(false);
  EXPECT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(Message().rfind("Setup cannot give the folder ", 0), 0u) << Message();
  EXPECT_NE(Message().find("Nothing was installed."), std::string::npos) << Message();
  EXPECT_TRUE(FilesBelow("D:\\").empty());
  EXPECT_FALSE(Exists("D:\\New"));
}

TEST_F(InstallFolderTest, AdministratorsRootIsInstalledAndTheUninstallerLeavesTheRootItself) {
  standin::SetSecurity("D:\\", kAdminFolder);
  ASSERT_TRUE(ChooseFolder("D:\\")) << Message();
  InstallFrom3();
  EXPECT_EQ(ReadFileBytes("D:\\Morvella.exe"), "prog");
  EXPECT_FALSE(sddl::OthersCanChange(Rights("D:\\Uninst.exe")));
  standin::SetMessageBoxResponder([](const standin::MessageBoxRecord& box) {
    return int(box.Type & os::MB_YESNO ? os::IDYES : os::IDOK);
  });
  standin::SetProgram("D:\\Uninst.exe", {});
  ASSERT_EQ(UninstMain(), 0);
  ASSERT_EQ(standin::StartedPrograms().size(), 1u);
  // The root reaches the copy as one argument.
  EXPECT_NE(standin::StartedPrograms()[0].find(" /from \"D:\\\\\" 4242 "), std::string::npos)
      << standin::StartedPrograms()[0];
  standin::SetProgram("C:\\Windows\\Temp\\Morvella uninstall 4242-0\\Uninstall Morvella.exe", {"/from", "D:\\", "4242"});
  EXPECT_EQ(UninstMain(), 0);
  EXPECT_EQ(standin::MessageBoxes().back().Text, "Morvella has been removed from your computer.");
  EXPECT_TRUE(FilesBelow("D:\\").empty());
  EXPECT_TRUE(Exists("D:\\")) << "a drive's root is never deleted";
}

TEST_F(InstallFolderTest, EarlierInstallationAtARootWithALogUsersCanChangeIsLeftInPlace) {
  PlantRootInstallation(nullptr);
  // Keys such an installation may have left, which depend on no log.
  CreateKey(os::HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0");
  SetString(os::HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Openen\\command", "", "old");
  Answer("Morvella Setup", [](ui::TForm& f) { static_cast<TUninstallOldForm&>(f).NoButton.Click(); });
  ASSERT_TRUE(ChooseFolder("D:\\Apps\\Morvella")) << Message();
  InstallFrom3();
  ASSERT_EQ(standin::MessageBoxes().size(), 1u) << "said once";
  EXPECT_EQ(Message().rfind("Setup leaves the earlier installation of Morvella in D:\\ in place", 0), 0u)
      << Message();
  // In the box of every other message of the wizard.
  EXPECT_EQ(standin::MessageBoxes()[0].Caption, "Setup");
  EXPECT_EQ(standin::MessageBoxes()[0].Type, os::DWORD(os::MB_OK | os::MB_ICONERROR));
  for (const char* key : {"Software\\Vantrel\\Morvella\\1.0", "Morvella.Wordlist\\Shell\\Openen"}) {
    os::UniqueHKEY k;
    EXPECT_NE(os::RegOpenKeyExA(key[0] == 'S' ? os::HKEY_LOCAL_MACHINE : os::HKEY_CLASSES_ROOT, key, 0,
                                os::KEY_READ, k.receive()),
              os::ERROR_SUCCESS)
        << key << " stayed";
  }
  // So the next run offers no uninstall of version 1.0 (a modal form not
  // answered here would fail the test).
  const int prompts = ModalCount("Morvella Setup");
  Start();
  EXPECT_EQ(ModalCount("Morvella Setup"), prompts);
  EXPECT_EQ(ReadFileBytes("D:\\Photos\\Holiday.jpg"), "the user's");
  EXPECT_EQ(ReadFileBytes("D:\\Morvella.exe"), "old");
  EXPECT_EQ(ReadFileBytes("D:\\Apps\\Morvella\\Morvella.exe"), "prog");

  // The uninstaller of that installation refuses the same way.
  standin::ResetDialogs();
  standin::SetMessageBoxResponder([](const standin::MessageBoxRecord& box) {
    return int(box.Type & os::MB_YESNO ? os::IDYES : os::IDOK);
  });
  standin::SetProgram("C:\\Windows\\Temp\\Morvella uninstall 4242-0\\Uninstall Morvella.exe", {"/from", "D:\\", "4242"});
  EXPECT_EQ(UninstMain(), 1);
  EXPECT_NE(standin::MessageBoxes().back().Text.find("Nothing was removed."), std::string::npos);
  EXPECT_EQ(ReadFileBytes("D:\\Photos\\Holiday.jpg"), "the user's");
  EXPECT_TRUE(Exists("D:\\Install.log"));
}

// A root named in other words is the root: the uninstall entry's folder and
// the uninstaller's /from folder are judged as full paths.
TEST_F(InstallFolderTest, RootNamedWithDotsIsJudgedAsTheRoot) {
  const char* const spellings[] = {"D:\\x\\..", "D:\\.", "D:\\x\\..\\", "D:\\x\\..\\."};
  for (const char* folder : spellings) {
    SCOPED_TRACE(folder);
    TearDown();
    SetUp();
    PlantRootInstallation(nullptr);
    ASSERT_TRUE(os::CreateDirectoryA("D:\\x"));
    // Setup: the entry's folder, "D:\.\Uninst.exe" and the like.
    SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella",
              "UninstallString", std::string("\"") + folder + "\\Uninst.exe\"");
    ASSERT_TRUE(ChooseFolder("C:\\Apps\\Morvella")) << Message();
    EXPECT_EQ(SetupPars.OldInstallDir, "D:\\");
    InstallFrom3();
    EXPECT_EQ(Message().rfind("Setup leaves the earlier installation of Morvella in D:\\ in place", 0), 0u)
        << Message();
    EXPECT_EQ(ReadFileBytes("D:\\Photos\\Holiday.jpg"), "the user's");
    // The uninstaller, handed the root so.
    standin::ResetDialogs();
    standin::SetMessageBoxResponder([](const standin::MessageBoxRecord& box) {
      return int(box.Type & os::MB_YESNO ? os::IDYES : os::IDOK);
    });
    standin::SetProgram("C:\\Windows\\Temp\\Morvella uninstall 4242-0\\Uninstall Morvella.exe", {"/from", folder, "4242"});
    EXPECT_EQ(UninstMain(), 1);
    EXPECT_NE(standin::MessageBoxes().back().Text.find("Nothing was removed."), std::string::npos)
        << standin::MessageBoxes().back().Text;
    EXPECT_EQ(ReadFileBytes("D:\\Photos\\Holiday.jpg"), "the user's");
    EXPECT_TRUE(Exists("D:\\Install.log"));
  }
}

TEST_F(InstallFolderTest, EarlierInstallationAtARootWithAnAdministratorsLogIsRemoved) {
  PlantRootInstallation("O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)");
  ASSERT_TRUE(ChooseFolder("D:\\Apps\\Morvella")) << Message();
  InstallFrom3();
  EXPECT_TRUE(standin::MessageBoxes().empty()) << Message();
  EXPECT_FALSE(Exists("D:\\Morvella.exe"));
  EXPECT_FALSE(Exists("D:\\Install.log"));
}

TEST_F(InstallFolderTest, FileOfAnEarlierInstallationIsMadeAnewWithTheFoldersRights) {
  // Left by an earlier version that did not list it, owned by a user.
  ASSERT_TRUE(os::CreateDirectoryA("D:\\Old", kAdminFolder));
  WriteFileBytes("D:\\Old\\Install.log",
                 "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nMorvella.exe\r\n\r\n");
  WriteFileBytes("D:\\Old\\Uninst.exe", "the user's own");
  standin::SetSecurity("D:\\Old\\Uninst.exe", "O:S-1-5-21-1-2-3-1001D:(A;;FA;;;S-1-5-21-1-2-3-1001)");
  SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella",
            "UninstallString", "\"D:\\Old\\Uninst.exe\"");
  ASSERT_TRUE(ChooseFolder("D:\\Old")) << Message();
  InstallFrom3();
  EXPECT_EQ(ReadFileBytes("D:\\Old\\Uninst.exe"), "unin");
  const sddl::Descriptor rights = Rights("D:\\Old\\Uninst.exe");
  EXPECT_EQ(rights.Owner, "BA");
  EXPECT_FALSE(sddl::OthersCanChange(rights)) << sddl::Format(rights);
}

// A folder that was there already below the installation folder is used
// only when only administrators own it and can change it: Setup stops
// before anything goes into one that a user made or may change, and its
// rights stay as they were.
TEST_F(InstallFolderTest, ExistingFolderBelowTheInstallationFolderIsUsedOnlyWhenOnlyAdministratorsCanChangeIt) {
  for (const char* rights : {kUserFolder, "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x100;;;BU)",
                             kAdminFolder}) {
    SCOPED_TRACE(rights);
    TearDown();
    SetUp();
    ASSERT_TRUE(os::CreateDirectoryA("D:\\Old", kAdminFolder));
    ASSERT_TRUE(os::CreateDirectoryA("D:\\Old\\Lists"));
    WriteFileBytes("D:\\Old\\Install.log",
                   "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nMorvella.exe\r\n\r\n");
    WriteFileBytes("D:\\Old\\Lists\\Mine.wdl", "mine");
    standin::SetSecurity("D:\\Old\\Lists", rights);
    SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella",
              "UninstallString", "\"D:\\Old\\Uninst.exe\"");
    const std::string before = os::GetNamedSecurityInfoA("D:\\Old\\Lists");
    ASSERT_TRUE(ChooseFolder("D:\\Old")) << Message();
    main_->NextButton.Click();
    main_->NextButton.Click();
    EXPECT_EQ(os::GetNamedSecurityInfoA("D:\\Old\\Lists"), before);
    EXPECT_EQ(ReadFileBytes("D:\\Old\\Lists\\Mine.wdl"), "mine");
    if (rights == kAdminFolder) {
      ASSERT_EQ(SetupPars.Page, 5) << Message();
      EXPECT_EQ(ReadFileBytes("D:\\Old\\Lists\\Fr.wdl"), "fr");
      continue;
    }
    // Judged before the earlier installation goes: it stays whole.
    EXPECT_EQ(Message(), "The folder D:\\Old\\Lists is there already, and users without administrator rights "
                         "own it or can change it.  Nothing was changed.  Delete it, or let only administrators "
                         "own and change it.");
    EXPECT_FALSE(Exists("D:\\Old\\Lists\\Fr.wdl"));
    EXPECT_TRUE(Exists("D:\\Old\\Install.log"));
    EXPECT_TRUE(SetupPars.OldInstallFound);
  }
}

// The installation folder is held while Setup works in it. Where someone
// gets it moved all the same (on Windows the held folder cannot be renamed,
// nor a folder above it; the stand-in lets the test do it behind the
// system's back) and puts a junction to the Windows folder in its place,
// the next file is found to lie outside it: nothing of Morvella reaches the
// Windows folder, and Setup stops, naming the path.
TEST_F(InstallFolderTest, FolderSwappedForALinkWhileFilesAreCopiedStopsTheInstallation) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Windows\\"));
  ASSERT_TRUE(ChooseFolder("D:\\Apps\\Morvella")) << Message();
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 4);
  // The first copy step has made Morvella.exe; before the second one runs:
  WorkerHold hold(3);
  standin::SetModalResponder([&hold](ui::TForm& form) {
    if (&form != ExtractForm) return;
    hold.WhenReached([] {
      ASSERT_TRUE(standin::MoveBehind("D:\\Apps\\Morvella", "D:\\Apps\\Moved"));
      ASSERT_TRUE(standin::PlaceLink("D:\\Apps\\Morvella", "C:\\Windows"));
    });
  });
  main_->NextButton.Click();
  ASSERT_TRUE(hold.Reached());
  EXPECT_TRUE(FilesBelow("C:\\Windows").empty()) << *FilesBelow("C:\\Windows").begin();
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(Message().rfind("Setup stopped before writing D:\\Apps\\Morvella\\", 0), 0u) << Message();
  EXPECT_NE(Message().find("it would lie at C:\\Windows\\"), std::string::npos) << Message();
  EXPECT_TRUE(main_->Closed());
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Morvella"));
}

TEST_F(InstallFolderTest, LinkInsideTheInstallationFolderIsRefusedBeforeAnythingOfItsEntry) {
  ASSERT_TRUE(os::CreateDirectoryA("D:\\Old", kAdminFolder));
  ASSERT_TRUE(os::CreateDirectoryA("D:\\Elsewhere"));
  ASSERT_TRUE(standin::PlaceLink("D:\\Old\\Lists", "D:\\Elsewhere"));
  WriteFileBytes("D:\\Old\\Install.log", "{program folder}\r\nMorvella\r\n\r\n{program files}\r\n\r\n");
  SetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella",
            "UninstallString", "\"D:\\Old\\Uninst.exe\"");
  ASSERT_TRUE(ChooseFolder("D:\\Old")) << Message();
  main_->NextButton.Click();
  main_->NextButton.Click();
  ASSERT_FALSE(standin::MessageBoxes().empty());
  EXPECT_EQ(standin::MessageBoxes().back().Text,
            "The folder D:\\Old\\Lists is a link to another place, and Setup does not install through "
            "links.  Nothing was changed.  Delete that link, then run Setup again.");
  EXPECT_TRUE(FilesBelow("D:\\Elsewhere").empty());
  EXPECT_EQ(ReadFileBytes("D:\\Old\\Install.log").find("Lists\\Fr.wdl"), std::string::npos)
      << "the refused entry is not recorded";
}

}  // namespace
