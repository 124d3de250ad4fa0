// The payload's format: names, sizes, headers and the chain of volumes.
#include "engine/PayloadFormat.h"

#include <algorithm>

#include "platform/Hash.h"

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

TVolumeChain::TNext TVolumeChain::Take(int Trailer) {
  if (Trailer == 0) return TNext::End;
  if (Read(Trailer)) return TNext::Again;
  read_[Trailer] = true;
  return TNext::Volume;
}

std::string VolumeDigestLine(int Number, std::string_view Bytes, std::uint32_t BlockSize) {
  static const char* const digits = "0123456789abcdef";
  std::string line = VolumeFileName(Number) + " " + std::to_string(Bytes.size()) + " " + std::to_string(BlockSize) + " ";
  os::TSha256 hash;
  for (std::size_t at = 0; at < Bytes.size(); at += BlockSize) {
    const std::string_view block = Bytes.substr(at, BlockSize);
    hash.Add(block.data(), block.size());
    for (std::uint8_t b : hash.Finish()) line += {digits[b >> 4], digits[b & 15]};
  }
  return line + "\n";
}
