// mkvolumes' packer and the installer's reader agree: whatever is packed, at
// any volume size, comes back byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "platform/Exceptions.h"
#include "platform/standin/Standin.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"
#include "tools/VolumePacker.h"

namespace {

namespace fs = std::filesystem;

// The packer is a host tool that reads and writes host folders: its tests
// keep the stand-in's drives on the disk, wherever the rest of the run keeps
// them.
class DrivesOnDisk {
 public:
  DrivesOnDisk() : wasInMemory_(standin::FilesInMemory()) {
    if (wasInMemory_) standin::KeepFilesInMemory(false);
  }
  ~DrivesOnDisk() {
    if (wasInMemory_) standin::KeepFilesInMemory(true);
  }

 private:
  bool wasInMemory_;
};

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
    // Empty files that sort last: after the last data byte.
    for (const char* name : {"Zy/e", "zz"}) {
      HostWrite(source_ / name, "");
      std::string stored = name;
      std::replace(stored.begin(), stored.end(), '/', '\\');
      files_[stored] = "";
    }
  }

  DrivesOnDisk onDisk_;
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
    for (const auto& [name, bytes] : files_) {
      EXPECT_TRUE(Exists(target + "\\" + name)) << name;
      EXPECT_EQ(ReadFileBytes(target + "\\" + name), bytes) << name;
    }

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

struct TailCase {
  const char* what;
  std::vector<std::pair<std::string, std::size_t>> files;  // host name, size
  std::uint64_t volumeSize, firstVolumeSize;
};

// mkvolumes --list follows the chain as the extraction does: one that
// comes back to a volume is refused, not followed for ever.
TEST(PackerListTest, AChainThatComesBackToAVolumeIsRefused) {
  const DrivesOnDisk onDisk;
  for (const int back : {1, 2}) {
    SCOPED_TRACE(back);
    ScratchFolder dir;
    const fs::path out = standin::HostPath(dir / "Out");
    const std::string data(30, 'x');
    HostWrite(out / "Setup.d01", Le32(30) + EntryHeader("A.bin", 30) + data.substr(0, 5) + std::string(1, '\2'));
    HostWrite(out / "Setup.d02", data.substr(5, 5) + std::string(1, '\3'));
    HostWrite(out / "Setup.d03", data.substr(10, 5) + std::string(1, char(back)));
    try {
      packer::ListVolumes(out);
      ADD_FAILURE() << "listed";
    } catch (const packer::PackError& e) {
      EXPECT_EQ(std::string(e.what()), "the volumes lead back to " + VolumeFileName(back));
    }
  }
}

TEST(PackerEmptyFilesTest, EmptyFilesAtTheEndShareTheLastDataBytesVolume) {
  const DrivesOnDisk onDisk;
  const TailCase cases[] = {
      {"10,000 bytes and an empty file", {{"Morvella.exe", 10000}, {"ReadMe.txt", 0}}, packer::kCdBytes, 0},
      {"5 bytes and an empty file", {{"A.txt", 5}, {"B.txt", 0}}, packer::kCdBytes, 0},
      {"only empty files", {{"A.txt", 0}, {"B\\C.txt", 0}}, packer::kCdBytes, 0},
      // Volume 1 ends exactly after the data: the empty file's header would
      // start volume 2.
      {"data fills the first volume", {{"A.bin", 10}, {"B.txt", 0}}, 100, 4 + 11 + 10 + 1},
      {"data ends where a volume does", {{"A.bin", 60}, {"B.txt", 0}, {"C.txt", 0}}, 30, 0},
  };
  for (const TailCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder dir;
    const fs::path source = standin::HostPath(dir / "Src");
    std::int32_t total = 0;
    for (const auto& [name, size] : c.files) {
      std::string host = name;
      std::replace(host.begin(), host.end(), '\\', '/');
      HostWrite(source / host, std::string(size, 'x'));
      total += std::int32_t(size);
    }
    packer::PackOptions options;
    options.VolumeSize = c.volumeSize;
    options.FirstVolumeSize = c.firstVolumeSize;
    const std::string volumes = dir / "Out";
    packer::PackVolumes(packer::CollectEntries(source), standin::HostPath(volumes), options);
    EXPECT_EQ(packer::ListVolumes(standin::HostPath(volumes)).size(), c.files.size());

    const std::string target = dir / "Target";
    ASSERT_TRUE(os::CreateDirectoryA(target));
    TLogFile log(target, "Morvella");
    EXPECT_EQ(ExtractAll(volumes, target, log, std::max(total / 100, 1)), total);
    log.Close();
    for (const auto& [name, size] : c.files) {
      EXPECT_TRUE(Exists(target + "\\" + name)) << name;
      EXPECT_EQ(ReadFileBytes(target + "\\" + name).size(), size) << name;
      EXPECT_NE(ReadFileBytes(target + "\\Install.log").find("\r\n" + name + "\r\n"), std::string::npos)
          << name;
    }
  }
}

TEST(PackerEmptyFilesTest, EmptyFilesThatCannotShareAVolumeAreRefused) {
  const DrivesOnDisk onDisk;
  ScratchFolder dir;
  const fs::path source = standin::HostPath(dir / "Src");
  HostWrite(source / "A.bin", "0123456789");
  for (int i = 0; i < 5; ++i) HostWrite(source / ("Empty" + std::to_string(i) + ".txt"), "");
  packer::PackOptions options;
  options.VolumeSize = 40;  // one data byte and 5 headers of 15 bytes do not fit
  EXPECT_THROW(packer::PackVolumes(packer::CollectEntries(source), standin::HostPath(dir / "Out"), options),
               packer::PackError);
}

TEST(PackerCodePageTest, NamesAreStoredInTheTargetCodePageAndListedBack) {
  const DrivesOnDisk onDisk;
  ScratchFolder dir;
  const fs::path source = standin::HostPath(dir / "Src");
  HostWrite(source / "Fran\xC3\xA7" "ais.wdl", "oui");  // UTF-8 on the host
  auto entries = packer::CollectEntries(source);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Name, "Fran\xE7" "ais.wdl");
  const fs::path out = standin::HostPath(dir / "Out");
  packer::PackVolumes(entries, out, packer::PackOptions());
  const auto listed = packer::ListVolumes(out);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].Name, "Fran\xC3\xA7" "ais.wdl");
  // Windows-1251 has no c with cedilla; Cyrillic it has.
  EXPECT_THROW(packer::CollectEntries(source, 1251), packer::PackError);
  fs::remove_all(source);
  HostWrite(source / "\xD0\x9B.txt", "");  // Cyrillic capital El
  EXPECT_EQ(packer::CollectEntries(source, 1251)[0].Name, "\xCB.txt");
  EXPECT_THROW(packer::CollectEntries(source), packer::PackError);
}

TEST(PackerCodePageTest, DoubleByteNamesRoundTripAndListBackInUtf8) {
  const DrivesOnDisk onDisk;
  ScratchFolder dir;
  const fs::path source = standin::HostPath(dir / "Src");
  HostWrite(source / "\xE5\x8D\x81" / "Data.txt", "data");  // 十\Data.txt
  HostWrite(source / "\xE8\xA1\xA8.wdl", "list");          // 表.wdl
  auto entries = packer::CollectEntries(source, 932);
  ASSERT_EQ(entries.size(), 2u);
  std::set<std::string> names;
  for (const auto& entry : entries) names.insert(entry.Name);
  EXPECT_EQ(names, (std::set<std::string>{"\x8F\x5C\\Data.txt", "\x95\x5C.wdl"}));
  const fs::path out = standin::HostPath(dir / "Out");
  packer::PackVolumes(entries, out, packer::PackOptions());
  std::set<std::string> listed;
  for (const auto& entry : packer::ListVolumes(out, 932)) listed.insert(entry.Name);
  EXPECT_EQ(listed, (std::set<std::string>{"\xE5\x8D\x81\\Data.txt", "\xE8\xA1\xA8.wdl"}));
}

// Case and device names by the rules of the code page packed for: what
// Windows with that code page takes for the same name, or for a device.
TEST(PackerCodePageTest, CaseAndSuperscriptsFollowTheTargetCodePage) {
  const DrivesOnDisk onDisk;
  struct Case {
    int codePage;
    std::vector<const char*> names;  // UTF-8 on the host
    const char* refusal;             // nullptr: packed
  };
  const Case cases[] = {
      {1250, {"\xC4\x85.txt", "\xC4\x84.txt"}, "same name"},  // a and A with ogonek
      {1251, {"\xD1\x87.txt", "\xD0\xA7.txt"}, "same name"},  // Cyrillic che and Che
      {1252, {"\xC3\xA9t\xC3\xA9.txt", "\xC3\x89T\xC3\x89.txt"}, "same name"},  // e acute
      {1250, {"COM\xC4\x85.txt"}, nullptr},  // 0xB9 in 1250 is a letter, no superscript
      {1251, {"LPT\xD1\x96.txt"}, nullptr},  // 0xB3 in 1251 is Ukrainian i
      {1251, {"COM\xE2\x84\x96"}, nullptr},  // 0xB9 in 1251 is the numero sign
      {1252, {"COM\xC2\xB9.txt"}, "reserved"},  // superscript one
      {1252, {"lpt\xC2\xB3"}, "reserved"},      // superscript three
      // Double-byte: a second byte "\\", "|" or a letter is no separator,
      // no forbidden character and no letter to fold.
      {932, {"\xE5\x8D\x81/Data.txt", "\xE3\x83\x9D/\xE3\x83\x84.wdl",
             "\xE3\x83\x9D/\xE3\x82\xA4.wdl"}, nullptr},  // 十 (8F 5C), ポ (83 7C), ツ, イ
      {932, {"\xEF\xBD\x81.txt", "\xEF\xBC\xA1.txt"}, "same name"},  // fullwidth a and A
      {950, {"\xE8\xA8\xB1\xE5\x8A\x9F/a.txt"}, nullptr},  // 許功, both ending in 5C
      {936, {"\xE4\xB9\x97/a.txt"}, nullptr},                // 乗 (81 5C)
      {949, {"\xEA\xB0\x82.txt", "\xEA\xB0\x83.txt"}, nullptr},  // 81 41 and 81 42
      {932, {"\xE8\xA8\xB1.txt"}, nullptr},
      {932, {"\xC5\x81ukasz.txt"}, "cannot be written in code page 932"},  // L with stroke
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.names.front());
    ScratchFolder dir;
    const fs::path source = standin::HostPath(dir / "Src");
    for (const char* name : c.names) HostWrite(source / name, "x");
    try {
      EXPECT_EQ(packer::CollectEntries(source, c.codePage).size(), c.names.size());
      EXPECT_EQ(c.refusal, nullptr) << "packed";
    } catch (const packer::PackError& e) {
      ASSERT_NE(c.refusal, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
  }
}

// A linked folder or file is packed as what it points to; a link that leads
// back into its own folder, or to nothing, is refused by name.
TEST(PackerLinksTest, LinksArePackedAsWhatTheyPointToOrRefusedByName) {
  const DrivesOnDisk onDisk;
  ScratchFolder dir;
  const fs::path source = standin::HostPath(dir / "Src");
  const fs::path elsewhere = standin::HostPath(dir / "Elsewhere");
  HostWrite(source / "Morvella.exe", "prog");
  HostWrite(elsewhere / "Lists" / "Dutch.wdl", "kaas");
  HostWrite(elsewhere / "Readme.txt", "read");
  fs::create_directory_symlink(elsewhere / "Lists", source / "Lists");
  fs::create_symlink(elsewhere / "Readme.txt", source / "Readme.txt");
  const auto entries = packer::CollectEntries(source);
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Lists\\Dutch.wdl", "Morvella.exe", "Readme.txt"}));
  const fs::path out = standin::HostPath(dir / "Out");
  packer::PackVolumes(entries, out, packer::PackOptions());
  EXPECT_EQ(packer::ListVolumes(out).size(), 3u) << "what is counted is what is stored";

  struct Refusal {
    const char* what;
    std::function<void()> make;
    const char* message;
  };
  const Refusal refusals[] = {
      {"a loop", [&] { fs::create_directory_symlink(source, source / "Lists" / "Again"); },
       "cannot pack Lists/Again: it is a link back to a folder it lies in"},
      {"a dangling link", [&] { fs::create_symlink(elsewhere / "Gone.txt", source / "Gone.txt"); },
       "cannot pack Gone.txt: it is a link to something that does not exist"},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.what);
    r.make();
    try {
      packer::CollectEntries(source);
      ADD_FAILURE() << "packed";
    } catch (const packer::PackError& e) {
      EXPECT_EQ(std::string(e.what()), r.message);
    }
    fs::remove(source / "Lists" / "Again");
    fs::remove(source / "Gone.txt");
  }
}

// Setup reads names in the code page of the system it runs on: which names
// are the same, and which are devices, follow that code page.
TEST(ReaderCodePageTest, NamesAreJudgedByTheSystemsCodePage) {
  const DrivesOnDisk onDisk;
  struct Case {
    int codePage;
    std::string second;  // after "Good.txt"
    const char* refusal;  // nullptr: installed
  };
  const Case cases[] = {
      {1251, "\xF7.txt|\xD7.txt", "same name"},  // che and Che
      {1252, "\xF7.txt|\xD7.txt", nullptr},   // division sign and multiplication sign
      {1250, "COM\xB9.txt", nullptr},         // a with ogonek
      {1251, "COM\xB9.txt", nullptr},         // numero sign
      {1252, "COM\xB9.txt", "reserved"},      // superscript one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.second);
    standin::SetAnsiCodePage(c.codePage);
    ResetDataFileState();
    ScratchFolder dir;
    const std::string target = dir / "Target";
    ASSERT_TRUE(os::CreateDirectoryA(target));
    std::string stream = Entry("Good.txt", "g");
    std::size_t files = 1;
    for (std::size_t at = 0; at <= c.second.size(); ++files) {
      const std::size_t bar = std::min(c.second.find('|', at), c.second.size());
      stream += Entry(c.second.substr(at, bar - at), "e");
      at = bar + 1;
    }
    WriteFileBytes(dir / "Setup.d01", Le32(std::uint32_t(files)) + stream + std::string(1, '\0'));
    TLogFile log(target, "Morvella");
    try {
      ExtractAll(dir.Path(), target, log, 100);
      EXPECT_EQ(c.refusal, nullptr) << "installed";
    } catch (const os::EInOutError& e) {
      ASSERT_NE(c.refusal, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
  }
  standin::SetAnsiCodePage(1252);
}

TEST(PackerRefusalsTest, FilesTheInstallerWouldRefuseAreNotPacked) {
  const DrivesOnDisk onDisk;
  ScratchFolder dir;
  const char* const names[] = {"a:b.txt", "NUL", "Trailing.", "x*y", "Install.log", "back\\slash",
                               "COM\xC2\xB9.txt", "LPT\xC2\xB3"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const fs::path source = standin::HostPath(dir / "Src");
    fs::remove_all(source);
    HostWrite(source / "Good.txt", "g");
    HostWrite(source / name, "bad");
    EXPECT_THROW(packer::CollectEntries(source), packer::PackError);
  }
}

TEST(PackerRefusalsTest, NamesThatWindowsTakesForTheSameAreRefused) {
  const DrivesOnDisk onDisk;
  struct Case {
    const char* first;
    const char* second;
  };
  const Case cases[] = {{"Morvella.exe", "MORVELLA.EXE"},
                        {"Lists", "lists/French.wdl"},
                        {"Fran\xC3\xA7" "ais.wdl", "FRAN\xC3\x87" "AIS.WDL"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.second);
    ScratchFolder dir;
    const fs::path source = standin::HostPath(dir / "Src");
    HostWrite(source / c.first, "1");
    HostWrite(source / c.second, "2");
    EXPECT_THROW(packer::CollectEntries(source), packer::PackError);
  }
}

TEST(PackerRefusalsTest, HeaderLargerThanAVolumeIsRefused) {
  const DrivesOnDisk onDisk;
  ScratchFolder dir;
  const fs::path source = standin::HostPath(dir / "Src");
  HostWrite(source / "A-rather-long-file-name.txt", "x");
  packer::PackOptions tiny;
  tiny.VolumeSize = 20;
  EXPECT_THROW(packer::PackVolumes(packer::CollectEntries(source), standin::HostPath(dir / "Out"), tiny),
               packer::PackError);
}

}  // namespace
