// Security descriptors read as SDDL text: who owns an object and who may change it.
#include "platform/Sddl.h"

#include <cstdlib>
#include <cstring>

namespace sddl {

namespace {

struct Right {
  const char* code;
  std::uint32_t mask;
};
// The two-letter rights codes of file objects and the generic ones.
const Right kRights[] = {
    {"GA", 0x10000000}, {"GR", 0x80000000}, {"GW", 0x40000000}, {"GX", 0x20000000},
    {"FA", 0x001F01FF}, {"FR", 0x00120089}, {"FW", 0x00120116}, {"FX", 0x001200A0},
    {"SD", 0x00010000}, {"RC", 0x00020000}, {"WD", 0x00040000}, {"WO", 0x00080000},
    {"CC", 0x00000001}, {"DC", 0x00000002}, {"LC", 0x00000004}, {"SW", 0x00000008},
    {"RP", 0x00000010}, {"WP", 0x00000020}, {"DT", 0x00000040}, {"LO", 0x00000080},
    {"CR", 0x00000100},
};

bool ParseMask(const std::string& text, std::uint32_t& mask) {
  mask = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    char* end = nullptr;
    mask = std::uint32_t(std::strtoul(text.c_str() + 2, &end, 16));
    return *end == '\0';
  }
  if (text.size() % 2) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    bool known = false;
    for (const Right& r : kRights) {
      if (text.compare(i, 2, r.code) == 0) {
        mask |= r.mask;
        known = true;
        break;
      }
    }
    if (!known) return false;
  }
  return true;
}

std::string Hex(std::uint32_t value) {
  std::string digits;
  do digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
  while (value /= 16);
  return "0x" + digits;
}

}  // namespace

bool Administrative(const std::string& sid) {
  return sid == "BA" || sid == "SY" || sid == "S-1-5-32-544" || sid == "S-1-5-18" ||
         sid.rfind("S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", 0) == 0;
}

bool Ace::Has(const char* flag) const {
  for (std::size_t i = 0; i + 1 < Flags.size(); i += 2)
    if (Flags.compare(i, 2, flag) == 0) return true;
  return false;
}

bool Parse(const std::string& text, Descriptor& descriptor) {
  Descriptor out;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text.compare(at, 2, "O:") == 0 || text.compare(at, 2, "G:") == 0) {
      const bool owner = text[at] == 'O';
      std::size_t end = at + 2;
      while (end < text.size() && !(text[end + 1] == ':' && std::strchr("OGDS", text[end])))
        ++end;
      if (owner) out.Owner = text.substr(at + 2, end - at - 2);
      at = end;
    } else if (text.compare(at, 2, "D:") == 0) {
      at += 2;
      // Flags P, AI, AR; anything else (a null DACL's NO_ACCESS_CONTROL) is
      // no list of entries this reader can vouch for.
      while (at < text.size() && text[at] != '(' && text[at + 1] != ':') {
        if (!std::strchr("PAIR", text[at])) return false;
        if (text[at] == 'P') out.Protected = true;
        ++at;
      }
      while (at < text.size() && text[at] == '(') {
        const std::size_t close = text.find(')', at);
        if (close == std::string::npos) return false;
        std::vector<std::string> fields;
        std::size_t start = at + 1;
        for (std::size_t semi; (semi = text.find(';', start)) < close; start = semi + 1)
          fields.push_back(text.substr(start, semi - start));
        fields.push_back(text.substr(start, close - start));
        if (fields.size() != 6 || fields[0].size() != 1 || !std::strchr("AD", fields[0][0]))
          return false;
        Ace ace;
        ace.Type = fields[0][0];
        ace.Flags = fields[1];
        if (!ParseMask(fields[2], ace.Mask)) return false;
        ace.Sid = fields[5];
        out.Dacl.push_back(ace);
        at = close + 1;
      }
    } else if (text.compare(at, 2, "S:") == 0) {
      break;  // the audit list is no concern here
    } else {
      return false;
    }
  }
  descriptor = out;
  return true;
}

std::string Format(const Descriptor& descriptor) {
  std::string text;
  if (!descriptor.Owner.empty()) text += "O:" + descriptor.Owner;
  text += std::string("D:") + (descriptor.Protected ? "P" : "");
  for (const Ace& ace : descriptor.Dacl)
    text += std::string("(") + ace.Type + ";" + ace.Flags + ";" + Hex(ace.Mask) + ";;;" + ace.Sid + ")";
  return text;
}

Descriptor Inherited(const Descriptor& parent, bool folder, const std::string& owner) {
  Descriptor child;
  child.Owner = owner;
  for (const Ace& ace : parent.Dacl) {
    const bool passes = folder ? ace.Has("CI") || ace.Has("OI") : ace.Has("OI");
    if (!passes) continue;
    Ace inherited = ace;
    // On a folder, an entry for files only stays for what it holds.
    std::string flags;
    if (folder && !ace.Has("NP")) {
      if (ace.Has("OI")) flags += "OI";
      if (ace.Has("CI")) flags += "CI";
      if (!ace.Has("CI")) flags += "IO";
    }
    inherited.Flags = flags + "ID";
    child.Dacl.push_back(inherited);
  }
  return child;
}

namespace {
// Whether an owner or an allow entry of anybody but administrators, the
// system or the trusted installer grants any of rights; onlyItself: entries
// that apply to what a folder holds only (IO) do not count.
bool OthersGranted(const Descriptor& descriptor, TTrusted Trusted, std::uint32_t rights, bool onlyItself) {
  if (!descriptor.Owner.empty() && !Trusted(descriptor.Owner)) return true;
  for (const Ace& ace : descriptor.Dacl) {
    if (ace.Type != 'A' || Trusted(ace.Sid) || (onlyItself && ace.Has("IO"))) continue;
    // CREATOR OWNER's entry is a template for what others make inside; the
    // maker then owns that, which Setup never relies on.
    if (ace.Sid == "CO" || ace.Sid == "S-1-3-0") continue;
    if (ace.Mask & rights) return true;
  }
  return false;
}
}  // namespace

bool OthersCanChange(const Descriptor& descriptor, TTrusted trusted) {
  return OthersGranted(descriptor, trusted, kChangeRights, false);
}

bool OthersCanDeleteChildren(const Descriptor& descriptor, TTrusted trusted) {
  // Deleting children, all rights, or the rights to take them.
  return OthersGranted(descriptor, trusted, 0x00000040 | 0x10000000 | 0x00040000 | 0x00080000, true);
}

bool OthersCanDelete(const Descriptor& descriptor, TTrusted trusted) {
  return OthersGranted(descriptor, trusted, 0x00010000 | 0x10000000 | 0x00040000 | 0x00080000, true);
}

bool OnlyAdministrators(const Descriptor& descriptor, TTrusted trusted) {
  return !descriptor.Owner.empty() && trusted(descriptor.Owner) && !OthersCanChange(descriptor, trusted);
}

}  // namespace sddl
