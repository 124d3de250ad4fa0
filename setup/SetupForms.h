#pragma once
// Setup's five windows, created in the program's order: the wizard first
// (the window whose closing ends the program), then the exit question, the
// backdrop, the version-1.0 prompt and the progress dialog. While they
// exist, the unit variables (MainForm, ExitForm...) point at them.
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_ExtractForm.h"
#include "setup/Main.h"
#include "setup/Unit_Constants.h"
#include "setup/Unit_FullScreenForm.h"
#include "setup/Unit_UninstallOldForm.h"

struct TSetupForms {
  TSetupForms();
  TSetupForms(const TSetupForms&) = delete;
  TSetupForms& operator=(const TSetupForms&) = delete;
  ~TSetupForms();

  TMainForm Main;
  TExitForm Exit{ExitText};
  TFullScreenForm FullScreen;
  TUninstallOldForm UninstallOld;
  TExtractForm Extract;
};
