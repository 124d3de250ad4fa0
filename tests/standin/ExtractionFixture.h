#pragma once
// The extraction with its real worker thread, real volume files and the
// user's answers scripted: the fixture of the extraction's tests.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "trust/HeldFolder.h"
#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_ExtractThread.h"
#include "engine/Unit_Logfile.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/Hash.h"
#include "platform/Threads.h"
#include "platform/standin/Standin.h"
#include "resources/ResourceIds.h"
#include "setup/Unit_Constants.h"
#include "tests/standin/WorkerHold.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {

const std::string kMedium = "C:\\Medium";
const std::string kTarget = "C:\\Target";
const std::string kEnd(1, '\0');


class ExtractionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ResetFileSystem();
    standin::ResetDialogs();
    os::Application = os::TApplication();
    os::Application.Title = "Setup";
    InitConstants();
    ASSERT_TRUE(os::CreateDirectoryA(kMedium));
    ASSERT_TRUE(os::CreateDirectoryA(kTarget));
    ASSERT_TRUE(os::SetCurrentDirectoryA(kMedium));
    exit_ = std::make_unique<TExitForm>();
    ExitForm = exit_.get();
    extract_ = std::make_unique<TExtractForm>();
    ExtractForm = extract_.get();
    standin::SetModalResponder([this](ui::TForm& form) {
      if (&form == extract_.get()) {
        if (whileCopying_) whileCopying_(*extract_);
        return;
      }
      ASSERT_EQ(&form, exit_.get()) << "unexpected dialog " << form.Caption();
      ++exitQuestions_;
      ASSERT_FALSE(exitAnswers_.empty()) << "exit question not expected";
      const int answer = exitAnswers_.front();
      exitAnswers_.erase(exitAnswers_.begin());
      if (answer == os::IDOK)
        exit_->ResumeButton.Click();
      else
        exit_->ExitButton.Click();
    });
  }
  void TearDown() override {
    hold_.reset();
    standin::SetModalResponder(nullptr);
    standin::OnMessagePump(nullptr);
    extract_.reset();
    exit_.reset();
    ExtractForm = nullptr;
    ExitForm = nullptr;
  }

  void Volume(int number, const std::string& bytes) {
    WriteFileBytes(kMedium + "\\" + VolumeFileName(number), bytes);
  }

  // Runs the dialog as the installation does; the log is released after.
  // With hold, the target is held as the installation holds its folder,
  // once prepare has made what it needs there.
  int Extract(bool hold = false, const std::function<void()>& prepare = nullptr) {
    RemoveTree(kTarget);
    os::CreateDirectoryA(kTarget);
    if (prepare) prepare();
    int result;
    {
      std::unique_ptr<THeldFolder> held(hold ? new THeldFolder(kTarget) : nullptr);
      TLogFile log(kTarget, "Morvella");
      ExtractPars.LogFile = &log;
      ExtractPars.InstallDir = kTarget;
      ExtractPars.HeldFolder = held.get();
      ExtractPars.CheckFolderRights = false;  // a wizard test before may have left it set
      result = extract_->ShowModal();
      ExtractPars.LogFile = nullptr;
      ExtractPars.HeldFolder = nullptr;
    }
    // Ended, however it ended (done, cancelled, failed): nothing of it
    // stays open, no volume and no file half written.
    EXPECT_EQ(standin::OpenHandleCount(), 0) << "handles left open";
    return result;
  }

  std::string Log() { return ReadFileBytes(kTarget + "\\Install.log"); }
  std::set<std::string> Logged() {
    std::set<std::string> names;
    const std::string log = Log();
    std::size_t at = log.find("{program files}\r\n");
    if (at == std::string::npos) return names;
    at += 17;
    for (std::size_t end; (end = log.find("\r\n", at)) != std::string::npos && end > at; at = end + 2)
      names.insert(log.substr(at, end - at));
    return names;
  }
  std::set<std::string> Files() {
    std::set<std::string> files = FilesBelow(kTarget);
    files.erase("Install.log");
    return files;
  }

  // A payload of count files of size bytes each, over volumes of volumeSize.
  std::map<std::string, std::string> Payload(int count, int size, std::size_t volumeSize) {
    std::map<std::string, std::string> files;
    std::string stream;
    for (int i = 0; i < count; ++i) {
      const std::string name = (i % 2 ? "Lists\\List" : "File") + std::to_string(i) + ".wdl";
      std::string data(std::size_t(size), char('a' + i % 26));
      files[name] = data;
      stream += Entry(name, data);
    }
    std::string first = Le32(std::uint32_t(count * size));
    // Cut where headers stay whole: volumes end after a whole entry or in data.
    std::vector<std::string> volumes(1, first);
    std::size_t pos = 0;
    for (int i = 0; i < count; ++i) {
      const std::string name = (i % 2 ? "Lists\\List" : "File") + std::to_string(i) + ".wdl";
      const std::string header = Header(name, std::uint32_t(size));
      if (volumes.back().size() + header.size() + 1 > volumeSize) volumes.emplace_back();
      volumes.back() += header;
      std::string data = files[name];
      while (!data.empty()) {
        std::size_t room = volumeSize - 1 - volumes.back().size();
        if (room == 0) {
          volumes.emplace_back();
          room = volumeSize - 1;
        }
        volumes.back() += data.substr(0, room);
        data.erase(0, room);
      }
      pos += header.size() + std::size_t(size);
    }
    for (std::size_t v = 0; v < volumes.size(); ++v)
      Volume(int(v + 1), volumes[v] + char(v + 1 < volumes.size() ? v + 2 : 0));
    volumeCount_ = int(volumes.size());
    return files;
  }

  // Holds the worker at its synchronized call number call (see WorkerHold);
  // the dialog, idle meanwhile, runs act once.
  void HoldWorkerAt(int call, std::function<void(TExtractForm&)> act, bool posted = false) {
    hold_.reset();  // its hook goes with it: before the new one is set
    hold_ = std::make_unique<WorkerHold>(call, posted);
    whileCopying_ = [this, act](TExtractForm& form) { hold_->WhenReached([&] { act(form); }); };
  }
  std::unique_ptr<WorkerHold> hold_;

  std::unique_ptr<TExitForm> exit_;
  std::unique_ptr<TExtractForm> extract_;
  std::function<void(TExtractForm&)> whileCopying_;
  std::vector<int> exitAnswers_;
  int exitQuestions_ = 0;
  int volumeCount_ = 0;
};

}  // namespace
