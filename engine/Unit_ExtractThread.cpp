#include "engine/Unit_ExtractThread.h"

#include <algorithm>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_Logfile.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Forms.h"
#include "setup/Unit_ExitForm.h"

std::unique_ptr<TDataFile> DataFile;
std::int32_t TotalSize = 0;
std::int32_t StepLeft = 0;
std::int32_t Copied = 0;
std::int32_t NextDisk = 0;
std::string VolumeExt;
bool VolumeFound = false;
bool VolumeConfirmed = false;

namespace {

// The volumes opened so far: a chain that comes back to one of them would
// never end.
bool volumesRead[256];  // by the trailer byte's number

// What this Setup.exe was built to install, when it carries a list.
TVolumeHashes volumeHashes;

// How much of a volume one step hashes: a few hundredths of a second, so
// that the dialog stays live and a cancel is seen.
constexpr std::uint64_t kConfirmPiece = 4u << 20;

// Where the volume's entries go: this extraction's log and folder.
void BindToExtraction(TDataFile& volume) {
  volume.LogFile = ExtractPars.LogFile;
  volume.TargetDir = ExtractPars.InstallDir;
  volume.ProtectFolders = ExtractPars.ProtectFolders;
  volume.Held = ExtractPars.HeldFolder;
}

// Opens volume Number as the current one, to be checked against the list.
void OpenVolume(int Number, const std::string& Name) {
  os::TSha256Digest digest;
  const bool named = volumeHashes.Find(Number, digest);
  if (!volumeHashes.Empty() && !named) RaiseDamaged(Name, kNotThisSetupsDisk);
  DataFile = std::make_unique<TDataFile>(Name, os::GENERIC_READ, ExtractPars.LogFile,
                                         ExtractPars.InstallDir);
  BindToExtraction(*DataFile);
  if (named) DataFile->ExpectDigest(digest);
}

std::string VolumeName() { return "Setup." + VolumeExt; }

// A folder of that name is no volume: the disk is still to be asked for.
bool IsVolumeFile(const std::string& name) {
  const os::DWORD attributes = os::GetFileAttributesA(name);
  return attributes != os::INVALID_FILE_ATTRIBUTES && !(attributes & os::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// --- Steps -----------------------------------------------------------------

void ConfirmFirstVolume() {
  volumeHashes.Load();
  DataFile.reset();
  if (volumeHashes.Empty()) return;
  OpenVolume(1, VolumeFileName(1));
  while (!DataFile->Confirmed()) DataFile->ConfirmPart(kConfirmPiece);
}

void OpenFirstVolume() {
  TLogFile& log = *ExtractPars.LogFile;
  log.BeginProgramFiles();
  // Index files the help viewer makes beside the help file on first use:
  // listed so that removal takes them too.
  log.AddEntry("Morvehlp.GID");
  log.AddEntry("Morvehlp.FTS");
  for (const std::string& kept : ExtractPars.KeptEntries) log.AddEntry(kept);
  ResetDataFileState();
  std::fill(std::begin(volumesRead), std::end(volumesRead), false);
  volumesRead[1] = true;
  volumeHashes.Load();
  // Confirmed before the earlier installation went, and held since: the
  // log and the folder it goes to exist only now.
  if (DataFile)
    BindToExtraction(*DataFile);
  else
    OpenVolume(1, VolumeFileName(1));
  TotalSize = -1;
  ConfirmStep();
}

void ConfirmStep() {
  DataFile->ConfirmPart(kConfirmPiece);
  VolumeConfirmed = DataFile->Confirmed();
  if (VolumeConfirmed && TotalSize < 0) TotalSize = DataFile->ReadTotalSize();
}

void CopyStep() { Copied = DataFile->CopyPart(StepLeft); }

void OpenNextVolume() {
  NextDisk = DataFile->ReadByte();
  const std::string previous = DataFile->FileName();
  DataFile.reset();
  VolumeExt = (NextDisk < 10 ? "d0" : "d") + std::to_string(NextDisk);
  if (NextDisk == 0 || volumesRead[NextDisk])
    RaiseDamaged(previous, NextDisk == 0 ? std::string("the volumes end before the data does")
                                         : "the next volume would be " + VolumeName() + " again");
  VolumeFound = IsVolumeFile(VolumeName());
  while (!VolumeFound) {
    std::string message = "Insert disk %dn% in the disk drive and click OK.";
    for (std::size_t at; (at = message.find("%dn%")) != std::string::npos;)
      message.replace(at, 4, std::to_string(NextDisk));
    if (AskForDisk(message)) {
      if (ExitForm && ExitForm->ShowModal() == os::IDCANCEL) {
        ExitConfirmed = true;
        return;
      }
      continue;  // the prompt again, without a new look for the file
    }
    VolumeFound = IsVolumeFile(VolumeName());
  }
  volumesRead[NextDisk] = true;
  OpenVolume(NextDisk, VolumeName());
  ConfirmStep();
}

void CheckPayloadEnd() {
  // Empty files may follow the last data byte; anything else there would
  // never be copied: the payload is damaged, and success would leave files
  // missing.
  if (!DataFile) return;
  DataFile->TakeEmptyEntries();
  // A list that names volumes the chain never reached belongs to another
  // payload.
  os::TSha256Digest digest;
  for (int number = 1; number <= 255; ++number)
    if (volumeHashes.Find(number, digest) && !volumesRead[number])
      DataFile->Damaged(kNotThisSetupsDisk);
}

void StepProgress() { ExtractForm->ProgressBar.StepIt(); }

void ReportDone() { ExtractForm->SetModalResult(os::IDOK); }

void ReportCancel() { ExtractForm->SetModalResult(os::IDCANCEL); }

bool AskForDisk(const std::string& Message) {
  os::MessageBeep(os::MB_ICONQUESTION);
  // Owned by the application's window, centred on the screen, so that it
  // adds no taskbar entry; the other windows take no input meanwhile.
  ui::TDisabledForms others;
  return os::MessageBoxA(os::Application.Handle, Message, "Change disk",
                         os::MB_OKCANCEL | os::MB_ICONQUESTION | os::MB_TASKMODAL) == os::IDCANCEL;
}

void EndExtraction() {
  if (ExtractThread) {
    // A worker still alive here is stopped: none outlives its dialog.
    if (!ExtractThread->Finished()) ExtractThread->Terminate();
    ExtractThread->WaitFor();
    ExtractThread.reset();
  }
  DataFile.reset();
  ResetDataFileState();
}

// --- The worker -------------------------------------------------------------

void TExtractThread::Execute() {
  RunExtractionSteps([this](void (*step)()) { Synchronize(step); }, [this] { return Terminated(); });
}

void TExtractThread::HandleError(std::exception_ptr error) {
  // The user sees the error; the dialog then ends as a cancelled extraction
  // would, without asking whether to leave.
  Queue([error] {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      os::Application.ShowException(e);
    }
    ExitConfirmed = true;
    if (ExtractForm) ExtractForm->SetModalResult(os::IDCANCEL);
  });
}
