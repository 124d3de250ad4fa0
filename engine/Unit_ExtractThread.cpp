// The worker that paces the copy, its steps, the disk prompt and the first volume's check.
#include "engine/Unit_ExtractThread.h"

#include <algorithm>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_Logfile.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Forms.h"

TExtractPars ExtractPars;
std::unique_ptr<TExtractThread> ExtractThread;

std::unique_ptr<TDataFile> DataFile;
std::int32_t TotalSize = 0;
std::int32_t StepLeft = 0;
std::int32_t Copied = 0;
std::int32_t NextDisk = 0;
std::string VolumeExt;
bool VolumeFound = false;
bool AwaitingCheck = false;
bool Interrupted = false;

namespace {

// Set before the first step; read only by the steps, on the
// user-interface thread.
TExtractReport* report = nullptr;

// The volumes opened so far.
TVolumeChain volumesRead;

// What this Setup.exe was built to install, when it carries a list.
TVolumeHashes volumeHashes;

// Where the volume's entries go: this extraction's log and folder.
void BindToExtraction(TDataFile& volume) {
  volume.LogFile = ExtractPars.LogFile;
  volume.TargetDir = ExtractPars.InstallDir;
  volume.CheckFolderRights = ExtractPars.CheckFolderRights;
  volume.Held = ExtractPars.HeldFolder;
}

// The list's digests of volume Number; none without a list, and a refusal
// when the list does not name it.
const TVolumeDigests* DigestsOf(int Number, const std::string& Name) {
  const TVolumeDigests* digests = volumeHashes.Find(Number);
  if (!volumeHashes.Empty() && !digests) RaiseDamaged(Name, kNotThisSetupsDisk);
  return digests;
}

// Opens volume Number as the current one, to be checked against the list.
void OpenVolume(int Number, const std::string& Name) {
  const TVolumeDigests* digests = DigestsOf(Number, Name);
  DataFile = std::make_unique<TDataFile>(Name, os::GENERIC_READ, ExtractPars.LogFile,
                                         ExtractPars.InstallDir);
  BindToExtraction(*DataFile);
  if (digests) DataFile->CheckBlocks(*digests);
}

// DataFile is Setup.d01, held since BeginFirstVolumeCheck or
// ConfirmFirstVolume, and confirmed whole or being confirmed.
bool firstVolumeHeld = false;

std::string VolumeName() { return "Setup." + VolumeExt; }

// A folder of that name is no volume: the disk is still to be asked for.
bool IsVolumeFile(const std::string& name) {
  const os::DWORD attributes = os::GetFileAttributesA(name);
  return attributes != os::INVALID_FILE_ATTRIBUTES && !(attributes & os::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// --- Steps -----------------------------------------------------------------

namespace {
// Opens Setup.d01 and begins its confirmation; raises why it cannot.
void CheckFirstVolumeWhole() {
  const TVolumeDigests* digests = DigestsOf(1, VolumeFileName(1));
  DataFile = std::make_unique<TDataFile>(VolumeFileName(1), os::GENERIC_READ, nullptr, std::string());
  DataFile->ConfirmWhole(*digests);
  firstVolumeHeld = true;
}
}  // namespace

void BeginFirstVolumeCheck() {
  if (firstVolumeHeld) return;
  volumeHashes.Load();
  if (volumeHashes.Empty()) return;
  try {
    CheckFirstVolumeWhole();
  } catch (const std::exception&) {
    // Not there yet, or not this release's: said when it is needed.
    DataFile.reset();
  }
}

void ConfirmFirstVolume() {
  volumeHashes.Load();
  if (volumeHashes.Empty()) return;
  try {
    if (!firstVolumeHeld) CheckFirstVolumeWhole();
    // The wizard answers meanwhile, and takes no input.
    const ui::TDisabledForms wizard;
    while (!DataFile->WholeConfirmed()) {
      os::Application.ProcessMessages();
      DataFile->Checker()->Wait(20);
    }
  } catch (...) {
    // Begun again at the next attempt.
    DataFile.reset();
    firstVolumeHeld = false;
    throw;
  }
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
  volumesRead.Restart();
  volumeHashes.Load();
  AwaitingCheck = Interrupted = false;
  TotalSize = 0;
  // Confirmed whole before the earlier installation went, and held since:
  // read again, each block checked again as it is used.
  if (DataFile && firstVolumeHeld) {
    firstVolumeHeld = false;
    BindToExtraction(*DataFile);
    if (const TVolumeDigests* digests = DigestsOf(1, VolumeFileName(1))) DataFile->CheckBlocks(*digests);
  } else {
    OpenVolume(1, VolumeFileName(1));
  }
}

void ReadTotal() { TotalSize = DataFile->ReadTotalSize(); }

void CopyStep() {
  Copied = 0;
  AwaitingCheck = Interrupted = false;
  for (;;) {
    // A hundredth can be many MiB: the dialog answers before each, and a
    // request to close it is asked about at once.
    os::Application.ProcessMessages();
    if (report->StopAsked()) {
      Interrupted = true;
      return;
    }
    const std::int32_t asked = std::min(StepLeft - Copied, kMostCopiedBetweenMessages);
    const std::int32_t copied = DataFile->CopyPart(asked);
    Copied += copied;
    AwaitingCheck = DataFile->Starved();
    // The volume's data ended, or its next block is not yet checked.
    if (copied < asked || Copied == StepLeft) return;
  }
}

void OpenNextVolume() {
  NextDisk = DataFile->ReadByte();
  const std::string previous = DataFile->FileName();
  DataFile.reset();
  VolumeExt = VolumeFileName(NextDisk).substr(std::string("Setup.").size());
  const TVolumeChain::TNext next = volumesRead.Take(NextDisk);
  if (next != TVolumeChain::TNext::Volume)
    RaiseDamaged(previous, next == TVolumeChain::TNext::End ? std::string("the volumes end before the data does")
                                         : "the next volume would be " + VolumeName() + " again");
  VolumeFound = IsVolumeFile(VolumeName());
  while (!VolumeFound) {
    std::string message = "Insert disk %dn% in the disk drive and click OK.";
    for (std::size_t at; (at = message.find("%dn%")) != std::string::npos;)
      message.replace(at, 4, std::to_string(NextDisk));
    if (AskForDisk(message)) {
      if (ExitForm && ExitForm->ShowModal() == os::IDCANCEL) {
        report->LeavingConfirmed();
        return;
      }
      continue;  // the prompt again, without a new look for the file
    }
    VolumeFound = IsVolumeFile(VolumeName());
  }
  OpenVolume(NextDisk, VolumeName());
}

void CheckPayloadEnd() {
  // Empty files may follow the last data byte; anything else there would
  // never be copied: the payload is damaged, and success would leave files
  // missing.
  if (!DataFile) return;
  DataFile->TakeEmptyEntries();
  // A list that names volumes the chain never reached belongs to another
  // payload.
  for (int number = 1; number <= kMostVolumes; ++number)
    if (volumeHashes.Find(number) && !volumesRead.Read(number))
      DataFile->Damaged(kNotThisSetupsDisk);
}

void StepProgress() { report->StepDone(); }

void ReportDone() { report->Ended(true); }

void ReportCancel() { report->Ended(false); }

void ReportExtractionTo(TExtractReport& Report) { report = &Report; }

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
  firstVolumeHeld = false;
  ResetDataFileState();
}

// --- The worker -------------------------------------------------------------

void TExtractThread::Execute() {
  const auto stopped = [this] { return Terminated(); };
  RunExtractionSteps(report_, [this](void (*step)()) { Synchronize(step); }, stopped,
                     [&] { return WaitForCheckedBlock(stopped); });
}

void TExtractThread::HandleError(std::exception_ptr error) {
  // The user sees the error; the dialog then ends as a cancelled extraction
  // would, without asking whether to leave.
  // Its message, read here: the exception object stays on this thread.
  Queue([message = os::MessageOf(error), &report = report_] {
    os::Application.ShowErrorMessage(message);
    report.LeavingConfirmed();
    report.Ended(false);
  });
}
