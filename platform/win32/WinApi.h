#pragma once
// The only way into <windows.h>. The seam's declarations come first: the
// Windows headers then define macros of the same names (ERROR_SUCCESS,
// HKEY_LOCAL_MACHINE, MB_OK...) with the same values, which the code below
// them uses. Never include a seam header after this one for the first time.
// clang-format off
#include "platform/WinTypes.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Resources.h"
#include "platform/Shell.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// clang-format on

namespace os::win32 {

inline ::HWND Native(os::HWND window) { return reinterpret_cast<::HWND>(window); }
inline os::HWND Wrap(::HWND window) { return os::HWND(reinterpret_cast<std::uintptr_t>(window)); }
inline ::HKEY Native(os::HKEY key) { return reinterpret_cast<::HKEY>(key); }
inline os::HKEY Wrap(::HKEY key) { return os::HKEY(reinterpret_cast<std::uintptr_t>(key)); }

// A kernel object's handle (a process, a thread, a mutex), which is null
// when there is none.
struct KernelHandleTraits {
  using Handle = ::HANDLE;
  static constexpr ::HANDLE Invalid = nullptr;
  static bool Close(::HANDLE handle) { return ::CloseHandle(handle) != FALSE; }
};
using UniqueKernelHandle = os::TUniqueHandle<KernelHandleTraits>;

// Whether window is the window of one of the program's forms (not a
// message box or another system dialog).
bool IsFormWindow(::HWND window);

// A path the system gives in UTF-16 (ended by a null), in the ANSI code page: as it is where
// the code page writes every character of it (no best fit: "\u0141ukasz"
// never becomes "Lukasz", a folder that does not exist), otherwise its
// short form (GetShortPathNameW), which is plain ASCII. Empty when neither
// can be written; unwritable, if given, then receives the path with "?"
// for each character the code page lacks.
std::string AnsiPath(const wchar_t* path, std::string* unwritable = nullptr);

}  // namespace os::win32
