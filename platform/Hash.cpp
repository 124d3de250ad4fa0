// SHA-256 as FIPS 180-4 gives it, in both builds and the host tools.
#include <algorithm>
#include <cstring>
#include <new>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "platform/Hash.h"

namespace os {

namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

#if defined(__i386__) || defined(__x86_64__)
// The processor's SHA extensions, where it has them (most since 2017): a
// release's blocks are hashed several times faster than by the rounds in C.
bool HasShaExtensions() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 9)) || !(c & (1u << 19))) return false;  // SSSE3, SSE4.1
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
}

// blocks 64-byte blocks of data into state, by the SHA extensions.
__attribute__((target("sha,sse4.1"))) void CompressWithExtensions(std::uint32_t* state, const std::uint8_t* data,
                                                                    std::size_t blocks) {
  const __m128i byteOrder = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  // The state as the instructions take it: ABEF and CDGH.
  __m128i cdab = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
  __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, cdgh, 8);
  cdgh = _mm_blend_epi16(cdgh, cdab, 0xF0);
  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i w[4];  // the message schedule, four words a group, the last four groups
#pragma GCC unroll 16
    for (int g = 0; g < 16; ++g) {
      if (g < 4)
        w[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), byteOrder);
      else
        w[g & 3] = _mm_sha256msg2_epu32(
            _mm_add_epi32(_mm_sha256msg1_epu32(w[g & 3], w[(g - 3) & 3]),
                          _mm_alignr_epi8(w[(g - 1) & 3], w[(g - 2) & 3], 4)),
            w[(g - 1) & 3]);
      __m128i message = _mm_add_epi32(w[g & 3], _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRound + 4 * g)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
}

bool withExtensions = HasShaExtensions();
#else
bool withExtensions = false;
void CompressWithExtensions(std::uint32_t*, const std::uint8_t*, std::size_t) {}
#endif

}  // namespace

bool UseShaExtensionsForTesting(bool use) {
  const bool was = withExtensions;
#if defined(__i386__) || defined(__x86_64__)
  withExtensions = use && HasShaExtensions();
#endif
  return was;
}

struct TSha256::State {
  std::uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                        0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::uint8_t block[64];
  std::size_t used = 0;
  std::uint64_t length = 0;  // bytes

  void Compress(const std::uint8_t* p, std::size_t blocks) {
    if (withExtensions) return CompressWithExtensions(h, p, blocks);
    for (; blocks > 0; --blocks, p += 64) Compress(p);
  }

  void Compress(const std::uint8_t* p) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
      w[i] = std::uint32_t(p[4 * i]) << 24 | std::uint32_t(p[4 * i + 1]) << 16 |
             std::uint32_t(p[4 * i + 2]) << 8 | std::uint32_t(p[4 * i + 3]);
    for (int i = 16; i < 64; ++i) {
      const std::uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const std::uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
    for (int i = 0; i < 64; ++i) {
      const std::uint32_t t1 = k + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) +
                               ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      const std::uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      k = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += k;
  }
};

TSha256::TSha256() {
  static_assert(sizeof(State) <= sizeof storage_, "the state fits");
  new (storage_) State;
}

TSha256::~TSha256() { state().~State(); }

void TSha256::Add(const void* data, std::size_t size) {
  const std::uint8_t* p = static_cast<const std::uint8_t*>(data);
  State& s = state();
  s.length += size;
  if (s.used) {
    const std::size_t n = std::min(size, sizeof s.block - s.used);
    std::memcpy(s.block + s.used, p, n);
    s.used += n, p += n, size -= n;
    if (s.used < sizeof s.block) return;
    s.Compress(s.block, 1);
    s.used = 0;
  }
  s.Compress(p, size / 64);
  p += size / 64 * 64;
  size %= 64;
  std::memcpy(s.block, p, size);
  s.used = size;
}

TSha256Digest TSha256::Finish() {
  State& s = state();
  const std::uint64_t bits = s.length * 8;
  const std::uint8_t one = 0x80, zero = 0;
  Add(&one, 1);
  while (s.used != 56) Add(&zero, 1);
  std::uint8_t tail[8];
  for (int i = 0; i < 8; ++i) tail[i] = std::uint8_t(bits >> (56 - 8 * i));
  Add(tail, 8);
  TSha256Digest digest;
  for (int i = 0; i < 32; ++i) digest[std::size_t(i)] = std::uint8_t(s.h[i / 4] >> (24 - 8 * (i % 4)));
  s = State();
  return digest;
}

}  // namespace os
