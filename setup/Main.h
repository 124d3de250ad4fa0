#pragma once
// The wizard window.
#include "platform/Forms.h"

class TMainForm : public ui::TForm {
 public:
  TMainForm();

  ui::TImage SetupImage{*this, {16, 16, 120, 280}};
  ui::TLabel WelcomeLabel{*this, {152, 16, 361, 281}};

  void FormCreate();
};

extern TMainForm* MainForm;
