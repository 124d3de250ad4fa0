#include "tests/standin/WizardFixture.h"

#include <stdexcept>

#include "platform/Files.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

void WizardFixture::SetUp() {
  standin::ResetFileSystem();
  standin::ResetRegistry();
  standin::ResetDialogs();
  standin::SetProgramsFolder(kPrograms);
  os::MakeSureDirectoryPathExists(std::string(kPrograms) + "\\");
  os::SetCurrentDirectoryA("C:\\");
  os::Application = os::TApplication();
  os::Application.Title = "Setup";
  SetupPars = TSetupPars();
  OldUninstallCommand.clear();
  InitConstants();
  UseAnswers();
}

void WizardFixture::UseAnswers() {
  standin::SetModalResponder([this](ui::TForm& form) {
    const bool progress = &form == ExtractForm;
    if (!progress || counted_ != &form) ++shown_[form.Caption()];
    counted_ = &form;
    // The progress dialog runs by itself unless the test has an answer for it.
    if (progress && (answers_.empty() || answers_.front().caption != form.Caption())) return;
    if (answers_.empty() || answers_.front().caption != form.Caption())
      throw std::logic_error("unexpected modal form \"" + form.Caption() + "\"");
    auto act = std::move(answers_.front().act);
    answers_.pop_front();
    act(form);
  });
}

void WizardFixture::TearDown() {
  EXPECT_TRUE(answers_.empty()) << answers_.size() << " prepared answers were not used";
  standin::SetModalResponder(nullptr);
  standin::OnMessagePump(nullptr);
  forms_.reset();
  // Whatever the test did, Setup and the uninstaller left nothing open: a
  // handle kept would keep a file the user wants to delete.
  EXPECT_EQ(standin::OpenHandleCount(), 0) << "handles left open";
}

void WizardFixture::Start() {
  forms_.reset();  // the windows of an earlier start go first
  forms_ = std::make_unique<TSetupForms>();
  main_ = &forms_->Main;
  exit_ = &forms_->Exit;
  backdrop_ = &forms_->FullScreen;
  main_->Show();
}

void WizardFixture::Answer(const std::string& caption, std::function<void(ui::TForm&)> act) {
  answers_.push_back({caption, std::move(act)});
}

int WizardFixture::ModalCount(const std::string& caption) const {
  auto found = shown_.find(caption);
  return found == shown_.end() ? 0 : found->second;
}

void WizardFixture::SetString(os::HKEY root, const std::string& key, const std::string& name,
                              const std::string& value) {
  os::UniqueHKEY k;
  ASSERT_EQ(os::RegCreateKeyExA(root, key, 0, os::KEY_ALL_ACCESS, k.receive(), nullptr),
            os::ERROR_SUCCESS);
  ASSERT_EQ(os::RegSetValueExA(k.get(), name, os::REG_SZ,
                               reinterpret_cast<const std::uint8_t*>(value.c_str()),
                               os::DWORD(value.size() + 1)),
            os::ERROR_SUCCESS);
}

void WizardFixture::SetDword(os::HKEY root, const std::string& key, const std::string& name,
                             std::uint32_t value) {
  os::UniqueHKEY k;
  ASSERT_EQ(os::RegCreateKeyExA(root, key, 0, os::KEY_ALL_ACCESS, k.receive(), nullptr),
            os::ERROR_SUCCESS);
  ASSERT_EQ(os::RegSetValueExA(k.get(), name, os::REG_DWORD,
                               reinterpret_cast<const std::uint8_t*>(&value), 4),
            os::ERROR_SUCCESS);
}

void WizardFixture::CreateKey(os::HKEY root, const std::string& key) {
  os::UniqueHKEY k;
  ASSERT_EQ(os::RegCreateKeyExA(root, key, 0, os::KEY_ALL_ACCESS, k.receive(), nullptr),
            os::ERROR_SUCCESS);
}

void WizardFixture::StartFromSmallMedium() {
  standin::AddDrive('D');
  standin::AddDrive('E');
  ASSERT_TRUE(os::SetCurrentDirectoryA("E:\\"));
  WriteFileBytes("E:\\Setup.d01", Le32(10) + Entry("Morvella.exe", "prog") + Entry("Uninst.exe", "unin") +
                                       Entry("Lists\\Fr.wdl", "fr") + std::string(1, '\0'));
}

void WizardFixture::GoTo(int page) {
  if (page >= 1) main_->NextButton.Click();
  if (page >= 2) {
    main_->AgreeRadio.Click();
    main_->NextButton.Click();
  }
  if (page >= 3) main_->NextButton.Click();
  if (page >= 4) main_->NextButton.Click();
  ASSERT_EQ(SetupPars.Page, page);
}
