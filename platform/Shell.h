#pragma once
// The shell calls the system makes (shell32), and lstrcmpA (kernel32), the
// locale's order of names.
#include <string>

#include "platform/Win.h"

namespace os {

constexpr int CSIDL_PROGRAMS = 2;

// The file-system path of a special folder (SHGetSpecialFolderLocation, then
// SHGetPathFromIDListA into a buffer of MAX_PATH); empty when either fails.
std::string SHGetSpecialFolderPathA(HWND owner, int csidl);

// The folder-selection dialog (SHBrowseForFolderA, starting at the desktop);
// the chosen folder's file-system path, or empty when the user cancelled or
// chose something that has none.
std::string SHBrowseForFolderA(HWND owner, const std::string& title);

// Negative, zero or positive as a sorts before, with or after b in the
// user's locale: letters before case, "accessories" before "Games".
int lstrcmpA(const std::string& a, const std::string& b);

// The screen's size in pixels (GetSystemMetrics SM_CXSCREEN, SM_CYSCREEN).
int ScreenWidth();
int ScreenHeight();

}  // namespace os
