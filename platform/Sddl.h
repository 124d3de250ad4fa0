#pragma once
// Security descriptors in their text form (SDDL), as far as the programs
// need them: an owner and a DACL of allow and deny entries. Portable, so that
// the decisions built on them are tested against the stand-in as well.
#include <cstdint>
#include <string>
#include <vector>

namespace sddl {

struct Ace {
  char Type = 'A';    // 'A' allow, 'D' deny
  std::string Flags;  // "OICI", "OICIIO", "ID", ...: two letters a flag
  std::uint32_t Mask = 0;
  std::string Sid;  // "BA", "SY", "S-1-5-21-..."
  bool Has(const char* flag) const;
};

struct Descriptor {
  std::string Owner;  // empty when the text names none
  bool Protected = false;
  std::vector<Ace> Dacl;
};

// False for text it cannot read (then descriptor is left as it was).
bool Parse(const std::string& text, Descriptor& descriptor);
std::string Format(const Descriptor& descriptor);

// What a new file or folder below a folder with this descriptor gets when
// it is made with none of its own: the entries the folder passes on, marked
// inherited; owner as given.
Descriptor Inherited(const Descriptor& parent, bool folder, const std::string& owner);

// Rights that let the holder change a folder or what it holds: write, append,
// add files or folders, delete, delete children, write attributes (enough
// to make a folder a link), change the DACL or owner.
constexpr std::uint32_t kChangeRights = 0x00000002 | 0x00000004 | 0x00000040 | 0x00000100 |
                                        0x00010000 | 0x00040000 | 0x00080000 | 0x10000000 |
                                        0x40000000;

// Administrators, the system and the trusted installer: those who may
// change what the programs install wherever they run. The questions below
// take whom to trust besides (a policy may add others) as a predicate.
bool Administrative(const std::string& sid);
using TTrusted = bool (*)(const std::string& sid);

// Whether anybody who is not an administrator, the system or the trusted
// installer may change the folder this descriptor protects (or what it holds):
// by an allow entry that applies to the folder or to what it holds, or as
// owner (an owner may always rewrite the DACL).
bool OthersCanChange(const Descriptor& descriptor, TTrusted trusted = Administrative);

// Whether anybody who is not an administrator, the system or the trusted
// installer may delete what the folder this descriptor protects holds, and
// so put other files in their place: by an allow entry on the folder itself
// that grants deleting children, all rights or the rights to change the
// DACL or owner, or as owner.
bool OthersCanDeleteChildren(const Descriptor& descriptor, TTrusted trusted = Administrative);

// Whether anybody who is not an administrator, the system or the trusted
// installer may delete or rename the folder or file itself: by an entry
// that grants deleting it, all rights or the rights to change the DACL or
// owner, or as owner.
bool OthersCanDelete(const Descriptor& descriptor, TTrusted trusted = Administrative);

// Whether only administrators, the system and the trusted installer own
// and may change what this descriptor protects: one of them is the owner,
// and nobody else is granted a right to change it.
bool OnlyAdministrators(const Descriptor& descriptor, TTrusted trusted = Administrative);

}  // namespace sddl
