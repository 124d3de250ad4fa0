// The shell on Windows: its folders and dialog, and the ANSI code page's characters and case.
#include "platform/win32/WinApi.h"

#include <shlobj.h>

#include "platform/Chars.h"

namespace os {

std::string SHGetSpecialFolderPathA(HWND owner, int csidl, std::string* unwritable) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(win32::Native(owner), csidl, &list)) || !list) return {};
  wchar_t buffer[MAX_PATH] = {};
  const BOOL ok = ::SHGetPathFromIDListW(list, buffer);
  ::CoTaskMemFree(list);
  return ok ? win32::AnsiPath(buffer, unwritable) : std::string();
}

std::string SHBrowseForFolderA(HWND owner, const std::string& title) {
  BROWSEINFOA info = {};
  info.hwndOwner = win32::Native(owner);
  info.lpszTitle = title.c_str();
  LPITEMIDLIST list = ::SHBrowseForFolderA(&info);
  if (!list) return {};
  // Asked in UTF-16 and written exactly or in the short form: the ANSI call
  // would put look-alike characters for those the code page lacks, and name
  // another folder. One that neither can write is not taken.
  wchar_t buffer[MAX_PATH] = {};
  const BOOL ok = ::SHGetPathFromIDListW(list, buffer);
  ::CoTaskMemFree(list);
  std::string unwritable;
  const std::string path = ok ? win32::AnsiPath(buffer, &unwritable) : std::string();
  return unwritable.empty() ? path : std::string();
}

int lstrcmpA(const std::string& a, const std::string& b) { return ::lstrcmpA(a.c_str(), b.c_str()); }

std::string CharUpperBuffA(std::string text) {
  if (!text.empty()) ::CharUpperBuffA(text.data(), DWORD(text.size()));
  return text;
}

unsigned GetACP() { return ::GetACP(); }

bool IsDBCSLeadByte(unsigned char byte) {
  // The ANSI code page cannot change while the program runs.
  static const struct Leads {
    bool lead[256] = {};
    Leads() {
      CPINFO info;
      if (!::GetCPInfo(CP_ACP, &info)) return;
      for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
        for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b) lead[b] = true;
    }
  } leads;
  return leads.lead[byte];
}

std::string AnsiCharOf(char32_t c) {
  if (c > 0xFFFF) return {};
  const wchar_t wide = wchar_t(c);
  char bytes[8];
  BOOL defaulted = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, sizeof bytes,
                                      nullptr, &defaulted);
  return n > 0 && !defaulted ? std::string(bytes, std::size_t(n)) : std::string();
}

int ScreenWidth() { return ::GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return ::GetSystemMetrics(SM_CYSCREEN); }

}  // namespace os
