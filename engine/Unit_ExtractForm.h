#pragma once
// The progress dialog shown while the product's files are copied. Showing it
// starts the extraction thread; the thread ends it with IDOK when every file
// was copied, IDCANCEL otherwise.
#include <memory>
#include <string>
#include <vector>

#include "engine/Unit_ExtractThread.h"
#include "platform/Forms.h"

// The user already confirmed leaving Setup at a disk prompt (or the
// extraction failed): the dialog closes without asking again.
extern bool ExitConfirmed;

class TExtractForm : public ui::TForm, public TExtractReport {
 public:
  TExtractForm();
  ~TExtractForm() override;

  ui::TLabel ExtractLabel{*this, {16, 16, 329, 49}};
  ui::TProgressBar ProgressBar{*this, {16, 72, 329, 16}};
  ui::TButton CancelButton{*this, {144, 112, 75, 25}};

  void CancelButtonClick();

  void StepDone() override;
  void Ended(bool Complete) override;
  bool StopAsked() const override;
  void LeavingConfirmed() override;

 protected:
  void FormShow() override;
  bool FormCloseQuery() override;
  void FormClose() override;
};

extern TExtractForm* ExtractForm;
