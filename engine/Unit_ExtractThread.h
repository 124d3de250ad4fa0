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

#include "platform/Threads.h"

class TDataFile;

extern std::unique_ptr<TDataFile> DataFile;
extern std::int32_t TotalSize;
extern std::int32_t StepLeft;
extern std::int32_t Copied;
extern std::int32_t NextDisk;
extern std::string VolumeExt;
extern bool VolumeFound;
extern bool VolumeConfirmed;

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

// The steps, each run on the user-interface thread.
// Before the earlier installation is removed: with a list of volumes,
// Setup.d01 is opened, hashed whole and confirmed (or raises), and held
// for the extraction, so that nothing else can write it meanwhile.
void ConfirmFirstVolume();

void OpenFirstVolume();
// Hashes the next piece of the current volume, when it must be confirmed
// before use; VolumeConfirmed says when it is.
void ConfirmStep();
void CopyStep();
void OpenNextVolume();
void CheckPayloadEnd();
void StepProgress();
void ReportDone();
void ReportCancel();

// The worker's course: the first volume, then a hundredth of the payload at
// a time, following the chain, and the payload's end. Run runs one of the
// steps above (the worker hands each to the user-interface thread); Stopped
// says whether the worker was asked to stop.
template <class Run, class Stopped>
void RunExtractionSteps(Run run, Stopped stopped) {
  // No byte of a volume is used before the volume is confirmed.
  const auto confirm = [&] {
    while (!VolumeConfirmed) {
      if (stopped()) return false;
      run(ConfirmStep);
    }
    return true;
  };
  run(OpenFirstVolume);
  if (!confirm()) return run(ReportCancel);
  std::int32_t Done = 0;
  while (Done < TotalSize) {
    // A payload under 100 bytes still moves on, a byte at a time at least.
    StepLeft = std::max<std::int32_t>(TotalSize / 100, 1);
    run(CopyStep);
    if (stopped()) return run(ReportCancel);
    StepLeft -= Copied;
    Done += Copied;
    while (StepLeft > 0 && Done < TotalSize) {
      run(OpenNextVolume);
      if (!VolumeFound || !confirm()) return run(ReportCancel);
      run(CopyStep);
      if (stopped()) return run(ReportCancel);
      StepLeft -= Copied;
      Done += Copied;
    }
    if (Done < TotalSize) run(StepProgress);
  }
  run(CheckPayloadEnd);
  run(ReportDone);
}
