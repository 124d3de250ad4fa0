// Extracts a set of payload volumes through the installer's reader, in steps
// of one hundredth as Setup does, for timing against cp and tar by
// bench/extract-bench. Host folders are mapped to drives V: and T:.
//
//   extract_bench VOLUME_DIR TARGET_DIR
#include <chrono>
#include <cstdio>
#include <memory>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "platform/standin/Standin.h"
#include "tests/support/Volumes.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: extract_bench VOLUME_DIR TARGET_DIR\n");
    return 2;
  }
  standin::MapDrive('V', argv[1]);
  standin::MapDrive('T', argv[2]);
  try {
    std::int32_t total = 0;
    {
      TDataFile first("V:\\Setup.d01", os::GENERIC_READ, nullptr, "T:\\");
      total = first.ReadTotalSize();
    }
    const auto start = std::chrono::steady_clock::now();
    TLogFile log("T:\\", "Morvella");
    log.BeginProgramFiles();
    const std::int32_t copied = ExtractAll("V:", "T:\\", log, std::max(total / 100, 1));
    log.Close();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d bytes in %.3f s\n", copied, seconds);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "extract_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
