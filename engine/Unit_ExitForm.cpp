// The dialog that asks whether Setup is to end.
#include "engine/Unit_ExitForm.h"

TExitForm* ExitForm = nullptr;

TExitForm::TExitForm(const std::string& Text) : ui::TForm(345, 185) {
  SetCaption("Exit setup");
  TextLabel.SetCaption(Text);
  ResumeButton.SetCaption("&Continue");
  ResumeButton.SetDefault(true);
  ResumeButton.OnClick = [this] { ResumeButtonClick(); };
  ExitButton.SetCaption("&Exit");
  ExitButton.Cancel = true;
  ExitButton.OnClick = [this] { ExitButtonClick(); };
}

void TExitForm::FormShow() {
  // Continuing is the safe answer, though Exit comes first in the Tab order.
  ResumeButton.SetFocus();
}

void TExitForm::ResumeButtonClick() { SetModalResult(os::IDOK); }

void TExitForm::ExitButtonClick() { SetModalResult(os::IDCANCEL); }
