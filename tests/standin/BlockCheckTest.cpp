// A release reads each volume once and checks it block by block: what it
// writes is only ever bytes of blocks that matched, whatever a block, a
// second read or a cancel does.
#include <thread>

#include "engine/Unit_DataFile.h"
#include "engine/VolumeCheck.h"
#include "tests/standin/ExtractionFixture.h"

namespace {

const std::string kRefused = "this is not the disk that belongs to this Setup.";

// Holds the checking threads before they hash a chosen block, until let go.
class BlockHold {
 public:
  explicit BlockHold(std::size_t block) {
    SetBlockCheckHookForTesting([this, block](std::size_t b) {
      if (b != block) return;
      std::unique_lock<std::mutex> guard(lock_);
      held_ = true;
      changed_.wait(guard, [&] { return released_; });
    });
  }
  ~BlockHold() {
    Release();
    SetBlockCheckHookForTesting(nullptr);
  }
  bool Held() {
    std::lock_guard<std::mutex> guard(lock_);
    return held_;
  }
  void Release() {
    std::lock_guard<std::mutex> guard(lock_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool held_ = false, released_ = false;
};

// Where each entry lies in the stream of all volumes without their trailer
// bytes, as a reader that trusts them sees it.
struct Placed {
  std::string name, data;
  std::size_t dataStart;
};

class BlockCheckTest : public ExtractionTest {
 protected:
  void TearDown() override {
    standin::SetRcData(IDR_VOLUME_HASHES, "");
    ExtractionTest::TearDown();
  }

  // Entries of distinct bytes cut into volumes of volumeSize; the list of
  // their digests in blocks of block bytes is what the program carries.
  void Release(int count, std::size_t volumeSize, std::uint32_t block) {
    std::string stream;
    std::uint32_t total = 0;
    placed_.clear();
    for (int i = 0; i < count; ++i) {
      std::string data;
      for (int j = 0; j < 20 + 7 * i; ++j) data += char('A' + (i * 31 + j * 7) % 53);
      const std::string name = (i % 3 ? "Lists\\L" : "F") + std::to_string(i) + ".wdl";
      stream += Header(name, std::uint32_t(data.size()));
      placed_.push_back({name, data, 4 + stream.size()});
      stream += data;
      total += std::uint32_t(data.size());
    }
    stream = Le32(total) + stream;
    // Cut every volumeSize - 1 bytes, but never inside a header (nor the
    // total): there the volume ends before it.
    std::vector<std::pair<std::size_t, std::size_t>> headers = {{0, 4}};
    for (const Placed& p : placed_) headers.push_back({p.dataStart - p.name.size() - 5, p.dataStart});
    volumes_.clear();
    for (std::size_t from = 0; from < stream.size();) {
      std::size_t to = std::min(stream.size(), from + volumeSize - 1);
      for (const auto& [start, end] : headers)
        if (start < to && to < end && start > from) to = start;
      volumes_.push_back(stream.substr(from, to - from));
      from = to;
    }
    std::string list;
    for (std::size_t v = 0; v < volumes_.size(); ++v) {
      volumes_[v] += char(v + 1 < volumes_.size() ? v + 2 : 0);
      list += VolumeDigestLine(int(v + 1), volumes_[v], block);
    }
    block_ = block;
    standin::SetRcData(IDR_VOLUME_HASHES, list);
  }
  void WriteVolumes(int changed = 0, std::size_t at = 0) {
    for (std::size_t v = 0; v < volumes_.size(); ++v) {
      std::string bytes = volumes_[v];
      if (int(v + 1) == changed) bytes[at] = char(bytes[at] ^ 0x10);
      Volume(int(v + 1), bytes);
    }
  }
  // What a good extraction may have written when it stopped at the block
  // of volume (from 1) that holds byte at: every entry whose header lies
  // before that block, with the data that lies before it.
  void ExpectStoppedBefore(int volume, std::size_t at) {
    std::size_t goodEnd = (at / block_) * block_;
    for (int v = 1; v < volume; ++v) goodEnd += volumes_[std::size_t(v - 1)].size() - 1;
    const std::set<std::string> files = Files(), logged = Logged();
    for (const Placed& p : placed_) {
      SCOPED_TRACE(p.name);
      if (p.dataStart > goodEnd) {
        EXPECT_FALSE(files.count(p.name));
        EXPECT_FALSE(logged.count(p.name));
        continue;
      }
      EXPECT_TRUE(logged.count(p.name));
      EXPECT_EQ(ReadFileBytes(kTarget + "\\" + p.name),
                p.data.substr(0, std::min(p.data.size(), goodEnd - p.dataStart)));
    }
  }

  std::vector<Placed> placed_;
  std::vector<std::string> volumes_;
  std::uint32_t block_ = 0;
};

// Every byte of every volume, the trailers and the total size among them.
TEST_F(BlockCheckTest, ChangedByteStopsTheCopyBeforeItsBlockWhereverItLies) {
  Release(8, 150, 16);
  ASSERT_GE(volumes_.size(), 3u);
  WriteVolumes();
  ASSERT_EQ(Extract(), os::IDOK);
  ExpectStoppedBefore(int(volumes_.size()), volumes_.back().size() + block_);
  for (int v = 1; v <= int(volumes_.size()); ++v) {
    for (std::size_t at = 0; at < volumes_[std::size_t(v - 1)].size(); ++at) {
      SCOPED_TRACE("Setup.d0" + std::to_string(v) + " byte " + std::to_string(at));
      WriteVolumes(v, at);
      standin::ResetDialogs();
      ASSERT_EQ(Extract(), os::IDCANCEL);
      ASSERT_EQ(standin::MessageBoxes().size(), 1u);
      EXPECT_EQ(standin::MessageBoxes()[0].Text,
                "The setup files are damaged (" + VolumeFileName(v) + "): " + kRefused);
      ExpectStoppedBefore(v, at);
      if (HasFailure()) return;
    }
  }
}

// Checked whole before an earlier installation goes, Setup.d01 is read a
// second time for the copy: a medium that then answers other bytes gets
// none of them written, and one read once is installed as it was read.
TEST_F(BlockCheckTest, SecondReadWithOtherBytesIsCheckedAgain) {
  Release(12, 4000, 32);
  ASSERT_EQ(volumes_.size(), 1u);
  WriteVolumes();
  std::string later = volumes_[0];
  const std::size_t at = placed_[5].dataStart + 3;
  later[at] = char(later[at] ^ 0x01);
  standin::AnswerLaterReadsWith(kMedium + "\\Setup.d01", later);
  ConfirmFirstVolume();
  ASSERT_EQ(Extract(), os::IDCANCEL);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Text, "The setup files are damaged (Setup.d01): " + kRefused);
  ExpectStoppedBefore(1, at);

  // Read once: what the first read answered is what is checked and written.
  WriteVolumes();
  standin::AnswerLaterReadsWith(kMedium + "\\Setup.d01", later);
  standin::ResetDialogs();
  ASSERT_EQ(Extract(), os::IDOK);
  for (const Placed& p : placed_) EXPECT_EQ(ReadFileBytes(kTarget + "\\" + p.name), p.data) << p.name;
  standin::AnswerLaterReadsWith("C:\\none", "");
}

// The checking threads read through the volume's handle: they are stopped
// before it closes, whichever way the volume is let go (a cancel, a refused
// confirmation), never left to read through a closed or reused handle.
TEST_F(BlockCheckTest, CheckingStopsBeforeTheVolumeIsClosed) {
  Release(40, 4000, 64);
  WriteVolumes();
  TVolumeHashes hashes;
  ASSERT_TRUE(hashes.Parse(VolumeDigestLine(1, volumes_[0], 64)));
  BlockHold hold(3);  // the check still runs when the volume goes
  auto volume = std::make_unique<TDataFile>(kMedium + "\\Setup.d01", os::GENERIC_READ, nullptr,
                                            std::string());
  volume->ConfirmWhole(*hashes.Find(1));
  while (!hold.Held()) std::this_thread::yield();
  const int open = standin::OpenHandleCount();
  int openAtStop = -1;
  SetCheckerStopHookForTesting([&] {
    openAtStop = standin::OpenHandleCount();
    hold.Release();
  });
  volume.reset();
  SetCheckerStopHookForTesting(nullptr);
  EXPECT_EQ(openAtStop, open) << "the volume was closed while its checking still ran";
}

// While a block is being checked the worker waits, not the dialog: it
// answers, and a cancel confirmed then ends the extraction with nothing of
// that block or later written and nothing left open.
TEST_F(BlockCheckTest, DialogAnswersWhileABlockIsCheckedAndACancelThenEndsIt) {
  Release(30, 100000, 64);
  WriteVolumes();
  const std::size_t heldBlock = 9;
  for (const int answer : {os::IDOK, os::IDCANCEL}) {
    SCOPED_TRACE(answer == os::IDOK ? "resumed" : "left");
    BlockHold hold(heldBlock);
    int answered = 0;
    exitAnswers_ = {answer};
    whileCopying_ = [&](TExtractForm& form) {
      // Runs on the dialog's thread, which is free while the block waits.
      if (!hold.Held() || answered++) return;
      EXPECT_LT(form.ProgressBar.Position(), 100);
      form.CancelButton.Click();
      hold.Release();
    };
    const int result = Extract();
    EXPECT_EQ(answered > 0, true);
    EXPECT_EQ(exitQuestions_, 1);
    exitQuestions_ = 0;
    if (answer == os::IDOK) {
      EXPECT_EQ(result, os::IDOK);
      for (const Placed& p : placed_) EXPECT_EQ(ReadFileBytes(kTarget + "\\" + p.name), p.data) << p.name;
    } else {
      EXPECT_EQ(result, os::IDCANCEL);
      for (const std::string& file : Files()) EXPECT_TRUE(Logged().count(file)) << file;
      EXPECT_LT(Files().size(), placed_.size());
    }
  }
  whileCopying_ = nullptr;
}

// Cancel at every point of a release's extraction, between its steps:
// what was written is listed and nothing stays open (Extract checks).
TEST_F(BlockCheckTest, CancelAtEveryStepOfAReleaseLeavesOnlyLoggedFiles) {
  Release(40, 700, 64);
  WriteVolumes();
  for (int call = 2; call < 120; call += 7) {
    SCOPED_TRACE(call);
    exitQuestions_ = 0;
    exitAnswers_ = {os::IDCANCEL};
    HoldWorkerAt(call, [](TExtractForm& form) { form.CancelButton.Click(); });
    Extract();
    for (const std::string& file : Files()) EXPECT_TRUE(Logged().count(file)) << file;
    exitAnswers_.clear();
  }
}

TEST(VolumeHashesTest, ListsAreReadOnlyWhenEveryLineIsWhole) {
  const std::string line = VolumeDigestLine(1, std::string(40, 'x'), 16);
  const std::string hex64(64, 'a');
  struct Case {
    const char* what;
    std::string text;
    bool good;
  };
  const Case cases[] = {
      {"one volume, three blocks", line, true},
      {"two volumes", line + VolumeDigestLine(12, "abc", 16), true},
      {"no list", "", true},
      {"no line end", line.substr(0, line.size() - 1), false},
      {"a block short", "Setup.d01 40 16 " + hex64 + hex64 + "\n", false},
      {"a block too many", "Setup.d01 32 16 " + hex64 + hex64 + hex64 + "\n", false},
      {"a volume named twice", line + line, false},
      {"volume 0", "Setup.d00 3 16 " + hex64 + "\n", false},
      {"volume 256", "Setup.d256 3 16 " + hex64 + "\n", false},
      {"a name not as Setup writes it", "Setup.d1 3 16 " + hex64 + "\n", false},
      {"a block below the least", "Setup.d01 3 8 " + hex64 + "\n", false},
      {"a block above the most", "Setup.d01 3 16777217 " + hex64 + "\n", false},
      {"upper-case hex", "Setup.d01 3 16 " + std::string(64, 'A') + "\n", false},
      {"the whole-volume form of before", hex64 + "  Setup.d01\n", false},
      {"with its code page", "codepage 932\n" + line, true},
      {"the code page after the volumes", line + "codepage 1252\n", true},
      {"two code pages", "codepage 932\ncodepage 932\n" + line, false},
      {"code page 0", "codepage 0\n" + line, false},
      {"code page out of range", "codepage 65536\n" + line, false},
      {"code page not a number", "codepage ja\n" + line, false},
      {"a code page and no volume", "codepage 932\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TVolumeHashes hashes;
    EXPECT_EQ(hashes.Parse(c.text), c.good);
    if (!c.good) {
      EXPECT_TRUE(hashes.Empty());
    }
  }
  TVolumeHashes hashes;
  ASSERT_TRUE(hashes.Parse("codepage 932\n" + line));
  EXPECT_EQ(hashes.CodePage(), 932u);
  ASSERT_TRUE(hashes.Parse(line + VolumeDigestLine(12, "abc", 16)));
  EXPECT_EQ(hashes.CodePage(), 0u);
  ASSERT_NE(hashes.Find(1), nullptr);
  EXPECT_EQ(hashes.Find(1)->Size, 40u);
  EXPECT_EQ(hashes.Find(1)->Blocks(), 3u);
  ASSERT_NE(hashes.Find(12), nullptr);
  EXPECT_EQ(hashes.Find(12)->Blocks(), 1u);
  EXPECT_EQ(hashes.Find(2), nullptr);
}

}  // namespace
