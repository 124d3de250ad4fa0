#pragma once
// The rules for the names of payload entries, which the packer applies
// before it packs a name and the programs before they write or delete one.
// Nothing here asks the system: the release tools link it on their host.
#include <string>
#include <unordered_set>

#include "platform/Chars.h"

// How Windows reads names in an ANSI code page: which names it takes for
// the same, and how the code page writes the superscript digits that
// Windows reserves for devices (COM¹, LPT²). The system's own code page
// unless a packer chooses the code page of the systems it packs for.
class TNameRules : public TCharacters {
 public:
  // Name upper-cased as the file system compares names.
  virtual std::string Upper(const std::string& Name) const = 0;
  // The bytes of a character in the code page; empty when it lacks it.
  virtual std::string CharOf(char32_t Character) const = 0;
};

// The rules of the code page this program runs with
// (engine/SystemNameRules.cpp).
const TNameRules& SystemNameRules();

// Whether the folder or file name Level ends in a dot or a space, which
// Windows drops when it makes the entry: the entry would be made under
// another name. "." and ".." are no such names.
bool EndsInDotOrSpace(const std::string& Level, const TCharacters& Chars);

// Why Name is no plain relative path of ordinary names (one that stays
// below the folder it is taken from), or empty when it is one.
std::string PathNameProblem(const std::string& Name, const TNameRules& Rules = SystemNameRules());
// Why Name may not be written below the installation folder, or empty when
// it may: a plain relative path of ordinary names, not the log itself.
std::string EntryNameProblem(const std::string& Name, const TNameRules& Rules = SystemNameRules());

// The names a payload has used so far, compared as Windows compares file
// names: a name that comes again in another case would overwrite the first
// file, and a file cannot also be a folder.
class TEntryNames {
 public:
  explicit TEntryNames(const TNameRules& Rules = SystemNameRules()) : rules_(&Rules) {}
  // Why Name cannot be added, or empty when it was added.
  std::string Add(const std::string& Name);
  void Clear();

 private:
  const TNameRules* rules_;
  std::unordered_set<std::string> files_;
  std::unordered_set<std::string> folders_;
};
