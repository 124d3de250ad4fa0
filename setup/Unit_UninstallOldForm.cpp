// The question whether to uninstall version 1.0 first, and the start of its uninstaller.
#include "setup/Unit_UninstallOldForm.h"

#include <memory>

#include "platform/Application.h"
#include "platform/Chars.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "setup/InstallFolder.h"
#include "setup/SetupPars.h"
#include "setup/Unit_Constants.h"
#include "trust/HeldFolder.h"
#include "trust/Unit_Paths.h"

TUninstallOldForm* UninstallOldForm = nullptr;

TUninstallOldForm::TUninstallOldForm() : ui::TForm(414, 186) {
  Position = ui::TPosition::Designed;  // not centred
  DesignedLeft = 192;
  DesignedTop = 107;
  SetCaption("Morvella Setup");
  UninstallOldLabel.SetCaption(UninstallOldText);
  YesButton.SetCaption("Yes");
  YesButton.SetDefault(true);
  YesButton.OnClick = [this] { YesButtonClick(); };
  NoButton.SetCaption("No");
  NoButton.Cancel = true;
  NoButton.OnClick = [this] { NoButtonClick(); };
  YesButton.SetFocus();
}

void TUninstallOldForm::YesButtonClick() { SetModalResult(os::IDOK); }

void TUninstallOldForm::NoButtonClick() { SetModalResult(os::IDCANCEL); }

namespace {
std::string TrimLeft(const std::string& s) {
  const std::size_t at = s.find_first_not_of(' ');  // a blank is never half a character
  return at == std::string::npos ? std::string() : s.substr(at);
}
}  // namespace

std::pair<std::string, std::string> SplitUninstallCommand(const std::string& Command) {
  const TCharacters& chars = SystemCharacters();
  if (!Command.empty() && Command[0] == '"') {
    const std::size_t close = chars.Find(Command, '"', 1);
    if (close != std::string::npos)
      return {Command.substr(1, close - 1), TrimLeft(Command.substr(close + 1))};
  }
  if (FileExists(Command)) return {Command, ""};
  // The longest run of words that names an existing file is the program: a
  // path with blanks ("C:\Program Files\...") needs no quotes to be found.
  std::vector<std::size_t> blanks;
  for (std::size_t at = 0; (at = chars.Find(Command, ' ', at)) != std::string::npos; ++at)
    blanks.push_back(at);
  for (auto at = blanks.rbegin(); at != blanks.rend(); ++at)
    if (*at > 0 && FileExists(Command.substr(0, *at)))
      return {Command.substr(0, *at), Command.substr(*at + 1)};
  if (blanks.empty()) return {Command, ""};
  return {Command.substr(0, blanks.front()), Command.substr(blanks.front() + 1)};
}

bool AskToUninstallOldVersion() {
  if (UninstallOldForm->ShowModal() != os::IDOK) return false;
  const auto [program, parameters] = SplitUninstallCommand(OldUninstallCommand);
  const std::string folder = FolderWithSeparator(program);
  const os::HWND owner = os::Application.DialogOwner();
  // Held until ShellExecute has started it.
  const THeldProgram held = HoldToStart(program, InsideProgramFiles(os::GetFullPathNameA(program)));
  if (!held.File || os::ShellExecuteA(owner, program, parameters, folder, os::SW_SHOW) <= 32) {
    // The user chose to uninstall: ending without a word would leave them
    // waiting for an uninstaller that never comes, or believing it ran.
    ErrorBox("The uninstall program of version 1.0 could not be started:\n\n" + OldUninstallCommand);
  }
  return true;
}
