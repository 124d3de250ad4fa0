#pragma once
// SHA-256 of a stream of bytes, one implementation for every build. Not the
// system's CryptoAPI: a release hashes its blocks on several threads, and
// under Wine two threads of CryptoAPI took as long as one (1 GiB: 5.5 s on
// two threads, 6.3 s on one), where this one runs side by side, by the
// processor's SHA extensions where it has them.
#include <array>
#include <cstddef>
#include <cstdint>

namespace os {

using TSha256Digest = std::array<std::uint8_t, 32>;

class TSha256 {
 public:
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  // Adds size bytes.
  void Add(const void* data, std::size_t size);
  // The digest of everything added; the object then starts anew.
  TSha256Digest Finish();

 private:
  struct State;
  State& state() { return *reinterpret_cast<State*>(storage_); }
  // Room for the state, without a second allocation.
  alignas(8) unsigned char storage_[112];
};

// For tests: hash by the processor's SHA extensions (where it has them) or
// by the rounds in C; returns the setting before.
bool UseShaExtensionsForTesting(bool use);

}  // namespace os
