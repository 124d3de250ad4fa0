// Extracts a set of payload volumes through the installer's reader, in steps
// of one hundredth as Setup does, for timing against cp and tar by
// bench/extract-bench. Host folders are mapped to drives V: and T:.
//
//   extract_bench [--dialog] VOLUME_DIR TARGET_DIR
//
// Without --dialog: the bare CopyPart loop on this thread; it also reports
// the longest single step, the longest the user-interface thread is busy.
// With --dialog: the whole extraction, worker thread, synchronized steps and
// progress bar, through the (headless) progress dialog.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_Logfile.h"
#include "platform/Files.h"
#include "platform/standin/Standin.h"
#include "setup/Unit_Constants.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int Bare() {
  TLogFile log("T:\\", "Morvella");
  log.BeginProgramFiles();
  ResetDataFileState();
  auto volume = std::make_unique<TDataFile>("V:\\Setup.d01", os::GENERIC_READ, &log, "T:\\");
  const std::int32_t total = volume->ReadTotalSize();
  const std::int32_t step = std::max(total / 100, 1);
  std::int32_t done = 0;
  Clock::duration longest{};
  const auto start = Clock::now();
  while (done < total) {
    std::int32_t left = step;
    for (;;) {
      const auto t = Clock::now();
      const std::int32_t copied = volume->CopyPart(left);
      longest = std::max(longest, Clock::now() - t);
      left -= copied;
      done += copied;
      if (left == 0 || done >= total) break;
      const int next = volume->ReadByte();
      volume.reset();
      volume = std::make_unique<TDataFile>("V:\\" + VolumeFileName(next), os::GENERIC_READ, &log,
                                           "T:\\");
    }
  }
  volume->TakeEmptyEntries();
  log.Close();
  std::printf("%d bytes in %.3f s, longest step %.1f ms\n", done, Seconds(Clock::now() - start),
              Seconds(longest) * 1000);
  return 0;
}

int Dialog() {
  InitConstants();
  TExitForm exitForm;
  ExitForm = &exitForm;
  TExtractForm extractForm;
  ExtractForm = &extractForm;
  os::SetCurrentDirectoryA("V:\\");  // volumes are opened by their bare names
  TLogFile log("T:\\", "Morvella");
  ExtractPars.LogFile = &log;
  ExtractPars.InstallDir = "T:\\";
  const auto start = Clock::now();
  const int result = extractForm.ShowModal();
  log.Close();
  std::printf("result %d in %.3f s, bar at %d\n", result, Seconds(Clock::now() - start),
              extractForm.ProgressBar.Position());
  return result == 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool dialog = argc == 4 && std::strcmp(argv[1], "--dialog") == 0;
  if (argc != 3 && !dialog) {
    std::fprintf(stderr, "usage: extract_bench [--dialog] VOLUME_DIR TARGET_DIR\n");
    return 2;
  }
  standin::MapDrive('V', argv[argc - 2]);
  standin::MapDrive('T', argv[argc - 1]);
  try {
    return dialog ? Dialog() : Bare();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "extract_bench: %s\n", e.what());
    return 1;
  }
}
