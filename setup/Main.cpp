#include "setup/Main.h"

#include "platform/Exceptions.h"
#include "platform/JpegImage.h"
#include "platform/Resources.h"
#include "resources/ResourceIds.h"
#include "setup/Unit_Constants.h"

TMainForm* MainForm = nullptr;

TMainForm::TMainForm() : ui::TForm(532, 353) { FormCreate(); }

void TMainForm::FormCreate() {
  SetCaption("Morvella Setup");
  WelcomeLabel.SetCaption(WelcomeText);
  try {
    SetupImage.SetPicture(os::DecodeJpeg(os::LoadRcData(IDR_SIDEIMAGE)));
  } catch (const os::EInvalidGraphic&) {
    // The picture is decoration: without it the wizard still works.
  }
}
