// SHA-256 by CryptoAPI's AES provider (Windows XP SP3 and later): advapi32
// is delay-loaded, after the DLL search is restricted.
#include "platform/win32/WinApi.h"

#include <wincrypt.h>

#include <new>
#include <utility>

#include "platform/Exceptions.h"
#include "platform/Hash.h"

namespace os {

namespace {
struct ProviderTraits {
  using Handle = HCRYPTPROV;
  static constexpr HCRYPTPROV Invalid = 0;
  static bool Close(HCRYPTPROV provider) { return ::CryptReleaseContext(provider, 0) != FALSE; }
};
struct HashTraits {
  using Handle = HCRYPTHASH;
  static constexpr HCRYPTHASH Invalid = 0;
  static bool Close(HCRYPTHASH hash) { return ::CryptDestroyHash(hash) != FALSE; }
};
}  // namespace

struct TSha256::State {
  TUniqueHandle<ProviderTraits> provider;  // first made, last gone
  TUniqueHandle<HashTraits> hash;
};

namespace {
// CALG_SHA_256: the headers name it only for Vista, XP SP3's provider has it.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;

[[noreturn]] void Fail() {
  const ::DWORD code = ::GetLastError();
  throw EInOutError("Setup cannot check the setup files: " + ErrorText(code), code);
}
}  // namespace

TSha256::TSha256() {
  static_assert(sizeof(State) <= sizeof storage_, "the state fits");
  // Held by owners until both exist: a failure releases what was made.
  TUniqueHandle<ProviderTraits> provider;
  if (!::CryptAcquireContextA(provider.receive(), nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
    Fail();
  TUniqueHandle<HashTraits> hash;
  if (!::CryptCreateHash(provider.get(), kSha256, 0, 0, hash.receive())) Fail();
  new (storage_) State{std::move(provider), std::move(hash)};
}

TSha256::~TSha256() { state().~State(); }

void TSha256::Add(const void* data, std::size_t size) {
  if (size && !::CryptHashData(state().hash.get(), static_cast<const BYTE*>(data), ::DWORD(size), 0))
    Fail();
}

TSha256Digest TSha256::Finish() {
  TSha256Digest digest{};
  ::DWORD size = ::DWORD(digest.size());
  if (!::CryptGetHashParam(state().hash.get(), HP_HASHVAL, digest.data(), &size, 0) || size != digest.size())
    Fail();
  // A new hash on the same provider: acquiring one costs more than a block.
  TUniqueHandle<HashTraits> next;
  if (!::CryptCreateHash(state().provider.get(), kSha256, 0, 0, next.receive())) Fail();
  state().hash = std::move(next);
  return digest;
}

}  // namespace os
