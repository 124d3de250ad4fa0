// Uninst.exe: removes what Setup installed, keeps what is not its own.
#include <functional>
#include <set>

#include "engine/Unit_DataFile.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Sddl.h"
#include "system/SetupLock.h"
#include "system/Unit_Settings.h"
#include "uninst/Uninstaller.h"
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
  // Runs as the copy in its private folder does.
  int RunCopy() {
    standin::SetProgram(kCopyFolder + "\\Uninstall Morvella.exe", {"/from", kInstall, "77"});
    return UninstMain();
  }
  const std::string kCopyFolder = "C:\\Windows\\Temp\\Morvella uninstall 4242-0";
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
  // A running program cannot delete itself: the copy and its folder go at
  // the next restart.
  EXPECT_EQ(standin::DeletedAtRestart(),
            (std::vector<std::string>{kCopyFolder + "\\Uninstall Morvella.exe", kCopyFolder}));

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

TEST_F(UninstallerTest, StartedFromTheInstallationFolderItRunsFromACopyInANewPrivateFolder) {
  // Another program of the user took the first name, with a DLL in it.
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Windows\\Temp\\Morvella uninstall 4242-0"));
  WriteFileBytes("C:\\Windows\\Temp\\Morvella uninstall 4242-0\\version.dll", "planted");
  for (const std::string folder : {"C:\\Windows\\Temp\\Morvella uninstall 4242-1", "C:\\Windows\\Temp\\Morvella uninstall 4242-2"}) {
    SCOPED_TRACE(folder);
    standin::SetProgram(kInstall + "\\Uninst.exe", {});
    EXPECT_EQ(UninstMain(), 0);
    ASSERT_EQ(standin::StartedPrograms().size(), 1u);
    EXPECT_EQ(standin::StartedPrograms()[0], "\"" + folder + "\\Uninstall Morvella.exe\" /from \"" +
                                                 kInstall + "\" 4242 (in " + folder + ")");
    EXPECT_EQ(FilesBelow(folder), (std::set<std::string>{"Uninstall Morvella.exe"}));
    EXPECT_EQ(ReadFileBytes(folder + "\\Uninstall Morvella.exe"), "unin");
    // Only administrators and the system may change it.
    sddl::Descriptor rights;
    ASSERT_TRUE(sddl::Parse(os::GetNamedSecurityInfoA(folder), rights));
    EXPECT_EQ(rights.Owner, "BA");
    EXPECT_TRUE(rights.Protected);
    EXPECT_FALSE(sddl::OthersCanChange(rights));
    for (const sddl::Ace& ace : rights.Dacl) EXPECT_TRUE(ace.Sid == "BA" || ace.Sid == "SY") << ace.Sid;
  }
  EXPECT_EQ(ReadFileBytes("C:\\Windows\\Temp\\Morvella uninstall 4242-0\\version.dll"), "planted");
  EXPECT_TRUE(Exists(kInstall + "\\Morvella.exe")) << "the first instance removes nothing";
  EXPECT_EQ(answers_, 0) << "and asks nothing";
}

TEST_F(UninstallerTest, DriveRootIsHandedOverAsOneArgument) {
  EXPECT_EQ(QuoteArgument("D:\\"), "\"D:\\\\\"");
  EXPECT_EQ(QuoteArgument("C:\\Program Files\\Morvella"), "\"C:\\Program Files\\Morvella\"");
  EXPECT_EQ(QuoteArgument("a\\\"b"), "\"a\\\\\\\"b\"");
  EXPECT_EQ(QuoteArgument(""), "\"\"");
}

TEST_F(UninstallerTest, MalformedCommandLineRemovesNothingAndSaysSo) {
  const std::vector<std::vector<std::string>> lines = {
      {"/from", kInstall, "12ab"}, {"/from", kInstall, "99999999999"}, {"/from", kInstall},
      {"/from", "Morvella", "77"}, {"/FROM", kInstall, "77"},      {"/from", kInstall, "77", "x"},
      {"/from", kInstall, ""},
      // Folders that are no folder: found by fuzzing.
      {"/from", "\\\\", "77"}, {"/from", "\\\\server", "77"}, {"/from", "\\\\\\x", "77"},
      {"/from", "1:\\x", "77"}};
  for (const auto& args : lines) {
    SCOPED_TRACE(args[1] + " " + args.back());
    standin::ResetDialogs();
    standin::SetProgram(kCopyFolder + "\\Uninstall Morvella.exe", args);
    EXPECT_EQ(UninstMain(), 1);
    EXPECT_EQ(LastMessage(),
              "Morvella cannot be removed: the uninstaller was started with a command line it does "
              "not understand.  Nothing was removed.");
    EXPECT_TRUE(Exists(kInstall + "\\Install.log"));
    EXPECT_TRUE(standin::DeletedAtRestart().empty());
  }
}

// One of Setup and the uninstaller at a time: while one runs, another
// says which one runs, brings it forward, and changes nothing.
TEST_F(UninstallerTest, WhileSetupOrAnotherUninstallerRunsNothingIsRemoved) {
  const std::string log = ReadFileBytes(kInstall + "\\Install.log");
  struct Running {
    const char* window;  // of the program that holds the lock; null: none shows
    const char* said;
  };
  const Running runs[] = {
      {"Morvella Setup", "Setup is already running."},
      {"Uninstall Morvella", "The uninstaller of Morvella is already running."},
      {nullptr, "Morvella Setup or its uninstaller is already running."},
  };
  {
    const os::TNamedMutex running(kSetupMutexName);
    ASSERT_TRUE(running.Held());
    for (const Running& r : runs) {
      SCOPED_TRACE(r.said);
      const std::vector<std::string> front =
          r.window ? std::vector<std::string>{r.window} : std::vector<std::string>{};
      // Setup started a second time.
      standin::SetProgram("E:\\Setup.exe", {});
      if (r.window) standin::ShowOtherProgramWindow(r.window);
      standin::ResetDialogs();
      EXPECT_EQ(TakeSetupLock("Setup"), nullptr);
      ASSERT_EQ(standin::MessageBoxes().size(), 1u);
      EXPECT_EQ(standin::MessageBoxes()[0].Text, r.said);
      EXPECT_EQ(standin::MessageBoxes()[0].Caption, "Setup");
      EXPECT_EQ(standin::MessageBoxes()[0].Type, os::MB_OK | os::MB_ICONINFORMATION);
      EXPECT_EQ(standin::BroughtToFront(), front);
      // The uninstaller, from its shortcut and as its copy.
      for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                   std::vector<std::string>{"/from", kInstall, "77"}}) {
        standin::ResetDialogs();
        standin::SetProgram(args.empty() ? kInstall + "\\Uninst.exe" : kCopyFolder + "\\Uninstall Morvella.exe",
                            args);
        if (r.window) standin::ShowOtherProgramWindow(r.window);
        EXPECT_EQ(UninstMain(), 1);
        EXPECT_EQ(LastMessage(), r.said);
        EXPECT_EQ(standin::MessageBoxes().back().Caption, "Uninstall Morvella");
        EXPECT_EQ(standin::MessageBoxes().size(), 1u) << "asked to remove";
        EXPECT_EQ(standin::BroughtToFront(), front);
        EXPECT_TRUE(standin::StartedPrograms().empty());
        EXPECT_EQ(ReadFileBytes(kInstall + "\\Install.log"), log);
      }
    }
  }
  // Once it has ended, the uninstaller runs.
  EXPECT_EQ(RunCopy(), 0);
  EXPECT_EQ(LastMessage(), "Morvella has been removed from your computer.");
}

// A name squatted by a user (an event made first, or a mutex that shuts
// administrators out) stops both programs with a message: neither may take
// it for "nobody else runs".
TEST_F(UninstallerTest, SquattedLockNameStopsBothProgramsBeforeAnythingChanges) {
  const std::string log = ReadFileBytes(kInstall + "\\Install.log");
  for (os::DWORD error : {os::DWORD(6) /*ERROR_INVALID_HANDLE*/, os::DWORD(os::ERROR_ACCESS_DENIED)}) {
    SCOPED_TRACE(error);
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 std::vector<std::string>{"/from", kInstall, "77"}}) {
      standin::ResetDialogs();
      standin::SetProgram(args.empty() ? kInstall + "\\Uninst.exe" : kCopyFolder + "\\Uninstall Morvella.exe",
                          args);
      standin::SquatMutex(kSetupMutexName, error);
      EXPECT_EQ(UninstMain(), 1);
      ASSERT_EQ(standin::MessageBoxes().size(), 1u);
      EXPECT_EQ(LastMessage().rfind("Another program is using the name \"Global\\Morvella Setup\" (", 0), 0u)
          << LastMessage();
      EXPECT_NE(LastMessage().find(") that Morvella Setup and its uninstaller use to make sure only one of them "
                                   "runs.  Nothing was changed.  Restart Windows and try again."),
                std::string::npos);
      EXPECT_EQ(standin::MessageBoxes()[0].Type, os::MB_OK | os::MB_ICONERROR);
      EXPECT_TRUE(standin::StartedPrograms().empty());
      EXPECT_TRUE(standin::BroughtToFront().empty());
      EXPECT_EQ(ReadFileBytes(kInstall + "\\Install.log"), log);
    }
    standin::ResetDialogs();
    EXPECT_EQ(TakeSetupLock("Setup"), nullptr);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].Caption, "Setup");
    EXPECT_NE(standin::MessageBoxes()[0].Text, "Setup is already running.");
  }
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

// When something recorded cannot go, the rest goes; the uninstaller, its
// entry and a record of exactly what is left stay, the message says what
// stayed and why, and a second run, once the cause is gone, finishes.
TEST_F(UninstallerTest, WhatCannotGoStaysRecordedAndASecondRunFinishes) {
  const std::string log = kInstall + "\\Install.log";
  const std::string head = "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n\r\n";
  const std::string shortcuts = std::string(kPrograms) + "\\Morvella";
  os::HANDLE held = os::INVALID_HANDLE_VALUE;
  struct Case {
    const char* what;
    std::function<void()> cause, undo;
    bool inPlace;
    std::string message;
    std::set<std::string> left;  // in the installation folder
    std::string logLeft;         // empty: the log as it was
  };
  const Case cases[] = {
      {"a file held open without delete sharing",
       [&] { held = os::CreateFileA(kInstall + "\\Morvella.exe", os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING); },
       [&] { os::CloseHandle(held); }, false,
       "Morvella was not removed completely.  These files of Morvella are still there:\n\n"
       "Morvella.exe is in use: close Morvella and run the uninstaller again.\n\n"
       "Morvella stays in the list of programs until they are gone.",
       {"Install.log", "Morvella.exe", "Uninst.exe"},
       head + "{program files}\r\nMorvella.exe\r\nUninst.exe\r\n\r\n"},
      {"the log unreadable half-way",
       [&] { standin::FailReadsOf(log, 3); }, [&] { standin::FailReadsOf(log, 0); }, false,
       "Morvella was removed only in part: Cannot read the install log " + log +
           ": The system cannot read from the specified device.\n\nThe record of its files and its "
           "entry in the list of programs were kept: run the uninstaller again to remove the rest.",
       {"Install.log", "Lists\\Dutch.wdl", "Morvella.exe", "Uninst.exe"}, ""},
      {"nothing may be deleted",
       [&] { standin::DenyWrites(kInstall); standin::DenyWrites(shortcuts); },
       [&] { standin::AllowWrites(kInstall); standin::AllowWrites(shortcuts); }, false,
       "Morvella cannot be removed:\n\n"
       "Morvella.exe could not be deleted: Access is denied.\n"
       "Lists\\Dutch.wdl could not be deleted: Access is denied.\n"
       "The shortcut Morvella.lnk in the Start menu could not be deleted: Access is denied.\n"
       "The shortcut Morvella Help.lnk in the Start menu could not be deleted: Access is denied.\n"
       "The shortcut Uninstall Morvella.lnk in the Start menu could not be deleted: Access is denied.\n"
       "\nNothing was removed.",
       {"Install.log", "Lists\\Dutch.wdl", "Morvella.exe", "Uninst.exe"}, ""},
      {"running in place, no private copy",
       [&] { standin::RefuseRights(true); }, [&] { standin::RefuseRights(false); }, true,
       "Morvella was not removed completely.  These files of Morvella are still there:\n\n"
       "Uninst.exe is this uninstaller, which cannot delete its own file while it runs: run the "
       "uninstaller again.\n\nMorvella stays in the list of programs until they are gone.",
       {"Install.log", "Uninst.exe"}, head + "{program files}\r\nUninst.exe\r\n\r\n"},
  };
  const std::string installed = ReadFileBytes(log);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.cause();
    if (c.inPlace) standin::SetProgram(kInstall + "\\Uninst.exe", {});
    EXPECT_EQ(c.inPlace ? UninstMain() : RunCopy(), 1);
    EXPECT_EQ(LastMessage(), c.message);
    EXPECT_EQ(FilesBelow(kInstall), c.left);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, ".wdl"));
    c.undo();
    EXPECT_EQ(ReadFileBytes(log), c.logLeft.empty() ? installed : c.logLeft);
    EXPECT_EQ(RunCopy(), 0);
    EXPECT_EQ(LastMessage(), "Morvella has been removed from your computer.");
    EXPECT_FALSE(Exists(kInstall));
    EXPECT_FALSE(Exists(shortcuts));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella"));
    SetUp();  // installed afresh for the next case
  }
}

TEST_F(UninstallerTest, ReadOnlyFilesAreRemovedAllTheSame) {
  for (const char* file : {"\\Morvella.exe", "\\Lists\\Dutch.wdl", "\\Uninst.exe"})
    ASSERT_TRUE(os::SetFileAttributesA(kInstall + file, os::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(os::SetFileAttributesA(std::string(kPrograms) + "\\Morvella\\Morvella.lnk", os::FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(RunCopy(), 0);
  EXPECT_EQ(LastMessage(), "Morvella has been removed from your computer.");
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Morvella"));
}

// A read-only file that has another name too (a hard link a user made to a
// file of theirs): the mark is that file's, shared by both names, so it is
// not cleared; the file stays and the message says why. Before Vista too.
TEST_F(UninstallerTest, ReadOnlyFileWithOtherNamesKeepsItsMarkAndStays) {
  for (bool preVista : {false, true}) {
    SCOPED_TRACE(preVista ? "before Vista" : "Vista and later");
    SetUp();
    standin::SimulatePreVista(preVista);
    ASSERT_TRUE(os::SetFileAttributesA(kInstall + "\\Lists\\Dutch.wdl", os::FILE_ATTRIBUTE_READONLY));
    standin::AddHardLinks(kInstall + "\\Lists\\Dutch.wdl", 1);
    EXPECT_EQ(RunCopy(), 1);
    standin::SimulatePreVista(false);
    EXPECT_TRUE(Exists(kInstall + "\\Lists\\Dutch.wdl"));
    EXPECT_TRUE(os::GetFileAttributesA(kInstall + "\\Lists\\Dutch.wdl") & os::FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(Exists(kInstall + "\\Morvella.exe"));
    EXPECT_NE(LastMessage().find("Lists\\Dutch.wdl is read-only and has other names on the disk (hard links)"),
              std::string::npos) << LastMessage();
    TearDown();
  }
}

}  // namespace

namespace {

// Everything else went, the log did not: the message names it, never
// "has been removed" alone.
TEST_F(UninstallerTest, LogThatCannotBeDeletedIsNamed) {
  const os::HANDLE held = os::CreateFileA(kInstall + "\\Install.log", os::GENERIC_READ,
                                          os::FILE_SHARE_READ, os::OPEN_EXISTING);
  ASSERT_NE(held, os::INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunCopy(), 1);
  os::CloseHandle(held);
  EXPECT_EQ(LastMessage(),
            "Morvella has been removed from your computer, but the record of its installation, " +
                kInstall + "\\Install.log, could not be deleted: " +
                os::ErrorText(os::ERROR_SHARING_VIOLATION) + ".  Delete it yourself.");
  EXPECT_EQ(standin::MessageBoxes().back().Type, os::DWORD(os::MB_OK | os::MB_ICONWARNING));
  EXPECT_EQ(FilesBelow(kInstall), (std::set<std::string>{"Install.log"}));
  // The uninstaller is gone, so the entry that would start it went too.
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella"));
}

}  // namespace
