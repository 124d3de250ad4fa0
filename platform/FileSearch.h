#pragma once
// A folder search that, like the file dialogs of the system, never shows
// hidden or system entries: what a user cannot see is not offered.
#include <string>

#include "platform/Files.h"

namespace os {

class TDirectorySearch {
 public:
  // Starts a search for pattern (wildcards * and ?).
  explicit TDirectorySearch(const std::string& pattern);
  TDirectorySearch(const TDirectorySearch&) = delete;
  TDirectorySearch& operator=(const TDirectorySearch&) = delete;
  ~TDirectorySearch();

  // Moves to the next visible entry; false when there is none left.
  bool Next();
  const std::string& Name() const { return data_.cFileName; }
  DWORD Attributes() const { return data_.dwFileAttributes; }
  bool IsFolder() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

 private:
  WIN32_FIND_DATAA data_;  // before handle_: the first entry is found into it
  UniqueSearch handle_;
  bool first_;
};

}  // namespace os
