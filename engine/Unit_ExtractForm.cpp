#include "engine/Unit_ExtractForm.h"

TExtractForm* ExtractForm = nullptr;

TExtractForm::TExtractForm() : ui::TForm(363, 153) {
  SetCaption("Copying program files");
  CloseBox = false;
}
