// The payload's format: names, sizes, headers and the chain of volumes.
#include "engine/PayloadFormat.h"

#include <algorithm>

std::string VolumeFileName(int Number) {
  return std::string("Setup.") + (Number < 10 ? "d0" : "d") + std::to_string(Number);
}

std::string Le32(std::uint32_t Value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += char((Value >> (8 * i)) & 0xFF);
  return bytes;
}

std::uint32_t FromLe32(const unsigned char (&Bytes)[4]) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= std::uint32_t(Bytes[i]) << (8 * i);
  return value;
}

std::string EntryHeader(const std::string& Name, std::uint32_t Size) {
  return Name + std::string(1, '\0') + Le32(Size);
}

void TVolumeChain::Restart() {
  std::fill(std::begin(read_), std::end(read_), false);
  read_[1] = true;
}

TVolumeChain::TNext TVolumeChain::Follow(int Trailer) const {
  if (Trailer == 0) return TNext::End;
  return Read(Trailer) ? TNext::Again : TNext::Volume;
}
