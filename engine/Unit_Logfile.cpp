// The install log: written as the installation goes, read back by the removals.
#include "engine/Unit_Logfile.h"

#include "trust/HeldFolder.h"
#include "trust/Unit_Paths.h"
#include "platform/Exceptions.h"


TLogFile::TLogFile(const std::string& InstallDir, const std::string& ProgFolder,
                   const char* FileName, const THeldFolder* Folder)
    : fileName_(JoinPath(InstallDir, FileName)),
      // An earlier log of this folder is replaced even when read-only: it
      // is Setup's own record, and a removal that left it must not leave
      // the user with neither installation.
      file_(Folder ? Folder->CreateFresh(fileName_, os::FILE_SHARE_READ, true, false)
                   : THeldFolder(StripBackslash(InstallDir)).CreateFresh(fileName_, os::FILE_SHARE_READ, true, false)) {
  if (!file_) os::RaiseFileError("Cannot create the install log", fileName_);
  // Should a line fail, the file is closed with its member as the error
  // leaves: it must not stay open, and shut, for a retry.
  WriteLine("*** Don't change or delete this file ***");
  WriteLine("");
  WriteLine("{program folder}");
  WriteLine(ProgFolder);
}

TLogFile::~TLogFile() {
  if (!file_) return;
  try {
    Close();
  } catch (const os::EInOutError&) {
    // Already unwinding or released without Close: the file is closed
    // all the same, and whatever was written stays.
  }
}

void TLogFile::BeginProgramFiles() {
  listed_.clear();
  WriteLine("");
  WriteLine("{program files}");
}

void TLogFile::BeginProgramFolderFiles() {
  listed_.clear();
  WriteLine("");
  WriteLine("{program folder files}");
}

void TLogFile::AddEntry(const std::string& Name) {
  if (!listed_.insert(UpperPath(Name)).second) return;
  WriteLine(Name);
}

void TLogFile::Close() {
  if (!file_) return;
  try {
    WriteLine("");
  } catch (const os::EInOutError&) {
    file_.reset();  // closed all the same: a retry makes a new log
    throw;
  }
  if (!file_.Close()) os::RaiseFileError("Cannot close the install log", fileName_);
}

void TLogFile::WriteLine(const std::string& line) {
  if (!file_) {
    os::SetLastError(os::ERROR_INVALID_HANDLE);
    os::RaiseFileError("Cannot write the install log", fileName_);
  }
  // One write a line, straight to the system: no buffer of our own to lose.
  const std::string bytes = line + "\r\n";
  os::DWORD written = 0;
  if (!os::WriteFile(file_.get(), bytes.data(), os::DWORD(bytes.size()), &written) ||
      written != bytes.size()) {
    if (os::GetLastError() == os::ERROR_SUCCESS) os::SetLastError(os::ERROR_DISK_FULL);
    os::RaiseFileError("Cannot write the install log", fileName_);
  }
}

TLogReader::TLogReader(const std::string& FileName)
    : fileName_(FileName),
      file_(OpenToRead(FileName)) {
  if (!file_) os::RaiseFileError("Cannot open the install log", FileName);
}

TLogReader::~TLogReader() = default;

bool TLogReader::Fill() {
  os::DWORD read = 0;
  if (!os::ReadFile(file_.get(), buffer_, sizeof buffer_, &read))
    os::RaiseFileError("Cannot read the install log", fileName_);
  pos_ = 0;
  len_ = read;
  return read > 0;
}

bool TLogReader::ReadLine(std::string& line, bool TakeCutLine) {
  // A line longer than any path is kept only in part: it is no valid entry
  // either way, and a damaged log of any size is read in constant memory.
  constexpr std::size_t kLongest = 4 * os::MAX_PATH;
  line.clear();
  while (pos_ < len_ || Fill()) {
    const char c = buffer_[pos_++];
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    if (line.size() < kLongest) line += c;
  }
  if (!TakeCutLine || line.empty()) return false;
  if (line.back() == '\r') line.pop_back();
  return true;
}

void TLogReader::Reset() {
  if (!os::SetFilePointerEx(file_.get(), 0, nullptr, os::FILE_BEGIN))
    os::RaiseFileError("Cannot read the install log", fileName_);
  pos_ = len_ = 0;
}

bool ReadProgramFolder(const std::string& LogName, std::string& ProgFolder) {
  TLogReader log(LogName);
  std::string line;
  while (log.ReadLine(line)) {
    if (line != "{program folder}") continue;
    if (!log.ReadLine(line)) return false;
    ProgFolder = line;
    return true;
  }
  return false;
}
