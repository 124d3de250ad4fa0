// The rules for the names of payload entries, in a file of their own: the
// uninstaller applies them to the names its log records, and mkvolumes to
// what it packs, without linking the reader and its state.
#include "engine/EntryNames.h"

#include <cstring>

namespace {

bool IsDeviceName(const std::string& level, const TNameRules& rules) {
  // "NUL", "nul.txt" and "Com1 .log" all name a device, not a file.
  std::string base = rules.UpperAscii(level.substr(0, rules.Find(level, '.')));
  while (rules.EndsWith(base, ' ')) base.pop_back();
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* device : devices)
    if (base == device) return true;
  if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
    return false;
  // A digit, or a superscript 1, 2 or 3 as the code page writes it.
  const std::string number = base.substr(3);
  if (number.size() == 1 && number[0] >= '0' && number[0] <= '9') return true;
  for (char32_t superscript : {U'\u00B9', U'\u00B2', U'\u00B3'})
    if (number == rules.CharOf(superscript)) return true;
  return false;
}

}  // namespace

bool EndsInDotOrSpace(const std::string& Level, const TCharacters& Chars) {
  return Level != "." && Level != ".." && (Chars.EndsWith(Level, '.') || Chars.EndsWith(Level, ' '));
}

std::string PathNameProblem(const std::string& Name, const TNameRules& Rules) {
  if (Name.empty()) return "the name is empty";
  // Character by character: the second byte of a double-byte character may
  // equal "|" or "\\" and is part of an ordinary name.
  for (std::size_t at = 0; at < Name.size(); at = Rules.Next(Name, at)) {
    if (Rules.Next(Name, at) != at + 1) continue;
    const char c = Name[at];
    if (static_cast<unsigned char>(c) < 32) return "the name holds a control character";
    if (std::strchr("<>:\"|?*/", c)) return std::string("the name holds the character ") + c;
  }
  if (Rules.Find(Name, '\\') == 0) return "the name is an absolute path";
  for (const std::string& level : PathLevels(Name, Rules)) {
    if (level.empty()) return "the name has an empty folder level";
    if (level == "." || level == "..") return "the name refers to a folder by . or ..";
    if (EndsInDotOrSpace(level, Rules)) return "a part of the name ends in a dot or a space";
    if (IsDeviceName(level, Rules)) return "the name " + level + " is reserved for a device";
  }
  return {};
}

std::string EntryNameProblem(const std::string& Name, const TNameRules& Rules) {
  const std::string problem = PathNameProblem(Name, Rules);
  if (!problem.empty()) return problem;
  if (Rules.UpperAscii(Name) == "INSTALL.LOG") return "the name is that of the install log";
  return {};
}
