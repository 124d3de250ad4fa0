#include "platform/Chars.h"

#include <cstring>

bool TCharacters::IsLeadByte(unsigned char Byte) const { return os::IsDBCSLeadByte(Byte); }

std::size_t TCharacters::Last(const std::string& Text) const {
  // Forward from the start: one byte back may be the second half of a character.
  std::size_t last = std::string::npos;
  for (std::size_t at = 0; at < Text.size(); at = Next(Text, at)) last = at;
  return last;
}

std::size_t TCharacters::Find(const std::string& Text, char C, std::size_t From) const {
  for (std::size_t at = 0; at < Text.size(); at = Next(Text, at))
    if (at >= From && Text[at] == C && Next(Text, at) == at + 1) return at;
  return std::string::npos;
}

std::size_t TCharacters::FindLast(const std::string& Text, char C) const {
  const char set[] = {C, '\0'};
  return FindLastOf(Text, set);
}

std::size_t TCharacters::FindLastOf(const std::string& Text, const char* Set) const {
  std::size_t found = std::string::npos;
  for (std::size_t at = 0; at < Text.size(); at = Next(Text, at))
    if (Next(Text, at) == at + 1 && Text[at] != '\0' && std::strchr(Set, Text[at])) found = at;
  return found;
}

bool TCharacters::EndsWith(const std::string& Text, char C) const {
  const std::size_t last = Last(Text);
  return last != std::string::npos && last + 1 == Text.size() && Text[last] == C;
}

std::string TCharacters::UpperAscii(std::string Text) const {
  for (std::size_t at = 0; at < Text.size(); at = Next(Text, at))
    if (Text[at] >= 'a' && Text[at] <= 'z') Text[at] = char(Text[at] - 'a' + 'A');
  return Text;
}

const TCharacters& SystemCharacters() {
  static const TCharacters characters;
  return characters;
}
