// The name rules of the code page the program runs with: the system's.
#include "engine/EntryNames.h"
#include "platform/Files.h"
#include "platform/Shell.h"

namespace {

class TSystemNameRules : public TNameRules {
 public:
  bool IsLeadByte(unsigned char Byte) const override { return SystemCharacters().IsLeadByte(Byte); }
  std::string Upper(const std::string& Name) const override { return os::CharUpperBuffA(Name); }
  std::string CharOf(char32_t Character) const override { return os::AnsiCharOf(Character); }
};

}  // namespace

const TNameRules& SystemNameRules() {
  static const TSystemNameRules rules;
  return rules;
}
