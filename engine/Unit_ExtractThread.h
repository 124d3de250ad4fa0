#pragma once
// The worker that copies the payload into the installation folder in steps
// of one hundredth, following the volumes from trailer byte to trailer byte
// and asking for each disk that is not there. Every step runs on the
// user-interface thread; the worker only paces them.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "engine/Unit_DataFile.h"
#include "platform/Threads.h"

class TLogFile;
class THeldFolder;

// What the wizard hands the extraction: filled before it starts.
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

// Whoever shows the extraction (Setup's progress dialog), given when it
// starts: the extraction tells it how far it got and how it ended, and
// knows it by nothing else. Called on the user-interface thread.
class TExtractReport {
 public:
  // A hundredth more of the payload is copied.
  virtual void StepDone() = 0;
  // Every file was copied (Complete), or the extraction ended without.
  virtual void Ended(bool Complete) = 0;
  // Whether the user asked meanwhile to stop, which is to be asked about
  // before anything more is copied.
  virtual bool StopAsked() const = 0;
  // The user already confirmed leaving Setup, or an error was shown: the
  // end comes without another question.
  virtual void LeavingConfirmed() = 0;

 protected:
  ~TExtractReport() = default;
};

// The most CopyStep copies before the user-interface thread, which runs it,
// handles its messages again, whatever a hundredth is.
constexpr std::int32_t kMostCopiedBetweenMessages = 1 << 20;

extern std::unique_ptr<TDataFile> DataFile;
extern std::int32_t TotalSize;
extern std::int32_t StepLeft;
extern std::int32_t Copied;
extern std::int32_t NextDisk;
extern std::string VolumeExt;
extern bool VolumeFound;
// The last CopyStep stopped where the next block of a checked volume was
// not yet checked: the worker waits for it and copies on.
extern bool AwaitingCheck;
// The last CopyStep ended early: the user asked meanwhile to close the
// progress dialog, which asks first; the worker copies on if allowed.
extern bool Interrupted;

class TExtractThread : public os::TThread {
 public:
  explicit TExtractThread(TExtractReport& Report) : report_(Report) {}

 protected:
  void Execute() override;
  void HandleError(std::exception_ptr error) override;

 private:
  TExtractReport& report_;
};

extern std::unique_ptr<TExtractThread> ExtractThread;

// Shows the "Change disk" prompt; true when the user chose Cancel.
bool AskForDisk(const std::string& Message);

// Waits for the worker (after the stop request, or once it ended by
// itself) and closes the volume and the file being written.
void EndExtraction();

// A release's Setup.d01, where an earlier installation is to be removed:
// opened, held so that nobody can write it, and checked whole on threads of
// its own while the wizard shows. Does nothing without a list, or once
// begun; a volume that cannot be opened yet is tried again by
// ConfirmFirstVolume.
void BeginFirstVolumeCheck();
// Before the earlier installation is removed: waits, with the wizard's
// windows answering but taking no input, until Setup.d01 is confirmed
// whole, and keeps it for the extraction; raises when it is not the
// release's own. Nothing without a list.
void ConfirmFirstVolume();
// On the worker, between steps: waits until the next block of the current
// volume is checked (at once where nothing is checked); false when stopped
// says so first.
template <class Stopped>
bool WaitForCheckedBlock(Stopped stopped);

// The steps, each run on the user-interface thread.
void OpenFirstVolume();
// TotalSize, from the first volume's first 4 bytes.
void ReadTotal();
void CopyStep();
void OpenNextVolume();
void CheckPayloadEnd();
void StepProgress();
void ReportDone();
void ReportCancel();

template <class Stopped>
bool WaitForCheckedBlock(Stopped stopped) {
  // DataFile changes only in steps, while this thread waits for them.
  TBlockChecker* checker = DataFile ? DataFile->Checker() : nullptr;
  while (checker && !checker->Wait(50))
    if (stopped()) return false;
  return !stopped();
}

// Where the steps report, from now on.
void ReportExtractionTo(TExtractReport& Report);

// The worker's course: the first volume, then a hundredth of the payload at
// a time, following the chain, and the payload's end, told to Report. Run
// runs one of the steps above (the worker hands each to the user-interface
// thread); Stopped says whether the worker was asked to stop; Checked
// waits, off that thread, for the next checked block (false: stopped
// meanwhile).
template <class Run, class Stopped, class Checked>
void RunExtractionSteps(TExtractReport& Report, Run run, Stopped stopped, Checked checked) {
  ReportExtractionTo(Report);
  run(OpenFirstVolume);
  if (!checked()) return run(ReportCancel);
  run(ReadTotal);
  std::int32_t Done = 0;
  while (Done < TotalSize) {
    // A payload under 100 bytes still moves on, a byte at a time at least.
    StepLeft = std::max<std::int32_t>(TotalSize / 100, 1);
    for (;;) {
      if (!checked()) return run(ReportCancel);
      run(CopyStep);
      if (stopped()) return run(ReportCancel);
      StepLeft -= Copied;
      Done += Copied;
      if (StepLeft <= 0 || Done >= TotalSize) break;
      if (AwaitingCheck || Interrupted) continue;
      // The volume's data ended before the step was complete.
      if (!checked()) return run(ReportCancel);
      run(OpenNextVolume);
      if (!VolumeFound) return run(ReportCancel);
    }
    if (Done < TotalSize) run(StepProgress);
  }
  if (!checked()) return run(ReportCancel);
  run(CheckPayloadEnd);
  run(ReportDone);
}
