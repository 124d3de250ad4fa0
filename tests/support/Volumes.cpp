#include "tests/support/Volumes.h"

#include <memory>
#include <stdexcept>

#include "engine/Unit_DataFile.h"

std::string Header(const std::string& name, std::uint32_t size) { return EntryHeader(name, size); }

std::string Entry(const std::string& name, const std::string& data) {
  return EntryHeader(name, std::uint32_t(data.size())) + data;
}

std::int32_t ExtractAll(const std::string& folder, const std::string& target, TLogFile& log,
                        std::int32_t step) {
  ResetDataFileState();
  auto volume =
      std::make_unique<TDataFile>(folder + "\\Setup.d01", os::GENERIC_READ, &log, target);
  const std::int32_t total = volume->ReadTotalSize();
  std::int32_t done = 0;
  int volumes = 1;
  while (done < total) {
    std::int32_t left = step;
    std::int32_t copied = volume->CopyPart(left);
    left -= copied;
    done += copied;
    while (left > 0 && done < total) {
      const int next = volume->ReadByte();
      volume.reset();
      if (++volumes > 300) throw std::runtime_error("the volume chain does not end");
      volume = std::make_unique<TDataFile>(folder + "\\" + VolumeFileName(next), os::GENERIC_READ,
                                           &log, target);
      copied = volume->CopyPart(left);
      left -= copied;
      done += copied;
    }
  }
  volume->TakeEmptyEntries();
  return done;
}
