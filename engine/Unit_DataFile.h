#pragma once
// Reader of the payload volumes (their format: engine/PayloadFormat.h).
//
// The reader refuses what a sound payload never holds (a name that would
// leave the installation folder, a negative size, a header cut off by the
// volume's end) with "The setup files are damaged (<volume>): ...", before
// anything is created for it.
#include <cstdint>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/EntryNames.h"
#include "engine/PayloadFormat.h"
#include "engine/VolumeCheck.h"
#include "trust/HeldFolder.h"
#include "platform/Chars.h"
#include "platform/Files.h"

class TLogFile;

// The entry being written; it outlives each volume's reader, so an entry
// whose data runs on into the next volume continues in the same file.
extern std::int32_t BytesLeft;
extern os::UniqueHandle OutFile;
// Data bytes the total size leaves for entries not yet begun; -1 before the
// total is read. An entry larger than that is refused.
extern std::int64_t DeclaredLeft;
// Forgets the entry being written, closing its file: for a new extraction.
void ResetDataFileState();

// The names this extraction has begun.
extern TEntryNames InstalledNames;

// Raises "The setup files are damaged (<Volume>): <Problem>".
[[noreturn]] void RaiseDamaged(const std::string& Volume, const std::string& Problem);
// The problem of a volume whose digest is not the one the program carries,
// or that the program's list does not name.
extern const char* const kNotThisSetupsDisk;

class TDataFile {
 public:
  // Opens the volume read-only. Raises EInOutError when it cannot be opened.
  TDataFile(const std::string& FileName, os::DWORD Mode, TLogFile* LogFile,
            const std::string& TargetDir);
  TDataFile(const TDataFile&) = delete;
  TDataFile& operator=(const TDataFile&) = delete;
  // Closes the volume; the entry being written stays open.
  ~TDataFile();

  // Reads up to and including a 0x00 byte; false when the volume's data
  // ended first.
  bool ReadName(std::string& Name);
  // Reads 4 bytes, least significant first; false when fewer were left.
  bool ReadSize(std::int32_t& Size);
  // The next byte (the trailer, where it is used).
  std::uint8_t ReadByte();
  // Copies up to MaxBytes bytes of entry data into the target files,
  // beginning entries (logging their names, creating their folders and
  // files) as their headers come. Stops early only where the volume's data
  // ends; then the position is on the trailer byte.
  std::int32_t CopyPart(std::int32_t MaxBytes);

  // The total size at the start of volume 1; raises if it is cut off or
  // negative.
  std::int32_t ReadTotalSize();
  // Whether entry data or headers are left before the trailer byte.
  bool DataLeft() const;
  // Once all data is copied: installs the empty files whose headers remain
  // in this volume; anything else there is damage.
  void TakeEmptyEntries();
  // Before the first read of the volume: from now on it is read on threads
  // of its own, block by block, and a byte is used only once its block has
  // the SHA-256 the list names (else "… this is not the disk that belongs
  // to this Setup."). Raises at once when its size is not the listed one.
  void CheckBlocks(const TVolumeDigests& Digests);
  // Before the first read: the volume is checked whole on threads of its
  // own, its bytes dropped. WholeConfirmed then says when it is done, and
  // raises when it failed.
  void ConfirmWhole(const TVolumeDigests& Digests);
  // True once the volume is confirmed whole, and from then on, however
  // often asked (a later step may fail and be tried again); false while
  // that goes on or when it was never asked. CheckBlocks then reads it for
  // use.
  bool WholeConfirmed();
  // The checking of CheckBlocks or ConfirmWhole, while it runs.
  TBlockChecker* Checker() const { return checker_.get(); }
  // Whether the last CopyPart stopped because the next checked block was
  // not ready yet (rather than at MaxBytes or the volume's end).
  bool Starved() const { return starved_; }
  // Raises "The setup files are damaged (<volume>): <problem>".
  [[noreturn]] void Damaged(const std::string& problem) const;
  // Damaged, for the entry name: "entry "name"" and then problem.
  [[noreturn]] void DamagedEntry(const std::string& name, const std::string& problem) const;

  TLogFile* LogFile;
  std::string TargetDir;
  // Existing folders below TargetDir are used only when only administrators
  // own them and can change them (where the system keeps rights).
  bool CheckFolderRights = false;
  // The installation folder, held: every file made is checked to lie in it.
  const THeldFolder* Held = nullptr;
  const std::string& FileName() const { return fileName_; }

 private:
  bool Fill();
  // Whether count more bytes (or all that are left) can be had without
  // waiting for a block to be checked.
  bool AtHand(std::uint64_t count);
  void CheckExistingFolders(const std::string& name);
  // Held, or else the target folder held for this volume.
  const THeldFolder& Base();
  std::unique_ptr<THeldFolder> ownHeld_;
  void MatchSize(const TVolumeDigests& Digests) const;
  // Raises for a block the checking refused (Bad or Failed).
  void RaiseRefused(TBlockChecker::TState state);
  // Its threads read through file_: ended first, in the destructor.
  std::unique_ptr<TBlockChecker> checker_;
  bool confirming_ = false;
  bool confirmed_ = false;
  bool starved_ = false;
  bool GetByte(std::uint8_t& byte);
  void BeginEntry();
  void BeginEntry(const std::string& name, std::int32_t size);

  std::string fileName_;
  os::UniqueHandle file_;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;  // of the next byte handed out
  std::vector<char> buffer_;   // what the volume was read into, unchecked
  const char* data_ = nullptr;  // the bytes at hand: buffer_, or a checked block
  std::size_t bufferPos_ = 0;
  std::size_t bufferLen_ = 0;
};
