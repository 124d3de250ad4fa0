#include <gtest/gtest.h>

#include "engine/Unit_Logfile.h"
#include "platform/Exceptions.h"
#include "tests/support/Scratch.h"

namespace {

const char* const kHeader = "*** Don't change or delete this file ***\r\n";

class LogFileTest : public ::testing::Test {
 protected:
  std::string Log() { return ReadFileBytes(dir_ / "Install.log"); }
  ScratchFolder dir_;
};

TEST_F(LogFileTest, CompleteInstallationGivesTheFixedLayout) {
  {
    TLogFile log(dir_.Path(), "Morvella");
    log.BeginProgramFiles();
    log.AddEntry("Morvehlp.GID");
    log.AddEntry("Morvehlp.FTS");
    log.AddEntry("Morvella.exe");
    log.AddEntry("Morvehlp.hlp");
    log.BeginProgramFolderFiles();
    log.AddEntry("Morvella.lnk");
    log.AddEntry("Morvella Help.lnk");
    log.AddEntry("Uninstall Morvella.lnk");
    log.Close();
  }
  EXPECT_EQ(Log(), std::string(kHeader) +
                       "\r\n{program folder}\r\nMorvella\r\n"
                       "\r\n{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\n"
                       "Morvella.exe\r\nMorvehlp.hlp\r\n"
                       "\r\n{program folder files}\r\nMorvella.lnk\r\nMorvella Help.lnk\r\n"
                       "Uninstall Morvella.lnk\r\n\r\n");
}

TEST_F(LogFileTest, CancelledExtractionEndsWithTheLastEntryAndAnEmptyLine) {
  {
    TLogFile log(dir_.Path() + "\\", "");  // trailing backslash, empty Start-menu folder
    log.BeginProgramFiles();
    log.AddEntry("Morvehlp.GID");
    log.AddEntry("Morvehlp.FTS");
    log.AddEntry("Lists\\French.wdl");
  }  // released without Close, as on the way out of an error
  EXPECT_EQ(Log(), std::string(kHeader) +
                       "\r\n{program folder}\r\n\r\n"
                       "\r\n{program files}\r\nMorvehlp.GID\r\nMorvehlp.FTS\r\n"
                       "Lists\\French.wdl\r\n\r\n");
}

TEST_F(LogFileTest, EveryLineIsOnDiskBeforeTheCallReturns) {
  TLogFile log(dir_.Path(), "Tools\\Morvella");
  log.BeginProgramFiles();
  log.AddEntry("Morvella.exe");
  // Read by another handle while the log is still open: nothing is held back.
  EXPECT_EQ(Log(), std::string(kHeader) +
                       "\r\n{program folder}\r\nTools\\Morvella\r\n\r\n{program files}\r\n"
                       "Morvella.exe\r\n");
}

TEST_F(LogFileTest, ExistingLogIsOverwrittenNotAppendedTo) {
  WriteFileBytes(dir_ / "Install.log", std::string(5000, 'x'));
  { TLogFile log(dir_.Path(), "Morvella"); }
  EXPECT_EQ(Log(), std::string(kHeader) + "\r\n{program folder}\r\nMorvella\r\n\r\n");
}

TEST_F(LogFileTest, LogThatCannotBeCreatedRaisesWithTheSystemsErrorCode) {
  try {
    TLogFile log(dir_ / "Missing", "Morvella");
    FAIL() << "no error raised";
  } catch (const os::EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, std::uint32_t(os::ERROR_PATH_NOT_FOUND));
    EXPECT_NE(std::string(e.what()).find(dir_ / "Missing\\Install.log"), std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(Exists(dir_ / "Missing"));
}

}  // namespace
