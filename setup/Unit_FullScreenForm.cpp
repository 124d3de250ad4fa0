// The full-screen backdrop behind the wizard.
#include "setup/Unit_FullScreenForm.h"

TFullScreenForm* FullScreenForm = nullptr;

TFullScreenForm::TFullScreenForm() : ui::TForm(640, 480) {
  SetCaption("Morvella Setup");
  Borderless = true;
  Color = 0x00808000;  // teal: red 0, green 128, blue 128
  SetEnabled(false);   // clicks on it do nothing
}
