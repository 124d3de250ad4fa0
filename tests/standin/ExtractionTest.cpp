// The extraction with its real worker thread, real volume files, and the
// user's answers scripted: disk prompts, the exit question, Cancel.
#include "tests/standin/ExtractionFixture.h"

#include <algorithm>

namespace {

TEST_F(ExtractionTest, SingleVolumeIsCopiedWithoutAnyQuestion) {
  Volume(1, Le32(13) + Entry("Morvella.exe", "0123456789") + Entry("Lists\\French.wdl", "abc") + kEnd);
  EXPECT_EQ(Extract(), os::IDOK);
  EXPECT_EQ(ReadFileBytes(kTarget + "\\Morvella.exe"), "0123456789");
  EXPECT_EQ(ReadFileBytes(kTarget + "\\Lists\\French.wdl"), "abc");
  EXPECT_EQ(Log(),
            "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n\r\n"
            "{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\nMorvella.exe\r\nLists\\French.wdl\r\n\r\n");
  EXPECT_TRUE(standin::MessageBoxes().empty());
  EXPECT_EQ(exitQuestions_, 0);
}

TEST_F(ExtractionTest, ThreeVolumesFollowTheirTrailersWithoutPrompts) {
  const auto files = Payload(12, 300, 700);
  ASSERT_GE(volumeCount_, 3);
  EXPECT_EQ(Extract(), os::IDOK);
  for (const auto& [name, data] : files) EXPECT_EQ(ReadFileBytes(kTarget + "\\" + name), data) << name;
  EXPECT_TRUE(standin::MessageBoxes().empty());
}

struct BarCase {
  std::uint32_t total;
  int position;  // advances of the bar, which stops at 100
};

TEST_F(ExtractionTest, BarAdvancesOncePerHundredthButNotAfterTheLast) {
  const BarCase cases[] = {{10000, 99}, {10050, 100}, {0, 0}, {37, 36}, {1, 0}, {199, 100}};
  for (const BarCase& c : cases) {
    SCOPED_TRACE(c.total);
    Volume(1, Le32(c.total) + (c.total ? Entry("Data.bin", std::string(c.total, 'x')) : "") + kEnd);
    EXPECT_EQ(Extract(), os::IDOK);
    EXPECT_EQ(extract_->ProgressBar.Position(), c.position);
    if (c.total) {
      EXPECT_EQ(ReadFileBytes(kTarget + "\\Data.bin").size(), c.total);
    }
  }
}

// A hundredth of a payload over 100 MiB is more than a MiB: the dialog
// handles its messages after every MiB at the most, the bar still moves by
// hundredths, never ahead of the copy, and Cancel is asked about at the
// next MiB, not at the end of the hundredth.
TEST_F(ExtractionTest, StepsOverAMebibyteLetMessagesThroughAfterEach) {
  const std::uint32_t total = 105000000, hundredth = total / 100;
  ASSERT_GT(hundredth, std::uint32_t(kMostCopiedBetweenMessages));
  Volume(1, Le32(total) + Entry("Data.bin", std::string(total, 'x')) + kEnd);
  const auto written = [] {
    os::WIN32_FIND_DATAA found;
    const os::UniqueSearch search(os::FindFirstFileA(kTarget + "\\Data.bin", &found));
    return search ? found.nFileSize : 0;
  };
  const std::uint64_t cancelAt = 10ull * hundredth + kMostCopiedBetweenMessages;
  std::uint64_t last = 0, most = 0, askedAt = 0;
  int pumps = 0;
  bool barAhead = false;
  standin::OnMessagePump([&] {
    const std::uint64_t now = written();
    most = std::max(most, now - last);
    last = now;
    ++pumps;
    barAhead = barAhead || std::uint64_t(extract_->ProgressBar.Position()) * hundredth > now;
    if (now == cancelAt && !exitQuestions_) extract_->CancelButton.Click();
    if (exit_->Modal() && !askedAt) askedAt = now;
  });
  exitAnswers_ = {os::IDOK};  // go on
  EXPECT_EQ(Extract(), os::IDOK);
  standin::OnMessagePump(nullptr);
  EXPECT_EQ(most, std::uint64_t(kMostCopiedBetweenMessages));
  EXPECT_GE(pumps, 200);  // two a hundredth at least
  EXPECT_FALSE(barAhead);
  EXPECT_EQ(askedAt, cancelAt);
  EXPECT_EQ(extract_->ProgressBar.Position(), 99);
  EXPECT_EQ(written(), total);
}

TEST_F(ExtractionTest, MissingDiskIsAskedForUntilItIsThere) {
  const auto files = Payload(6, 400, 1000);
  ASSERT_GE(volumeCount_, 2);
  const std::string second = ReadFileBytes(kMedium + "\\Setup.d02");
  ASSERT_TRUE(os::DeleteFileA(kMedium + "\\Setup.d02"));
  int prompts = 0;
  standin::SetMessageBoxResponder([&](const standin::MessageBoxRecord& box) {
    EXPECT_EQ(box.Caption, "Change disk");
    EXPECT_EQ(box.Text, "Insert disk 2 in the disk drive and click OK.");
    EXPECT_EQ(box.Type & 0xFF, os::MB_OKCANCEL | os::MB_ICONQUESTION);
    // OK while the disk is still missing; the second time, it is there.
    if (++prompts == 2) WriteFileBytes(kMedium + "\\Setup.d02", second);
    return os::IDOK;
  });
  EXPECT_EQ(Extract(), os::IDOK);
  EXPECT_EQ(prompts, 2);
  EXPECT_EQ(standin::Beeps(), (std::vector<os::DWORD>{os::MB_ICONQUESTION, os::MB_ICONQUESTION}));
  for (const auto& [name, data] : files) EXPECT_EQ(ReadFileBytes(kTarget + "\\" + name), data) << name;
}

// A trailer that leads back to a volume read before would copy on forever:
// the extraction ends there, saying which volume would come again.
TEST_F(ExtractionTest, AChainThatComesBackToAVolumeIsRefused) {
  for (const int back : {1, 2}) {
    SCOPED_TRACE(back);
    // 30 data bytes of one file, spread over three volumes; the third
    // leads back instead of on.
    const std::string data(30, 'x');
    Volume(1, Le32(30) + EntryHeader("A.bin", 30) + data.substr(0, 5) + std::string(1, '\2'));
    Volume(2, data.substr(5, 5) + std::string(1, '\3'));
    Volume(3, data.substr(10, 5) + std::string(1, char(back)));
    standin::ResetDialogs();
    EXPECT_EQ(Extract(), os::IDCANCEL);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].Text, "The setup files are damaged (Setup.d03): the next volume would be " +
                                                   VolumeFileName(back) + " again.");
  }
}

TEST_F(ExtractionTest, CancelAtTheDiskPromptAsksOnceThenEnds) {
  Payload(6, 400, 1000);
  ASSERT_TRUE(os::DeleteFileA(kMedium + "\\Setup.d02"));
  int prompts = 0;
  standin::SetMessageBoxResponder([&](const standin::MessageBoxRecord&) {
    ++prompts;
    return os::IDCANCEL;
  });
  exitAnswers_ = {os::IDOK, os::IDCANCEL};  // continue: the prompt again; then exit
  EXPECT_EQ(Extract(), os::IDCANCEL);
  EXPECT_EQ(prompts, 2);
  EXPECT_EQ(exitQuestions_, 2) << "no second question when the dialog closes";
  EXPECT_TRUE(ExitConfirmed);
  // The log lists what was written and ends with an empty line.
  const std::string log = Log();
  EXPECT_EQ(log.substr(log.size() - 4), "\r\n\r\n");
  EXPECT_EQ(log.find("{program folder files}"), std::string::npos);
  for (const std::string& file : Files()) EXPECT_TRUE(Logged().count(file)) << file;
}

TEST_F(ExtractionTest, CancelThenContinueKeepsCopying) {
  const auto files = Payload(40, 500, 4000);
  int position = -1;
  HoldWorkerAt(50, [&](TExtractForm& form) {  // two calls a step: a quarter done
    position = form.ProgressBar.Position();
    form.KeyEscape();  // Escape is the Cancel button
  });
  exitAnswers_ = {os::IDOK};
  EXPECT_EQ(Extract(), os::IDOK);
  EXPECT_EQ(exitQuestions_, 1);
  EXPECT_GE(position, 20);
  EXPECT_EQ(extract_->ProgressBar.Position(), 99);
  for (const auto& [name, data] : files) EXPECT_EQ(ReadFileBytes(kTarget + "\\" + name), data) << name;
}

TEST_F(ExtractionTest, CancelThenExitCreatesNoFileAfterTheConfirmation) {
  Payload(60, 300, 5000);
  std::set<std::string> atConfirmation;
  HoldWorkerAt(40, [](TExtractForm& form) { form.CancelButton.Click(); });
  exitAnswers_ = {os::IDCANCEL};
  // The snapshot is taken as the question is answered.
  standin::SetModalResponder([&, inner = std::function<void(ui::TForm&)>()](ui::TForm& form) mutable {
    if (&form == extract_.get()) {
      if (whileCopying_) whileCopying_(*extract_);
      return;
    }
    ++exitQuestions_;
    atConfirmation = Files();
    exit_->ExitButton.Click();
  });
  EXPECT_EQ(Extract(), os::IDCANCEL);
  EXPECT_EQ(exitQuestions_, 1);
  EXPECT_FALSE(atConfirmation.empty());
  // A step already asked for may still have run; none after the dialog closed.
  const auto after = Files();
  EXPECT_LE(after.size(), atConfirmation.size() + 1);
  EXPECT_LT(after.size(), 60u);
  for (const std::string& file : after) EXPECT_TRUE(Logged().count(file)) << file;
  exitAnswers_.clear();
}

TEST_F(ExtractionTest, EveryCancelPointLeavesOnlyLoggedFiles) {
  Payload(50, 260, 3000);
  // About 210 synchronized calls: opening volumes, copy and progress steps.
  for (int call = 2; call < 220; call += 9) {
    SCOPED_TRACE(call);
    exitQuestions_ = 0;
    exitAnswers_ = {os::IDCANCEL};
    HoldWorkerAt(call, [](TExtractForm& form) { form.CancelButton.Click(); });
    Extract();
    const auto logged = Logged();
    for (const std::string& file : Files()) EXPECT_TRUE(logged.count(file)) << file;
    exitAnswers_.clear();
  }
}

TEST_F(ExtractionTest, ErrorInAStepIsShownAndEndsLikeACancel) {
  // No first volume at all.
  EXPECT_EQ(Extract(), os::IDCANCEL);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Caption, "Setup");
  EXPECT_EQ(standin::MessageBoxes()[0].Type, os::MB_OK | os::MB_ICONERROR);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("Setup.d01"), std::string::npos);
  EXPECT_EQ(exitQuestions_, 0);

  // A hostile entry half-way: what was written before it stays, and is logged.
  standin::ResetDialogs();
  Volume(1, Le32(6) + Entry("Good.txt", "abc") + Entry("..\\Evil.txt", "xyz") + kEnd);
  EXPECT_EQ(Extract(), os::IDCANCEL);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("damaged"), std::string::npos);
  EXPECT_EQ(Files(), (std::set<std::string>{"Good.txt"}));
  EXPECT_TRUE(Logged().count("Good.txt"));
  EXPECT_FALSE(Exists("C:\\Evil.txt"));

  // A full disk while copying.
  standin::ResetDialogs();
  Volume(1, Le32(5000) + Entry("Big.bin", std::string(5000, 'b')) + kEnd);
  standin::FailWritesAfter(2000);
  EXPECT_EQ(Extract(), os::IDCANCEL);
  standin::FailWritesAfter(-1);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("Big.bin"), std::string::npos);
}

TEST_F(ExtractionTest, EmptyFilesAfterTheLastDataByteAreInstalledAndLogged) {
  struct Case {
    const char* what;
    std::vector<std::string> volumes;
    std::map<std::string, std::size_t> files;
  };
  const Case cases[] = {
      {"after 10,000 bytes",
       {Le32(10000) + Entry("Morvella.exe", std::string(10000, 'm')) + Entry("ReadMe.txt", "") + kEnd},
       {{"Morvella.exe", 10000}, {"ReadMe.txt", 0}}},
      {"two after 5 bytes",
       {Le32(5) + Entry("A.txt", "12345") + Entry("B.txt", "") + Entry("C\\D.txt", "") + kEnd},
       {{"A.txt", 5}, {"B.txt", 0}, {"C\\D.txt", 0}}},
      {"only empty files", {Le32(0) + Entry("A.txt", "") + Entry("B.txt", "") + kEnd},
       {{"A.txt", 0}, {"B.txt", 0}}},
      {"after data that ran on into volume 2",
       {Le32(5) + Header("A.txt", 5) + "123" + "\x02", "45" + Entry("B.txt", "") + kEnd},
       {{"A.txt", 5}, {"B.txt", 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    for (std::size_t v = 0; v < c.volumes.size(); ++v) Volume(int(v + 1), c.volumes[v]);
    EXPECT_EQ(Extract(), os::IDOK);
    EXPECT_TRUE(standin::MessageBoxes().empty());
    std::set<std::string> names;
    for (const auto& [name, size] : c.files) {
      names.insert(name);
      EXPECT_TRUE(Exists(kTarget + "\\" + name)) << name;
      EXPECT_EQ(ReadFileBytes(kTarget + "\\" + name).size(), size) << name;
    }
    EXPECT_EQ(Files(), names);
    names.insert({"Morvehlp.GID", "Morvehlp.FTS"});
    EXPECT_EQ(Logged(), names);
  }
}

TEST_F(ExtractionTest, NameThatWindowsTakesForAnEarlierOneIsRefusedBeforeAnythingOfIt) {
  struct Case {
    const char* what;
    std::string volume;
    std::string kept;  // the first entry, unchanged
  };
  const Case cases[] = {
      {"same name in capitals", Le32(9) + Entry("Morvella.exe", "first") + Entry("MORVELLA.EXE", "two!") + kEnd,
       "Morvella.exe"},
      {"accented letters in capitals",
       Le32(4) + Entry("Fran\xE7" "ais.wdl", "fr") + Entry("FRAN\xC7" "AIS.WDL", "FR") + kEnd,
       "Fran\xE7" "ais.wdl"},
      {"a folder, then a file", Le32(4) + Entry("Lists\\French.wdl", "fr") + Entry("lists", "xx") + kEnd,
       "Lists\\French.wdl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    Volume(1, c.volume);
    EXPECT_EQ(Extract(), os::IDCANCEL);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_NE(standin::MessageBoxes()[0].Text.find("The setup files are damaged (Setup.d01)"),
              std::string::npos)
        << standin::MessageBoxes()[0].Text;
    EXPECT_EQ(Files(), (std::set<std::string>{c.kept}));
    EXPECT_EQ(Logged(), (std::set<std::string>{"Morvehlp.GID", "Morvehlp.FTS", c.kept}));
    EXPECT_EQ(ReadFileBytes(kTarget + "\\" + c.kept).size(), 2u + (c.what[0] == 's' ? 3 : 0));
  }
}

// A Setup.exe that carries the volumes' digests installs only those
// volumes: each is hashed whole and judged before a byte of it is used.
TEST_F(ExtractionTest, VolumesAreCheckedAgainstTheDigestsTheProgramCarries) {
  const auto files = Payload(30, 400, 5000);  // three volumes
  ASSERT_EQ(volumeCount_, 3);
  std::vector<std::string> volumes;
  for (int v = 1; v <= 3; ++v) volumes.push_back(ReadFileBytes(kMedium + "\\" + VolumeFileName(v)));
  const std::string list =
      VolumeDigestLine(1, volumes[0]) + VolumeDigestLine(2, volumes[1]) + VolumeDigestLine(3, volumes[2]);
  const std::string refused = "this is not the disk that belongs to this Setup.";
  // Bytes of volume 2: its first whole header, and data after it.
  const std::size_t extension = volumes[1].find(".wdl");
  ASSERT_NE(extension, std::string::npos);
  auto change = [](std::size_t at, char bits) {
    return [at, bits](std::string& bytes) {
      const std::size_t i = at == std::string::npos ? bytes.size() - 1 : at;
      bytes[i] = char(bytes[i] ^ bits);
    };
  };
  const auto none = [](std::string&) {};
  struct Case {
    const char* what;
    std::string list;
    int volume;  // changed thus
    std::function<void(std::string&)> changed;
    const char* named;  // the volume the message names; nullptr: installed
  };
  const Case cases[] = {
      {"the volumes it was built for", list, 0, none, nullptr},
      {"a data byte of volume 2", list, 2, change(extension + 5 + 4 + 10, 0x01), "Setup.d02"},
      {"a header byte of volume 2 (the name still a good one)", list, 2, change(extension + 1, 0x20),
       "Setup.d02"},
      {"the trailer byte of volume 2", list, 2, change(std::string::npos, 0x20), "Setup.d02"},
      {"the last volume's trailer, which the reader never needs", list, 3,
       change(std::string::npos, 0x20), "Setup.d03"},
      {"a list without volume 3", VolumeDigestLine(1, volumes[0]) + VolumeDigestLine(2, volumes[1]), 0, none,
       "Setup.d03"},
      {"a list with a volume 4 the chain never reaches", list + VolumeDigestLine(4, "other"), 0, none,
       "Setup.d03"},
      {"no list at all", "", 0, none, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::SetRcData(IDR_VOLUME_HASHES, c.list);
    for (int v = 1; v <= 3; ++v) {
      std::string bytes = volumes[std::size_t(v - 1)];
      if (v == c.volume) c.changed(bytes);
      Volume(v, bytes);
    }
    standin::ResetDialogs();
    const int result = Extract();
    if (!c.named) {
      EXPECT_EQ(result, os::IDOK);
      EXPECT_EQ(Files().size(), files.size());
      continue;
    }
    EXPECT_EQ(result, os::IDCANCEL);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].Text,
              std::string("The setup files are damaged (") + c.named + "): " + refused);
    // What was written is listed, and no byte of the refused volume (or a
    // later one) reached a file: the files hold no more than the volumes
    // before it.
    std::size_t onDisk = 0, before = 0;
    for (const std::string& file : Files()) {
      EXPECT_TRUE(Logged().count(file)) << file;
      onDisk += ReadFileBytes(kTarget + "\\" + file).size();
    }
    // (A list naming a volume beyond the chain is seen only at the end:
    // every volume read was one it names, and confirmed.)
    const bool confirmedAll = c.volume == 0 && c.list.find(c.named) != std::string::npos;
    const int refusedVolume = c.named[std::strlen(c.named) - 1] - '0';
    for (int v = 1; v < refusedVolume; ++v) before += volumes[std::size_t(v - 1)].size();
    if (!confirmedAll) {
      EXPECT_LE(onDisk, before);
    }
  }
  standin::SetRcData(IDR_VOLUME_HASHES, "");
}

TEST_F(ExtractionTest, FolderNamedLikeTheNextVolumeIsNoVolume) {
  const auto files = Payload(6, 400, 1000);
  ASSERT_GE(volumeCount_, 2);
  const std::string second = ReadFileBytes(kMedium + "\\Setup.d02");
  ASSERT_TRUE(os::DeleteFileA(kMedium + "\\Setup.d02"));
  ASSERT_TRUE(os::CreateDirectoryA(kMedium + "\\Setup.d02"));
  int prompts = 0;
  standin::SetMessageBoxResponder([&](const standin::MessageBoxRecord& box) {
    EXPECT_EQ(box.Caption, "Change disk");
    ++prompts;
    os::RemoveDirectoryA(kMedium + "\\Setup.d02");
    WriteFileBytes(kMedium + "\\Setup.d02", second);
    return os::IDOK;
  });
  EXPECT_EQ(Extract(), os::IDOK);
  EXPECT_EQ(prompts, 1);
  for (const auto& [name, data] : files) EXPECT_EQ(ReadFileBytes(kTarget + "\\" + name), data) << name;
}

TEST_F(ExtractionTest, StepAskedForBeforeTheExitQuestionWaitsAndAFailureEndsTheDialogOnce) {
  Payload(60, 300, 5000);
  // Cancel is clicked while a copy step is already asked for, with the disk
  // full. Call 23 is the eleventh copy step (after opening the volume and
  // reading the total, a progress step follows each).
  int position = 0;
  std::set<std::string> atCancel, atQuestion;
  HoldWorkerAt(
      23,
      [&](TExtractForm& form) {
        position = form.ProgressBar.Position();
        atCancel = Files();
        standin::FailWritesAfter(0);
        form.CancelButton.Click();
      },
      true);
  standin::SetModalResponder([&](ui::TForm& form) {
    if (&form == extract_.get()) return whileCopying_(*extract_);
    ++exitQuestions_;
    // That step ran as the question opened, and copied nothing.
    while (os::RunPostedCalls()) {
    }
    atQuestion = Files();
    EXPECT_TRUE(standin::MessageBoxes().empty());
    // Going on, the next write fails: its error ends the dialog without a
    // second question.
    exit_->ResumeButton.Click();
  });
  EXPECT_EQ(Extract(), os::IDCANCEL);
  standin::FailWritesAfter(-1);
  EXPECT_EQ(position, 10);
  EXPECT_EQ(atQuestion, atCancel);
  EXPECT_EQ(exitQuestions_, 1);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].Caption, "Setup");
  EXPECT_EQ(ExtractThread, nullptr) << "no worker outlives its dialog";
}

// The reader remembers the folder it made last, so that most entries skip
// making it: a second extraction in the same run (the folder emptied in
// between, or made a link) must not trust what the first one made.
TEST_F(ExtractionTest, EachExtractionMakesItsFoldersAfresh) {
  Volume(1, Le32(2) + Entry("Lists\\A.wdl", "a") + Entry("Lists\\B.wdl", "b") + kEnd);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    EXPECT_EQ(Extract(), os::IDOK);  // the target is emptied before each
    EXPECT_EQ(Files(), (std::set<std::string>{"Lists\\A.wdl", "Lists\\B.wdl"}));
  }
}

// A folder the extraction made whole is looked at by its first file's
// final path only (nobody but administrators may change it after); in a
// folder that was there before, every file is. Swapped for a link behind
// the system's back after its first file, such a folder gets no file
// through the link: the next is found to lie outside and Setup stops.
TEST_F(ExtractionTest, EveryFileInAFolderThatWasThereIsCheckedWhereItLies) {
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Elsewhere"));
  Volume(1, Le32(4) + Entry("Old\\A.wdl", "a") + Entry("Old\\B.wdl", "b") + Entry("Old\\C.wdl", "c") +
                Entry("Old\\D.wdl", "d") + kEnd);
  // A byte a step: call 5 is the copy step that begins B.wdl.
  HoldWorkerAt(5, [](TExtractForm&) {
    ASSERT_TRUE(standin::MoveBehind(kTarget + "\\Old", "C:\\Moved"));
    ASSERT_TRUE(standin::PlaceLink(kTarget + "\\Old", "C:\\Elsewhere"));
  });
  EXPECT_EQ(Extract(true, [] { ASSERT_TRUE(os::CreateDirectoryA(kTarget + "\\Old")); }), os::IDCANCEL);
  ASSERT_TRUE(hold_->Reached());
  EXPECT_TRUE(FilesBelow("C:\\Elsewhere").empty()) << *FilesBelow("C:\\Elsewhere").begin();
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("it would lie at C:\\Elsewhere\\B.wdl"), std::string::npos)
      << standin::MessageBoxes()[0].Text;
  EXPECT_EQ(ReadFileBytes("C:\\Moved\\A.wdl"), "a");
}

// The file found outside goes through its own handle. By its path it could
// be another file: a user who swaps a folder of that path for a link just
// before the delete opens it would have any file of that name deleted.
TEST_F(ExtractionTest, FileFoundOutsideIsDeletedThroughItsOwnHandleNeverByItsPath) {
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Elsewhere"));
  ASSERT_TRUE(os::CreateDirectoryA("C:\\Victim"));
  WriteFileBytes("C:\\Victim\\B.wdl", "precious");
  Volume(1, Le32(4) + Entry("Old\\A.wdl", "a") + Entry("Old\\B.wdl", "b") + kEnd);
  HoldWorkerAt(5, [](TExtractForm&) {
    ASSERT_TRUE(standin::MoveBehind(kTarget + "\\Old", "C:\\Moved"));
    ASSERT_TRUE(standin::PlaceLink(kTarget + "\\Old", "C:\\Elsewhere"));
  });
  std::vector<std::string> opened;
  standin::BeforeDeleteOpen([&opened](const std::string& path) {
    opened.push_back(path);
    if (path != "C:\\Elsewhere\\B.wdl") return;
    standin::MoveBehind("C:\\Elsewhere", "C:\\Elsewhere2");
    standin::PlaceLink("C:\\Elsewhere", "C:\\Victim");
  });
  EXPECT_EQ(Extract(true, [] { ASSERT_TRUE(os::CreateDirectoryA(kTarget + "\\Old")); }), os::IDCANCEL);
  ASSERT_TRUE(hold_->Reached());
  standin::BeforeDeleteOpen(nullptr);
  EXPECT_EQ(ReadFileBytes("C:\\Victim\\B.wdl"), "precious");
  EXPECT_TRUE(FilesBelow("C:\\Elsewhere").empty()) << *FilesBelow("C:\\Elsewhere").begin();
  EXPECT_EQ(std::count(opened.begin(), opened.end(), "C:\\Elsewhere\\B.wdl"), 0) << "opened by its path";
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_NE(standin::MessageBoxes()[0].Text.find("it would lie at C:\\Elsewhere\\B.wdl"), std::string::npos)
      << standin::MessageBoxes()[0].Text;
}

TEST_F(ExtractionTest, VolumeChainThatComesBackIsRefused) {
  struct Chain {
    const char* what;
    std::vector<std::string> volumes;
  };
  const Chain chains[] = {
      {"itself", {Le32(10) + Header("A.bin", 10) + "abc" + "\x01"}},
      {"2 to 3 to 2", {Le32(10) + Header("A.bin", 10) + "abc" + "\x02", std::string("\x03", 1),
                       std::string("\x02", 1)}},
      {"volume 0", {Le32(10) + Header("A.bin", 10) + "abc" + kEnd}},
  };
  for (const Chain& c : chains) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    for (std::size_t v = 0; v < c.volumes.size(); ++v) Volume(int(v + 1), c.volumes[v]);
    EXPECT_EQ(Extract(), os::IDCANCEL);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_NE(standin::MessageBoxes()[0].Text.find("damaged"), std::string::npos)
        << standin::MessageBoxes()[0].Text;
  }
}

TEST_F(ExtractionTest, SizesThatDisagreeWithTheTotalAreRefused) {
  struct Case {
    const char* what;
    std::string volume;
  };
  const Case cases[] = {
      {"entry runs past the total", Le32(5) + Entry("A.txt", "abc") + Entry("B.txt", "defg") + kEnd},
      {"entries after the total", Le32(3) + Entry("A.txt", "abc") + Entry("B.txt", "defg") + kEnd},
      {"total of 0 before entries", Le32(0) + Entry("A.txt", "abc") + kEnd},
      {"first volume too short", std::string("\x03\x00", 2) + kEnd},
      {"header across the end", Le32(3) + "A.t" + "\x02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    standin::ResetDialogs();
    Volume(1, c.volume);
    Volume(2, Entry("B.txt", "x") + kEnd);
    EXPECT_EQ(Extract(), os::IDCANCEL);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_NE(standin::MessageBoxes()[0].Text.find("The setup files are damaged (Setup.d01)"),
              std::string::npos)
        << standin::MessageBoxes()[0].Text;
    for (const std::string& file : Files()) EXPECT_TRUE(Logged().count(file)) << file;
  }
  // A total of 0 with nothing after it is an empty, successful installation.
  standin::ResetDialogs();
  Volume(1, Le32(0) + kEnd);
  EXPECT_EQ(Extract(), os::IDOK);
  EXPECT_TRUE(standin::MessageBoxes().empty());
}

}  // namespace
