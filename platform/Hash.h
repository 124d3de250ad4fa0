#pragma once
// SHA-256 of a stream of bytes: the system's own on Windows (CryptoAPI,
// loaded after the DLL search is restricted), one implementation of the
// stand-in's elsewhere.
#include <array>
#include <cstddef>
#include <cstdint>

namespace os {

using TSha256Digest = std::array<std::uint8_t, 32>;

class TSha256 {
 public:
  // Raises EInOutError when the system offers no SHA-256.
  TSha256();
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  // Adds size bytes. Raises EInOutError when the provider fails.
  void Add(const void* data, std::size_t size);
  // The digest of everything added; the object then starts anew.
  TSha256Digest Finish();

 private:
  struct State;
  State& state() { return *reinterpret_cast<State*>(storage_); }
  // Room for either implementation's state, without a second allocation.
  alignas(8) unsigned char storage_[112];
};

}  // namespace os
