#pragma once
// What a release's Setup.exe knows of its volumes, and the checking of each
// volume against it: the volume is read once, a block at a time, on threads
// of its own, and only blocks whose SHA-256 is the one the list carries are
// handed on. So every byte that is written was checked just before, in the
// same read, whatever a second read of the medium would answer.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/PayloadFormat.h"
#include "platform/Files.h"

// One volume's size and the SHA-256 of each of its blocks.
struct TVolumeDigests {
  std::uint64_t Size = 0;
  std::uint32_t BlockSize = 0;
  std::string Digests;  // 32 bytes a block, the last block possibly short
  std::size_t Blocks() const { return Digests.size() / 32; }
};

// The list a release's Setup.exe carries (resource IDR_VOLUME_HASHES), a
// line a volume: "Setup.dNN SIZE BLOCKSIZE" and, after one blank, the hex
// SHA-256 of each block, one after another. Empty for a Setup.exe built
// without a list, which reads any volumes.
class TVolumeHashes {
 public:
  // The list built into the program. Raises EInOutError when it is there
  // but cannot be read: the program itself is damaged.
  void Load();
  // Text as above; false (and empty) when a line is not of that form.
  bool Parse(std::string_view Text);
  bool Empty() const { return volumes_.empty(); }
  // The ANSI code page the volumes' names were packed in (a line
  // "codepage N" of the list); 0 when the list names none.
  unsigned CodePage() const { return codePage_; }
  // The digests for volume Number; nullptr when the list does not name it.
  const TVolumeDigests* Find(int Number) const;

 private:
  std::vector<TVolumeDigests> volumes_;  // by number, 256 with a list; BlockSize 0: not named
  unsigned codePage_ = 0;
};


// The largest and smallest block a list may use: memory for a few blocks
// is held while a volume is read.
constexpr std::uint32_t kMaxDigestBlock = 16u << 20;
constexpr std::uint32_t kMinDigestBlock = 16;

// Reads a volume from its current position through file, which the caller
// keeps open, block after block, on threads of its own; each block is
// hashed and compared with its digest. With Keep, checked blocks are handed
// on in order (Take), a few ahead of their use; without, they are dropped
// once checked (the volume is only confirmed).
class TBlockChecker {
 public:
  enum class TState {
    Ready,    // the next block is checked and may be taken
    Pending,  // not yet
    Bad,      // its bytes are not the ones the list names
    Failed,   // it could not be read or hashed: RaiseFailure
    End,      // every block was taken (Keep) or checked (confirmation)
  };

  TBlockChecker(os::HANDLE file, const TVolumeDigests& digests, bool keep, int threads);
  TBlockChecker(const TBlockChecker&) = delete;
  TBlockChecker& operator=(const TBlockChecker&) = delete;
  // Stops the threads and waits for them (each ends its block first).
  ~TBlockChecker();

  // With Keep, for the one thread that uses the bytes; never waits. Takes
  // the next block when it is Ready: its bytes stay valid until the next
  // Take. The state of the next block otherwise.
  TState Take(const char*& data, std::size_t& size);
  // Whether the next count blocks are no longer Pending (checked, refused,
  // or past the end).
  bool Ahead(std::size_t count);
  // Waits up to milliseconds until the next block is no longer Pending
  // (with Keep) or the whole volume is checked or refused (without); true
  // when it is. Any thread may wait.
  bool Wait(int milliseconds);
  // Without Keep: End once the volume is checked whole, Bad or Failed
  // once a block is refused, else Pending.
  TState Result();
  // Raises the error of a Failed block: the read's, naming volume, or the
  // hash's.
  [[noreturn]] void RaiseFailure(const std::string& volume);
  std::uint32_t BlockSize() const { return blockSize_; }

 private:
  struct Slot {
    std::size_t block = SIZE_MAX;
    TState state = TState::Pending;
    std::vector<char> bytes;
    std::size_t length = 0;
  };
  void Run();
  std::size_t LengthOf(std::size_t block) const;
  TState StateOf(std::size_t block) const;  // under lock_

  os::HANDLE file_;
  const TVolumeDigests digests_;
  const std::uint32_t blockSize_;
  const std::size_t blocks_;
  const bool keep_;
  std::mutex readLock_;  // one read at a time, in block order
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;    // a ring, block % size (Keep)
  std::size_t claimed_ = 0;    // blocks given to a thread
  std::size_t taken_ = 0;      // blocks handed on (Keep)
  std::size_t checked_ = 0;    // blocks checked good (confirmation)
  bool refused_ = false;       // a block was Bad or Failed
  TState refusal_ = TState::Pending;
  os::DWORD error_ = 0;
  std::exception_ptr thrown_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

// Threads that check blocks beside the one that writes: one a core, at
// most four.
int CheckingThreads();

// For tests: called on a checking thread once block (from 0) is read and
// before it is hashed; a test holds that thread there by not returning.
// nullptr (the default): no hook.
void SetBlockCheckHookForTesting(std::function<void(std::size_t block)> hook);
// Tests: runs when a checker is told to stop, before it waits for its threads.
void SetCheckerStopHookForTesting(std::function<void()> hook);
