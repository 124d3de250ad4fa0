#pragma once
// Packing a folder into the payload volumes Setup.d01, Setup.d02, ... and
// listing a set of volumes: the host-side tool behind mkvolumes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace packer {

// Floppy: the space a 1.44 MB disk offers its files. CD: 650 MiB.
constexpr std::uint64_t kFloppyBytes = 1457664;
constexpr std::uint64_t kCdBytes = 650ull * 1024 * 1024;

class PackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PackEntry {
  std::string Name;  // relative, "\" between levels, in the target code page
  std::filesystem::path Source;
  std::uint64_t Size = 0;
};

// Windows-1252, the ANSI code page of Western European Windows.
constexpr int kDefaultCodePage = 1252;
// The ANSI code pages Setup serves: Western, Central European, Cyrillic,
// Japanese, Simplified Chinese, Korean, Traditional Chinese.
constexpr int kServedCodePages[] = {1252, 1250, 1251, 932, 936, 949, 950};

// Whether a file name is a payload volume's, "Setup.d01" and on, in any case.
bool IsVolumeName(const std::string& name);

// The files below folder (folders themselves are not stored), their names
// converted from UTF-8 to codePage, in a stable order: by name, byte for
// byte. Raises PackError for a file the installer could not take: a name
// the code page cannot hold, a name it refuses or has already taken in
// another case, a file over 2,147,483,647 bytes, a total over that.
std::vector<PackEntry> CollectEntries(const std::filesystem::path& folder,
                                      int codePage = kDefaultCodePage);

struct PackOptions {
  std::uint64_t VolumeSize = kCdBytes;
  std::uint64_t FirstVolumeSize = 0;  // 0: the same as VolumeSize
  // Called now and then with the data bytes written so far and in all.
  std::function<void(std::uint64_t done, std::uint64_t total)> Progress;
};

// Writes the volumes into outFolder (created if missing; volumes left there
// from an earlier packing are replaced). They are written into a folder
// beside it first and moved in only when all are written: a failure leaves
// outFolder as it was, and no folder made for it. Returns how many it wrote.
int PackVolumes(const std::vector<PackEntry>& entries, const std::filesystem::path& outFolder,
                const PackOptions& options);

struct ListedEntry {
  std::uint32_t Size;
  std::string Name;  // UTF-8; "\xNN" for each byte of a name that is no text of the code page
  bool Text = true;  // the name is text of the code page
};

// The code page a release (or a folder of volumes with its Setup.exe) was
// packed for: the file CODEPAGE that scripts/release writes beside
// SHA256SUMS, or else the line "codepage N" of the digest list that its
// Setup.exe (in disk1, or beside the volumes) carries; 0 when neither tells.
int PackedCodePage(const std::filesystem::path& folder);

// The entries of the volume set in folder (or, for a release's folder, in
// its disk1, disk2, ... folders), following the trailer bytes, their names
// converted from codePage to UTF-8; with codePage 0 (none known) only
// ASCII names are text, and every other byte is shown as "\xNN".
std::vector<ListedEntry> ListVolumes(const std::filesystem::path& folder,
                                     int codePage = kDefaultCodePage);

}  // namespace packer
