// Message boxes and the folder dialog on Windows.
#include "platform/win32/WinApi.h"

namespace os {

int MessageBoxA(HWND owner, const std::string& text, const std::string& caption, DWORD type) {
  return ::MessageBoxA(win32::Native(owner), text.c_str(), caption.c_str(), type);
}

bool MessageBeep(DWORD type) { return ::MessageBeep(type) != FALSE; }

std::string_view LoadRcData(int id) {
  HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /*RT_RCDATA*/);
  if (!found) return {};
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const char*>(bytes), ::SizeofResource(nullptr, found)};
}

}  // namespace os
