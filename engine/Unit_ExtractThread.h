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
 protected:
  void Execute() override;
  void HandleError(std::exception_ptr error) override;
};

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

// The worker's course: the first volume, then a hundredth of the payload at
// a time, following the chain, and the payload's end. Run runs one of the
// steps above (the worker hands each to the user-interface thread); Stopped
// says whether the worker was asked to stop; Checked waits, off that
// thread, for the next checked block (false: stopped meanwhile).
template <class Run, class Stopped, class Checked>
void RunExtractionSteps(Run run, Stopped stopped, Checked checked) {
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
