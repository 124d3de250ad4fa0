// SHA-256 against the digests FIPS 180-4 publishes, natively and, built
// for Windows, under Wine.
#include <gtest/gtest.h>

#include <string>

#include "platform/Hash.h"

namespace {

std::string Hex(const os::TSha256Digest& digest) {
  static const char* const digits = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t byte : digest) hex += {digits[byte >> 4], digits[byte & 15]};
  return hex;
}

TEST(HashTest, KnownDigestsInOneGoAndInPiecesOfEveryLength) {
  const struct {
    std::string text;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  // By the processor's SHA extensions where it has them, and by the rounds
  // in C.
  for (const bool extensions : {true, false})
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20) + (extensions ? " (extensions)" : " (rounds in C)"));
    const bool before = os::UseShaExtensionsForTesting(extensions);
    os::TSha256 whole;
    whole.Add(c.text.data(), c.text.size());
    EXPECT_EQ(Hex(whole.Finish()), c.digest);
    // Pieces that cross the 64-byte blocks anywhere.
    for (std::size_t piece : {1u, 55u, 63u, 64u, 65u, 4099u}) {
      if (piece > c.text.size() && !c.text.empty()) continue;
      os::TSha256 pieces;
      for (std::size_t at = 0; at < c.text.size(); at += piece)
        pieces.Add(c.text.data() + at, std::min(piece, c.text.size() - at));
      EXPECT_EQ(Hex(pieces.Finish()), c.digest) << "pieces of " << piece;
    }
    // Finished, the object starts anew: the next digest owes nothing to it.
    whole.Add("abc", 3);
    EXPECT_EQ(Hex(whole.Finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    os::UseShaExtensionsForTesting(before);
  }
}

}  // namespace
