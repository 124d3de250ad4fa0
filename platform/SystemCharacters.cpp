// The characters of the code page the program runs with: the system's.
#include "platform/Chars.h"

namespace {

class TSystemCharacters : public TCharacters {
 public:
  bool IsLeadByte(unsigned char Byte) const override { return os::IsDBCSLeadByte(Byte); }
};

}  // namespace

const TCharacters& SystemCharacters() {
  static const TSystemCharacters characters;
  return characters;
}
