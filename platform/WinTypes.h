#pragma once
// Types and constants shared by the operating-system seam. Names and values
// are Windows' own, so the units read like the Windows code they stand for.
// The Win32 implementation includes this before <windows.h>, whose macros of
// the same names then carry the same values.
#include <cstdint>

namespace os {

using DWORD = std::uint32_t;

enum class HWND : std::uintptr_t {};
enum class HANDLE : std::uintptr_t {};

constexpr HWND NO_WINDOW = HWND(0);
constexpr HANDLE INVALID_HANDLE_VALUE = HANDLE(~std::uintptr_t(0));

constexpr DWORD MAX_PATH = 260;

// System error codes (GetLastError, registry results).
constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_PATH_NOT_FOUND = 3;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_NOT_READY = 21;
constexpr long ERROR_SHARING_VIOLATION = 32;
constexpr long ERROR_LOCK_VIOLATION = 33;
constexpr long ERROR_NO_MORE_FILES = 18;
constexpr long ERROR_HANDLE_EOF = 38;
constexpr long ERROR_HANDLE_DISK_FULL = 39;
constexpr long ERROR_FILE_EXISTS = 80;
constexpr long ERROR_INVALID_PARAMETER = 87;
constexpr long ERROR_DISK_FULL = 112;
constexpr long ERROR_INVALID_NAME = 123;
constexpr long ERROR_DIR_NOT_EMPTY = 145;
constexpr long ERROR_ALREADY_EXISTS = 183;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_DIRECTORY = 267;
constexpr long ERROR_KEY_DELETED = 1018;
constexpr long ERROR_INVALID_OWNER = 1307;

// Dialog results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

}  // namespace os
