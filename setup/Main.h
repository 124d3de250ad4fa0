#pragma once
// The wizard window: start-up detection, the pages and their navigation,
// the Start-menu folder tree.
#include <string>

#include "platform/Forms.h"
#include "setup/SetupPars.h"

class TMainForm : public ui::TForm {
 public:
  TMainForm();

  // Declared in keyboard order for the controls that take the focus.
  ui::TImage SetupImage{*this, {16, 16, 120, 280}};
  ui::TBevel Bevel{*this, {16, 304, 497, 2}};
  ui::TLabel WelcomeLabel{*this, {152, 16, 361, 281}};
  ui::TLabel BeforeLicenceLabel{*this, {152, 16, 361, 33}};
  ui::TLabel AfterLicenceLabel{*this, {152, 224, 361, 41}};
  ui::TLabel SelectInstallDirLabel{*this, {152, 16, 361, 225}};
  ui::TLabel ProgFolderLabel{*this, {152, 16, 361, 49}};
  ui::TLabel ConfirmSettingsLabel{*this, {152, 16, 361, 89}};
  ui::TLabel FinishedLabel{*this, {152, 16, 361, 169}};
  ui::TButton CancelButton{*this, {440, 320, 75, 25}};
  ui::TButton NextButton{*this, {344, 320, 75, 25}};
  ui::TButton BackButton{*this, {264, 320, 75, 25}};
  ui::TMemo LicenceMemo{*this, {152, 56, 361, 161}, true};
  ui::TRadioButton AgreeRadio{*this, {176, 264, 337, 17}};
  ui::TRadioButton DisagreeRadio{*this, {176, 280, 337, 17}};
  ui::TGroupBox InstallDirBox{*this, {152, 248, 361, 49}};
  ui::TEdit InstallDirEdit{*this, {8, 20, 249, 21}, &InstallDirBox};
  ui::TButton BrowseButton{*this, {272, 16, 75, 25}, &InstallDirBox};
  ui::TEdit ProgFolderEdit{*this, {152, 72, 361, 21}};
  ui::TTreeView ProgFoldersTree{*this, {152, 104, 361, 193}};
  ui::TMemo ConfirmMemo{*this, {152, 104, 361, 193}, false};
  ui::TButton FinishButton{*this, {440, 320, 75, 25}};

  void FormCreate();
  void CancelButtonClick();
  void NextButtonClick();
  void BackButtonClick();
  void AgreeRadioClick();
  void DisagreeRadioClick();
  void BrowseButtonClick();
  void ProgFoldersTreeChange(ui::TTreeNode* Node);
  void FinishButtonClick();

  void FillProgFoldersTree();
  // Page 5, after a complete installation.
  void ShowFinishedPage();
  // Adds the folders below Folder, which lies Depth levels below the
  // Programs folder, under Node; links are not entered, nor is anything
  // deeper than kTreeDepth levels.
  void AddSubfolders(ui::TTreeNode* Node, const std::string& Folder, int Depth);
  static constexpr int kTreeDepth = 30;

 protected:
  void FormShow() override;
  bool FormCloseQuery() override;

 private:
  void ShowLicencePage();
  void ShowInstallDirPage();
  void EnterProgFolderPage();
  void FillSummary();
  void SetLicenceVisible(bool visible);
  void SetProgFolderVisible(bool visible);
  void SetInstallDirVisible(bool visible);
  bool shown_ = false;
};

extern TMainForm* MainForm;

// Whether the folder Path could be created (pages 2 and 3), making
// nothing: it exists, or the deepest level that does is one in which
// folders may be made and the missing levels have names Windows takes.
// Says so in a message box when it could not. Nothing is made or removed by
// path before the folder's checks (through a link at a level that would be
// wherever the link points); the folders are made at Next on the
// confirmation page, with their rights, after every check.
bool CanCreateFolder(const std::string& Path);
// The shell's folder dialog; empty when cancelled.
std::string BrowseFolder();
