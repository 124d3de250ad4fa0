// The payload reader against real volume files.
#include <gtest/gtest.h>

#include <memory>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "platform/Exceptions.h"
#include "platform/FileSearch.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {

using os::GENERIC_READ;

const std::string kEnd(1, '\0');  // a trailer byte of 0, ending the last volume

class DataFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetDataFileState();
    ASSERT_TRUE(os::CreateDirectoryA(target_));
    log_ = std::make_unique<TLogFile>(target_, "Morvella");
  }
  void TearDown() override {
    ResetDataFileState();
    log_.reset();
  }

  void Volume(int number, const std::string& bytes) {
    WriteFileBytes(dir_ / VolumeFileName(number), bytes);
  }
  std::unique_ptr<TDataFile> Open(int number) {
    return std::make_unique<TDataFile>(dir_ / VolumeFileName(number), GENERIC_READ, log_.get(),
                                       target_);
  }
  // The entry lines logged after the four header lines.
  std::string Logged() {
    const std::string log = ReadFileBytes(target_ + "\\Install.log");
    const std::string head = "{program folder}\r\nMorvella\r\n";
    return log.substr(log.find(head) + head.size());
  }
  std::string File(const std::string& name) { return ReadFileBytes(target_ + "\\" + name); }

  ScratchFolder dir_;
  std::string target_ = dir_ / "Target";
  std::unique_ptr<TLogFile> log_;
};

TEST_F(DataFileTest, SingleVolumeWithOneEntryGivesTheFileByteForByte) {
  const std::string volume = std::string("\x0A\x00\x00\x00", 4) + "Morvella.exe" +
                             std::string("\x00\x0A\x00\x00\x00", 5) + "0123456789" + "\x07";
  ASSERT_EQ(volume.size(), 4u + 12u + 1u + 4u + 10u + 1u);
  Volume(1, volume);
  EXPECT_EQ(ExtractAll(dir_.Path(), target_, *log_, 1), 10);
  EXPECT_EQ(File("Morvella.exe"), "0123456789");
  EXPECT_EQ(Logged(), "Morvella.exe\r\n");
}

TEST_F(DataFileTest, SubfoldersAreCreatedAndEntriesLoggedAsStored) {
  Volume(1, Le32(8) + Entry("Lists\\French.wdl", "abc") + Entry("Docs\\Deep\\Notes.txt", "12345") +
                kEnd);
  EXPECT_EQ(ExtractAll(dir_.Path(), target_, *log_, 100), 8);
  EXPECT_EQ(File("Lists\\French.wdl"), "abc");
  EXPECT_EQ(File("Docs\\Deep\\Notes.txt"), "12345");
  EXPECT_EQ(Logged(), "Lists\\French.wdl\r\nDocs\\Deep\\Notes.txt\r\n");
}

TEST_F(DataFileTest, EmptyEntryIsCreatedAndTheNextHeaderReadInTheSameCall) {
  Volume(1, Le32(3) + Entry("Empty.txt", "") + Entry("After.txt", "xyz") + kEnd);
  auto volume = Open(1);
  ASSERT_EQ(volume->ReadTotalSize(), 3);
  EXPECT_EQ(volume->CopyPart(2), 2);
  EXPECT_EQ(File("Empty.txt"), "");
  EXPECT_EQ(Logged(), "Empty.txt\r\nAfter.txt\r\n");
  EXPECT_EQ(BytesLeft, 1);
}

TEST_F(DataFileTest, DataRunsOnAcrossThreeVolumesIntoOneFile) {
  // The trailer bytes (2 and 3) never reach the file.
  Volume(1, Le32(10) + Header("Big.bin", 10) + "012" + "\x02");
  Volume(2, std::string("3456") + "\x03");
  Volume(3, std::string("789") + kEnd);
  EXPECT_EQ(ExtractAll(dir_.Path(), target_, *log_, 4), 10);
  EXPECT_EQ(File("Big.bin"), "0123456789");
  EXPECT_EQ(Logged(), "Big.bin\r\n");
}

TEST_F(DataFileTest, VolumeEndingRightAfterAHeaderCopiesNothingFromIt) {
  Volume(1, Le32(6) + Entry("A.txt", "ab") + Header("B.txt", 4) + "\x02");
  Volume(2, std::string("wxyz") + kEnd);
  auto volume = Open(1);
  ASSERT_EQ(volume->ReadTotalSize(), 6);
  EXPECT_EQ(volume->CopyPart(100), 2);  // the data ends after B's header
  EXPECT_EQ(BytesLeft, 4);
  EXPECT_EQ(volume->CopyPart(100), 0);  // on the trailer now
  EXPECT_EQ(volume->ReadByte(), 2);
  volume = Open(2);
  EXPECT_EQ(volume->CopyPart(100), 4);
  EXPECT_EQ(File("B.txt"), "wxyz");
}

TEST_F(DataFileTest, LimitStopsMidEntryAndTheNextCallContinuesTheSameFile) {
  Volume(1, Le32(10) + Entry("Big.bin", "0123456789") + kEnd);
  auto volume = Open(1);
  volume->ReadTotalSize();
  EXPECT_EQ(volume->CopyPart(3), 3);
  EXPECT_EQ(BytesLeft, 7);
  EXPECT_TRUE(OutFile);
  EXPECT_EQ(volume->CopyPart(3), 3);
  EXPECT_EQ(volume->CopyPart(30), 4);
  EXPECT_FALSE(OutFile);
  EXPECT_EQ(File("Big.bin"), "0123456789");
}

TEST_F(DataFileTest, HeaderIsNeverReadFromTheTrailerByte) {
  // The step ends where both the entry and the volume's data end.
  Volume(1, Le32(4) + Entry("A.txt", "ab") + "\x02");
  Volume(2, Entry("B.txt", "cd") + kEnd);
  auto volume = Open(1);
  volume->ReadTotalSize();
  EXPECT_EQ(volume->CopyPart(2), 2);
  EXPECT_EQ(volume->CopyPart(2), 0);
  EXPECT_EQ(Logged(), "A.txt\r\n");
  EXPECT_EQ(ExtractAll(dir_.Path(), target_, *log_, 2), 4);
  EXPECT_EQ(File("B.txt"), "cd");
}

TEST_F(DataFileTest, ExistingFileIsReplaced) {
  ASSERT_TRUE(os::MakeSureDirectoryPathExists(target_ + "\\Lists\\"));
  WriteFileBytes(target_ + "\\Lists\\Dutch.wdl", std::string(100, 'o'));
  Volume(1, Le32(3) + Entry("Lists\\Dutch.wdl", "new") + kEnd);
  ExtractAll(dir_.Path(), target_, *log_, 1);
  EXPECT_EQ(File("Lists\\Dutch.wdl"), "new");
}

TEST_F(DataFileTest, VolumeFileNamesFollowTheTrailerNumbers) {
  EXPECT_EQ(VolumeFileName(1), "Setup.d01");
  EXPECT_EQ(VolumeFileName(9), "Setup.d09");
  EXPECT_EQ(VolumeFileName(10), "Setup.d10");
  EXPECT_EQ(VolumeFileName(123), "Setup.d123");
}

// Every entry in the target folder, relative to it.
void ListTree(const std::string& folder, const std::string& prefix, std::string& out) {
  os::TDirectorySearch search(folder + "\\*");
  while (search.Next()) {
    if (search.Name() == "." || search.Name() == "..") continue;
    out += prefix + search.Name() + ";";
    if (search.IsFolder()) ListTree(folder + "\\" + search.Name(), prefix + search.Name() + "\\", out);
  }
}

struct Refusal {
  const char* what;
  std::string volume;
  const char* message;  // part of the error's text
};

TEST_F(DataFileTest, DamagedOrHostileVolumesAreRefusedBeforeAnythingIsCreated) {
  const std::string ok = Entry("Good.txt", "g");
  const Refusal cases[] = {
      {"parent folder", Le32(2) + ok + Entry("..\\Evil.exe", "e") + kEnd, "Evil.exe"},
      {"deep parent", Le32(2) + ok + Entry("Lists\\..\\..\\Evil.exe", "e") + kEnd, ". or .."},
      {"dot level", Le32(2) + ok + Entry(".\\Evil.exe", "e") + kEnd, ". or .."},
      {"absolute", Le32(2) + ok + Entry("\\Windows\\Evil.exe", "e") + kEnd, "absolute"},
      {"unc", Le32(2) + ok + Entry("\\\\server\\share\\x", "e") + kEnd, "absolute"},
      {"drive", Le32(2) + ok + Entry("C:\\Evil.exe", "e") + kEnd, "character :"},
      {"drive relative", Le32(2) + ok + Entry("C:Evil.exe", "e") + kEnd, "character :"},
      {"stream", Le32(2) + ok + Entry("Good.txt:hidden", "e") + kEnd, "character :"},
      {"slash", Le32(2) + ok + Entry("Lists/../../x", "e") + kEnd, "character /"},
      {"empty level", Le32(2) + ok + Entry("Lists\\\\x", "e") + kEnd, "empty folder level"},
      {"trailing backslash", Le32(2) + ok + Entry("Lists\\", "e") + kEnd, "empty folder level"},
      {"trailing dot", Le32(2) + ok + Entry("Evil.", "e") + kEnd, "dot or a space"},
      {"trailing space", Le32(2) + ok + Entry("Lists \\x", "e") + kEnd, "dot or a space"},
      {"device", Le32(2) + ok + Entry("NUL", "e") + kEnd, "reserved"},
      {"device with extension", Le32(2) + ok + Entry("Lists\\com1.txt", "e") + kEnd, "reserved"},
      {"device with superscript 1", Le32(2) + ok + Entry("COM\xB9", "e") + kEnd, "reserved"},
      {"device with superscript 2", Le32(2) + ok + Entry("Lists\\lpt\xB2.txt", "e") + kEnd, "reserved"},
      {"device with superscript 3", Le32(2) + ok + Entry("Com\xB3 .log", "e") + kEnd, "reserved"},
      {"same name in other case", Le32(2) + ok + Entry("GOOD.TXT", "e") + kEnd, "same name"},
      {"same name again", Le32(2) + ok + Entry("Good.txt", "e") + kEnd, "same name"},
      {"a file used as folder", Le32(2) + ok + Entry("good.txt\\x.txt", "e") + kEnd, "is a file"},
      {"wildcard", Le32(2) + ok + Entry("*.exe", "e") + kEnd, "character *"},
      {"control character", Le32(2) + ok + Entry("a\tb", "e") + kEnd, "control"},
      {"the log itself", Le32(2) + ok + Entry("install.LOG", "e") + kEnd, "install log"},
      {"too long below any folder", Le32(2) + ok + Entry(std::string(257, 'x'), "e") + kEnd, "too long"},
      // Refused when the 260th byte comes, not read whole into memory.
      {"name past MAX_PATH", Le32(2) + ok + Entry(std::string(260, 'x'), "e") + kEnd,
       "longer than 259 characters"},
      {"name without end past MAX_PATH", Le32(2) + ok + std::string(200000, 'x') + kEnd,
       "longer than 259 characters"},
      {"negative size", Le32(2) + ok + Header("Neg.txt", 0x80000000u) + "e" + kEnd, "negative"},
      {"name without end", Le32(2) + ok + "Unterminated" + kEnd, "runs into the end"},
      {"header cut off", Le32(2) + ok + "Cut.txt" + kEnd + std::string("\x01\x00", 2) + kEnd,
       "cut off"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    ResetDataFileState();
    log_.reset();
    RemoveTree(target_);
    ASSERT_TRUE(os::CreateDirectoryA(target_));
    log_ = std::make_unique<TLogFile>(target_, "Morvella");
    Volume(1, c.volume);
    try {
      ExtractAll(dir_.Path(), target_, *log_, 100);
      ADD_FAILURE() << "accepted";
    } catch (const os::EInOutError& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.find("The setup files are damaged ("), 0u) << message;
      EXPECT_NE(message.find("Setup.d01"), std::string::npos) << message;
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
    std::string tree;
    ListTree(target_, "", tree);
    EXPECT_EQ(tree, "Good.txt;Install.log;");
    EXPECT_EQ(Logged(), "Good.txt\r\n") << "a refused entry is not logged";
    // Nothing appeared beside the target either.
    std::string outside;
    ListTree(dir_.Path(), "", outside);
    EXPECT_EQ(outside, "Setup.d01;Target;Target\\Good.txt;Target\\Install.log;");
  }
}

TEST_F(DataFileTest, PathTooLongForTheChosenFolderNamesThatFolder) {
  // Deep enough that a name of 40 characters passes the limit.
  std::string deep = target_;
  while (deep.size() < os::MAX_PATH - 40) deep += "\\Level";
  ASSERT_TRUE(os::MakeSureDirectoryPathExists(deep + "\\"));
  log_ = std::make_unique<TLogFile>(deep, "Morvella");
  const std::string name = std::string(40, 'n');
  Volume(1, Le32(1) + Entry(name, "e") + kEnd);
  try {
    ExtractAll(dir_.Path(), deep, *log_, 100);
    ADD_FAILURE() << "accepted";
  } catch (const os::EInOutError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Setup cannot install " + name + " in the folder " + deep +
                  ": the path would be longer than Windows allows.  Run Setup again and choose an "
                  "installation folder with a shorter path.");
  }
}

TEST_F(DataFileTest, NegativeOrCutOffTotalIsRefused) {
  Volume(1, Le32(0xFFFFFFFFu) + kEnd);
  EXPECT_THROW(Open(1)->ReadTotalSize(), os::EInOutError);
  Volume(1, std::string("\x01\x00", 2));
  EXPECT_THROW(Open(1)->ReadTotalSize(), os::EInOutError);
  EXPECT_THROW(Open(7), os::EInOutError) << "a missing volume";
}

}  // namespace
