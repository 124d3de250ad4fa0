// A release's list of its volumes' digests, and the threads that check each block against it.
#include "engine/VolumeCheck.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/PayloadFormat.h"
#include "platform/Exceptions.h"
#include "platform/Hash.h"
#include "platform/Resources.h"
#include "resources/ResourceIds.h"

namespace {

std::function<void(std::size_t)> blockCheckHook;
std::function<void()> checkerStopHook;

int HexValue(char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; }

// The decimal number at the start of text, up to a blank; false unless it
// is one, below limit.
bool TakeNumber(std::string_view& text, std::uint64_t limit, std::uint64_t& value) {
  value = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + std::uint64_t(text[i] - '0');
    if (value >= limit) return false;
  }
  if (i == 0 || i >= text.size() || text[i] != ' ') return false;
  text.remove_prefix(i + 1);
  return true;
}

}  // namespace

void SetBlockCheckHookForTesting(std::function<void(std::size_t block)> hook) {
  blockCheckHook = std::move(hook);
}

void SetCheckerStopHookForTesting(std::function<void()> hook) { checkerStopHook = std::move(hook); }

int CheckingThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return int(std::clamp(cores, 1u, 4u));
}

// --- The list ----------------------------------------------------------------

bool TVolumeHashes::Parse(std::string_view Text) {
  volumes_.clear();
  codePage_ = 0;
  std::vector<TVolumeDigests> volumes;
  std::uint64_t codePage = 0;
  for (std::size_t end; !Text.empty(); Text.remove_prefix(end + 1)) {
    end = Text.find('\n');
    if (end == std::string_view::npos) return false;
    std::string_view line = Text.substr(0, end);
    // "codepage N": once, before or among the volumes' lines.
    if (line.substr(0, 9) == "codepage ") {
      line.remove_prefix(9);
      if (codePage || line.empty() || line.size() > 5 || line.find_first_not_of("0123456789") != line.npos)
        return false;
      codePage = std::stoul(std::string(line));
      if (codePage == 0 || codePage > 65535) return false;
      continue;
    }
    // "Setup.dNN SIZE BLOCK HEX..."
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || line.substr(0, 7) != "Setup.d") return false;
    const std::string name(line.substr(0, blank));
    line.remove_prefix(7);
    std::uint64_t number, size, block;
    if (!TakeNumber(line, 256, number) || number < 1 || name != VolumeFileName(int(number))) return false;
    // No volume may hold more than the payload's signed 32-bit sizes allow,
    // and a few headers.
    if (!TakeNumber(line, std::uint64_t(1) << 40, size) ||
        !TakeNumber(line, std::uint64_t(kMaxDigestBlock) + 1, block) || block < kMinDigestBlock)
      return false;
    const std::uint64_t blocks = (size + block - 1) / block;
    if (line.size() != blocks * 64) return false;
    if (volumes.empty()) volumes.resize(256);
    TVolumeDigests& volume = volumes[std::size_t(number)];
    if (volume.BlockSize) return false;  // named twice
    volume.Size = size;
    volume.BlockSize = std::uint32_t(block);
    volume.Digests.resize(std::size_t(blocks) * 32);
    for (std::size_t i = 0; i < volume.Digests.size(); ++i) {
      const int high = HexValue(line[2 * i]), low = HexValue(line[2 * i + 1]);
      if (high < 0 || low < 0) return false;
      volume.Digests[i] = char(high * 16 + low);
    }
  }
  if (volumes.empty()) return codePage == 0;  // a code page goes with volumes
  volumes_ = std::move(volumes);
  codePage_ = unsigned(codePage);
  return true;
}

void TVolumeHashes::Load() {
  if (!Parse(os::LoadRcData(IDR_VOLUME_HASHES)))
    throw os::EInOutError("Setup is damaged: the list of its setup files cannot be read.",
                          os::ERROR_INVALID_PARAMETER);
}

const TVolumeDigests* TVolumeHashes::Find(int Number) const {
  if (volumes_.empty() || Number < 1 || Number > 255) return nullptr;
  const TVolumeDigests& volume = volumes_[std::size_t(Number)];
  return volume.BlockSize ? &volume : nullptr;
}

// --- The checking ------------------------------------------------------------

TBlockChecker::TBlockChecker(os::HANDLE file, const TVolumeDigests& digests, bool keep, int threads)
    : file_(file),
      digests_(digests),
      blockSize_(digests.BlockSize),
      blocks_(digests.Blocks()),
      keep_(keep) {
  threads = std::max(threads, 1);
  if (keep_) {
    // Each thread's block in hand, as many checked ahead, the one in use.
    slots_.resize(std::min<std::size_t>(2 * std::size_t(threads) + 2, blocks_ + 1));
    for (Slot& slot : slots_) slot.bytes.resize(blockSize_);
  }
  for (int i = 0; i < threads && std::size_t(i) < blocks_; ++i) threads_.emplace_back([this] { Run(); });
}

TBlockChecker::~TBlockChecker() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
  }
  changed_.notify_all();
  if (checkerStopHook) checkerStopHook();
  for (std::thread& thread : threads_) thread.join();
}

std::size_t TBlockChecker::LengthOf(std::size_t block) const {
  return std::size_t(std::min<std::uint64_t>(blockSize_, digests_.Size - std::uint64_t(block) * blockSize_));
}

void TBlockChecker::Run() {
  std::vector<char> own;  // without Keep, a block is read into this
  if (!keep_) own.resize(blockSize_);
  std::unique_ptr<os::TSha256> hash;  // made once: the system's costs more than a block
  for (;;) {
    std::size_t block;
    char* bytes;
    const std::size_t length = [&] {
      // Claimed and read under one lock, so blocks are read in order
      // through the one handle.
      std::lock_guard<std::mutex> reading(readLock_);
      {
        std::unique_lock<std::mutex> guard(lock_);
        // With Keep, a block's slot must be free: the block a ring earlier
        // handed on and no longer in use.
        changed_.wait(guard, [&] {
          return stop_ || refused_ || claimed_ >= blocks_ || !keep_ || claimed_ < taken_ + slots_.size() - 1;
        });
        if (stop_ || refused_ || claimed_ >= blocks_) return std::size_t(0);
        block = claimed_++;
        if (keep_) {
          Slot& slot = slots_[block % slots_.size()];
          slot.block = block;
          slot.state = TState::Pending;
          bytes = slot.bytes.data();
        } else {
          bytes = own.data();
        }
      }
      const std::size_t wanted = LengthOf(block);
      std::size_t got = 0;
      while (got < wanted) {
        os::DWORD read = 0;
        if (!os::ReadFile(file_, bytes + got, os::DWORD(wanted - got), &read)) {
          const os::DWORD error = os::GetLastError();
          std::lock_guard<std::mutex> guard(lock_);
          error_ = error ? error : os::DWORD(30 /*ERROR_READ_FAULT*/);
          refusal_ = TState::Failed;
          refused_ = true;
          if (keep_) slots_[block % slots_.size()].state = TState::Failed;
          changed_.notify_all();
          return std::size_t(0);
        }
        if (read == 0) break;  // shorter than it was: its digest cannot match
        got += read;
      }
      return got == wanted ? wanted : SIZE_MAX;
    }();
    if (length == 0) return;
    if (blockCheckHook) blockCheckHook(block);
    bool good = false;
    std::exception_ptr thrown;
    if (length != SIZE_MAX) {
      try {
        if (!hash) hash = std::make_unique<os::TSha256>();
        hash->Add(bytes, length);
        const os::TSha256Digest digest = hash->Finish();
        good = std::memcmp(digest.data(), digests_.Digests.data() + block * 32, 32) == 0;
      } catch (...) {
        thrown = std::current_exception();  // the system's SHA-256 failed
      }
    }
    const TState state = good ? TState::Ready : thrown ? TState::Failed : TState::Bad;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (keep_) {
        Slot& slot = slots_[block % slots_.size()];
        slot.state = state;
        slot.length = good ? length : 0;
      } else if (good) {
        ++checked_;
      }
      if (!good && !refused_) {
        refused_ = true;
        refusal_ = state;
        thrown_ = thrown;
      }
    }
    changed_.notify_all();
    if (!good) return;
  }
}

TBlockChecker::TState TBlockChecker::StateOf(std::size_t block) const {
  if (block >= blocks_) return TState::End;
  const Slot& slot = slots_[block % slots_.size()];
  return slot.block == block ? slot.state : TState::Pending;
}

TBlockChecker::TState TBlockChecker::Take(const char*& data, std::size_t& size) {
  std::lock_guard<std::mutex> guard(lock_);
  const TState state = StateOf(taken_);
  if (state != TState::Ready) return state;
  const Slot& slot = slots_[taken_ % slots_.size()];
  data = slot.bytes.data();
  size = slot.length;
  ++taken_;  // the block before it is free now
  changed_.notify_all();
  return state;
}

bool TBlockChecker::Ahead(std::size_t count) {
  std::lock_guard<std::mutex> guard(lock_);
  // No more can be checked ahead than the ring holds beside the block in
  // use; the rest is waited for as it is needed.
  count = std::min(count, slots_.size() - 1);
  for (std::size_t i = 0; i < count; ++i) {
    const TState state = StateOf(taken_ + i);
    if (state == TState::Pending) return false;
    if (state != TState::Ready) return true;
  }
  return true;
}

bool TBlockChecker::Wait(int milliseconds) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, std::chrono::milliseconds(milliseconds), [&] {
    return keep_ ? StateOf(taken_) != TState::Pending : refused_ || checked_ == blocks_;
  });
}

TBlockChecker::TState TBlockChecker::Result() {
  std::lock_guard<std::mutex> guard(lock_);
  if (refused_) return refusal_;
  return checked_ == blocks_ ? TState::End : TState::Pending;
}

void TBlockChecker::RaiseFailure(const std::string& volume) {
  std::exception_ptr thrown;
  os::DWORD error;
  {
    std::lock_guard<std::mutex> guard(lock_);
    thrown = thrown_;
    error = error_;
  }
  if (thrown) std::rethrow_exception(thrown);
  throw os::EInOutError("Cannot read the setup file " + volume + ": " + os::ErrorText(error), error);
}
