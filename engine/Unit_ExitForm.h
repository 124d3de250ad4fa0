#pragma once
// The one question Setup asks before giving up an unfinished installation,
// asked by the wizard and by the progress dialog alike. Modal result IDOK:
// continue; IDCANCEL: exit.
#include <string>

#include "platform/Forms.h"

class TExitForm : public ui::TForm {
 public:
  // Text: the question (the wizard's ExitText).
  explicit TExitForm(const std::string& Text = std::string());

  ui::TLabel TextLabel{*this, {16, 16, 313, 129}};
  ui::TButton ExitButton{*this, {256, 152, 75, 25}};
  ui::TButton ResumeButton{*this, {176, 152, 75, 25}};

  void ResumeButtonClick();
  void ExitButtonClick();

 protected:
  void FormShow() override;
};

extern TExitForm* ExitForm;
