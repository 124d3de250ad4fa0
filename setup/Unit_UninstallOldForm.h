#pragma once
// The prompt that offers to uninstall an installation of version 1.0.
// Modal result IDOK: yes; IDCANCEL: no.
#include <string>
#include <utility>

#include "platform/Forms.h"

class TUninstallOldForm : public ui::TForm {
 public:
  TUninstallOldForm();

  ui::TLabel UninstallOldLabel{*this, {16, 16, 377, 113}};
  ui::TButton YesButton{*this, {112, 144, 75, 25}};
  ui::TButton NoButton{*this, {216, 144, 75, 25}};

  void YesButtonClick();
  void NoButtonClick();
};

extern TUninstallOldForm* UninstallOldForm;

// The program and the parameters of an uninstall command. A program in
// double quotes ends at its closing quote; otherwise the longest part before
// a blank (or the whole command) that names an existing file, so that a
// planted C:\Program.exe cannot stand in for C:\Program Files\...\UNINST.EXE;
// failing that, the text before the first blank.
std::pair<std::string, std::string> SplitUninstallCommand(const std::string& Command);

// Shows the prompt; on Yes starts the version-1.0 uninstaller (or says it
// could not) and returns true: Setup is to end, asking nothing.
bool AskToUninstallOldVersion();
