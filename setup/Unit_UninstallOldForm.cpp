#include "setup/Unit_UninstallOldForm.h"

#include <memory>

#include "engine/HeldFolder.h"
#include "platform/Application.h"
#include "platform/Chars.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Sddl.h"
#include "platform/Shell.h"
#include "setup/InstallFolder.h"
#include "setup/Main.h"
#include "setup/Unit_Constants.h"
#include "system/Folders.h"

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

namespace {
// The program and its folder, held from their checks until the program has
// started: neither can be moved, renamed, deleted or written meanwhile.
struct THeldProgram {
  std::unique_ptr<THeldFolder> Folder;
  os::UniqueHandle File;
};

// A program that only administrators can have put there, for it is started
// with their rights: named by its full path (a bare or relative name would
// be looked for in the current folder, the medium, which anyone may have
// written), with no link on the way (each level read without following
// it), held, and found where its path says. Only administrators own and
// may change it and its folder (where a DLL beside it would be loaded),
// judged through the handles, and users may rename no folder above it.
// Where the system keeps no rights (Wine), the Windows folder and Program
// Files outside the system's temporary folder are all there is to go by.
// Nothing held when it may not be started.
THeldProgram HoldToStart(const std::string& program) {
  THeldProgram held;
  if (!IsAbsoluteFolder(program)) return held;
  const std::string full = os::GetFullPathNameA(program);
  if (full.empty() || !LinkOnTheWay(full).empty()) return held;
  const std::string folder = StripBackslash(FolderOfPath(full) + "\\");
  held.Folder = std::make_unique<THeldFolder>(folder);
  held.File.reset(os::CreateFileA(full, os::GENERIC_READ | os::READ_CONTROL, os::FILE_SHARE_READ,
                                  os::OPEN_EXISTING, os::FILE_FLAG_OPEN_REPARSE_POINT));
  const os::DWORD attributes = held.File ? os::GetFileAttributesByHandle(held.File.get()) : os::INVALID_FILE_ATTRIBUTES;
  bool allowed = held.Folder->Usable() && attributes != os::INVALID_FILE_ATTRIBUTES &&
                 !(attributes & (os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_REPARSE_POINT)) &&
                 (held.Folder->Legacy() || (os::FinalPathIs(held.File.get(), full) &&
                                            os::FinalPathIs(held.Folder->Handle(), folder)));
  if (allowed && FileRightsTell()) {
    sddl::Descriptor file, container;
    allowed = sddl::Parse(os::GetSecurityInfoByHandle(held.File.get()), file) && sddl::OnlyAdministrators(file) &&
              sddl::Parse(os::GetSecurityInfoByHandle(held.Folder->Handle()), container) &&
              sddl::OnlyAdministrators(container) && FirstFolderAboveUsersCanRename(folder).empty();
  } else if (allowed) {
    const std::string windows = os::GetWindowsDirectoryA();
    const std::string temp = os::GetSystemTempPathA();
    const bool systemPlace = (!windows.empty() && IsBelow(windows, full)) || InsideProgramFiles(full);
    allowed = systemPlace && !(!temp.empty() && IsBelow(temp, full));
  }
  if (!allowed) held = THeldProgram();
  return held;
}
}  // namespace

void AskToUninstallOldVersion() {
  if (UninstallOldForm->ShowModal() != os::IDOK) return;
  const auto [program, parameters] = SplitUninstallCommand(OldUninstallCommand);
  const std::string folder = FolderWithSeparator(program);
  const os::HWND owner = os::Application.DialogOwner();
  // Held until ShellExecute has started it.
  const THeldProgram held = HoldToStart(program);
  if (!held.File || os::ShellExecuteA(owner, program, parameters, folder, os::SW_SHOW) <= 32) {
    // The user chose to uninstall: ending without a word would leave them
    // waiting for an uninstaller that never comes, or believing it ran.
    ErrorBox("The uninstall program of version 1.0 could not be started:\n\n" + OldUninstallCommand);
  }
  SetupPars.NoExitConfirm = true;
  if (MainForm) MainForm->Close();
}
