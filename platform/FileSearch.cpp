// Folder listings of what the user is shown: hidden and system entries left out.
#include "platform/FileSearch.h"

namespace os {

namespace {
constexpr DWORD kNeverShown =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_VOLUME_LABEL;
}

TDirectorySearch::TDirectorySearch(const std::string& pattern)
    : data_(), handle_(FindFirstFileA(pattern, &data_)), first_(true) {}

TDirectorySearch::~TDirectorySearch() = default;

bool TDirectorySearch::Next() {
  if (!handle_) return false;
  for (;;) {
    if (first_) {
      first_ = false;
    } else if (!FindNextFileA(handle_.get(), &data_)) {
      return false;
    }
    if ((data_.dwFileAttributes & kNeverShown) == 0) return true;
  }
}

}  // namespace os
