// The reader of the payload volumes: entries begun, their folders made and checked, data copied.
#include "engine/Unit_DataFile.h"

#include <algorithm>
#include <cstring>

#include "engine/Unit_Logfile.h"
#include "trust/Unit_Paths.h"
#include "platform/Exceptions.h"
#include "platform/Resources.h"
#include "platform/Sddl.h"
#include "platform/Shell.h"
#include "resources/ResourceIds.h"

std::int32_t BytesLeft = 0;
os::UniqueHandle OutFile;
std::int64_t DeclaredLeft = -1;
TEntryNames InstalledNames;

namespace {

// Reads and writes of entry data go through a buffer of this size, so memory
// stays the same whatever the payload's size.
constexpr std::size_t kBufferSize = 256 * 1024;

// What this extraction knows of the folders it wrote into, forgotten
// whole when a new one begins.
struct TExtractionFolders {
  // Path of OutFile, for messages.
  std::string outPath;
  // The folder MakeSureDirectoryPathExists last made for an entry.
  std::string madeFolder;
  // The folders of this extraction given the installation folder's rights.
  std::unordered_set<std::string> checkedFolders;
  // Folders below the installation folder that this extraction made (upper
  // case), and of those the ones whose every level down from the
  // installation folder it made and in which a file was seen, by its final
  // path, to lie inside: no user can rename, replace or link such a folder
  // (it takes the held folder's rights from its making), so later files in
  // it need no look at their final paths.
  std::unordered_set<std::string> madeFolders;
  std::unordered_set<std::string> confirmedFolders;
  // Whether every level of the entry folder being begun was made here.
  bool madeChain = false;
};
TExtractionFolders folders;

// A name as it may appear in a message: control characters would garble it.
std::string Printable(const std::string& name) {
  std::string out = name.substr(0, 120);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32) c = '?';
  return out.size() < name.size() ? out + "..." : out;
}

}  // namespace

void ResetDataFileState() {
  OutFile.reset();
  // Moved out whole, so the memory of a large payload is given back.
  folders = TExtractionFolders();
  BytesLeft = 0;
  DeclaredLeft = -1;
  InstalledNames.Clear();
}

TDataFile::TDataFile(const std::string& FileName, os::DWORD Mode, TLogFile* LogFile,
                     const std::string& TargetDir)
    : LogFile(LogFile),
      TargetDir(TargetDir),
      fileName_(FileName),
      file_(OpenToRead(FileName, Mode)) {
  if (!file_) os::RaiseFileError("Cannot open the setup file", FileName);
  if (!os::GetFileSizeEx(file_.get(), &size_)) os::RaiseFileError("Cannot read the setup file", FileName);
}

TDataFile::~TDataFile() {
  // The checking threads stop before the volume's handle closes: never a
  // read through a closed handle, or one the system has given out anew.
  checker_.reset();
}

const char* const kNotThisSetupsDisk = "this is not the disk that belongs to this Setup.";

void RaiseDamaged(const std::string& Volume, const std::string& Problem) {
  throw os::EInOutError("The setup files are damaged (" + Volume + "): " + Problem,
                        os::ERROR_INVALID_PARAMETER);
}

void TDataFile::Damaged(const std::string& problem) const { RaiseDamaged(fileName_, problem); }

void TDataFile::DamagedEntry(const std::string& name, const std::string& problem) const {
  Damaged("entry \"" + Printable(name) + "\"" + problem);
}

void TDataFile::RaiseRefused(TBlockChecker::TState state) {
  if (state == TBlockChecker::TState::Bad) Damaged(kNotThisSetupsDisk);
  if (state == TBlockChecker::TState::Failed) checker_->RaiseFailure(fileName_);
}

bool TDataFile::Fill() {
  bufferPos_ = bufferLen_ = 0;
  while (checker_) {
    const TBlockChecker::TState state = checker_->Take(data_, bufferLen_);
    if (state == TBlockChecker::TState::Ready) return true;
    if (state == TBlockChecker::TState::End) return false;
    RaiseRefused(state);
    // Pending: the worker waits for the block before asking for the step
    // that uses it; this waits only where it could not know.
    checker_->Wait(1000);
  }
  // A small volume needs no large buffer; one that has grown since is read
  // in more pieces all the same.
  if (buffer_.empty()) buffer_.resize(std::size_t(std::min<std::uint64_t>(kBufferSize, size_ + 1)));
  data_ = buffer_.data();
  os::DWORD read = 0;
  if (!os::ReadFile(file_.get(), buffer_.data(), os::DWORD(buffer_.size()), &read))
    os::RaiseFileError("Cannot read the setup file", fileName_);
  bufferLen_ = read;
  return read > 0;
}

bool TDataFile::AtHand(std::uint64_t count) {
  const std::size_t inBuffer = bufferLen_ - bufferPos_;
  if (!checker_ || count <= inBuffer) return true;
  const std::uint64_t block = checker_->BlockSize();
  return checker_->Ahead(std::size_t((count - inBuffer + block - 1) / block));
}

void TDataFile::MatchSize(const TVolumeDigests& Digests) const {
  if (Digests.Size != size_) Damaged(kNotThisSetupsDisk);
}

void TDataFile::CheckBlocks(const TVolumeDigests& Digests) {
  MatchSize(Digests);
  checker_.reset();
  confirming_ = false;
  // From its start, whatever was read before: every byte is checked again.
  if (!os::SetFilePointerEx(file_.get(), 0, nullptr, os::FILE_BEGIN))
    os::RaiseFileError("Cannot read the setup file", fileName_);
  bufferPos_ = bufferLen_ = 0;
  checker_ = std::make_unique<TBlockChecker>(file_.get(), Digests, true, CheckingThreads());
}

void TDataFile::ConfirmWhole(const TVolumeDigests& Digests) {
  MatchSize(Digests);
  checker_ = std::make_unique<TBlockChecker>(file_.get(), Digests, false, CheckingThreads());
  confirming_ = true;
}

bool TDataFile::WholeConfirmed() {
  if (confirmed_) return true;
  if (!confirming_) return false;
  const TBlockChecker::TState state = checker_->Result();
  if (state == TBlockChecker::TState::Pending) return false;
  RaiseRefused(state);
  // CheckBlocks reads it again from its start, each block checked again.
  checker_.reset();
  confirming_ = false;
  confirmed_ = true;
  return true;
}

bool TDataFile::GetByte(std::uint8_t& byte) {
  // Headers never reach into the trailer byte.
  if (position_ + 1 >= size_) return false;
  if (bufferPos_ == bufferLen_ && !Fill()) Damaged("the volume is shorter than it was");
  byte = static_cast<std::uint8_t>(data_[bufferPos_++]);
  ++position_;
  return true;
}

bool TDataFile::ReadName(std::string& Name) {
  Name.clear();
  std::uint8_t byte;
  while (GetByte(byte)) {
    if (byte == 0) return true;
    // No path that long can be made: refused before memory grows with it.
    if (Name.size() + 1 >= os::MAX_PATH)
      Damaged("an entry name is longer than " + std::to_string(os::MAX_PATH - 1) + " characters");
    Name += char(byte);
  }
  return false;
}

bool TDataFile::ReadSize(std::int32_t& Size) {
  unsigned char bytes[4] = {};
  std::uint8_t byte;
  bool whole = true;
  for (int i = 0; i < 4 && whole; ++i) {
    whole = GetByte(byte);
    if (whole) bytes[i] = byte;
  }
  Size = std::int32_t(FromLe32(bytes));
  return whole;
}

std::uint8_t TDataFile::ReadByte() {
  if (position_ >= size_) Damaged("the volume ends before its trailer byte");
  if (bufferPos_ == bufferLen_ && !Fill()) Damaged("the volume is shorter than it was");
  ++position_;
  return static_cast<std::uint8_t>(data_[bufferPos_++]);
}

std::int32_t TDataFile::ReadTotalSize() {
  std::int32_t total = 0;
  if (!ReadSize(total)) Damaged("the volume is too short to hold the total size");
  if (total < 0) Damaged("the total size is negative");
  DeclaredLeft = total;
  return total;
}

bool TDataFile::DataLeft() const { return size_ > 0 && position_ + 1 < size_; }

void TDataFile::TakeEmptyEntries() {
  while (DataLeft()) {
    std::string name;
    std::int32_t size = 0;
    if (!ReadName(name) || !ReadSize(size) || size != 0) Damaged("more data follows the last file");
    BeginEntry(name, size);
    OutFile.reset();
    BytesLeft = 0;
  }
}

void TDataFile::CheckExistingFolders(const std::string& name) {
  // A folder that was there already (a user may have made it in an earlier
  // installation's folder) is used only when only administrators own it and
  // can change it. Rights given now would not help: a handle the user opened
  // before keeps what it was granted. Judged through a handle on that very
  // folder, never a link, and seen to lie inside the installation folder.
  for (const std::string& folder : LevelsBelow(TargetDir, FolderOfPath(name))) {
    if (!folders.checkedFolders.insert(UpperPath(folder)).second) continue;
    os::DWORD code = 0;
    const TFolderStanding standing = Base().JudgeBelow(folder, code);
    if (standing == TFolderStanding::Missing || standing == TFolderStanding::Usable) continue;
    if (standing == TFolderStanding::Unopenable)
      throw os::EInOutError("Setup cannot open the folder " + folder + " (" + os::ErrorText(code) +
                                ").  It stopped before writing " + Printable(name) + " there.",
                            code);
    throw os::EInOutError("The folder " + folder + " was there already, and users without administrator "
                              "rights own it or can change it.  Setup stopped before writing " +
                              Printable(name) + " there.",
                          os::ERROR_ACCESS_DENIED);
  }
}

const THeldFolder& TDataFile::Base() {
  // Without a held folder (the tests of the reading alone), the target
  // folder is held for this volume.
  if (Held) return *Held;
  if (!ownHeld_) ownHeld_ = std::make_unique<THeldFolder>(StripBackslash(TargetDir));
  return *ownHeld_;
}

void TDataFile::BeginEntry() {
  std::string name;
  if (!ReadName(name)) Damaged("an entry name runs into the end of the volume");
  std::int32_t size = 0;
  if (!ReadSize(size)) Damaged("the header of entry \"" + Printable(name) + "\" is cut off");
  BeginEntry(name, size);
}

void TDataFile::BeginEntry(const std::string& name, std::int32_t size) {
  if (size < 0) DamagedEntry(name, " has a negative size");
  // A file that would run past the total would be cut short: refused whole.
  if (DeclaredLeft >= 0 && size > DeclaredLeft)
    DamagedEntry(name, " is larger than the total size allows");
  const std::string problem = EntryNameProblem(name);
  if (!problem.empty()) DamagedEntry(name, ": " + problem);
  const std::string path = JoinPath(TargetDir, name);
  if (path.size() >= os::MAX_PATH) {
    // A name that fits below a drive's root is the chosen folder's fault.
    if (name.size() + 3 >= os::MAX_PATH) DamagedEntry(name, ": the path is too long");
    throw os::EInOutError("Setup cannot install " + Printable(name) + " in the folder " + TargetDir +
                              ": the path would be longer than Windows allows.  Run Setup again "
                              "and choose an installation folder with a shorter path.",
                          206 /*ERROR_FILENAME_EXCED_RANGE*/);
  }
  const std::string clash = InstalledNames.Add(name);
  if (!clash.empty()) DamagedEntry(name, ": " + clash);

  // The previous entry's folder was made a moment ago: most entries share it.
  const std::string folder = path.substr(0, LastBackslash(path) + 1);
  const bool newFolder = folder != folders.madeFolder;
  if (newFolder) {
    // A link left in an earlier installation's folder would take the files
    // wherever it points, written with administrator rights.
    const std::string link = Base().FirstLinkBelow(FolderOfPath(name));
    if (!link.empty())
      throw os::EInOutError("The folder " + link +
                                " is a link to another place.  Setup does not install through "
                                "links, so it stopped before writing " + Printable(name) + " there.",
                            os::ERROR_ACCESS_DENIED);
  }
  if (newFolder && CheckFolderRights) CheckExistingFolders(name);
  LogFile->AddEntry(name);  // before the file exists, so it is always listed
  if (DeclaredLeft >= 0) DeclaredLeft -= size;
  if (newFolder) {
    // The levels below the installation folder that are not there yet are
    // made now, by this extraction.
    std::vector<std::string> making;
    folders.madeChain = true;
    for (std::string& level : LevelsBelow(TargetDir, FolderOfPath(name))) {
      if (folders.madeFolders.count(UpperPath(level))) continue;
      if (making.empty() && FolderExists(level))
        folders.madeChain = false;
      else
        making.push_back(std::move(level));
    }
    folders.madeChain = folders.madeChain && FindBackslash(name) != std::string::npos;
    // Each the Administrators group's from its creation (where the file
    // system takes no owner, the default one, an administrator's); a level
    // that cannot be made shows when the file cannot be.
    for (std::string& level : making) {
      Base().MakeFolder(level);
      folders.madeFolders.insert(UpperPath(level));
    }
    folders.madeFolder = folder;
  }
  folders.outPath = path;
  // Made new, never written over: it takes the rights of the folder. An
  // earlier file of that name is replaced, a read-only one too (a list the
  // user marked so, left by the removal of the earlier installation),
  // through a handle on that very file once it is seen to lie inside.
  OutFile = Base().CreateFresh(path, 0, true, true);
  if (!OutFile) os::RaiseFileError("Cannot create the file", path);
  // Where it really is: a folder on the way swapped for a link would have
  // taken it elsewhere. It goes again, empty, and nothing more is written.
  // Asked once per folder this extraction made whole (see madeFolders),
  // and for every file elsewhere.
  const std::string folderKey = UpperPath(folder);
  if (!folders.confirmedFolders.count(folderKey) && !Base().Contains(OutFile.get())) {
    const std::string where = os::GetFinalPathNameByHandleA(OutFile.get());
    Base().Discard(OutFile);
    throw os::EInOutError("Setup stopped before writing " + path + ": it would lie at " +
                              (where.empty() ? std::string("an unknown place") : where) +
                              ", outside the installation folder, because a folder on the way was "
                              "replaced.",
                          os::ERROR_ACCESS_DENIED);
  }
  if (folders.madeChain) folders.confirmedFolders.insert(folderKey);
  BytesLeft = size;
}

std::int32_t TDataFile::CopyPart(std::int32_t MaxBytes) {
  std::int32_t Copied = 0;
  starved_ = false;
  const std::uint64_t dataEnd = size_ ? size_ - 1 : 0;
  for (;;) {
    if (BytesLeft == 0) {
      // No header begins on the trailer byte: this volume is done.
      if (position_ >= dataEnd) return Copied;
      // A whole header is at hand before it is begun: its name, 0x00, size.
      if (!AtHand(std::min<std::uint64_t>(os::MAX_PATH + 4, dataEnd - position_))) {
        starved_ = true;
        return Copied;
      }
      BeginEntry();
    }
    const std::uint64_t inVolume = dataEnd > position_ ? dataEnd - position_ : 0;
    std::uint64_t n = std::min<std::uint64_t>({inVolume, std::uint64_t(BytesLeft),
                                               std::uint64_t(std::max(MaxBytes - Copied, 0))});
    while (n > 0) {
      if (bufferPos_ == bufferLen_) {
        if (!AtHand(1)) {
          starved_ = true;
          return Copied;
        }
        if (!Fill()) Damaged("the volume is shorter than it was");
      }
      const std::size_t chunk = std::size_t(std::min<std::uint64_t>(n, bufferLen_ - bufferPos_));
      os::DWORD written = 0;
      if (!os::WriteFile(OutFile.get(), data_ + bufferPos_, os::DWORD(chunk), &written) ||
          written != chunk) {
        if (os::GetLastError() == os::ERROR_SUCCESS) os::SetLastError(os::ERROR_DISK_FULL);
        os::RaiseFileError("Cannot write the file", folders.outPath);
      }
      bufferPos_ += chunk;
      position_ += chunk;
      Copied += std::int32_t(chunk);
      BytesLeft -= std::int32_t(chunk);
      n -= chunk;
    }
    if (BytesLeft == 0) OutFile.reset();
    if (position_ < dataEnd && Copied < MaxBytes) continue;
    return Copied;
  }
}
