// The progress dialog of the copy, which starts the extraction and hears its report.
#include "engine/Unit_ExtractForm.h"

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_ExtractThread.h"

bool ExitConfirmed = false;
TExtractForm* ExtractForm = nullptr;

TExtractForm::TExtractForm() : ui::TForm(363, 153) {
  CloseBox = false;  // no title-bar buttons: Cancel is the way out
  SetCaption("Copying program files");
  ExtractLabel.SetCaption("The program files are copied to the installation folder.");
  ProgressBar.Min = 0;
  ProgressBar.Max = 100;
  ProgressBar.Step = 1;
  CancelButton.SetCaption("Cancel");
  CancelButton.Cancel = true;
  CancelButton.OnClick = [this] { CancelButtonClick(); };
}

TExtractForm::~TExtractForm() { EndExtraction(); }

void TExtractForm::FormShow() {
  ExitConfirmed = false;
  ProgressBar.SetPosition(0);
  CancelButton.SetFocus();
  // A worker of an earlier showing is ended; the first volume confirmed
  // and held for this one stays.
  if (ExtractThread) EndExtraction();
  ExtractThread = std::make_unique<TExtractThread>(*this);
  ExtractThread->Start();
}

void TExtractForm::CancelButtonClick() { SetModalResult(os::IDCANCEL); }

void TExtractForm::StepDone() { ProgressBar.StepIt(); }

void TExtractForm::Ended(bool Complete) { SetModalResult(Complete ? os::IDOK : os::IDCANCEL); }

bool TExtractForm::StopAsked() const { return Modal() && ModalResult() != 0; }

void TExtractForm::LeavingConfirmed() { ExitConfirmed = true; }

bool TExtractForm::FormCloseQuery() {
  if (ExitConfirmed || ModalResult() != os::IDCANCEL) return true;
  // No new copy step while the user is asked.
  if (ExtractThread) ExtractThread->Suspend();
  if (ExitForm && ExitForm->ShowModal() == os::IDCANCEL) return true;
  // A step already asked for may have failed while the user was asked: its
  // error was shown and no worker is left to end the dialog.
  if (ExitConfirmed) return true;
  if (ExtractThread) ExtractThread->Resume();
  return false;
}

void TExtractForm::FormClose() {
  if (ModalResult() == os::IDCANCEL && ExtractThread && !ExtractThread->Finished())
    ExtractThread->Terminate();
  EndExtraction();
}
