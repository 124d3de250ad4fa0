#pragma once
// The progress dialog shown while the product's files are copied. Showing it
// starts the extraction thread; the thread ends it with IDOK when every file
// was copied, IDCANCEL otherwise.
#include <memory>
#include <string>
#include <vector>

#include "platform/Forms.h"

class TLogFile;
class TExtractThread;

// What the wizard hands the extraction: filled before the dialog is shown.
class THeldFolder;

struct TExtractPars {
  TLogFile* LogFile = nullptr;
  std::string InstallDir;
  // Files of an earlier installation in this folder that could not be
  // removed: listed again, so the new log lists every file there.
  std::vector<std::string> KeptEntries;
  // Where the system keeps rights: each folder that exists already below
  // the installation folder is checked before an entry goes into it.
  bool CheckFolderRights = false;
  // The installation folder, held from its rights to the end (null: none).
  const THeldFolder* HeldFolder = nullptr;
};

extern TExtractPars ExtractPars;
// The user already confirmed leaving Setup at a disk prompt (or the
// extraction failed): the dialog closes without asking again.
extern bool ExitConfirmed;
extern std::unique_ptr<TExtractThread> ExtractThread;

class TExtractForm : public ui::TForm {
 public:
  TExtractForm();
  ~TExtractForm() override;

  ui::TLabel ExtractLabel{*this, {16, 16, 329, 49}};
  ui::TProgressBar ProgressBar{*this, {16, 72, 329, 16}};
  ui::TButton CancelButton{*this, {144, 112, 75, 25}};

  void CancelButtonClick();

 protected:
  void FormShow() override;
  bool FormCloseQuery() override;
  void FormClose() override;
};

extern TExtractForm* ExtractForm;
