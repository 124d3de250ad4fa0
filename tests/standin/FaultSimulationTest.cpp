// A full installation over an earlier one, run again and again with the 1st,
// 2nd, 3rd... change to files, folders or the registry failing, then with a
// cancel at every progress step and at every disk prompt. After every run:
// Setup ended or stayed on a page with a message, every file in the
// installation folder is listed in its Install.log, and nothing outside the
// chosen folders changed.
#include <set>

#include "engine/Unit_DataFile.h"
#include "platform/Dialogs.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "system/KnownFolders.h"
#include "uninst/Uninstaller.h"
#include "tests/standin/WizardFixture.h"
#include "tests/standin/WorkerHold.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {


const std::string kInstall = "C:\\Program Files\\Morvella";
// The uninstaller's private copy: it goes at the next restart.
const std::string kPrivate = "C:\\Windows\\Temp\\Morvella uninstall 4242-0";

class FaultSimulationTest : public WizardFixture {
 protected:
  void SetUp() override {
    WizardFixture::SetUp();
    standin::AddDrive('D');
    ASSERT_TRUE(os::SetCurrentDirectoryA("D:\\"));
    // 24 files in two folders over three volumes.
    std::string stream;
    std::int32_t total = 0;
    for (int i = 0; i < 24; ++i) {
      const std::string data(std::size_t(150 + 37 * i), char('a' + i));
      stream += Entry((i % 3 == 0 ? "" : i % 3 == 1 ? "Lists\\" : "Docs\\Old\\") + std::string("F") +
                          std::to_string(i) + ".txt",
                      data);
      total += std::int32_t(data.size());
    }
    const std::size_t third = stream.size() / 3;
    // Cut inside entry data: find cut points that are not inside a header.
    volumes_ = {Le32(std::uint32_t(total)), "", ""};
    std::size_t pos = 0, volume = 0;
    for (int i = 0; i < 24; ++i) {
      const std::string name = (i % 3 == 0 ? "" : i % 3 == 1 ? "Lists\\" : "Docs\\Old\\") +
                               std::string("F") + std::to_string(i) + ".txt";
      const std::size_t header = name.size() + 5, size = std::size_t(150 + 37 * i);
      if (volume < 2 && pos >= third * (volume + 1)) ++volume;
      volumes_[volume] += stream.substr(pos, header + size);
      pos += header + size;
    }
    WriteVolumes();
  }

  void WriteVolumes() {
    WriteFileBytes("D:\\Setup.d01", volumes_[0] + "\x02");
    WriteFileBytes("D:\\Setup.d02", volumes_[1] + "\x03");
    WriteFileBytes("D:\\Setup.d03", volumes_[2] + std::string(1, '\0'));
  }

  // A complete installation, with nothing failing.
  void InstallOnce() {
    Start();
    GoTo(4);
    main_->NextButton.Click();
    ASSERT_EQ(SetupPars.Page, 5);
    main_->FinishButton.Click();
  }

  // Every file on the stand-in's drives.
  std::set<std::string> AllFiles() {
    const std::vector<std::string> files = standin::AllFiles();
    return {files.begin(), files.end()};
  }

  bool Ours(const std::string& path) {
    for (const std::string& folder : {kInstall, std::string(kPrograms) + "\\Morvella", kPrivate})
      if (path.rfind(folder + "\\", 0) == 0) return true;
    return false;
  }


  // The run's promises, checked after each run.
  void CheckInvariants(const std::set<std::string>& before, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(main_->Closed() || !standin::MessageBoxes().empty() || SetupPars.Page == 5)
        << "stopped without a word";
    std::set<std::string> files = FilesBelow(kInstall);
    files.erase("Install.log");
    files.erase("My own.wdl");
    if (!files.empty()) {
      ASSERT_TRUE(FileExists(kInstall + "\\Install.log")) << "files without a log";
      const std::string log = ReadFileBytes(kInstall + "\\Install.log");
      for (const std::string& file : files)
        EXPECT_NE(log.find("\r\n" + file + "\r\n"), std::string::npos) << file << " is not listed";
    }
    for (const std::string& file : AllFiles())
      if (!before.count(file) && !Ours(file)) ADD_FAILURE() << "written outside: " << file;
    for (const std::string& file : before)
      if (!Ours(file) && !Exists(file)) ADD_FAILURE() << "removed outside: " << file;
    EXPECT_EQ(standin::OpenHandleCount(), 0) << "handles left open";
  }

  // A second installation over the first, giving up on any failure.
  void InstallAgain(long failAt) {
    Start();
    GoTo(4);
    standin::FailNthChange(failAt);
    main_->NextButton.Click();
    changes_ = standin::ChangesCounted();
    standin::FailNthChange(0);
    if (SetupPars.Page == 4 && !main_->Closed()) {
      Answer("Exit setup", [](ui::TForm& f) { static_cast<TExitForm&>(f).ExitButton.Click(); });
      main_->CancelButton.Click();
    }
  }

  void Prepare() {
    UseAnswers();
    standin::ResetFileSystem();
    standin::ResetRegistry();
    standin::ResetDialogs();
    standin::ResetShell();
    standin::AddDrive('D');
    os::MakeSureDirectoryPathExists(std::string(kPrograms) + "\\");
    os::SetCurrentDirectoryA("D:\\");
    WriteVolumes();
    WriteFileBytes("C:\\Elsewhere.txt", "not Setup's");
    InstallOnce();
    WriteFileBytes(kInstall + "\\My own.wdl", "mine");
    standin::ResetDialogs();
  }

  std::vector<std::string> volumes_;
  long changes_ = 0;
};

TEST_F(FaultSimulationTest, EveryFailingChangeEndsCleanly) {
  Prepare();
  standin::FailNthChange(-1);  // count only
  InstallAgain(-1);
  const long changes = changes_;
  ASSERT_GT(changes, 50);
  int runs = 0;
  for (long n = 1; n <= changes; ++n) {
    Prepare();
    const auto before = AllFiles();
    InstallAgain(n);
    CheckInvariants(before, "change " + std::to_string(n) + " of " + std::to_string(changes));
    ++runs;
    if (HasFailure()) break;
  }
  RecordProperty("fault_points", int(changes));
  std::printf("[ fault    ] %d runs over %ld distinct fault points\n", runs, changes);
}

TEST_F(FaultSimulationTest, CancelAtEveryProgressStepEndsCleanly) {
  for (int step = 0; step < 100; ++step) {
    Prepare();
    const auto before = AllFiles();
    Start();
    GoTo(4);
    // Opening the first volume, then a copy and a progress step for each
    // percent (two more where a volume ends).
    WorkerHold hold(2 + 2 * step);
    standin::SetModalResponder([&](ui::TForm& form) {
      if (&form == ExitForm)
        ExitForm->ExitButton.Click();
      else if (&form == ExtractForm)
        hold.WhenReached([&] { form.KeyEscape(); });
    });
    main_->NextButton.Click();
    CheckInvariants(before, "cancel at step " + std::to_string(step));
    EXPECT_TRUE(main_->Closed() || SetupPars.Page == 5);
    if (HasFailure()) break;
  }
}

TEST_F(FaultSimulationTest, CancelAtEveryDiskPromptEndsCleanly) {
  for (int withheld : {2, 3}) {
    Prepare();
    ASSERT_TRUE(os::DeleteFileA("D:\\" + VolumeFileName(withheld)));
    const auto before = AllFiles();
    standin::SetMessageBoxResponder([](const standin::MessageBoxRecord& box) {
      return box.Caption == "Change disk" ? os::IDCANCEL : os::IDOK;
    });
    Start();
    GoTo(4);
    Answer("Exit setup", [](ui::TForm& f) { static_cast<TExitForm&>(f).ExitButton.Click(); });
    main_->NextButton.Click();
    EXPECT_TRUE(main_->Closed());
    CheckInvariants(before, "cancel at the prompt for disk " + std::to_string(withheld));
  }
}

// The uninstaller, started from the installation (it hands over to its
// copy) and then as the copy, with the 1st, 2nd, 3rd... change failing.
TEST_F(FaultSimulationTest, EveryFailingChangeOfTheUninstallerEndsCleanly) {
  auto uninstall = [this](long failAt) {
    standin::SetMessageBoxResponder([](const standin::MessageBoxRecord& box) {
      return int(box.Type & os::MB_YESNO ? os::IDYES : os::IDOK);
    });
    standin::FailNthChange(failAt);
    standin::SetProgram(kInstall + "\\Uninst.exe", {});
    UninstMain();
    standin::SetProgram(kPrivate + "\\Uninstall Morvella.exe", {"/from", kInstall, "4242"});
    UninstMain();
    changes_ = standin::ChangesCounted();
    standin::FailNthChange(0);
  };
  Prepare();
  standin::FailNthChange(-1);  // count only
  uninstall(-1);
  ASSERT_FALSE(Exists(kInstall + "\\Uninst.exe")) << "the run without faults removes it";
  const long changes = changes_;
  ASSERT_GT(changes, 20);
  for (long n = 1; n <= changes; ++n) {
    Prepare();
    const auto before = AllFiles();
    uninstall(n);
    CheckInvariants(before, "uninstaller, change " + std::to_string(n) + " of " + std::to_string(changes));
    if (HasFailure()) break;
  }
}

}  // namespace
