#pragma once
// The install log, "Install.log" in the installation folder: the record of
// what an installation put on the computer, read back by a later run to
// remove it. Layout (every line ended by CR LF):
//
//   *** Don't change or delete this file ***
//   (empty)
//   {program folder}
//   <Start-menu folder, relative to the Programs folder>
//   (empty)
//   {program files}
//   <one line per file in the installation folder>
//   (empty)
//   {program folder files}
//   <one line per shortcut in the Start-menu folder>
//   (empty)
//
// Each line is handed to the system before the call returns, so a file
// created after its name was logged is listed even if Setup dies.
#include <set>
#include <string>

#include "platform/Files.h"

class THeldFolder;

// The log's name, in the installation folder.
constexpr const char* kLogName = "Install.log";

class TLogFile {
 public:
  // Creates JoinPath(InstallDir, FileName) afresh through Folder, the
  // installation folder held (THeldFolder::CreateFresh: an existing file
  // there is deleted through a handle on it, never written through), or
  // through InstallDir held for the moment when Folder is null; and writes
  // the first four lines. The folder must exist. Raises EInOutError, the
  // file closed.
  TLogFile(const std::string& InstallDir, const std::string& ProgFolder,
           const char* FileName = kLogName, const THeldFolder* Folder = nullptr);
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;
  // Closes the log if Close was not called; errors are then ignored.
  ~TLogFile();

  // An empty line, then "{program files}".
  void BeginProgramFiles();
  // An empty line, then "{program folder files}".
  void BeginProgramFolderFiles();
  // A name already listed in this section (in any case) is not listed
  // again: a file the earlier installation left that the new one replaces.
  void AddEntry(const std::string& Name);
  // Writes the final empty line and closes the file. Raises EInOutError.
  void Close();

  const std::string& FileName() const { return fileName_; }

 private:
  void WriteLine(const std::string& line);

  std::string fileName_;
  os::UniqueHandle file_;
  std::set<std::string> listed_;  // this section's names, upper-cased
};

// Reads an install log line by line: a line ends at LF, a CR before it is
// dropped. Every complete line counts, the last one too.
class TLogReader {
 public:
  // Raises EInOutError when the file cannot be opened.
  explicit TLogReader(const std::string& FileName);
  TLogReader(const TLogReader&) = delete;
  TLogReader& operator=(const TLogReader&) = delete;
  ~TLogReader();

  // The next line, without its CR LF; false at the end of the file. A last
  // line without its line break is handed out only when TakeCutLine is
  // true: for a removal it is a write cut short, and never counts.
  // Raises EInOutError when reading fails.
  bool ReadLine(std::string& line, bool TakeCutLine = false);
  // Back to the first line.
  void Reset();
  // The open log, to tell where it really is.
  os::HANDLE Handle() const { return file_.get(); }

 private:
  bool Fill();

  std::string fileName_;
  os::UniqueHandle file_;
  char buffer_[4096];
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
};

// The Start-menu folder a log records: the whole line after "{program
// folder}", when there is one (a last line cut off before its line break,
// a write that never ended, is none). Raises EInOutError when the log
// cannot be read.
bool ReadProgramFolder(const std::string& LogName, std::string& ProgFolder);
