// The rule for the names of payload entries, in a file of its own: the
// uninstaller applies it to the names its log records without linking the
// reader and its state.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/Unit_DataFile.h"
#include "platform/Shell.h"

namespace {

std::string UpperAscii(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsDeviceName(const std::string& level, const TNameRules& rules) {
  // "NUL", "nul.txt" and "Com1 .log" all name a device, not a file.
  std::string base = UpperAscii(level.substr(0, level.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
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

std::string TNameRules::Upper(const std::string& Name) const { return os::CharUpperBuffA(Name); }

std::string TNameRules::CharOf(char32_t Character) const { return os::AnsiCharOf(Character); }

const TNameRules& SystemNameRules() {
  static const TNameRules rules;
  return rules;
}

std::string EntryNameProblem(const std::string& Name, const TNameRules& Rules) {
  if (Name.empty()) return "the name is empty";
  for (char c : Name) {
    if (static_cast<unsigned char>(c) < 32) return "the name holds a control character";
    if (std::strchr("<>:\"|?*/", c)) return std::string("the name holds the character ") + c;
  }
  if (Name[0] == '\\') return "the name is an absolute path";
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(Name.find('\\', start), Name.size());
    const std::string level = Name.substr(start, end - start);
    if (level.empty()) return "the name has an empty folder level";
    if (level == "." || level == "..") return "the name refers to a folder by . or ..";
    if (level.back() == '.' || level.back() == ' ') return "a part of the name ends in a dot or a blank";
    if (IsDeviceName(level, Rules)) return "the name " + level + " is reserved for a device";
    if (end == Name.size()) break;
    start = end + 1;
  }
  if (UpperAscii(Name) == "INSTALL.LOG") return "the name is that of the install log";
  return {};
}
