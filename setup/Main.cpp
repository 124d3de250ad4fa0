// The wizard window: start-up detection, the pages and their navigation, the Start-menu tree.
#include "setup/Main.h"


#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_ExtractThread.h"
#include "engine/Unit_Logfile.h"
#include "platform/Application.h"
#include "platform/Chars.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/JpegImage.h"
#include "platform/Resources.h"
#include "platform/Shell.h"
#include "resources/ResourceIds.h"
#include "setup/InstallFolder.h"
#include "setup/InstallationSequence.h"
#include "setup/Unit_Constants.h"
#include "setup/Unit_FullScreenForm.h"
#include "setup/Unit_UninstallOldForm.h"
#include "system/KnownFolders.h"
#include "system/RegistryKeys.h"
#include "system/Unit_Settings.h"
#include "trust/HeldFolder.h"
#include "trust/Unit_Paths.h"

TMainForm* MainForm = nullptr;

namespace {

const char* const kCannotCreate =
    "The folder you have filled in, could not be created.  Choose another folder.";

// C up to and including its last "\" or ":"; empty when it has neither. A
// program in double quotes is taken without them.
std::string FolderPart(std::string command) {
  if (command.size() > 1 && command[0] == '"') {
    const std::size_t close = SystemCharacters().Find(command, '"', 1);
    command = command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return FolderWithSeparator(command);
}

}  // namespace



// --- Start-up --------------------------------------------------------------

TMainForm::TMainForm() : ui::TForm(532, 353) {
  SetCaption("Morvella Setup");
  NextButton.SetDefault(true);
  CancelButton.Cancel = true;
  CancelButton.OnClick = [this] { CancelButtonClick(); };
  NextButton.OnClick = [this] { NextButtonClick(); };
  BackButton.OnClick = [this] { BackButtonClick(); };
  AgreeRadio.OnClick = [this] { AgreeRadioClick(); };
  DisagreeRadio.OnClick = [this] { DisagreeRadioClick(); };
  BrowseButton.OnClick = [this] { BrowseButtonClick(); };
  ProgFoldersTree.OnChange = [this](ui::TTreeNode* node) { ProgFoldersTreeChange(node); };
  FinishButton.OnClick = [this] { FinishButtonClick(); };
  for (ui::TControl* c : Controls()) c->SetVisible(false);
  for (ui::TControl* c : {static_cast<ui::TControl*>(&SetupImage), static_cast<ui::TControl*>(&Bevel),
                          static_cast<ui::TControl*>(&WelcomeLabel),
                          static_cast<ui::TControl*>(&BackButton),
                          static_cast<ui::TControl*>(&NextButton),
                          static_cast<ui::TControl*>(&CancelButton)})
    c->SetVisible(true);
  InstallDirEdit.SetVisible(true);  // shown with their group box
  BrowseButton.SetVisible(true);
  BackButton.SetEnabled(false);
  FormCreate();
  NextButton.SetFocus();
}

void TMainForm::FormCreate() {
  SetupPars.Page = 0;
  SetupPars.OldInstallFound = false;
  AskUninstallOld = false;

  TRegistry registry;
  registry.SetRootKey(os::HKEY_LOCAL_MACHINE);
  if (registry.OpenKey(kUninstallKey, false) && registry.ValueExists("UninstallString")) {
    std::string command;
    bool readable = true;
    try {
      command = registry.ReadString("UninstallString");
    } catch (const os::ERegistryException&) {
      readable = false;  // not text: no earlier installation to go by
    }
    if (readable) {
      if (registry.KeyExists(kVersion10Key)) {
        OldUninstallCommand = command;
        AskUninstallOld = true;
      }
      SetupPars.OldInstallDir = StripBackslash(FolderPart(command));
      // Only an absolute folder: a relative one would be looked for on the
      // installation medium.
      const std::string logName = JoinPath(SetupPars.OldInstallDir, kLogName);
      if (IsAbsoluteFolder(SetupPars.OldInstallDir) && FileExists(logName)) {
        // "D:\.\Uninst.exe" names the root: every later decision sees it so.
        SetupPars.OldInstallDir = StripBackslash(os::GetFullPathNameA(SetupPars.OldInstallDir));
        try {
          SetupPars.OldInstallFound = ReadProgramFolder(logName, SetupPars.OldProgFolder);
        } catch (const os::EInOutError&) {
          // An unreadable log is as good as none: the defaults are proposed.
        }
      }
      SetupPars.InstallDir = SetupPars.OldInstallDir;
      // A recorded Start-menu folder that would leave the Programs folder is
      // not proposed (its removal skips it too).
      const std::string& old = SetupPars.OldProgFolder;
      SetupPars.ProgFolder = old.empty() || EntryNameProblem(old).empty() ? old : "Morvella";
    }
  }
  registry.CloseKey();

  if (!SetupPars.OldInstallFound) {
    SetupPars.InstallDir = JoinPath(ProgramFilesFolders().front(), "Morvella");
    SetupPars.ProgFolder = "Morvella";
  }
  SetupPars.NoExitConfirm = false;

  WelcomeLabel.SetCaption(WelcomeText);
  BeforeLicenceLabel.SetCaption(BeforeLicenceText);
  LicenceMemo.SetCaption(LicenceText);
  AfterLicenceLabel.SetCaption(AfterLicenceText);
  AgreeRadio.SetCaption("&Yes, I agree with the licence agreement");
  DisagreeRadio.SetCaption("&No, I do not agree with the licence agreement");
  SelectInstallDirLabel.SetCaption(SelectInstallDirText);
  InstallDirBox.SetCaption("Installation folder");
  BrowseButton.SetCaption("B&rowse...");
  ProgFolderLabel.SetCaption(ProgFolderText);
  ConfirmSettingsLabel.SetCaption(ConfirmSettingsText);
  FinishedLabel.SetCaption(FinishedText);
  FinishButton.SetCaption("Finish");
  BackButton.SetCaption("< &Back");
  NextButton.SetCaption("&Next >");
  CancelButton.SetCaption("Cancel");
  try {
    SetupImage.SetPicture(os::DecodeJpeg(os::LoadRcData(IDR_SIDEIMAGE)));
  } catch (const os::EInvalidGraphic&) {
    // The picture is decoration: without it the wizard still works.
  }
}

void TMainForm::FormShow() {
  if (shown_) return;
  shown_ = true;
  if (AskUninstallOld) {
    // The version-1.0 prompt takes the backdrop's place; Yes ends Setup.
    if (AskToUninstallOldVersion()) {
      SetupPars.NoExitConfirm = true;
      Close();
    }
    if (Closed()) return;
  } else if (FullScreenForm) {
    FullScreenForm->ShowFullScreen();
  }
  // A release's first volume must be confirmed whole before the earlier
  // installation goes: that begins now, on threads of its own, so that
  // Next on the last page need not wait for it.
  if (SetupPars.OldInstallFound) BeginFirstVolumeCheck();
}

bool TMainForm::FormCloseQuery() {
  if (SetupPars.NoExitConfirm) return true;
  return ExitForm && ExitForm->ShowModal() == os::IDCANCEL;
}

void TMainForm::CancelButtonClick() { Close(); }

void TMainForm::FinishButtonClick() { Close(); }

// --- Pages -----------------------------------------------------------------

void TMainForm::SetLicenceVisible(bool visible) {
  for (ui::TControl* c : {static_cast<ui::TControl*>(&BeforeLicenceLabel),
                          static_cast<ui::TControl*>(&LicenceMemo),
                          static_cast<ui::TControl*>(&AfterLicenceLabel),
                          static_cast<ui::TControl*>(&AgreeRadio),
                          static_cast<ui::TControl*>(&DisagreeRadio)})
    c->SetVisible(visible);
}

void TMainForm::SetInstallDirVisible(bool visible) {
  SelectInstallDirLabel.SetVisible(visible);
  InstallDirBox.SetVisible(visible);
}

void TMainForm::SetProgFolderVisible(bool visible) {
  ProgFolderLabel.SetVisible(visible);
  ProgFolderEdit.SetVisible(visible);
  ProgFoldersTree.SetVisible(visible);
}

void TMainForm::ShowLicencePage() {
  NextButton.SetEnabled(false);
  AgreeRadio.SetChecked(false);
  DisagreeRadio.SetChecked(false);
  SetLicenceVisible(true);
  LicenceMemo.SetFocus();
  SetupPars.Page = 1;
}

void TMainForm::ShowInstallDirPage() {
  InstallDirEdit.SetText(SetupPars.InstallDir);
  SetInstallDirVisible(true);
  NextButton.SetFocus();
  SetupPars.Page = 2;
}

void TMainForm::EnterProgFolderPage() {
  FillProgFoldersTree();
  ProgFolderEdit.SetText(SetupPars.ProgFolder);
  SetProgFolderVisible(true);
  NextButton.SetFocus();
  SetupPars.Page = 3;
}

void TMainForm::NextButtonClick() {
  switch (SetupPars.Page) {
    case 0:
      WelcomeLabel.SetVisible(false);
      BackButton.SetEnabled(true);
      ShowLicencePage();
      break;
    case 1:
      if (AgreeRadio.Checked()) {
        SetLicenceVisible(false);
        ShowInstallDirPage();
      } else {
        Close();  // the exit confirmation asks
      }
      break;
    case 2: {
      // A trailing backslash is accepted and dropped (a drive root keeps it).
      std::string folder = InstallDirEdit.Text();
      while (folder.size() > 1 && EndsWithBackslash(folder) && StripBackslash(folder) != folder)
        folder = StripBackslash(folder);
      if (!CanCreateFolder(folder)) {
        InstallDirEdit.SetFocus();
        return;
      }
      const std::string full = StripBackslash(os::GetFullPathNameA(folder));
      const std::string problem = InstallFolderProblem(full);
      if (!problem.empty()) {
        ErrorBox(problem);
        InstallDirEdit.SetFocus();
        return;
      }
      SetupPars.InstallDir = full;
      SetInstallDirVisible(false);
      EnterProgFolderPage();
      break;
    }
    case 3: {
      std::string unwritable;
      const std::string programs = GetProgramsFolder(&unwritable);
      if (!unwritable.empty()) {
        // Its best-fit name is another folder, which the Start menu never shows.
        ErrorBox("Setup cannot place shortcuts in your Start menu: the name of its folder " +
                 unwritable + " cannot be written in this system's code page.");
        return;
      }
      // Without it the shortcuts' paths would be relative, and they would be
      // saved in the folder Setup runs from, the medium: none are made, and
      // the user is told here rather than after the copying.
      if (programs.empty()) {
        ErrorBox("Setup cannot find the Programs folder of your Start menu, so it cannot place "
                 "Morvella in it.");
        return;
      }
      std::string folder = ProgFolderEdit.Text();
      while (EndsWithBackslash(folder)) folder.pop_back();
      // Windows drops a dot or a space at the end of a folder's name when it
      // makes the folder; and the removal, which takes no such name (it is
      // not the name of the folder there), would never take the shortcuts
      // away again.
      for (const std::string& level : PathLevels(folder)) {
        if (!EndsInDotOrSpace(level, SystemCharacters())) continue;
        ErrorBox("Windows removes a dot or a space at the end of a folder name: remove it from " + folder +
                 " and click Next again.");
        ProgFolderEdit.SetFocus();
        return;
      }
      // The Start-menu folder stays below the Programs folder: "..", a
      // rooted path and device names would lead elsewhere.
      if (!folder.empty() && !PathNameProblem(folder).empty()) {
        ErrorBox(kCannotCreate);
        ProgFolderEdit.SetFocus();
        return;
      }
      const std::string link = THeldFolder(programs).FirstLinkBelow(folder);
      if (!link.empty()) {
        ErrorBox("The folder " + link +
                 " is a link to another place.  Setup does not place shortcuts through links; "
                 "choose another folder.");
        ProgFolderEdit.SetFocus();
        return;
      }
      if (!CanCreateFolder(JoinPath(programs, folder))) {
        ProgFolderEdit.SetFocus();
        return;
      }
      SetupPars.ProgFolder = folder;
      SetProgFolderVisible(false);
      FillSummary();
      ConfirmSettingsLabel.SetVisible(true);
      ConfirmMemo.SetVisible(true);
      NextButton.SetFocus();
      SetupPars.Page = 4;
      break;
    }
    case 4:
      switch (InstallationSequence()) {
        case TInstallOutcome::Ended:
          SetupPars.NoExitConfirm = true;
          Close();
          break;
        case TInstallOutcome::Finished:
          ShowFinishedPage();
          break;
        case TInstallOutcome::Stayed:
          break;
      }
      break;
    default:
      break;
  }
}

void TMainForm::BackButtonClick() {
  switch (SetupPars.Page) {
    case 1:
      SetLicenceVisible(false);
      BackButton.SetEnabled(false);
      NextButton.SetEnabled(true);
      WelcomeLabel.SetVisible(true);
      NextButton.SetFocus();
      SetupPars.Page = 0;
      break;
    case 2:
      SetInstallDirVisible(false);
      ShowLicencePage();
      break;
    case 3:
      SetProgFolderVisible(false);
      ShowInstallDirPage();
      break;
    case 4:
      ConfirmSettingsLabel.SetVisible(false);
      ConfirmMemo.SetVisible(false);
      EnterProgFolderPage();
      break;
    default:
      break;
  }
}

void TMainForm::AgreeRadioClick() { NextButton.SetEnabled(true); }

void TMainForm::DisagreeRadioClick() { NextButton.SetEnabled(true); }

void TMainForm::BrowseButtonClick() {
  const std::string folder = BrowseFolder();
  if (!folder.empty()) InstallDirEdit.SetText(folder);
}

void TMainForm::ShowFinishedPage() {
  SetupPars.Page = 5;
  SetupPars.NoExitConfirm = true;
  ConfirmSettingsLabel.SetVisible(false);
  ConfirmMemo.SetVisible(false);
  BackButton.SetVisible(false);
  NextButton.SetVisible(false);
  CancelButton.SetVisible(false);
  FinishedLabel.SetVisible(true);
  FinishButton.SetVisible(true);
  NextButton.SetDefault(false);
  FinishButton.SetDefault(true);
  FinishButton.SetFocus();
}

namespace {
// The name of the entry at path as the file system spells it; empty when
// it cannot be found.
std::string NameAsFound(const std::string& path) {
  os::WIN32_FIND_DATAA found;
  const os::UniqueSearch search(os::FindFirstFileA(path, &found));
  return search ? found.cFileName : std::string();
}
}  // namespace

void TMainForm::FillSummary() {
  const std::string programs = GetProgramsFolder();
  const std::string programsName = programs.empty() ? std::string() : NameAsFound(programs);
  std::string place = JoinPath(programsName, SetupPars.ProgFolder);
  const std::vector<std::string> levels = PathLevels(place);
  std::string shown = levels.front();
  for (std::size_t i = 1; i < levels.size(); ++i) shown += " | " + levels[i];
  ConfirmMemo.Clear();
  ConfirmMemo.AddLine("The program will be installed in the folder:");
  ConfirmMemo.AddLine("   " + SetupPars.InstallDir);
  ConfirmMemo.AddLine("");
  ConfirmMemo.AddLine("");
  ConfirmMemo.AddLine("The program will be placed in the Start menu at:");
  ConfirmMemo.AddLine("   " + shown);
}

// --- Start-menu folder tree ------------------------------------------------

void TMainForm::FillProgFoldersTree() {
  ProgFoldersTree.BeginUpdate();
  ProgFoldersTree.Clear();
  const std::string programs = GetProgramsFolder();
  // Without a Programs folder the tree stays empty: a search of "" would list
  // the current folder, the installation medium.
  if (!programs.empty()) {
    ui::TTreeNode* root = ProgFoldersTree.Add(nullptr, NameAsFound(programs));
    root->ImageIndex = 0;
    root->SelectedIndex = 1;
    AddSubfolders(root, programs, 1);
    ProgFoldersTree.SortAll(os::lstrcmpA);
    ProgFoldersTree.Expand(root);
  }
  ProgFoldersTree.EndUpdate();
}

void TMainForm::AddSubfolders(ui::TTreeNode* Node, const std::string& Folder, int Depth) {
  os::TDirectorySearch search(JoinPath(Folder, "*.*"));
  while (search.Next()) {
    if (!search.IsFolder() || search.Name() == "." || search.Name() == "..") continue;
    ui::TTreeNode* child = ProgFoldersTree.Add(Node, search.Name());
    child->ImageIndex = 0;
    child->SelectedIndex = 1;
    // A link is shown but not entered: one that points back up would repeat
    // the tree without end. Deeper than that, no Start menu goes.
    if (!(search.Attributes() & os::FILE_ATTRIBUTE_REPARSE_POINT) && Depth < kTreeDepth)
      AddSubfolders(child, JoinPath(Folder, search.Name()), Depth + 1);
  }
}

void TMainForm::ProgFoldersTreeChange(ui::TTreeNode* Node) {
  std::string text;
  for (; Node && Node->Parent; Node = Node->Parent) text = JoinPath(Node->Text, text);
  ProgFolderEdit.SetText(text);
}

// --- Functions of the main unit --------------------------------------------

bool CanCreateFolder(const std::string& Path) {
  // Nothing is made to find out: a folder made and removed by its path
  // could be turned, by a link put on the way meanwhile, into the deletion
  // of another folder with administrator rights.
  const std::string full = Path.empty() ? Path : os::GetFullPathNameA(Path);
  if (!full.empty() && FolderExists(full)) return true;
  auto [existing, rest] = SplitExistingPath(full);
  bool ok = !existing.empty() && !rest.empty() && PathNameProblem(rest).empty() &&
            JoinPath(existing, rest).size() < os::MAX_PATH;
  if (ok) {
    // Asked of the deepest level that exists, opened as itself (never
    // where a link would lead): whether folders may be made in it.
    ok = MayMakeFoldersAt(existing);
  }
  if (!ok) ErrorBox(kCannotCreate);
  return ok;
}

std::string BrowseFolder() {
  return os::SHBrowseForFolderA(os::Application.DialogOwner(), "Select a folder");
}

