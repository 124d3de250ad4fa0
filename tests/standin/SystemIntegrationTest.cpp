// Registry entries, Start-menu shortcuts, the version-1.0 prompt and the
// removal of an earlier installation.
#include "engine/Unit_Logfile.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "setup/Unit_UninstallOldForm.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Shortcuts.h"
#include "system/Unit_Uninstall.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"

namespace {

using os::HKEY_CLASSES_ROOT;
using os::HKEY_LOCAL_MACHINE;

const char* const kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella";

// The text of a value, or "(missing)".
std::string Value(os::HKEY root, const std::string& key, const std::string& name) {
  os::UniqueHKEY k;
  if (os::RegOpenKeyExA(root, key, 0, os::KEY_READ, k.receive()) != os::ERROR_SUCCESS)
    return "(no key)";
  char buffer[512] = {};
  os::DWORD size = sizeof buffer, type = 0;
  if (os::RegQueryValueExA(k.get(), name, &type, reinterpret_cast<std::uint8_t*>(buffer), &size) !=
      os::ERROR_SUCCESS)
    return "(missing)";
  return type == os::REG_SZ ? std::string(buffer) : "(not text)";
}

bool KeyExists(os::HKEY root, const std::string& key) {
  os::UniqueHKEY k;
  return os::RegOpenKeyExA(root, key, 0, os::KEY_READ, k.receive()) == os::ERROR_SUCCESS;
}

std::pair<os::DWORD, os::DWORD> KeyInfo(os::HKEY root, const std::string& key) {
  os::UniqueHKEY k;
  os::RegOpenKeyExA(root, key, 0, os::KEY_READ, k.receive());
  os::DWORD subKeys = 99, values = 99;
  os::RegQueryInfoKeyA(k.get(), &subKeys, &values);
  return {subKeys, values};
}

class SystemIntegrationTest : public WizardFixture {};

struct EntriesCase {
  const char* installDir;
  const char* uninstall;
  const char* icon;
  const char* command;
};

TEST_F(SystemIntegrationTest, RegistryEntriesNameTheInstalledProgram) {
  const EntriesCase cases[] = {
      {"C:\\Program Files\\Morvella", "\"C:\\Program Files\\Morvella\\Uninst.exe\"",
       "C:\\Program Files\\Morvella\\Morvella.exe,1",
       "\"C:\\Program Files\\Morvella\\Morvella.exe\" \"%1\""},
      {"D:\\", "\"D:\\Uninst.exe\"", "D:\\Morvella.exe,1", "\"D:\\Morvella.exe\" \"%1\""},
  };
  for (const EntriesCase& c : cases) {
    SCOPED_TRACE(c.installDir);
    standin::ResetRegistry();
    WriteRegistryEntries(c.installDir);
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"), "Morvella");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), c.uninstall);
    EXPECT_EQ(KeyInfo(HKEY_LOCAL_MACHINE, kUninstall).second, 2u) << "exactly two values";
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ".wdl", ""), "Morvella.Wordlist");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Morvella.Wordlist", ""), "Morvella wordlist");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\DefaultIcon", ""), c.icon);
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell", ""), "Open");
    EXPECT_EQ(KeyInfo(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open"),
              (std::pair<os::DWORD, os::DWORD>{1, 0}));
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Open\\command", ""), c.command);
    EXPECT_EQ(standin::OpenKeyCount(), 0);
  }
}

TEST_F(SystemIntegrationTest, RewritingKeepsUnrelatedValuesAndKeys) {
  WriteRegistryEntries("C:\\Old");
  SetString(HKEY_LOCAL_MACHINE, kUninstall, "Publisher", "Someone");
  SetString(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Print\\command", "", "print %1");
  WriteRegistryEntries("E:\\New");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), "\"E:\\New\\Uninst.exe\"");
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "Publisher"), "Someone");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Morvella.Wordlist\\Shell\\Print\\command", ""), "print %1");
}

TEST_F(SystemIntegrationTest, DeniedUninstallKeyStopsAtTheFirstValue) {
  standin::DenyKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  try {
    WriteRegistryEntries("C:\\Program Files\\Morvella");
    FAIL() << "no error";
  } catch (const os::ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'DisplayName'");
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".wdl"));
  EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"), "(no key)");
}

TEST_F(SystemIntegrationTest, AccessorReportsValuesItCannotRead) {
  SetDword(HKEY_LOCAL_MACHINE, "Software\\Test", "Number", 5);
  SetString(HKEY_LOCAL_MACHINE, "Software\\Test", "Empty", "");
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), os::HKEY_CURRENT_USER);
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false));
  EXPECT_FALSE(registry.OpenKey("Missing", false));
  EXPECT_TRUE(registry.HasOpenKey()) << "a failed open keeps the open key";
  try {
    registry.ReadString("Number");
    FAIL();
  } catch (const os::ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Number'");
  }
  EXPECT_EQ(registry.ReadString("Empty"), "");
  EXPECT_EQ(registry.ReadString("Nothing"), "");
  registry.CloseKey();
  EXPECT_THROW(registry.WriteString("X", "y"), os::ERegistryException) << "no key open";
}

class ShortcutsTest : public WizardFixture {
 protected:
  std::string Link(const std::string& relative) {
    return ReadFileBytes(std::string(kPrograms) + "\\" + relative);
  }
};

TEST_F(ShortcutsTest, ThreeLinksAreMadeAndLogged) {
  struct Case {
    const char* progFolder;
    const char* folder;  // below the Programs folder
  };
  const Case cases[] = {{"Morvella", "Morvella\\"}, {"Tools\\Morvella", "Tools\\Morvella\\"}, {"", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.progFolder);
    ScratchFolder dir;
    {
      TLogFile log(dir.Path(), c.progFolder);
      CreateShortcuts("C:\\Program Files\\Morvella", c.progFolder, log);
      log.Close();
    }
    EXPECT_EQ(Link(std::string(c.folder) + "Morvella.lnk"),
              "[Shell link]\r\nPath=C:\\Program Files\\Morvella\\Morvella.exe\r\n"
              "WorkingDirectory=C:\\Program Files\\Morvella\r\n");
    EXPECT_NE(Link(std::string(c.folder) + "Morvella Help.lnk").find("Path=C:\\Program Files\\Morvella\\Morvehlp.hlp\r\n"),
              std::string::npos);
    EXPECT_NE(Link(std::string(c.folder) + "Uninstall Morvella.lnk").find("Path=C:\\Program Files\\Morvella\\Uninst.exe\r\n"),
              std::string::npos);
    const std::string log = ReadFileBytes(dir / "Install.log");
    EXPECT_EQ(log.substr(log.find("\r\n\r\n{program folder files}")),
              "\r\n\r\n{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk\r\n"
              "Uninstall Morvella.lnk\r\n\r\n");
  }
}

TEST_F(ShortcutsTest, FolderThatCannotBeMadeLeavesLinksMissingButLogged) {
  standin::DenyWrites(kPrograms);
  ScratchFolder dir;
  TLogFile log(dir.Path(), "Morvella");
  EXPECT_NO_THROW(CreateShortcuts("C:\\Apps", "Morvella", log));
  log.Close();
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\Morvella"));
  EXPECT_NE(ReadFileBytes(dir / "Install.log").find("Uninstall Morvella.lnk"), std::string::npos);
}

// A user between two shortcuts renames the Start-menu folder and puts a
// junction to an administrators' folder in its place; or has put a link of
// a shortcut's name there before. Nothing is written through either.
TEST_F(ShortcutsTest, NoShortcutIsSavedThroughALinkPutOnTheWay) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Windows\\Admin\\"));
  WriteFileBytes("C:\\Windows\\Admin\\Victim.lnk", "the administrators'");
  ASSERT_TRUE(os::MakeSureDirectoryPathExists(std::string(kPrograms) + "\\Morvella\\"));
  ASSERT_TRUE(standin::PlaceLink(std::string(kPrograms) + "\\Morvella\\Morvella Help.lnk",
                                 "C:\\Windows\\Admin\\Victim.lnk"));
  int shortcuts = 0;
  bool renamed = true;
  ScratchFolder dir;
  TLogFile log(dir.Path(), "Morvella");
  CreateShortcuts("C:\\Apps", "Morvella", log, [&] {
    if (++shortcuts != 1) return;
    renamed = os::MoveFileExA(std::string(kPrograms) + "\\Morvella", std::string(kPrograms) + "\\Moved", 0);
    if (renamed) standin::PlaceLink(std::string(kPrograms) + "\\Morvella", "C:\\Windows\\Admin");
  });
  log.Close();
  EXPECT_FALSE(renamed) << "the held folder was renamed";
  EXPECT_EQ(ReadFileBytes("C:\\Windows\\Admin\\Victim.lnk"), "the administrators'");
  EXPECT_FALSE(Exists("C:\\Windows\\Admin\\Uninstall Morvella.lnk"));
  for (const char* name : {"Morvella.lnk", "Morvella Help.lnk", "Uninstall Morvella.lnk"})
    EXPECT_NE(Link(std::string("Morvella\\") + name).find("Path=C:\\Apps\\"), std::string::npos) << name;
}

TEST_F(ShortcutsTest, LinkObjectFailuresAreRaisedAfterTheSectionStarts) {
  ScratchFolder dir;
  TLogFile log(dir.Path(), "Morvella");
  standin::FailShellLink(long(0x80040154u));  // class not registered
  try {
    CreateShortcuts("C:\\Apps", "Morvella", log);
    FAIL();
  } catch (const os::EOleError& e) {
    EXPECT_STREQ(e.what(), "OLE error 80040154");
  }
  standin::FailShellLink(0, true);
  try {
    CreateShortcuts("C:\\Apps", "Morvella", log);
    FAIL();
  } catch (const os::EOleError& e) {
    EXPECT_STREQ(e.what(), "Interface not supported");
  }
  standin::ResetShell();
  log.Close();
  const std::string text = ReadFileBytes(dir / "Install.log");
  EXPECT_NE(text.find("{program folder files}\r\n"), std::string::npos);
  EXPECT_EQ(text.find("Morvella.lnk"), std::string::npos);
}

class UninstallOldPromptTest : public WizardFixture {
 protected:
  void SetUp() override {
    WizardFixture::SetUp();
    standin::ResetShell();
    SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString",
              "C:\\WINDOWS\\UNINST.EXE -f C:\\OLD\\UNINST.LOG");
    CreateKey(HKEY_LOCAL_MACHINE, "Software\\Vantrel\\Morvella\\1.0");
    // Where version 1.0 put it, with the Windows folder's rights.
    WriteFileBytes("C:\\WINDOWS\\UNINST.EXE", "MZ");
  }
};

TEST_F(UninstallOldPromptTest, YesLaunchesTheOldUninstallerAndEndsSetup) {
  Answer("Morvella Setup", [](ui::TForm& f) {
    auto& prompt = static_cast<TUninstallOldForm&>(f);
    EXPECT_EQ(prompt.UninstallOldLabel.Caption(), UninstallOldText);
    EXPECT_TRUE(prompt.YesButton.Focused());
    EXPECT_EQ(prompt.ClientWidth(), 414);
    EXPECT_EQ(prompt.DesignedLeft, 192);
    EXPECT_EQ(prompt.DesignedTop, 107);
    f.KeyEnter();  // Yes
  });
  Start();
  const auto launches = standin::Launches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].File, "C:\\WINDOWS\\UNINST.EXE");
  EXPECT_EQ(launches[0].Parameters, "-f C:\\OLD\\UNINST.LOG");
  EXPECT_EQ(launches[0].Directory, "C:\\WINDOWS\\");
  EXPECT_EQ(launches[0].Show, os::SW_SHOW);
  EXPECT_TRUE(main_->Closed());
  EXPECT_FALSE(main_->Visible());
  EXPECT_EQ(ModalCount("Exit setup"), 0);
  EXPECT_FALSE(backdrop_->Visible());
}

TEST_F(UninstallOldPromptTest, FailedLaunchIsReportedAndSetupStillEnds) {
  standin::SetLaunchResult(2);
  Answer("Morvella Setup", [](ui::TForm& f) { static_cast<TUninstallOldForm&>(f).YesButton.Click(); });
  Start();
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("could not be started"), std::string::npos);
  EXPECT_TRUE(main_->Closed());
}

// Found by fuzzing: a bare name was looked for in the current folder, the
// medium Setup runs from, which anyone may have written.
TEST_F(UninstallOldPromptTest, ProgramByAnyNameButAFullPathAwayFromTheMediumIsNotStarted) {
  standin::SetProgram("D:\\Downloads\\Setup.exe", {});
  for (const char* command : {"UNINST.EXE -f C:\\OLD\\UNINST.LOG", "\"UNINST.EXE\"", "",
                              "Old\\UNINST.EXE", "\\UNINST.EXE", "C:UNINST.EXE",
                              "D:\\Downloads\\UNINST.EXE", "d:\\downloads\\sub\\..\\UNINST.EXE"}) {
    SCOPED_TRACE(command);
    standin::ResetShell();
    standin::ResetDialogs();
    SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", command);
    Answer("Morvella Setup", [](ui::TForm& f) { f.KeyEnter(); });  // Yes
    Start();
    EXPECT_TRUE(standin::Launches().empty());
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].Text,
              std::string("The uninstall program of version 1.0 could not be started:\n\n") + command);
    EXPECT_TRUE(main_->Closed());
  }
}

// Started with administrator rights: only a program that no user can have
// put in its place, wherever Setup itself runs from.
TEST_F(UninstallOldPromptTest, OnlyAProgramUsersCannotReplaceIsStarted) {
  const char* const kAdminsOnly = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
  const char* const kUsersToo = "O:S-1-5-21-1-2-3-1001D:(A;OICI;FA;;;S-1-5-21-1-2-3-1001)(A;OICI;FA;;;BA)";
  struct Case {
    const char* setup;    // where Setup runs from
    const char* command;  // the version-1.0 entry
    const char* rights;   // of D:\Apps and what it holds, or nullptr
    bool started;
  };
  // Folders of the Windows folder that users may write (Tasks, Temp), and a
  // folder of a user's above one only administrators may change.
  for (const char* folder : {"C:\\Windows\\Tasks", "C:\\Windows\\Temp"}) {
    ASSERT_TRUE(os::MakeSureDirectoryPathExists(std::string(folder) + "\\"));
    standin::SetSecurity(folder, "O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200af;;;AU)");
    WriteFileBytes(std::string(folder) + "\\UNINST.EXE", "MZ");
  }
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Program Files\\Old\\"));
  WriteFileBytes("C:\\Program Files\\Old\\UNINST.EXE", "MZ");
  standin::AddDrive('D');
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("D:\\Yours\\Apps\\"));
  standin::SetSecurity("D:\\Yours", kUsersToo);
  standin::SetSecurity("D:\\Yours\\Apps", kAdminsOnly);
  WriteFileBytes("D:\\Yours\\Apps\\UNINST.EXE", "MZ");
  // A user who could rename D:\Data put a junction there to Program Files,
  // an administrators' folder that holds an UNINST.EXE: the start would go
  // through a path the user can point elsewhere again.
  ASSERT_TRUE(standin::PlaceLink("D:\\Data", "C:\\Program Files"));
  // Read by its name, as Windows reads it, it shows its target's rights.
  standin::SetSecurity("D:\\Data", kAdminsOnly);
  const Case cases[] = {
      {"D:\\Downloads\\Setup.exe", "D:\\Data\\Old\\UNINST.EXE", nullptr, false},
      {"C:\\Setup.exe", "C:\\WINDOWS\\UNINST.EXE -f C:\\OLD\\UNINST.LOG", nullptr, true},
      {"D:\\Downloads\\Setup.exe", "\"C:\\Program Files\\Old\\UNINST.EXE\" /u", nullptr, true},
      {"D:\\Downloads\\Setup.exe", "C:\\Windows\\Temp\\UNINST.EXE", nullptr, false},
      {"D:\\Downloads\\Setup.exe", "C:\\Windows\\Tasks\\UNINST.EXE", nullptr, false},
      {"D:\\Downloads\\Setup.exe", "C:\\Windows\\..\\Users\\UNINST.EXE", nullptr, false},
      {"D:\\Downloads\\Setup.exe", "D:\\Yours\\Apps\\UNINST.EXE", nullptr, false},
      {"D:\\Downloads\\Setup.exe", "C:\\Program Files\\Missing\\UNINST.EXE", nullptr, false},
      {"D:\\Downloads\\Setup.exe", "D:\\Apps\\UNINST.EXE", kUsersToo, false},
      {"D:\\Downloads\\Setup.exe", "D:\\Apps\\UNINST.EXE", kAdminsOnly, true},
      {"D:\\Apps\\Setup.exe", "D:\\Apps\\UNINST.EXE", kAdminsOnly, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.setup) + " " + c.command);
    standin::ResetShell();
    standin::ResetDialogs();
    os::MakeSureDirectoryPathExists("D:\\Apps\\");
    WriteFileBytes("D:\\Apps\\UNINST.EXE", "MZ");
    if (c.rights) {
      standin::SetSecurity("D:\\Apps", c.rights);
      standin::SetSecurity("D:\\Apps\\UNINST.EXE", c.rights);
    }
    standin::SetProgram(c.setup, {});
    SetString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString", c.command);
    Answer("Morvella Setup", [](ui::TForm& f) { f.KeyEnter(); });  // Yes
    Start();
    EXPECT_EQ(standin::Launches().size(), c.started ? 1u : 0u);
    EXPECT_EQ(standin::MessageBoxes().size(), c.started ? 0u : 1u);
    EXPECT_TRUE(main_->Closed());
  }
}

TEST_F(UninstallOldPromptTest, NoAndTheCloseBoxLeaveTheWizardWithoutBackdrop) {
  for (auto answer : {std::function<void(ui::TForm&)>([](ui::TForm& f) { f.KeyEscape(); }),
                      std::function<void(ui::TForm&)>([](ui::TForm& f) { f.Close(); })}) {
    Answer("Morvella Setup", answer);
    Start();
    EXPECT_FALSE(main_->Closed());
    EXPECT_TRUE(main_->Visible());
    EXPECT_FALSE(backdrop_->Visible());
    EXPECT_TRUE(standin::Launches().empty());
  }
}

TEST(SplitUninstallCommandTest, ProgramIsTheFileTheCommandMeans) {
  standin::ResetFileSystem();
  ASSERT_TRUE(os::MakeSureDirectoryPathExists("C:\\Program Files\\Old\\"));
  WriteFileBytes("C:\\Program Files\\Old\\UNINST.EXE", "exe");
  WriteFileBytes("C:\\Program.exe", "planted");
  WriteFileBytes("C:\\Program", "planted too");
  struct Case {
    const char* command;
    const char* program;
    const char* parameters;
  };
  const Case cases[] = {
      {"C:\\WINDOWS\\UNINST.EXE -f C:\\OLD\\UNINST.LOG", "C:\\WINDOWS\\UNINST.EXE", "-f C:\\OLD\\UNINST.LOG"},
      {"C:\\Program Files\\Old\\UNINST.EXE -f x.log", "C:\\Program Files\\Old\\UNINST.EXE", "-f x.log"},
      {"C:\\Program Files\\Old\\UNINST.EXE", "C:\\Program Files\\Old\\UNINST.EXE", ""},
      {"\"C:\\Other Place\\un.exe\" /x", "C:\\Other Place\\un.exe", "/x"},
      {"C:\\NoBlank.exe", "C:\\NoBlank.exe", ""},
  };
  for (const Case& c : cases) {
    const auto [program, parameters] = SplitUninstallCommand(c.command);
    EXPECT_EQ(program, c.program) << c.command;
    EXPECT_EQ(parameters, c.parameters) << c.command;
  }
}

}  // namespace
