#pragma once
// The teal backdrop behind the wizard. It has no behaviour of its own.
#include "platform/Forms.h"

class TFullScreenForm : public ui::TForm {
 public:
  TFullScreenForm();
};

extern TFullScreenForm* FullScreenForm;
