#pragma once
// Standard dialogs of the system (user32).
#include <string>

#include "platform/WinTypes.h"

namespace os {

constexpr DWORD MB_OK = 0x00;
constexpr DWORD MB_OKCANCEL = 0x01;
constexpr DWORD MB_YESNO = 0x04;
constexpr DWORD MB_ICONERROR = 0x10;
constexpr DWORD MB_ICONQUESTION = 0x20;
constexpr DWORD MB_ICONWARNING = 0x30;
constexpr DWORD MB_ICONINFORMATION = 0x40;

constexpr DWORD MB_TASKMODAL = 0x2000;

// Returns the button pressed: IDOK, IDCANCEL, IDYES, IDNO. Closing a box
// that has a Cancel button gives IDCANCEL.
int MessageBoxA(HWND owner, const std::string& text, const std::string& caption, DWORD type);
// The system sound for a kind of message (MB_ICONQUESTION...).
bool MessageBeep(DWORD type);

}  // namespace os
