// The whole installation from the confirmation page: removal of the earlier
// installation, extraction, shortcuts, registry, the finished page; and what
// happens when a step fails or the user cancels.
#include "engine/Unit_DataFile.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Hash.h"
#include "resources/ResourceIds.h"
#include "setup/Unit_UninstallOldForm.h"
#include "system/Unit_Uninstall.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {

using os::HKEY_CLASSES_ROOT;
using os::HKEY_LOCAL_MACHINE;

const std::string kMedium = "D:\\";
const std::string kInstall = "C:\\Program Files\\Morvella";
const char* const kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella";

std::string Value(os::HKEY root, const std::string& key, const std::string& name) {
  os::UniqueHKEY k;
  if (os::RegOpenKeyExA(root, key, 0, os::KEY_READ, k.receive()) != os::ERROR_SUCCESS) return "(no key)";
  char buffer[512] = {};
  os::DWORD size = sizeof buffer;
  if (os::RegQueryValueExA(k.get(), name, nullptr, reinterpret_cast<std::uint8_t*>(buffer), &size) !=
      os::ERROR_SUCCESS)
    return "(missing)";
  return buffer;
}

class InstallationTest : public WizardFixture {
 protected:
  void SetUp() override {
    WizardFixture::SetUp();
    standin::AddDrive('D');
    ASSERT_TRUE(os::SetCurrentDirectoryA(kMedium));
    // Two volumes; Morvella.exe runs from the first into the second.
    const std::string stream = Entry("Morvella.exe", std::string(3000, 'M')) +
                               Entry("Morvehlp.hlp", "help") + Entry("Lists\\French.wdl", "chat") +
                               Entry("Uninst.exe", "un");
    WriteFileBytes("D:\\Setup.d01", Le32(3010) + stream.substr(0, 1500) + "\x02");
    WriteFileBytes("D:\\Setup.d02", stream.substr(1500) + std::string(1, '\0'));
  }
  void Install() {
    GoTo(4);
    main_->NextButton.Click();
  }
  std::string Log() { return ReadFileBytes(kInstall + "\\Install.log"); }
  // A whole first installation, ended with Finish.
  void InstallOnce() {
    Start();
    Install();
    ASSERT_EQ(SetupPars.Page, 5);
    main_->FinishButton.Click();
  }
};

TEST_F(InstallationTest, FreshInstallationEndsOnTheFinishedPage) {
  Start();
  Install();
  ASSERT_EQ(SetupPars.Page, 5) << (standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text);
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Morvella.exe"), std::string(3000, 'M'));
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Lists\\French.wdl"), "chat");
  EXPECT_EQ(Log(),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n\r\n"
            "{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nMorvella.exe\r\nMorvehlp.hlp\r\n"
            "Lists\\French.wdl\r\nUninst.exe\r\n\r\n{program folder files}\r\nMorvella.lnk\r\n"
            "Morvella Help.lnk\r\nUninstall Morvella.lnk\r\n\r\n");
  EXPECT_TRUE(Exists(std::string(kPrograms) + "\\Morvella\\Uninstall Morvella.lnk"));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), "\"" + kInstall + "\\Uninst.exe\"");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".wdl", ""), "Morvella.Wordlist");

  // The finished page: Finish where Cancel was, the default, focused.
  EXPECT_TRUE(main_->FinishedLabel.Showing());
  EXPECT_TRUE(main_->FinishButton.Showing());
  EXPECT_TRUE(main_->FinishButton.Default());
  EXPECT_TRUE(main_->FinishButton.Focused());
  for (ui::TControl* hidden : {static_cast<ui::TControl*>(&main_->BackButton),
                               static_cast<ui::TControl*>(&main_->NextButton),
                               static_cast<ui::TControl*>(&main_->CancelButton),
                               static_cast<ui::TControl*>(&main_->ConfirmMemo)})
    EXPECT_FALSE(hidden->Showing());
  main_->KeyEnter();
  EXPECT_TRUE(main_->Closed());
  EXPECT_EQ(ModalCount("Exit setup"), 0);
}

TEST_F(InstallationTest, SecondRunProposesTheSameFoldersAndReplacesTheFirst) {
  Start();
  GoTo(3);
  main_->ProgFolderEdit.SetText("Tools\\Words");
  main_->NextButton.Click();
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 5);
  main_->FinishButton.Click();
  WriteFileBytes(kInstall + "\\My own.wdl", "mine");
  WriteFileBytes(kInstall + "\\Morvehlp.GID", "help index");

  // Now with a payload that no longer holds French.wdl.
  WriteFileBytes("D:\\Setup.d01", Le32(5) + Entry("Morvella.exe", "v3.5b") + std::string(1, '\0'));
  os::DeleteFileA("D:\\Setup.d02");
  Start();
  EXPECT_TRUE(SetupPars.OldInstallFound);
  EXPECT_EQ(SetupPars.InstallDir, kInstall);
  EXPECT_EQ(SetupPars.ProgFolder, "Tools\\Words");
  Install();
  ASSERT_EQ(SetupPars.Page, 5);
  EXPECT_FALSE(Exists(kInstall + "\\Lists")) << "the earlier files went first";
  EXPECT_FALSE(Exists(kInstall + "\\Morvehlp.GID"));
  EXPECT_EQ(ReadFileBytes(kInstall + "\\My own.wdl"), "mine");
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Morvella.exe"), "v3.5b");
  EXPECT_TRUE(Exists(std::string(kPrograms) + "\\Tools\\Words\\Morvella.lnk"));
}

TEST_F(InstallationTest, SecondRunIntoTheFolderTheRemovalDeletesMakesItAgainAndLogsOnlyItself) {
  ASSERT_NO_FATAL_FAILURE(InstallOnce());
  WriteFileBytes("D:\\Setup.d01", Le32(5) + Entry("Morvella.exe", "v3.5b") + std::string(1, '\0'));
  os::DeleteFileA("D:\\Setup.d02");
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  ASSERT_EQ(SetupPars.InstallDir, kInstall);
  Install();
  ASSERT_EQ(SetupPars.Page, 5) << (standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text);
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Morvella.exe"), "v3.5b");
  EXPECT_FALSE(Exists(kInstall + "\\Lists"));
  // The earlier installation went before the new log began.
  EXPECT_EQ(Log(),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n\r\n"
            "{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nMorvella.exe\r\n\r\n"
            "{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk\r\nUninstall Morvella.lnk\r\n\r\n");
}

// A file of the earlier installation that the new one does not have, and
// that another program holds open, stays: the new log lists it again, so
// the uninstaller still takes it.
TEST_F(InstallationTest, FileOfTheEarlierInstallationThatStaysInUseIsListedAgain) {
  ASSERT_NO_FATAL_FAILURE(InstallOnce());
  // The new release has no French list.
  ASSERT_TRUE(os::DeleteFileA("D:\\Setup.d02"));
  WriteFileBytes("D:\\Setup.d01", Le32(5) + Entry("Morvella.exe", "new") + Entry("Uninst.exe", "un") +
                                       std::string(1, '\0'));
  const os::HANDLE held = os::CreateFileA(kInstall + "\\Lists\\French.wdl", os::GENERIC_READ,
                                          os::FILE_SHARE_READ, os::OPEN_EXISTING);
  ASSERT_NE(held, os::INVALID_HANDLE_VALUE);
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  Install();
  os::CloseHandle(held);
  EXPECT_EQ(SetupPars.Page, 5);
  EXPECT_EQ(Log(),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n\r\n"
            "{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nLists\\French.wdl\r\nMorvella.exe\r\n"
            "Uninst.exe\r\n\r\n{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk\r\n"
            "Uninstall Morvella.lnk\r\n\r\n");
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Lists\\French.wdl"), "chat");
}

// Into another folder: what stayed of the earlier installation (held open,
// or marked read-only by the user) is passed over; its log goes all the
// same, so no record of files that are gone is left behind.
TEST_F(InstallationTest, ReinstallElsewhereLeavesNoEarlierLogWhateverStayed) {
  ASSERT_NO_FATAL_FAILURE(InstallOnce());
  ASSERT_TRUE(os::SetFileAttributesA(kInstall + "\\Morvehlp.hlp", os::FILE_ATTRIBUTE_READONLY));
  const os::HANDLE held = os::CreateFileA(kInstall + "\\Lists\\French.wdl", os::GENERIC_READ,
                                          os::FILE_SHARE_READ, os::OPEN_EXISTING);
  ASSERT_NE(held, os::INVALID_HANDLE_VALUE);
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  GoTo(2);
  main_->InstallDirEdit.SetText("C:\\Apps\\Morvella");
  main_->NextButton.Click();
  main_->NextButton.Click();
  main_->NextButton.Click();
  os::CloseHandle(held);
  ASSERT_EQ(SetupPars.Page, 5) << (standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text);
  EXPECT_FALSE(Exists(kInstall + "\\Install.log"));
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Lists\\French.wdl"), "chat");
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Morvehlp.hlp"), "help");
  EXPECT_FALSE(Exists(kInstall + "\\Morvella.exe"));
  const std::string log = ReadFileBytes("C:\\Apps\\Morvella\\Install.log");
  EXPECT_EQ(log.find("{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nMorvella.exe\r\n"),
            log.find("{program files}"))
      << "nothing of the other folder is listed: " << log;
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), "\"C:\\Apps\\Morvella\\Uninst.exe\"");
}

// Into the same folder: a read-only file the removal left is replaced by
// the new one of that name, listed once.
TEST_F(InstallationTest, ReadOnlyFileLeftByTheRemovalIsReplacedAndListedOnce) {
  ASSERT_NO_FATAL_FAILURE(InstallOnce());
  ASSERT_TRUE(os::SetFileAttributesA(kInstall + "\\Lists\\French.wdl", os::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(os::SetFileAttributesA(kInstall + "\\Morvehlp.hlp", os::FILE_ATTRIBUTE_READONLY));
  // The new release has a French list, and no help file.
  ASSERT_TRUE(os::DeleteFileA("D:\\Setup.d02"));
  WriteFileBytes("D:\\Setup.d01", Le32(7) + Entry("Morvella.exe", "new") + Entry("Lists\\French.wdl", "neuf") +
                                       std::string(1, '\0'));
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  Install();
  ASSERT_EQ(SetupPars.Page, 5) << (standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text);
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Lists\\French.wdl"), "neuf");
  EXPECT_EQ(os::GetFileAttributesA(kInstall + "\\Lists\\French.wdl") & os::FILE_ATTRIBUTE_READONLY, 0u)
      << "made anew";
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Morvehlp.hlp"), "help") << "the user's read-only file stays";
  EXPECT_EQ(Log(),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n\r\n"
            "{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nMorvehlp.hlp\r\nLists\\French.wdl\r\n"
            "Morvella.exe\r\n\r\n{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk\r\n"
            "Uninstall Morvella.lnk\r\n\r\n");
}

TEST_F(InstallationTest, VersionOneMarkerAnsweredNoStillRemovesTheEarlierInstallation) {
  ASSERT_NO_FATAL_FAILURE(InstallOnce());
  CreateKey(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0");
  WriteFileBytes("D:\\Setup.d01", Le32(5) + Entry("Morvella.exe", "v3.5b") + std::string(1, '\0'));
  Answer("Morvella Setup", [](ui::TForm& f) { static_cast<TUninstallOldForm&>(f).NoButton.Click(); });
  Start();
  EXPECT_EQ(ModalCount("Morvella Setup"), 1);
  ASSERT_TRUE(SetupPars.OldInstallFound);
  Install();
  ASSERT_EQ(SetupPars.Page, 5);
  EXPECT_FALSE(Exists(kInstall + "\\Lists\\French.wdl")) << "the earlier installation went";
  EXPECT_FALSE(Exists(kInstall + "\\Uninst.exe"));
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Morvella.exe"), "v3.5b");
}

TEST_F(InstallationTest, CloseBoxOnTheFinishedPageEndsWithoutAQuestion) {
  Start();
  Install();
  ASSERT_EQ(SetupPars.Page, 5);
  main_->Close();
  EXPECT_TRUE(main_->Closed());
  EXPECT_EQ(ModalCount("Exit setup"), 0);
}

TEST_F(InstallationTest, CancelledExtractionEndsSetupWithoutShortcutsOrRegistry) {
  Start();
  GoTo(4);
  Answer("Copying program files", [](ui::TForm& f) { f.KeyEscape(); });
  Answer("Exit setup", [](ui::TForm& f) { static_cast<TExitForm&>(f).ExitButton.Click(); });
  main_->NextButton.Click();
  EXPECT_TRUE(main_->Closed());
  EXPECT_EQ(ModalCount("Exit setup"), 1) << "no second question when the wizard closes";
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Morvella"));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), "(no key)");
  const std::string log = Log();
  EXPECT_EQ(log.find("{program folder files}"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
}

TEST_F(InstallationTest, FailedStepLeavesTheConfirmationPageAndNextCanTryAgain) {
  // An earlier installation, so the removal step runs too.
  ASSERT_NO_FATAL_FAILURE(InstallOnce());
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  standin::DenyKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  standin::ResetDialogs();
  Install();
  EXPECT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Text, "Failed to set data for 'DisplayName'");
  EXPECT_FALSE(SetupPars.OldInstallFound) << "the removal is not repeated";
  // The log was closed on the way out: it can be read and ends as it should.
  EXPECT_EQ(Log().substr(Log().size() - 4), "\r\n\r\n");

  standin::ResetRegistry();
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 5);
}

TEST_F(InstallationTest, LogWhoseFirstLinesCannotBeWrittenIsClosedSoNextCanTryAgain) {
  Start();
  standin::FailWritesAfter(20);  // the disk fills during the log's first line
  Install();
  standin::FailWritesAfter(-1);
  EXPECT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Text,
            "Cannot write the install log " + kInstall + "\\Install.log: There is not enough space on the disk.");
  // A handle left open would keep the half-written log from being replaced.
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 5);
  EXPECT_EQ(Log().substr(0, 72),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n");
}

TEST_F(InstallationTest, NothingIsRemovedWhenThePayloadIsMissing) {
  Start();
  Install();
  main_->FinishButton.Click();
  os::DeleteFileA("D:\\Setup.d01");
  Start();
  standin::ResetDialogs();
  Install();
  EXPECT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("Setup.d01"), std::string::npos);
  EXPECT_TRUE(Exists(kInstall + "\\Morvella.exe"));
  EXPECT_TRUE(SetupPars.OldInstallFound);
}

// A new folder that cannot be made with its rights, or one a user slipped
// in: found before the earlier installation is touched, which stays whole.
TEST_F(InstallationTest, NothingIsRemovedWhenTheNewFolderCannotBeMadeOrHeld) {
  for (const bool userFolder : {false, true}) {
    SCOPED_TRACE(userFolder ? "a user's folder appears" : "rights refused");
    TearDown();
    SetUp();
    InstallOnce();
    Start();
    GoTo(2);
    main_->InstallDirEdit.SetText("C:\\Elsewhere\\Morvella");
    main_->NextButton.Click();
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 4);
    standin::ResetDialogs();
    if (userFolder) {
      ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Elsewhere\\Morvella\\"));
      standin::SetSecurity("C:\\Elsewhere\\Morvella", "O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;S-1-5-21-1-2-3-1001)");
    }
    standin::RefuseRights(!userFolder);
    main_->NextButton.Click();
    standin::RefuseRights(false);
    EXPECT_EQ(SetupPars.Page, 4);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_TRUE(Exists(kInstall + "\\Morvella.exe"));
    EXPECT_NE(Log().find("Lists\\French.wdl\r\n"), std::string::npos);
    EXPECT_TRUE(Exists(std::string(kPrograms) + "\\Morvella\\Uninstall Morvella.lnk"));
    EXPECT_TRUE(SetupPars.OldInstallFound);
  }
}

// A release's Setup.d01 that is not the one it was built for is refused
// before the earlier installation is touched: all of it stays, with its
// entry and shortcuts, and no byte of the volume reaches a file.
TEST_F(InstallationTest, ChangedFirstVolumeOfAReleaseLeavesTheEarlierInstallationWhole) {
  // The release installs: its first volume confirmed before the wizard's
  // steps, then read for the copy into this log and folder.
  standin::SetRcData(IDR_VOLUME_HASHES, VolumeDigestLine(1, ReadFileBytes("D:\\Setup.d01")) +
                                            VolumeDigestLine(2, ReadFileBytes("D:\\Setup.d02")));
  Start();
  Install();
  ASSERT_EQ(SetupPars.Page, 5) << (standin::MessageBoxes().empty() ? "" : standin::MessageBoxes()[0].Text);
  main_->FinishButton.Click();
  const std::string log = Log();
  EXPECT_NE(log.find("Lists\\French.wdl\r\n"), std::string::npos) << log;
  // The same length, other bytes for Morvella.exe.
  std::string changed = ReadFileBytes("D:\\Setup.d01");
  changed[changed.find("MMMM")] = 'X';
  WriteFileBytes("D:\\Setup.d01", changed);
  Start();
  standin::ResetDialogs();
  Install();
  standin::SetRcData(IDR_VOLUME_HASHES, "");
  EXPECT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Text,
            "The setup files are damaged (Setup.d01): this is not the disk that belongs to this Setup.");
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Morvella.exe"), std::string(3000, 'M'));
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Uninst.exe"), "un");
  EXPECT_EQ(Log(), log);
  EXPECT_TRUE(Exists(std::string(kPrograms) + "\\Morvella\\Uninstall Morvella.lnk"));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), "\"" + kInstall + "\\Uninst.exe\"");
  EXPECT_TRUE(SetupPars.OldInstallFound);
}

// A release over an earlier installation whose first try fails after its
// first volume was confirmed: Next tries again with that confirmation, and
// installs (it once waited on a check that had ended, through null).
TEST_F(InstallationTest, ReleaseTriesAgainAfterAFailureThatFollowsItsConfirmation) {
  standin::SetRcData(IDR_VOLUME_HASHES, VolumeDigestLine(1, ReadFileBytes("D:\\Setup.d01")) +
                                            VolumeDigestLine(2, ReadFileBytes("D:\\Setup.d02")));
  InstallOnce();
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  GoTo(2);
  main_->InstallDirEdit.SetText("C:\\Program Files\\Morvella 2");
  main_->NextButton.Click();
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 4);
  standin::ResetDialogs();
  standin::DenyWrites("C:\\Program Files\\Morvella 2");  // the new folder cannot be made
  main_->NextButton.Click();
  standin::AllowWrites("C:\\Program Files\\Morvella 2");
  ASSERT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("Nothing was installed"), std::string::npos);
  main_->NextButton.Click();
  standin::SetRcData(IDR_VOLUME_HASHES, "");
  EXPECT_EQ(SetupPars.Page, 5) << standin::MessageBoxes().back().Text;
  EXPECT_EQ(ReadFileBytes("C:\\Program Files\\Morvella 2\\Morvella.exe"), std::string(3000, 'M'));
}

// Removing an earlier installation of many files, the wizard handles its
// messages after every batch of entries, taking no input meanwhile; the
// removal's result is the same.
TEST_F(InstallationTest, RemovalOfManyFilesLetsTheWizardAnswerBetweenBatches) {
  InstallOnce();
  std::string log = Log(), added;
  for (int i = 0; i < 60; ++i) {
    const std::string name = "Lists\\Old" + std::to_string(i) + ".wdl";
    WriteFileBytes(kInstall + "\\" + name, "old");
    added += name + "\r\n";
  }
  log.insert(log.find("{program files}\r\n") + 17, added);
  WriteFileBytes(kInstall + "\\Install.log", log);
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  GoTo(4);
  // Left in Lists at each turn of the message loop before the copy. A
  // close request posted meanwhile (the wizard is disabled) changes
  // nothing, and the session may not end.
  std::vector<std::size_t> left;
  bool wizardTookInput = false, copying = false, sessionMayEnd = false;
  EXPECT_TRUE(ui::SessionMayEnd()) << "on a page it may";
  standin::OnMessagePump([&] {
    copying = copying || ExtractThread;
    if (copying) return;
    left.push_back(FilesBelow(kInstall + "\\Lists").size());
    wizardTookInput = wizardTookInput || main_->Enabled();
    sessionMayEnd = sessionMayEnd || ui::SessionMayEnd();
    main_->CloseRequested();
  });
  main_->NextButton.Click();
  standin::OnMessagePump(nullptr);
  ASSERT_EQ(SetupPars.Page, 5);
  ASSERT_GE(left.size(), 61u / kEntriesPerBatch);
  EXPECT_FALSE(wizardTookInput);
  EXPECT_FALSE(sessionMayEnd);
  EXPECT_EQ(ModalCount("Exit setup"), 0);
  EXPECT_FALSE(main_->Closed());
  EXPECT_TRUE(ui::SessionMayEnd());
  left.insert(left.begin(), 61);  // Old0-59 and French.wdl
  for (std::size_t i = 1; i < left.size(); ++i) EXPECT_LE(long(left[i - 1]) - long(left[i]), kEntriesPerBatch) << i;
  EXPECT_FALSE(Exists(kInstall + "\\Lists\\Old0.wdl"));
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Lists\\French.wdl"), "chat");
}

TEST_F(InstallationTest, NothingIsRemovedWhenTheFolderCannotBeWritten) {
  Start();
  GoTo(2);
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Locked", "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"));
  main_->InstallDirEdit.SetText("C:\\Locked");
  main_->NextButton.Click();
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 4);
  standin::DenyWrites("C:\\Locked");
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 4);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("cannot write"), std::string::npos);
}

}  // namespace
