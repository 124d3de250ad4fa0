// mkvolumes' packer and the installer's reader agree: whatever is packed, at
// any volume size, comes back byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "platform/standin/Standin.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"
#include "tools/VolumePacker.h"

namespace {

namespace fs = std::filesystem;

void HostWrite(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class PackRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = standin::HostPath(dir_ / "Release");
    std::mt19937 random(42);
    // Sizes around the edges: empty files, single bytes, runs longer than
    // several volumes.
    const std::size_t sizes[] = {0, 1, 2, 3, 5, 17, 64, 100, 255, 256, 1000, 2500, 0, 9};
    int n = 0;
    for (std::size_t size : sizes) {
      std::string bytes(size, '\0');
      for (char& c : bytes) c = char(random());
      const std::string name = n % 3 == 0   ? "File" + std::to_string(n) + ".bin"
                               : n % 3 == 1 ? "Lists\\Word" + std::to_string(n) + ".wdl"
                                            : "Docs\\Deep\\Note" + std::to_string(n) + ".txt";
      std::string hostName = name;
      std::replace(hostName.begin(), hostName.end(), '\\', '/');
      HostWrite(source_ / hostName, bytes);
      files_[name] = bytes;
      ++n;
    }
  }

  ScratchFolder dir_;
  fs::path source_;
  std::map<std::string, std::string> files_;
};

TEST_F(PackRoundTripTest, EveryVolumeSizeGivesBackEveryFileByteForByte) {
  const auto entries = packer::CollectEntries(source_);
  ASSERT_EQ(entries.size(), files_.size());
  struct Sizes {
    std::uint64_t volume, first;
  };
  const Sizes sizes[] = {{30, 0},   {31, 0},  {40, 12},   {57, 0},      {100, 0},
                         {333, 50}, {4096, 0}, {2501, 0}, {1 << 20, 0}, {packer::kFloppyBytes, 0}};
  for (const Sizes& s : sizes) {
    SCOPED_TRACE("volume size " + std::to_string(s.volume));
    const std::string volumes = dir_ / ("Volumes" + std::to_string(s.volume));
    const fs::path out = standin::HostPath(volumes);
    packer::PackOptions options;
    options.VolumeSize = s.volume;
    options.FirstVolumeSize = s.first;
    const int count = packer::PackVolumes(entries, out, options);
    for (int v = 1; v <= count; ++v) {
      const auto size = fs::file_size(out / VolumeFileName(v));
      EXPECT_LE(size, v == 1 && s.first ? s.first : s.volume) << VolumeFileName(v);
      EXPECT_GT(size, 1u) << VolumeFileName(v) << " carries nothing";
    }
    EXPECT_FALSE(fs::exists(out / VolumeFileName(count + 1)));

    const std::string target = dir_ / ("Target" + std::to_string(s.volume));
    ASSERT_TRUE(os::CreateDirectoryA(target));
    {
      TLogFile log(target, "Morvella");
      std::int32_t total = 0;
      for (const auto& [name, bytes] : files_) total += std::int32_t(bytes.size());
      // Steps of one hundredth, at least one byte, as the extraction takes them.
      EXPECT_EQ(ExtractAll(volumes, target, log, std::max(total / 100, 1)), total);
      log.Close();
    }
    for (const auto& [name, bytes] : files_) EXPECT_EQ(ReadFileBytes(target + "\\" + name), bytes) << name;

    const auto listed = packer::ListVolumes(out);
    ASSERT_EQ(listed.size(), entries.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
      EXPECT_EQ(listed[i].Name, entries[i].Name);
      EXPECT_EQ(listed[i].Size, entries[i].Size);
    }
  }
}

TEST_F(PackRoundTripTest, PackingAgainRemovesVolumesLeftFromBefore) {
  const auto entries = packer::CollectEntries(source_);
  const fs::path out = standin::HostPath(dir_ / "Out");
  packer::PackOptions small;
  small.VolumeSize = 100;
  const int many = packer::PackVolumes(entries, out, small);
  ASSERT_GT(many, 3);
  EXPECT_EQ(packer::PackVolumes(entries, out, packer::PackOptions()), 1);
  EXPECT_FALSE(fs::exists(out / "Setup.d02"));
}

TEST(PackerRefusalsTest, FilesTheInstallerWouldRefuseAreNotPacked) {
  ScratchFolder dir;
  const char* const names[] = {"a:b.txt", "NUL", "Trailing.", "x*y", "Install.log", "back\\slash"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const fs::path source = standin::HostPath(dir / "Src");
    fs::remove_all(source);
    HostWrite(source / "Good.txt", "g");
    HostWrite(source / name, "bad");
    EXPECT_THROW(packer::CollectEntries(source), packer::PackError);
  }
}

TEST(PackerRefusalsTest, HeaderLargerThanAVolumeIsRefused) {
  ScratchFolder dir;
  const fs::path source = standin::HostPath(dir / "Src");
  HostWrite(source / "A-rather-long-file-name.txt", "x");
  packer::PackOptions tiny;
  tiny.VolumeSize = 20;
  EXPECT_THROW(packer::PackVolumes(packer::CollectEntries(source), standin::HostPath(dir / "Out"), tiny),
               packer::PackError);
}

}  // namespace
