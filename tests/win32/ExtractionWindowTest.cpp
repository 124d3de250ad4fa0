// The extraction through the real progress dialog and the real worker
// thread, with Windows' message loop running the worker's steps.
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_Logfile.h"
#include "setup/Unit_Constants.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {

class ExtractionWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    os::Application = os::TApplication();
    os::Application.Initialize();
    os::Application.Title = "Setup";
    InitConstants();
    exit_ = std::make_unique<TExitForm>();
    ExitForm = exit_.get();
    extract_ = std::make_unique<TExtractForm>();
    ExtractForm = extract_.get();
    saved_ = os::GetCurrentDirectoryA();
    ASSERT_TRUE(os::SetCurrentDirectoryA(dir_.Path()));
    ASSERT_TRUE(os::CreateDirectoryA(dir_ / "Target"));
  }
  void TearDown() override {
    os::SetCurrentDirectoryA(saved_);
    ExtractForm = nullptr;
    ExitForm = nullptr;
    extract_.reset();
    exit_.reset();
  }

  ScratchFolder dir_;
  std::string saved_;
  std::unique_ptr<TExitForm> exit_;
  std::unique_ptr<TExtractForm> extract_;
};

TEST_F(ExtractionWindowTest, ThreeVolumesAreCopiedThroughTheDialog) {
  const std::string big(6000, 'm'), list(4000, 'w');
  // 10,000 bytes: steps of 100, so the bar ends at 99.
  const std::string stream = Entry("Morvella.exe", big) + Entry("Lists\\Dutch.wdl", list);
  const std::string first = Le32(10000) + stream.substr(0, 3000);
  WriteFileBytes(dir_ / "Setup.d01", first + "\x02");
  WriteFileBytes(dir_ / "Setup.d02", stream.substr(3000, 4000) + "\x03");
  WriteFileBytes(dir_ / "Setup.d03", stream.substr(7000) + std::string(1, '\0'));

  int result = 0;
  {
    TLogFile log(dir_ / "Target", "Morvella");
    ExtractPars.LogFile = &log;
    ExtractPars.InstallDir = dir_ / "Target";
    result = extract_->ShowModal();
    ExtractPars.LogFile = nullptr;
  }
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(ReadFileBytes(dir_ / "Target\\Morvella.exe"), big);
  EXPECT_EQ(ReadFileBytes(dir_ / "Target\\Lists\\Dutch.wdl"), list);
  ::HWND bar = os::win32::Native(extract_->ProgressBar.Handle);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 99);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 100);

  ::HWND window = os::win32::Native(extract_->Handle);
  RECT client;
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, 363);
  EXPECT_EQ(client.bottom, 153);
  EXPECT_FALSE(::GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU) << "no title-bar buttons";
  char caption[64] = {};
  ::GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ(caption, "Copying program files");
}

}  // namespace
