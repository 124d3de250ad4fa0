#pragma once
// ANSI text walked by character. In the double-byte code pages (932, 936,
// 949, 950) a character may be two bytes, and its second byte may equal
// "\", "|" or a letter: paths and names are taken apart, trimmed and
// searched only through these, never byte by byte.
#include <cstddef>
#include <string>
#include <vector>

namespace os {

// Whether byte begins a two-byte character in the system's ANSI code page
// (IsDBCSLeadByteEx with CP_ACP).
bool IsDBCSLeadByte(unsigned char byte);
// The system's ANSI code page (GetACP): 1252, 932, ...
unsigned GetACP();

}  // namespace os

// The characters of one code page: the system's, unless a packer names the
// code page of the systems it packs for. Nothing here asks the system: the
// release tools walk names with it on the packer's host.
class TCharacters {
 public:
  virtual ~TCharacters() = default;
  virtual bool IsLeadByte(unsigned char Byte) const = 0;

  // Where the character after the one at At begins (CharNextExA); a lead
  // byte with nothing after it is a character of its own.
  std::size_t Next(const std::string& Text, std::size_t At) const {
    return At + (At + 1 < Text.size() && IsLeadByte(static_cast<unsigned char>(Text[At])) ? 2 : 1);
  }
  // Where the last character begins; npos when Text is empty.
  std::size_t Last(const std::string& Text) const;
  // Where the first character C at or after From stands, or the last one;
  // npos when there is none. A trail byte equal to C is no match.
  std::size_t Find(const std::string& Text, char C, std::size_t From = 0) const;
  std::size_t FindLast(const std::string& Text, char C) const;
  // The last character that is one of Set.
  std::size_t FindLastOf(const std::string& Text, const char* Set) const;
  // Whether the last character of Text is C.
  bool EndsWith(const std::string& Text, char C) const;
  // Text with ASCII letters upper-cased and every other byte, trail bytes
  // included, as it is.
  std::string UpperAscii(std::string Text) const;
};

// Where each backslash of Path stands, first to last, found by character.
std::vector<std::size_t> BackslashesOf(const std::string& Path, const TCharacters& Chars);
// The levels of a relative path, split at its backslashes (empty levels
// kept, so that a caller can refuse them).
std::vector<std::string> PathLevels(const std::string& Path, const TCharacters& Chars);

// The characters of the code page this program runs with
// (platform/SystemCharacters.cpp).
const TCharacters& SystemCharacters();
