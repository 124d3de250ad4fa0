// The names a payload has used so far. Apart from the rules themselves:
// the uninstaller applies the rules without the set and its containers.
#include "engine/EntryNames.h"

std::string TEntryNames::Add(const std::string& Name) {
  const std::string upper = rules_->Upper(Name);
  if (files_.count(upper)) return "another file of the setup has the same name";
  if (folders_.count(upper)) return "the name is that of a folder of the setup";
  // Upper-casing keeps every character's length, so the folders of upper
  // end where Name's do; a trail byte equal to "\\" ends none.
  const std::vector<std::size_t> ends = BackslashesOf(Name, *rules_);
  for (std::size_t at : ends)
    if (files_.count(upper.substr(0, at)))
      return "its folder " + Name.substr(0, at) + " is a file of the setup";
  for (std::size_t at : ends) folders_.insert(upper.substr(0, at));
  files_.insert(upper);
  return {};
}

void TEntryNames::Clear() {
  // Swapped out, so the memory of a large payload is given back.
  std::unordered_set<std::string>().swap(files_);
  std::unordered_set<std::string>().swap(folders_);
}
