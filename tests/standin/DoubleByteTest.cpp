// Paths and names in the double-byte code pages (932, 936, 949, 950), where
// the second byte of a character may equal "\", "|" or a letter: every step
// of the installation, its record and its removal take them by character.
#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "trust/HeldFolder.h"
#include "trust/Unit_Paths.h"
#include "platform/Chars.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "system/KnownFolders.h"
#include "system/Unit_Uninstall.h"
#include "uninst/Uninstaller.h"
#include "tests/standin/WizardFixture.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {

// Characters whose second byte is an ASCII one, in their code pages.
const std::string kOmote = "\x95\x5C";   // 932: second byte "\"
const std::string kJuu = "\x8F\x5C";     // 932: second byte "\"
const std::string kSo = "\x83\x5C";      // 932: second byte "\"
const std::string kPo = "\x83\x7C";      // 932: second byte "|"
const std::string kTsu = "\x83\x63";     // 932: second byte "c"
const std::string kI = "\x83\x43";       // 932: second byte "C"
const std::string kFuto = "\x83\x74\x83\x67";
const std::string kSmallA = "\x82\x81";  // 932: fullwidth a
const std::string kBigA = "\x82\x60";    // 932: fullwidth A
const std::string kKyo = "\xB3\x5C";     // 950: second byte "\"
const std::string kKou = "\xA5\x5C";     // 950: second byte "\"
const std::string kJou = "\x81\x5C";     // 936: second byte "\"
const std::string kGak = "\x81\x41";     // 949: second byte "A"

class CodePageScope {
 public:
  explicit CodePageScope(int codePage) {
    standin::SetAnsiCodePage(codePage);
    standin::ResetFileSystem();
  }
  ~CodePageScope() {
    standin::SetAnsiCodePage(1252);
    standin::ResetFileSystem();
  }
};

TEST(DoubleBytePathsTest, LeadBytesAreThoseOfTheSystemsCodePage) {
  struct Case {
    int codePage;
    unsigned char byte;
    bool lead;
  };
  const Case cases[] = {
      {932, 0x81, true},  {932, 0x9F, true},  {932, 0xA0, false}, {932, 0xB3, false},
      {932, 0xE0, true},  {932, 0xFC, true},  {932, 0xFD, false}, {932, 0x5C, false},
      {936, 0x80, false}, {936, 0x81, true},  {936, 0xFE, true},  {936, 0xFF, false},
      {949, 0x81, true},  {949, 0xB0, true},  {950, 0xA1, true},  {950, 0x80, false},
      {1252, 0x81, false}, {1252, 0xE9, false}, {1250, 0xB9, false}, {1251, 0xC0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " byte " + std::to_string(c.byte));
    standin::SetAnsiCodePage(c.codePage);
    EXPECT_EQ(os::IsDBCSLeadByte(c.byte), c.lead);
  }
  standin::SetAnsiCodePage(1252);
}

TEST(DoubleBytePathsTest, PathHelpersTakeSecondBytesForHalvesOfCharacters) {
  struct Case {
    int codePage;
    std::string path;
    std::string stripped;  // StripBackslash
    std::string folder;    // FolderOfPath
    std::string name;      // NameOfPath
    std::size_t levels;    // PathLevels
    bool root;             // IsRootFolder
  };
  const Case cases[] = {
      {932, "C:\\" + kOmote, "C:\\" + kOmote, "C:", kOmote, 2, false},
      {932, "C:\\" + kOmote + "\\", "C:\\" + kOmote, "C:\\" + kOmote, "", 3, false},
      {932, kJuu + "\\Data.txt", kJuu + "\\Data.txt", kJuu, "Data.txt", 2, false},
      {932, kJuu + "\\" + kSo + kFuto, kJuu + "\\" + kSo + kFuto, kJuu, kSo + kFuto, 2, false},
      {932, "\\\\srv\\" + kOmote, "\\\\srv\\" + kOmote, "\\\\srv", kOmote, 4, true},
      {932, "\\\\srv\\" + kOmote + "\\x", "\\\\srv\\" + kOmote + "\\x", "\\\\srv\\" + kOmote, "x", 5, false},
      {950, "C:\\Program Files\\" + kKyo + kKou, "C:\\Program Files\\" + kKyo + kKou, "C:\\Program Files",
       kKyo + kKou, 3, false},
      {936, "D:\\" + kJou, "D:\\" + kJou, "D:", kJou, 2, false},
      {949, "D:\\" + kGak + "\\", "D:\\" + kGak, "D:\\" + kGak, "", 3, false},
      // The same bytes in a single-byte code page are two characters each.
      {1252, "C:\\" + kOmote, "C:\\\x95", "C:\\\x95", "", 3, false},
      {1252, "C:\\", "C:\\", "C:", "", 2, true},
      // Three characters ending in ":\" keep their backslash, a double-byte
      // first one too; in 1252 the same bytes are four characters.
      {932, kOmote + ":\\", kOmote + ":\\", kOmote + ":", "", 2, true},
      {1252, "\x95:\\", "\x95:\\", "\x95:", "", 2, true},
      {1252, "\x95\x5C:\\", "\x95\x5C:", "\x95\x5C:", "", 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.path);
    standin::SetAnsiCodePage(c.codePage);
    EXPECT_EQ(StripBackslash(c.path), c.stripped);
    EXPECT_EQ(FolderOfPath(c.path), c.folder);
    EXPECT_EQ(NameOfPath(c.path), c.name);
    EXPECT_EQ(PathLevels(c.path).size(), c.levels);
    EXPECT_EQ(IsRootFolder(c.path), c.root);
    EXPECT_EQ(JoinPath(c.stripped, "x"), c.stripped + (EndsWithBackslash(c.stripped) ? "" : "\\") + "x");
  }
  standin::SetAnsiCodePage(1252);
}

TEST(DoubleBytePathsTest, NamesAreComparedAsTheFileSystemComparesThem) {
  standin::SetAnsiCodePage(932);
  // A trail byte is never upper-cased; a fullwidth letter is.
  EXPECT_NE(UpperPath(kTsu + ".txt"), UpperPath(kI + ".txt"));
  EXPECT_EQ(UpperPath(kTsu + "x"), kTsu + "X");
  EXPECT_EQ(UpperPath(kSmallA), kBigA);
  EXPECT_TRUE(IsBelow("C:\\" + kOmote, "C:\\" + kOmote + "\\Lists"));
  EXPECT_FALSE(IsBelow("C:\\" + kOmote, "C:\\" + kOmote + "x"));
  EXPECT_TRUE(SameFolder("c:\\" + kSmallA, "C:\\" + kBigA + "\\"));
  EXPECT_FALSE(SameFolder("C:\\" + kTsu, "C:\\" + kI));
  standin::SetAnsiCodePage(1252);
}

TEST(DoubleBytePathsTest, EntryNamesAreJudgedByCharacter) {
  struct Case {
    int codePage;
    std::string name;
    const char* problem;  // nullptr: accepted
  };
  const Case cases[] = {
      {932, kJuu + "\\Data.txt", nullptr},
      {932, kPo + ".txt", nullptr},  // "|" only as a second byte
      {932, kSo + "\\" + kOmote, nullptr},
      {932, kJuu + "\\\\Data.txt", "empty folder level"},
      {932, kJuu + "|x", "character |"},
      {932, kJuu + ".", "ends in a dot"},
      {932, "CON\\" + kJuu, "reserved for a device"},
      {950, kKyo + kKou + "\\" + kKou, nullptr},
      {936, kJou + "\\a.txt", nullptr},
      {949, kGak + "\\a.txt", nullptr},
      {1252, "\x95\\Data.txt", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.name);
    standin::SetAnsiCodePage(c.codePage);
    const std::string problem = EntryNameProblem(c.name);
    if (c.problem)
      EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    else
      EXPECT_EQ(problem, "");
  }
  standin::SetAnsiCodePage(1252);
}

TEST(DoubleBytePathsTest, PayloadNamesThatDifferInATrailByteStayTwoFiles) {
  struct Case {
    int codePage;
    std::string first, second;
    const char* refusal;  // nullptr: both installed
  };
  const Case cases[] = {
      {932, kTsu + ".txt", kI + ".txt", nullptr},
      {932, kSmallA + ".txt", kBigA + ".txt", "same name"},
      {932, kJuu + "\\a.txt", kJuu + "\\b.txt", nullptr},
      {932, kJuu, kJuu + "\\b.txt", "is a file of the setup"},
      {949, kGak + ".txt", "\x81\x61.txt", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.first + " " + c.second);
    const CodePageScope scope(c.codePage);
    ResetDataFileState();
    ScratchFolder dir;
    const std::string target = dir / "Target";
    ASSERT_TRUE(os::CreateDirectoryA(target));
    WriteFileBytes(dir / "Setup.d01",
                   Le32(2) + Entry(c.first, "1") + Entry(c.second, "2") + std::string(1, '\0'));
    TLogFile log(target, "Morvella");
    try {
      ExtractAll(dir.Path(), target, log, 100);
      EXPECT_EQ(c.refusal, nullptr) << "installed";
      EXPECT_EQ(ReadFileBytes(JoinPath(target, c.first)), "1");
      EXPECT_EQ(ReadFileBytes(JoinPath(target, c.second)), "2");
    } catch (const os::EInOutError& e) {
      ASSERT_NE(c.refusal, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
  }
}

TEST(DoubleBytePathsTest, MissingFoldersAreMadeWholeNeverByHalfACharacter) {
  const CodePageScope scope(932);
  const std::string path = "C:\\" + kOmote + "x\\" + kJuu + "\\file";
  ASSERT_TRUE(os::MakeSureDirectoryPathExists(path));
  EXPECT_TRUE(FolderExists("C:\\" + kOmote + "x\\" + kJuu));
  // A byte search would have made "C:\<first byte of the character>" first.
  EXPECT_EQ(standin::AllFiles(), std::vector<std::string>{});
  EXPECT_FALSE(FolderExists("C:\\\x95"));
  const auto [existing, rest] = SplitExistingPath("C:\\" + kOmote + "x\\" + kSo + "\\" + kOmote);
  EXPECT_EQ(existing, "C:\\" + kOmote + "x");
  EXPECT_EQ(rest, kSo + "\\" + kOmote);
  EXPECT_EQ(LevelsBelow("C:\\" + kOmote + "x", kJuu + "\\" + kSo),
            (std::vector<std::string>{"C:\\" + kOmote + "x\\" + kJuu, "C:\\" + kOmote + "x\\" + kJuu + "\\" + kSo}));
  // Made through the held way and removed again: only what it made.
  THeldWay way("C:\\" + kOmote + "x", kJuu + "\\" + kSo + "\\" + kOmote);
  ASSERT_EQ(way.Missing(), kSo + "\\" + kOmote);
  ASSERT_EQ(way.MakeMissing(), "");
  EXPECT_TRUE(FolderExists("C:\\" + kOmote + "x\\" + kJuu + "\\" + kSo + "\\" + kOmote));
  way.RemoveMade();
  EXPECT_FALSE(FolderExists("C:\\" + kOmote + "x\\" + kJuu + "\\" + kSo));
  EXPECT_TRUE(FolderExists("C:\\" + kOmote + "x\\" + kJuu));
}

// The whole round: Setup installs into a folder and a Start-menu folder
// whose last characters end in "\" bytes, starts again over it, installs
// again, and the uninstaller leaves nothing.
class DoubleByteInstallationTest : public WizardFixture {
 protected:
  void SetUp() override {
    standin::SetAnsiCodePage(932);
    WizardFixture::SetUp();
    standin::AddDrive('D');
    ASSERT_TRUE(os::SetCurrentDirectoryA("D:\\"));
    WriteFileBytes("D:\\Setup.d01",
                   Le32(16) + Entry("Morvella.exe", "prog") + Entry("Uninst.exe", "unin") +
                       Entry(kJuu + "\\Data.txt", "data") + Entry(kPo + "\\" + kTsu + ".wdl", "tsu") +
                       Entry(kPo + "\\" + kI + ".wdl", "i") + std::string(1, '\0'));
  }
  void TearDown() override {
    WizardFixture::TearDown();
    standin::SetAnsiCodePage(1252);
    standin::ResetFileSystem();
  }
  void Install() {
    Start();
    GoTo(2);
    main_->InstallDirEdit.SetText(kInstall + "\\");
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 3) << LastMessage();
    EXPECT_EQ(SetupPars.InstallDir, kInstall);
    main_->ProgFolderEdit.SetText(kProgFolder);
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 4) << LastMessage();
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 5) << LastMessage();
    main_->FinishButton.Click();
  }
  std::string LastMessage() {
    return standin::MessageBoxes().empty() ? "" : standin::MessageBoxes().back().Text;
  }
  std::string Confirmation() {
    std::string text;
    for (const std::string& line : main_->ConfirmMemo.Lines()) text += line + "\n";
    return text;
  }
  const std::string kInstall = "C:\\" + kOmote;
  const std::string kProgFolder = kJuu + "\\" + kSo + kFuto;
  const std::string kStartMenu = std::string(kPrograms) + "\\" + kProgFolder;
};

TEST_F(DoubleByteInstallationTest, InstallsStartsAgainReinstallsAndUninstallsCompletely) {
  Install();
  EXPECT_EQ(ReadFileBytes(kInstall + "\\" + kJuu + "\\Data.txt"), "data");
  EXPECT_EQ(ReadFileBytes(kInstall + "\\" + kPo + "\\" + kTsu + ".wdl"), "tsu");
  EXPECT_EQ(ReadFileBytes(kInstall + "\\" + kPo + "\\" + kI + ".wdl"), "i");
  EXPECT_EQ(ReadFileBytes(kInstall + "\\Install.log"),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\n" + kProgFolder +
                "\r\n\r\n{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nMorvella.exe\r\nUninst.exe\r\n" +
                kJuu + "\\Data.txt\r\n" + kPo + "\\" + kTsu + ".wdl\r\n" + kPo + "\\" + kI +
                ".wdl\r\n\r\n{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk\r\n"
                "Uninstall Morvella.lnk\r\n\r\n");
  EXPECT_NE(ReadFileBytes(kStartMenu + "\\Morvella.lnk")
                .find("Path=" + kInstall + "\\Morvella.exe\r\nWorkingDirectory=" + kInstall + "\r\n"),
            std::string::npos);
  // Nothing was made at half a name.
  EXPECT_FALSE(Exists("C:\\\x95"));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\\x8F"));

  // Started again: the earlier installation is found with its folders, and
  // the confirmation shows the Start-menu folder level by level.
  Start();
  ASSERT_TRUE(SetupPars.OldInstallFound);
  EXPECT_EQ(SetupPars.InstallDir, kInstall);
  EXPECT_EQ(SetupPars.ProgFolder, kProgFolder);
  GoTo(4);
  EXPECT_NE(Confirmation().find("   " + kInstall + "\n"), std::string::npos) << Confirmation();
  EXPECT_NE(Confirmation().find("   Programs | " + kJuu + " | " + kSo + kFuto + "\n"), std::string::npos)
      << Confirmation();
  WriteFileBytes(kInstall + "\\" + kPo + "\\Mine.wdl", "mine");
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 5) << LastMessage();
  main_->FinishButton.Click();
  EXPECT_EQ(ReadFileBytes(kInstall + "\\" + kPo + "\\" + kI + ".wdl"), "i");
  EXPECT_TRUE(Exists(kInstall + "\\" + kPo + "\\Mine.wdl"));

  // The uninstaller, run as its copy, removes all but the user's own list.
  standin::ResetDialogs();
  standin::SetMessageBoxResponder([](const standin::MessageBoxRecord&) { return os::IDYES; });
  standin::SetProgram("C:\\Windows\\Temp\\Morvella uninstall 4242-0\\Uninstall Morvella.exe",
                      {"/from", kInstall, "77"});
  EXPECT_EQ(UninstMain(), 0) << LastMessage();
  EXPECT_EQ(FilesBelow(kInstall), (std::set<std::string>{kPo + "\\Mine.wdl"}));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\" + kJuu));
  const std::vector<std::string> left = standin::AllFiles();
  EXPECT_EQ(std::set<std::string>(left.begin(), left.end()),
            (std::set<std::string>{"D:\\Setup.d01", kInstall + "\\" + kPo + "\\Mine.wdl"}));
}

TEST_F(DoubleByteInstallationTest, FoldersEndingInABackslashByteAreAcceptedOnBothFolderPages) {
  struct Case {
    int codePage;
    std::string install, progFolder;
  };
  const Case cases[] = {
      {950, "C:\\Program Files\\\xB5\x7B\xA6\xA1" + kKyo + kKou, kKyo + "\\" + kKou},
      {936, "C:\\" + kJou, kJou + "\\" + kJou},
      {932, "C:\\Program Files\\" + kOmote + "\x8E\xA6" + kSo + kFuto, kJuu + "\\" + kSo + kFuto},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    standin::SetAnsiCodePage(c.codePage);
    WizardFixture::SetUp();
    Start();
    GoTo(2);
    main_->InstallDirEdit.SetText(c.install);
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 3) << LastMessage();
    EXPECT_EQ(SetupPars.InstallDir, c.install);
    main_->ProgFolderEdit.SetText(c.progFolder + "\\");
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 4) << LastMessage();
    EXPECT_EQ(SetupPars.ProgFolder, c.progFolder);
    // The checks left nothing on the disk.
    EXPECT_FALSE(Exists(c.install));
    EXPECT_FALSE(Exists(std::string(kPrograms) + "\\" + PathLevels(c.progFolder)[0]));
  }
}

TEST(DoubleByteUninstallerTest, ArgumentsAreQuotedByCharacter) {
  standin::SetAnsiCodePage(932);
  // A second byte "\" before the closing quote is no backslash to double.
  EXPECT_EQ(QuoteArgument("C:\\" + kOmote), "\"C:\\" + kOmote + "\"");
  EXPECT_EQ(QuoteArgument("C:\\" + kOmote + "\\"), "\"C:\\" + kOmote + "\\\\\"");
  EXPECT_EQ(QuoteArgument(kSo + "\"x"), "\"" + kSo + "\\\"x\"");
  standin::SetAnsiCodePage(1252);
  EXPECT_EQ(QuoteArgument("C:\\\x95\\"), "\"C:\\\x95\\\\\"");
}

}  // namespace

namespace {

// A user whose name the code page cannot write (Łukasz on a Western
// system): the shell's best-fit name would be another folder, which the
// Start menu never shows. The short form serves; without one, no shortcut.
class UnwritableProgramsFolderTest : public WizardFixture {
 protected:
  void SetUp() override {
    WizardFixture::SetUp();
    standin::AddDrive('D');
    ASSERT_TRUE(os::SetCurrentDirectoryA("D:\\"));
    WriteFileBytes("D:\\Setup.d01", Le32(8) + Entry("Morvella.exe", "prog") + Entry("Uninst.exe", "unin") +
                                         std::string(1, '\0'));
  }
  std::string LastMessage() {
    return standin::MessageBoxes().empty() ? "" : standin::MessageBoxes().back().Text;
  }
  const std::string kShown = "C:\\Users\\?ukasz\\Start Menu\\Programs";
  const std::string kShort = "C:\\Users\\UKASZ~1\\STARTM~1\\Programs";
};

TEST_F(UnwritableProgramsFolderTest, ShortFormServesTreeConfirmationShortcutsAndRemoval) {
  standin::SetUnwritableProgramsFolder(kShown, kShort);
  ASSERT_TRUE(os::MakeSureDirectoryPathExists(kShort + "\\Accessories\\"));
  Start();
  GoTo(3);
  EXPECT_GE(main_->ProgFoldersTree.Count(), 1u);
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 4) << LastMessage();
  std::string confirmation;
  for (const std::string& line : main_->ConfirmMemo.Lines()) confirmation += line + "\n";
  EXPECT_NE(confirmation.find("   Programs | Morvella\n"), std::string::npos) << confirmation;
  main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, 5) << LastMessage();
  main_->FinishButton.Click();
  for (const char* link : {"Morvella.lnk", "Morvella Help.lnk", "Uninstall Morvella.lnk"})
    EXPECT_TRUE(Exists(kShort + "\\Morvella\\" + link)) << link;

  standin::ResetDialogs();
  standin::SetMessageBoxResponder([](const standin::MessageBoxRecord&) { return os::IDYES; });
  standin::SetProgram("C:\\Windows\\Temp\\Morvella uninstall 4242-0\\Uninstall Morvella.exe",
                      {"/from", "C:\\Program Files\\Morvella", "77"});
  EXPECT_EQ(UninstMain(), 0) << LastMessage();
  EXPECT_FALSE(Exists(kShort + "\\Morvella"));
  EXPECT_TRUE(Exists(kShort + "\\Accessories"));
}

TEST_F(UnwritableProgramsFolderTest, WithoutAShortFormPageThreeSaysSoAndNothingIsMade) {
  standin::SetUnwritableProgramsFolder(kShown, "");
  Start();
  GoTo(3);
  main_->NextButton.Click();
  EXPECT_EQ(SetupPars.Page, 3);
  EXPECT_EQ(LastMessage(),
            "Setup cannot place shortcuts in your Start menu: the name of its folder " + kShown +
                " cannot be written in this system's code page.");
  EXPECT_EQ(standin::MessageBoxes().back().Caption, "Setup");
  EXPECT_EQ(standin::AllFiles(), std::vector<std::string>{"D:\\Setup.d01"});
}

}  // namespace
