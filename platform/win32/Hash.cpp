// SHA-256 by CryptoAPI's AES provider (Windows XP SP3 and later): advapi32
// is delay-loaded, after the DLL search is restricted.
#include "platform/win32/WinApi.h"

#include <wincrypt.h>

#include <new>

#include "platform/Exceptions.h"
#include "platform/Hash.h"

namespace os {

struct TSha256::State {
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
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
  State& s = *new (storage_) State;
  if (!::CryptAcquireContextA(&s.provider, nullptr, nullptr, PROV_RSA_AES,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
    Fail();
  if (!::CryptCreateHash(s.provider, kSha256, 0, 0, &s.hash)) {
    const ::DWORD code = ::GetLastError();
    ::CryptReleaseContext(s.provider, 0);  // no destructor runs for a failed construction
    ::SetLastError(code);
    Fail();
  }
}

TSha256::~TSha256() {
  ::CryptDestroyHash(state().hash);
  ::CryptReleaseContext(state().provider, 0);
}

void TSha256::Add(const void* data, std::size_t size) {
  if (size && !::CryptHashData(state().hash, static_cast<const BYTE*>(data), ::DWORD(size), 0))
    Fail();
}

TSha256Digest TSha256::Finish() {
  TSha256Digest digest{};
  ::DWORD size = ::DWORD(digest.size());
  if (!::CryptGetHashParam(state().hash, HP_HASHVAL, digest.data(), &size, 0) || size != digest.size())
    Fail();
  return digest;
}

}  // namespace os
