#pragma once
// The payload's format, for the programs that read it and the tool that
// writes it. Volumes are named "Setup.d01", "Setup.d02", ... Volume 1 starts
// with the total data size; then, in every volume, entries follow one
// another: a name ending in a 0x00 byte, a size, the data. One entry's data
// may run on into the next volume; a header lies wholly in one. Sizes are 4
// bytes, least significant first. The last byte of every volume is the
// trailer: the number of the next volume, 0 after the last.
#include <cstdint>
#include <string>
#include <string_view>

// Volume numbers run from 1 to this; a trailer byte holds one.
constexpr int kMostVolumes = 255;

// "Setup.d01" ... "Setup.d09", "Setup.d10", "Setup.d123": the file name of
// volume Number.
std::string VolumeFileName(int Number);

// Four bytes, least significant first.
std::string Le32(std::uint32_t Value);
// The value of four such bytes.
std::uint32_t FromLe32(const unsigned char (&Bytes)[4]);

// An entry's header as it is written: the name, its 0x00, the size.
std::string EntryHeader(const std::string& Name, std::uint32_t Size);

// The line of a release's list of its volumes' digests for volume Number
// holding Bytes: "Setup.dNN SIZE BLOCKSIZE" and the hex SHA-256 of each
// block of BlockSize, ending in a line break (what the release tools write
// and the release's Setup.exe carries).
std::string VolumeDigestLine(int Number, std::string_view Bytes, std::uint32_t BlockSize = 1u << 20);

// The volumes a reader has followed from trailer to trailer: a chain that
// comes back to one of them would never end.
class TVolumeChain {
 public:
  TVolumeChain() { Restart(); }
  // Volume 1 read, no other.
  void Restart();
  // What a trailer byte leads to: the end, a volume read before, or a new
  // volume, which counts as read from now on.
  enum class TNext { Volume, End, Again };
  TNext Take(int Trailer);
  bool Read(int Number) const { return Number > 0 && Number <= kMostVolumes && read_[Number]; }

 private:
  bool read_[kMostVolumes + 1];
};
