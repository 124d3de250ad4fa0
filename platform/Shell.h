#pragma once
// The shell calls the system makes (shell32), and lstrcmpA (kernel32), the
// locale's order of names.
#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

namespace os {

constexpr int CSIDL_PROGRAMS = 2;

// The file-system path of a special folder (SHGetSpecialFolderLocation, then
// SHGetPathFromIDListW into a buffer of MAX_PATH) in the ANSI code page:
// exactly, or else its short form; empty when either call fails. Empty too
// when the code page can write neither form: unwritable, if given, then
// receives the path with "?" for each character the code page lacks.
std::string SHGetSpecialFolderPathA(HWND owner, int csidl, std::string* unwritable = nullptr);

// The folder-selection dialog (SHBrowseForFolderA, starting at the desktop);
// the chosen folder's file-system path, asked in UTF-16 and given in the
// ANSI code page exactly or in its short form; empty when the user
// cancelled or chose something that has none, or that the code page can
// write in neither form.
std::string SHBrowseForFolderA(HWND owner, const std::string& title);

// Negative, zero or positive as a sorts before, with or after b in the
// user's locale: letters before case, "accessories" before "Games".
int lstrcmpA(const std::string& a, const std::string& b);

// text in upper case by the ANSI code page's letters (CharUpperBuffA), as
// the file system folds names to compare them: "français" -> "FRANÇAIS".
std::string CharUpperBuffA(std::string text);
// The bytes of the Unicode character c in the ANSI code page
// (WideCharToMultiByte, no best fit); empty when the code page lacks it.
std::string AnsiCharOf(char32_t c);

constexpr int SW_SHOW = 5;

// Starts file through the shell with the default verb; a result above 32
// means it started.
std::intptr_t ShellExecuteA(HWND owner, const std::string& file, const std::string& parameters,
                            const std::string& directory, int show);

// The shell link object (CLSID_ShellLink) through its IShellLinkA and
// IPersistFile interfaces. COM must be initialised on the calling thread.
class TShellLink {
 public:
  // Raises EOleError with the system's text for the failure code, or "OLE
  // error %.8x" where the system has none; "Interface not supported" when
  // the object lacks one of the two interfaces.
  TShellLink();
  TShellLink(const TShellLink&) = delete;
  TShellLink& operator=(const TShellLink&) = delete;
  ~TShellLink();

  // Results are COM result codes: negative on failure.
  long SetPath(const std::string& path);
  long SetWorkingDirectory(const std::string& folder);
  // Saves the link to path (converted to UTF-16 from the ANSI code page).
  long Save(const std::string& path, bool remember);

 private:
  struct Impl;
  Impl* impl_;
};

// The screen's size in pixels (GetSystemMetrics SM_CXSCREEN, SM_CYSCREEN).
int ScreenWidth();
int ScreenHeight();

}  // namespace os
