// Removal of an earlier installation from its install log.

#include "engine/Unit_Logfile.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "system/Unit_Uninstall.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"

namespace {

using os::HKEY_CLASSES_ROOT;
using os::HKEY_LOCAL_MACHINE;

const std::string kOld = "C:\\Old\\Morvella";

class RemovalTest : public WizardFixture {
 protected:
  std::string P(const std::string& relative) { return std::string(kPrograms) + "\\" + relative; }
  void File(const std::string& path) {
    ASSERT_TRUE(os::MakeSureDirectoryPathExists(path));
    WriteFileBytes(path, "x");
  }
  // An installation as Setup leaves it, with the log's text given.
  void Installed(const std::string& progFolder, const std::string& log) {
    for (const char* f : {"Morvella.exe", "Morvehlp.hlp", "Uninst.exe", "Lists\\French.wdl",
                          "Lists\\Dutch.wdl"})
      File(kOld + "\\" + f);
    for (const char* l : {"Morvella.lnk", "Morvella Help.lnk", "Uninstall Morvella.lnk"})
      File(P(progFolder.empty() ? l : progFolder + "\\" + l));
    WriteFileBytes(kOld + "\\Install.log", log);
  }
  static std::string Log(const std::string& progFolder, bool shortcutsFirst = false) {
    const std::string head = "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\n" +
                             progFolder + "\r\n";
    const std::string files =
        "\r\n{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nMorvella.exe\r\nMorvehlp.hlp\r\n"
        "Uninst.exe\r\nLists\\French.wdl\r\nLists\\Dutch.wdl\r\n";
    const std::string links =
        "\r\n{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk\r\nUninstall Morvella.lnk\r\n";
    return head + (shortcutsFirst ? links + files : files + links) + "\r\n";
  }
};

// An edited "{program folder}" in a log that users can change: only the
// product's three shortcuts go from the folder it names; another program's
// stay. A log only administrators can change is followed as it stands.
TEST_F(RemovalTest, LogUsersCanChangeRemovesOnlyTheProductsShortcutsFromTheStartMenu) {
  for (const bool usersCanChange : {true, false}) {
    SCOPED_TRACE(usersCanChange ? "users may change the log" : "administrators' log");
    Installed("Morvella", "{program folder}\r\nAccessories\r\n\r\n{program files}\r\nMorvella.exe\r\n\r\n"
                          "{program folder files}\r\nNotepad.lnk\r\nMorvella.lnk\r\n\r\n");
    File(P("Accessories\\Notepad.lnk"));
    File(P("Accessories\\Morvella.lnk"));
    if (!usersCanChange)
      standin::SetSecurity(kOld, "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)");
    RemoveOldInstallation(kOld, "Accessories");
    EXPECT_FALSE(Exists(P("Accessories\\Morvella.lnk")));
    EXPECT_EQ(Exists(P("Accessories\\Notepad.lnk")), usersCanChange);
    EXPECT_FALSE(Exists(kOld + "\\Morvella.exe"));
    RemoveTree(P("Accessories"));
    RemoveTree(P("Morvella"));
    RemoveTree("C:\\Old");
  }
}

TEST_F(RemovalTest, WholeInstallationGoesWithItsFoldersWhateverTheSectionOrder) {
  for (bool shortcutsFirst : {false, true}) {
    for (const std::string progFolder : {"Morvella", "Tools\\Morvella", ""}) {
      SCOPED_TRACE(progFolder + (shortcutsFirst ? ", shortcuts first" : ""));
      Installed(progFolder, Log(progFolder, shortcutsFirst));
      File(P("Tools\\Other.lnk"));  // keeps Tools
      RemoveOldInstallation(kOld, progFolder);
      EXPECT_FALSE(Exists(kOld));
      EXPECT_FALSE(Exists(P("Morvella")));
      EXPECT_FALSE(Exists(P("Tools\\Morvella")));
      EXPECT_FALSE(Exists(P("Morvella.lnk")));
      EXPECT_TRUE(Exists(P("Tools\\Other.lnk")));
      EXPECT_TRUE(Exists(kPrograms));
      EXPECT_TRUE(Exists("C:\\Old")) << "only the installation folder itself goes";
    }
  }
}

// What cannot go stays and is passed over; the log goes all the same, and
// the folder is tried (it holds what stayed, so it stays).
TEST_F(RemovalTest, FilesOfTheUserInUseOrReadOnlyStayAndTheLogGoes) {
  Installed("Morvella", Log("Morvella"));
  WriteFileBytes(kOld + "\\My list.wdl", "mine");
  ASSERT_TRUE(os::SetFileAttributesA(kOld + "\\Morvella.exe", os::FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(os::SetFileAttributesA(P("Morvella\\Morvella Help.lnk"), os::FILE_ATTRIBUTE_READONLY));
  // Another program reads it and lets nobody delete it meanwhile.
  const os::HANDLE held =
      os::CreateFileA(kOld + "\\Lists\\French.wdl", os::GENERIC_READ, os::FILE_SHARE_READ, os::OPEN_EXISTING);
  ASSERT_NE(held, os::INVALID_HANDLE_VALUE);
  EXPECT_EQ(RemoveOldInstallation(kOld, "Morvella"),
            (std::vector<std::string>{"Morvella.exe", "Lists\\French.wdl"}));
  os::CloseHandle(held);
  EXPECT_EQ(ReadFileBytes(kOld + "\\My list.wdl"), "mine");
  EXPECT_TRUE(Exists(kOld + "\\Lists\\French.wdl"));
  EXPECT_FALSE(Exists(kOld + "\\Lists\\Dutch.wdl")) << "later entries are still handled";
  EXPECT_TRUE(Exists(kOld + "\\Morvella.exe")) << "read-only: left as the user marked it";
  EXPECT_EQ(os::GetFileAttributesA(kOld + "\\Morvella.exe") & os::FILE_ATTRIBUTE_READONLY,
            os::DWORD(os::FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(Exists(P("Morvella\\Morvella Help.lnk")));
  EXPECT_FALSE(Exists(P("Morvella\\Morvella.lnk")));
  EXPECT_FALSE(Exists(kOld + "\\Install.log")) << "the log goes, whatever stayed";
  EXPECT_FALSE(Exists(kOld + "\\Uninst.exe"));
}

TEST_F(RemovalTest, SectionsEndAtAnEmptyLineAndAtTheLastLine) {
  Installed("Morvella",
            "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nMorvella.exe\r\n\r\n"
            "Uninst.exe\r\n\r\n{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk");
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_FALSE(Exists(kOld + "\\Morvella.exe"));
  EXPECT_TRUE(Exists(kOld + "\\Uninst.exe")) << "after the empty line: not an entry";
  EXPECT_FALSE(Exists(P("Morvella\\Morvella.lnk")));
  EXPECT_TRUE(Exists(P("Morvella\\Morvella Help.lnk"))) << "the last line, with nothing after it";
}

TEST_F(RemovalTest, CompleteLastLineOfALogNeverClosedIsAnEntry) {
  // Setup ended after the last shortcut, before it wrote the closing line.
  std::string log = Log("Morvella");
  log.erase(log.size() - 2);
  ASSERT_EQ(log.substr(log.size() - 24), "Uninstall Morvella.lnk\r\n");
  Installed("Morvella", log);
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_FALSE(Exists(P("Morvella\\Uninstall Morvella.lnk")));
  EXPECT_FALSE(Exists(P("Morvella"))) << "and so its folder goes too";
  // The same for the files section, when the log ends there.
  Installed("Morvella", "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nMorvella.exe\r\nUninst.exe\r\n");
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_FALSE(Exists(kOld + "\\Uninst.exe"));
}

TEST_F(RemovalTest, LogWithoutShortcutsStillRemovesTheFiles) {
  Installed("Morvella",
            "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nMorvella.exe\r\nMorvehlp.hlp\r\n\r\n");
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_FALSE(Exists(kOld + "\\Morvella.exe"));
  EXPECT_TRUE(Exists(P("Morvella\\Morvella.lnk")));
}

TEST_F(RemovalTest, EntriesThatLeaveTheirFolderAreNeverDeleted) {
  File("C:\\Victim.txt");
  File("C:\\Old\\Sibling.txt");
  File(P("..\\Desktop.lnk"));
  Installed("Morvella",
            "{program folder}\r\nMorvella\r\n\r\n{program files}\r\n..\\Sibling.txt\r\n"
            "C:\\Victim.txt\r\n\\Victim.txt\r\n\\\\server\\share\\x\r\nLists\\..\\..\\Sibling.txt\r\n"
            "Morvella.exe\r\nbad\x01name\r\n" + std::string(300, 'x') + "\r\n\r\n"
            "{program folder files}\r\n..\\..\\Desktop.lnk\r\nMorvella.lnk\r\n\r\n");
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_TRUE(Exists("C:\\Victim.txt"));
  EXPECT_TRUE(Exists("C:\\Old\\Sibling.txt"));
  EXPECT_TRUE(Exists(P("..\\Desktop.lnk")));
  EXPECT_FALSE(Exists(kOld + "\\Morvella.exe")) << "good entries still go";
  EXPECT_FALSE(Exists(P("Morvella\\Morvella.lnk")));
}

TEST_F(RemovalTest, StartMenuFolderOutsideTheProgramsFolderIsNotFollowed) {
  File("C:\\Elsewhere\\Morvella.lnk");
  Installed("Morvella", Log("Morvella"));
  RemoveOldInstallation(kOld, "..\\..\\..\\..\\..\\Elsewhere");
  EXPECT_TRUE(Exists("C:\\Elsewhere\\Morvella.lnk"));
  Installed("Morvella", Log("Morvella"));
  RemoveOldInstallation(kOld, "C:\\Elsewhere");
  EXPECT_TRUE(Exists("C:\\Elsewhere\\Morvella.lnk"));
  EXPECT_FALSE(Exists(kOld + "\\Morvella.exe"));
}

TEST_F(RemovalTest, NoDeletionThroughAJunction) {
  File("C:\\Windows\\Important.dll");
  Installed("Morvella", "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nLink\\Important.dll\r\n\r\n");
  // Link\ in the old folder points at C:\Windows.
  ASSERT_TRUE(standin::PlaceLink(kOld + "\\Link", "C:\\Windows"));
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_TRUE(Exists("C:\\Windows\\Important.dll"));
}

// Makes link (a Windows path) a link to the folder target, as a junction.
void Link(const std::string& link, const std::string& target) {
  ASSERT_TRUE(standin::PlaceLink(link, target)) << link;
}

TEST_F(RemovalTest, BaseFolderThatIsALinkRemovesNothingThroughIt) {
  Installed("Morvella", Log("Morvella"));
  // Between start-up and removal the folder became a link to another one
  // that holds files of the same names.
  ASSERT_TRUE(standin::MoveBehind(kOld, "C:\\Victim"));
  Link(kOld, "C:\\Victim");
  for (bool preVista : {false, true}) {
    SCOPED_TRACE(preVista ? "before Vista" : "Vista and later");
    standin::SimulatePreVista(preVista);
    RemoveOldInstallation(kOld, "Morvella");
    for (const char* f : {"Morvella.exe", "Uninst.exe", "Lists\\French.wdl", "Install.log"})
      EXPECT_TRUE(Exists(std::string("C:\\Victim\\") + f)) << f;
  }
  standin::SimulatePreVista(false);
}

// A folder above the installation became a link after the checks: the
// held folder then lies elsewhere, and nothing there or in the Start menu
// goes by what its log says; what stayed is reported.
TEST_F(RemovalTest, FolderAboveThatBecameALinkRemovesNothing) {
  Installed("Morvella", Log("Morvella"));
  ASSERT_TRUE(standin::MoveBehind("C:\\Old", "C:\\Victim"));
  Link("C:\\Old", "C:\\Victim");
  TRemovalResult result;
  RemoveInstalledFiles(kOld, "Morvella", result, "Uninst.exe");
  for (const char* f : {"Morvella.exe", "Uninst.exe", "Lists\\French.wdl", "Install.log"})
    EXPECT_TRUE(Exists(std::string("C:\\Victim\\Morvella\\") + f)) << f;
  EXPECT_TRUE(Exists(P("Morvella\\Morvella.lnk")));
  EXPECT_FALSE(result.RemovedAny);
  ASSERT_EQ(result.Files.size(), 5u);
  EXPECT_EQ(result.Files[0].Name, "Morvella.exe");
  EXPECT_EQ(result.Files[0].Reason, TKeptEntry::BehindLink);
  EXPECT_EQ(result.Shortcuts.size(), 3u);
  // And Setup's removal: nothing listed goes either.
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_TRUE(Exists("C:\\Victim\\Morvella\\Morvella.exe"));
}

// The folder above the Programs folder became a junction to another Start
// menu (All Users') holding shortcuts of the same names: neither Setup's
// removal nor the uninstaller deletes them there; what stayed is reported.
TEST_F(RemovalTest, StartMenuReachedThroughALinkRemovesNothingThere) {
  Installed("Morvella", Log("Morvella"));
  const std::string startMenu = "C:\\Documents and Settings\\User\\Start Menu";
  ASSERT_TRUE(standin::MoveBehind(startMenu, "C:\\Documents and Settings\\User\\Old Start Menu"));
  for (const char* l : {"Morvella.lnk", "Morvella Help.lnk", "Uninstall Morvella.lnk"})
    File(std::string("C:\\All Users\\Start Menu\\Programs\\Morvella\\") + l);
  Link(startMenu, "C:\\All Users\\Start Menu");
  TRemovalResult result;
  RemoveInstalledFiles(kOld, "Morvella", result, "Uninst.exe");
  EXPECT_TRUE(Exists("C:\\All Users\\Start Menu\\Programs\\Morvella\\Morvella.lnk"));
  EXPECT_FALSE(Exists(kOld + "\\Morvella.exe")) << "the installation folder is its own";
  ASSERT_EQ(result.Shortcuts.size(), 3u);
  EXPECT_EQ(result.Shortcuts[0].Reason, TKeptEntry::BehindLink);
  Installed("Morvella", Log("Morvella"));
  RemoveOldInstallation(kOld, "Morvella");
  EXPECT_TRUE(Exists("C:\\All Users\\Start Menu\\Programs\\Morvella\\Uninstall Morvella.lnk"));
}

TEST_F(RemovalTest, FolderSwappedForALinkBetweenCheckAndDeleteIsNotFollowed) {
  File("C:\\Victim\\French.wdl");
  File("C:\\Victim\\Dutch.wdl");
  Installed("Morvella", Log("Morvella"));
  // Just before French.wdl is deleted, Lists becomes a link to C:\Victim.
  standin::BeforeDeleteOpen([&](const std::string& path) {
    if (path.find("French.wdl") == std::string::npos || Exists("C:\\Moved")) return;
    ASSERT_TRUE(standin::MoveBehind(kOld + "\\Lists", "C:\\Moved"));
    Link(kOld + "\\Lists", "C:\\Victim");
  });
  RemoveOldInstallation(kOld, "Morvella");
  standin::BeforeDeleteOpen(nullptr);
  EXPECT_TRUE(Exists("C:\\Victim\\French.wdl"));
  EXPECT_TRUE(Exists("C:\\Victim\\Dutch.wdl"));
  EXPECT_FALSE(Exists(kOld + "\\Morvella.exe")) << "the rest still goes";
}

// A folder above the one being emptied is re-pointed between two of its
// entries (behind the system's back, past the holds): the next entry, now
// reached through the link, lies outside the held folder and stays.
TEST_F(RemovalTest, FolderAboveReplacedBetweenTwoEntriesOfAFolderTakesNothingElsewhere) {
  File("C:\\Victim\\Morvella\\Lists\\Dutch.wdl");
  Installed("Morvella", Log("Morvella"));
  standin::BeforeDeleteOpen([&](const std::string& path) {
    if (path.find("Dutch.wdl") == std::string::npos || Exists("C:\\Elsewhere")) return;
    ASSERT_TRUE(standin::MoveBehind("C:\\Old", "C:\\Elsewhere"));
    Link("C:\\Old", "C:\\Victim");
  });
  TRemovalResult result;
  RemoveInstalledFiles(kOld, "Morvella", result, "Uninst.exe");
  standin::BeforeDeleteOpen(nullptr);
  EXPECT_FALSE(Exists("C:\\Elsewhere\\Morvella\\Lists\\French.wdl")) << "the entry before went";
  EXPECT_EQ(ReadFileBytes("C:\\Victim\\Morvella\\Lists\\Dutch.wdl"), "x");
  EXPECT_FALSE(result.Complete());
}

// Entries of a folder in a row pay its checks once: what stays per entry is
// the entry's own final path. Entries that switch folders at every line are
// removed all the same.
TEST_F(RemovalTest, AFolderIsCheckedOnceForAllItsEntries) {
  for (const bool alternating : {false, true}) {
    SCOPED_TRACE(alternating ? "folders alternate" : "folders in a row");
    std::string files;
    const int kEach = 100;
    for (int i = 0; i < 2 * kEach; ++i) {
      const int folder = alternating ? i % 2 : i / kEach;
      const std::string name = "Lists\\" + std::string(folder ? "A" : "B") + "\\" + std::to_string(i) + ".wdl";
      File(kOld + "\\" + name);
      files += name + "\r\n";
    }
    WriteFileBytes(kOld + "\\Install.log", "{program folder}\r\nMorvella\r\n\r\n{program files}\r\n" + files + "\r\n");
    const long before = standin::FinalPathReads();
    RemoveOldInstallation(kOld, "Morvella");
    const long reads = standin::FinalPathReads() - before;
    EXPECT_FALSE(Exists(kOld));
    if (!alternating) EXPECT_LT(reads, 2 * kEach + 30) << "a read per entry and a few per folder";
  }
}

TEST_F(RemovalTest, BeforeVistaTheChecksByPathStillHold) {
  standin::SimulatePreVista(true);
  File("C:\\Windows\\Important.dll");
  Installed("Morvella", "{program folder}\r\nMorvella\r\n\r\n{program files}\r\nLink\\Important.dll\r\n"
                        "Morvella.exe\r\n\r\n");
  Link(kOld + "\\Link", "C:\\Windows");
  RemoveOldInstallation(kOld, "Morvella");
  standin::SimulatePreVista(false);
  EXPECT_TRUE(Exists("C:\\Windows\\Important.dll"));
  EXPECT_FALSE(Exists(kOld + "\\Morvella.exe"));
}

TEST_F(RemovalTest, UnreadableLogIsRaisedAfterTheRegistrySteps) {
  CreateKey(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0");
  File(kOld + "\\Morvella.exe");
  try {
    RemoveOldInstallation(kOld, "Morvella");
    FAIL() << "no error";
  } catch (const os::EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("Install.log"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(Exists(kOld + "\\Morvella.exe"));
  os::UniqueHKEY k;
  EXPECT_NE(os::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0", 0,
                              os::KEY_READ, k.receive()),
            os::ERROR_SUCCESS)
      << "the empty marker key went first";
}

TEST_F(RemovalTest, LeftoverKeysGoOnlyWhenEmpty) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists(kOld + "\\"));
  WriteFileBytes(kOld + "\\Install.log", "{program folder}\r\nMorvella\r\n\r\n");
  // Openen: command with only its default value; Open: command with one more value.
  SetString(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Openen\\command", "", "old");
  SetString(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open\\command", "", "new");
  SetString(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open\\command", "Extra", "kept");
  SetString(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell", "", "Open");
  SetString(HKEY_CLASSES_ROOT, ".wdl", "", "Morvella.Wordlist");
  SetString(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0", "Path", "C:\\OLD");
  RemoveOldInstallation(kOld, "Morvella");
  auto exists = [](os::HKEY root, const char* key) {
    os::UniqueHKEY k;
    return os::RegOpenKeyExA(root, key, 0, os::KEY_READ, k.receive()) == os::ERROR_SUCCESS;
  };
  EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Openen\\command"));
  EXPECT_FALSE(exists(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Openen"));
  EXPECT_TRUE(exists(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open\\command"));
  EXPECT_TRUE(exists(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open"));
  EXPECT_TRUE(exists(HKEY_CLASSES_ROOT, ".wdl"));
  EXPECT_TRUE(exists(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0")) << "it holds a value";
  os::UniqueHKEY command;
  os::RegOpenKeyExA(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open\\command", 0, os::KEY_READ,
                    command.receive());
  os::DWORD size = 0;
  EXPECT_EQ(os::RegQueryValueExA(command.get(), "", nullptr, nullptr, &size), os::ERROR_FILE_NOT_FOUND)
      << "its default value went";
}

}  // namespace
