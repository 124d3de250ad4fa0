#pragma once
// The wizard's windows on the stand-in, with the registry, the file system
// and the user's answers under the test's control.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/Registry.h"
#include "platform/standin/Standin.h"
#include "setup/SetupForms.h"
#include "setup/Unit_Constants.h"

class WizardFixture : public ::testing::Test {
 protected:
  static constexpr const char* kPrograms = "C:\\Documents and Settings\\User\\Start Menu\\Programs";

  void SetUp() override;
  void TearDown() override;

  // Creates the five windows as the program entry does and shows the wizard.
  void Start();

  // The next modal showing of a form with this caption is answered by act.
  void Answer(const std::string& caption, std::function<void(ui::TForm&)> act);
  // Modal forms are answered from the answers prepared with Answer (again,
  // after a test installed a responder of its own).
  void UseAnswers();
  // How many times a form with this caption was shown modally.
  int ModalCount(const std::string& caption) const;

  static void SetString(os::HKEY root, const std::string& key, const std::string& name,
                        const std::string& value);
  static void SetDword(os::HKEY root, const std::string& key, const std::string& name,
                       std::uint32_t value);
  static void CreateKey(os::HKEY root, const std::string& key);

  // Drives D: and E:, Setup started from E:\ with a one-volume payload of
  // three files (Morvella.exe, Uninst.exe, Lists\Fr.wdl).
  void StartFromSmallMedium();
  // Walks forward from the welcome page to page (1 to 4), agreeing.
  void GoTo(int page);

  std::unique_ptr<TSetupForms> forms_;
  TMainForm* main_ = nullptr;
  TExitForm* exit_ = nullptr;
  TFullScreenForm* backdrop_ = nullptr;

 private:
  struct Pending {
    std::string caption;
    std::function<void(ui::TForm&)> act;
  };
  std::deque<Pending> answers_;
  std::map<std::string, int> shown_;
  const ui::TForm* counted_ = nullptr;  // the progress dialog is asked many times a showing
};
