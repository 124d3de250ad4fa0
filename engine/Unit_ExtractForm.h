#pragma once
// The progress dialog shown while the product's files are copied.
#include "platform/Forms.h"

class TExtractForm : public ui::TForm {
 public:
  TExtractForm();
};

extern TExtractForm* ExtractForm;
