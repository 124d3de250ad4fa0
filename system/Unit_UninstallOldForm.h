#pragma once
// The prompt that offers to uninstall an installation of version 1.0.
#include "platform/Forms.h"

class TUninstallOldForm : public ui::TForm {
 public:
  TUninstallOldForm();
};

extern TUninstallOldForm* UninstallOldForm;
