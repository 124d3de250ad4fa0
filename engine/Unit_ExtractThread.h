#pragma once
// The worker that copies the payload into the installation folder in steps
// of one hundredth, following the volumes from trailer byte to trailer byte
// and asking for each disk that is not there. Every step runs on the
// user-interface thread; the worker only paces them.
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
void OpenFirstVolume();
void CopyStep();
void OpenNextVolume();
void CheckPayloadEnd();
void StepProgress();
void ReportDone();
void ReportCancel();
