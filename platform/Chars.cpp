// Text walked by character in a code page.
#include "platform/Chars.h"

#include <cstring>

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

std::vector<std::size_t> BackslashesOf(const std::string& Path, const TCharacters& Chars) {
  std::vector<std::size_t> at;
  for (std::size_t end = 0; (end = Chars.Find(Path, '\\', end)) != std::string::npos; ++end) at.push_back(end);
  return at;
}

std::vector<std::string> PathLevels(const std::string& Path, const TCharacters& Chars) {
  std::vector<std::string> levels;
  std::size_t start = 0;
  for (std::size_t end : BackslashesOf(Path, Chars)) {
    levels.push_back(Path.substr(start, end - start));
    start = end + 1;
  }
  levels.push_back(Path.substr(start));
  return levels;
}
