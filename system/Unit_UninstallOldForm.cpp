#include "system/Unit_UninstallOldForm.h"

TUninstallOldForm* UninstallOldForm = nullptr;

TUninstallOldForm::TUninstallOldForm() : ui::TForm(414, 186) {
  SetCaption("Morvella Setup");
  Position = ui::TPosition::Designed;
  DesignedLeft = 192;
  DesignedTop = 107;
}
