// Files and folders on Windows, by path and through handles.
#include "platform/win32/WinApi.h"

#include <aclapi.h>
#include <sddl.h>

#include <cwchar>
#include <memory>

#include "platform/Chars.h"
#include "platform/win32/DllSearch.h"

namespace os {

DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD error) { ::SetLastError(error); }

DWORD GetFileAttributesA(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

bool SetFileAttributesA(const std::string& path, DWORD attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

bool CreateDirectoryA(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool RemoveDirectoryA(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) != FALSE; }

bool DeleteFileA(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

std::string GetFullPathNameA(const std::string& path) {
  char buffer[MAX_PATH + 1];
  ::DWORD n = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  if (n == 0) return {};
  if (n < sizeof buffer) return std::string(buffer, n);
  std::string long_path(n, '\0');
  n = ::GetFullPathNameA(path.c_str(), n, long_path.data(), nullptr);
  if (n == 0 || n >= long_path.size()) return {};
  long_path.resize(n);
  return long_path;
}

namespace win32 {

namespace {
// wide (ended by a null) in the ANSI code page; false when a character has
// no place in it.
bool Narrow(const wchar_t* wide, std::string& ansi) {
  BOOL defaulted = FALSE;
  const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &defaulted);
  ansi.assign(std::size_t(n > 0 ? n : 1), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, ansi.data(), n, "?", &defaulted);
  ansi.resize(std::size_t(n > 0 ? n - 1 : 0));
  return n > 0 && !defaulted;
}
}  // namespace

std::string AnsiPath(const wchar_t* path, std::string* unwritable) {
  std::string ansi;
  if (Narrow(path, ansi)) return ansi;
  wchar_t buffer[MAX_PATH + 1] = {};
  const ::DWORD n = ::GetShortPathNameW(path, buffer, MAX_PATH + 1);
  std::string shortPath;
  if (n > 0 && n <= MAX_PATH && Narrow(buffer, shortPath)) return shortPath;
  if (unwritable) *unwritable = ansi;
  return {};
}

}  // namespace win32

std::string GetCurrentDirectoryA() {
  wchar_t buffer[MAX_PATH + 1];
  ::DWORD n = ::GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  return n > 0 && n <= MAX_PATH ? win32::AnsiPath(buffer) : std::string();
}

bool SetCurrentDirectoryA(const std::string& path) {
  return ::SetCurrentDirectoryA(path.c_str()) != FALSE;
}

std::string GetTempPathA() {
  // The user's temporary folder lies below the profile, named after the
  // user in any script.
  wchar_t buffer[MAX_PATH + 1];
  ::DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
  return n > 0 && n <= MAX_PATH ? win32::AnsiPath(buffer) : std::string();
}

std::string GetWindowsDirectoryA() {
  wchar_t buffer[MAX_PATH + 1];
  // The system's own, also on a Remote Desktop host (where
  // GetWindowsDirectoryW may name a folder of the user's).
  const ::UINT n = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? win32::AnsiPath(buffer) : std::string();
}

std::string GetSystemTempPathA() {
  const std::string windows = GetWindowsDirectoryA();
  return windows.empty() ? windows : windows + (SystemCharacters().EndsWith(windows, '\\') ? "Temp\\" : "\\Temp\\");
}

namespace {
::HANDLE NativeHandle(HANDLE h) { return reinterpret_cast<::HANDLE>(h); }
}  // namespace

HANDLE CreateFileA(const std::string& path, DWORD access, DWORD shareMode, DWORD disposition,
                   DWORD flags) {
  ::HANDLE h = ::CreateFileA(path.c_str(), access, shareMode, nullptr, disposition, flags, nullptr);
  return HANDLE(reinterpret_cast<std::uintptr_t>(h));
}

bool ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read) {
  ::DWORD n = 0;
  BOOL ok = ::ReadFile(NativeHandle(file), buffer, size, &n, nullptr);
  if (read) *read = n;
  return ok != FALSE;
}

bool WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written) {
  ::DWORD n = 0;
  BOOL ok = ::WriteFile(NativeHandle(file), buffer, size, &n, nullptr);
  if (written) *written = n;
  return ok != FALSE;
}

bool SetFilePointerEx(HANDLE file, std::int64_t distance, std::uint64_t* position, DWORD method) {
  LARGE_INTEGER move, now;
  move.QuadPart = distance;
  if (!::SetFilePointerEx(NativeHandle(file), move, &now, method)) return false;
  if (position) *position = std::uint64_t(now.QuadPart);
  return true;
}

bool GetFileSizeEx(HANDLE file, std::uint64_t* size) {
  LARGE_INTEGER n;
  if (!::GetFileSizeEx(NativeHandle(file), &n)) return false;
  *size = std::uint64_t(n.QuadPart);
  return true;
}

bool FlushFileBuffers(HANDLE file) { return ::FlushFileBuffers(NativeHandle(file)) != FALSE; }

bool CloseHandle(HANDLE handle) { return ::CloseHandle(NativeHandle(handle)) != FALSE; }

namespace {
void Fill(const ::WIN32_FIND_DATAA& native, os::WIN32_FIND_DATAA* data) {
  data->dwFileAttributes = native.dwFileAttributes;
  data->nFileSize = (std::uint64_t(native.nFileSizeHigh) << 32) | native.nFileSizeLow;
  data->cFileName = native.cFileName;
}
}  // namespace

HANDLE FindFirstFileA(const std::string& pattern, os::WIN32_FIND_DATAA* data) {
  ::WIN32_FIND_DATAA native;
  ::HANDLE h = ::FindFirstFileA(pattern.c_str(), &native);
  if (h == reinterpret_cast<::HANDLE>(-1)) return HANDLE(~std::uintptr_t(0));
  Fill(native, data);
  return HANDLE(reinterpret_cast<std::uintptr_t>(h));
}

bool FindNextFileA(HANDLE search, os::WIN32_FIND_DATAA* data) {
  ::WIN32_FIND_DATAA native;
  if (!::FindNextFileA(reinterpret_cast<::HANDLE>(search), &native)) return false;
  Fill(native, data);
  return true;
}

bool FindClose(HANDLE search) { return ::FindClose(reinterpret_cast<::HANDLE>(search)) != FALSE; }

namespace {

// A security descriptor made from SDDL, freed with its owner.
struct Descriptor {
  PSECURITY_DESCRIPTOR value = nullptr;
  explicit Descriptor(const std::string& sddl) {
    ::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &value,
                                                           nullptr);
  }
  ~Descriptor() {
    if (value) ::LocalFree(value);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
};

// Looked up at run time: Windows XP lacks them.
template <class Function>
Function Kernel32(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name)));
}

}  // namespace

bool CreateDirectoryA(const std::string& path, const std::string& sddl) {
  Descriptor descriptor(sddl);
  if (!descriptor.value) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.value, FALSE};
  return ::CreateDirectoryA(path.c_str(), &attributes) != FALSE;
}

DWORD GetVersion() { return ::GetVersion(); }

DWORD GetDriveTypeA(const std::string& rootPath) { return ::GetDriveTypeA(rootPath.c_str()); }

bool RunsUnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

HANDLE CreateFileA(const std::string& path, DWORD access, DWORD shareMode, DWORD disposition,
                   DWORD flags, const std::string& sddl) {
  // Read once: every file of an installation is made with the same text.
  // Files are made on the user-interface thread only.
  static std::string text;
  static std::unique_ptr<Descriptor> descriptor;
  if (!descriptor || text != sddl) {
    descriptor = std::make_unique<Descriptor>(sddl);
    text = sddl;
  }
  if (!descriptor->value) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor->value, FALSE};
  ::HANDLE h = ::CreateFileA(path.c_str(), access, shareMode, &attributes, disposition, flags, nullptr);
  return HANDLE(reinterpret_cast<std::uintptr_t>(h));
}

bool SetSecurityInfoByHandle(HANDLE handle, const std::string& sddl) {
  Descriptor descriptor(sddl);
  PSID owner = nullptr;
  PACL dacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  if (!descriptor.value || !::GetSecurityDescriptorOwner(descriptor.value, &owner, &defaulted) ||
      !::GetSecurityDescriptorDacl(descriptor.value, &present, &dacl, &defaulted) || !present) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const ::DWORD what = DACL_SECURITY_INFORMATION | (owner ? OWNER_SECURITY_INFORMATION : 0) |
                       PROTECTED_DACL_SECURITY_INFORMATION;
  const ::DWORD error = ::SetSecurityInfo(NativeHandle(handle), SE_FILE_OBJECT, what, owner, nullptr, dacl, nullptr);
  ::SetLastError(error);
  return error == ERROR_SUCCESS;
}

std::string GetVolumePathNameA(const std::string& path) {
  char root[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameA(path.c_str(), root, sizeof root)) return {};
  return root;
}

bool GetVolumeInformationA(const std::string& rootPath, DWORD* fileSystemFlags) {
  ::DWORD flags = 0;
  if (!::GetVolumeInformationA(rootPath.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
    return false;
  *fileSystemFlags = flags;
  return true;
}

namespace {
// The owner and DACL of a descriptor the system gave, as SDDL (freed here);
// empty when error is not ERROR_SUCCESS.
std::string DescriptorText(::DWORD error, PSECURITY_DESCRIPTOR descriptor) {
  if (error != ERROR_SUCCESS) {
    ::SetLastError(error);
    return {};
  }
  LPSTR text = nullptr;
  std::string sddl;
  if (::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
    sddl = text;
    ::LocalFree(text);
  }
  ::LocalFree(descriptor);
  return sddl;
}
}  // namespace

std::string GetNamedSecurityInfoA(const std::string& path) {
  std::string name = path;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const ::DWORD error = ::GetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT,
                                                OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                nullptr, nullptr, nullptr, nullptr, &descriptor);
  return DescriptorText(error, descriptor);
}

std::string GetSecurityInfoByHandle(HANDLE handle) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const ::DWORD error = ::GetSecurityInfo(NativeHandle(handle), SE_FILE_OBJECT,
                                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                          nullptr, nullptr, nullptr, &descriptor);
  return DescriptorText(error, descriptor);
}

DWORD GetFileAttributesByHandle(HANDLE file) {
  // The attributes alone, where the system can give them so (Vista on):
  // the whole record asks the volume for its serial number too, which costs
  // more than the rest of a deletion.
  using Function = BOOL(WINAPI*)(::HANDLE, int, LPVOID, ::DWORD);
  static const Function function = Kernel32<Function>("GetFileInformationByHandleEx");
  struct {
    ::DWORD FileAttributes;
    ::DWORD ReparseTag;
  } tag = {};
  if (function && function(NativeHandle(file), 9 /*FileAttributeTagInfo*/, &tag, sizeof tag))
    return tag.FileAttributes;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(NativeHandle(file), &info)) return INVALID_FILE_ATTRIBUTES;
  return info.dwFileAttributes;
}

DWORD GetFileLinkCountByHandle(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  return ::GetFileInformationByHandle(NativeHandle(file), &info) ? info.nNumberOfLinks : 0;
}

std::string GetFinalPathNameByHandleA(HANDLE file) {
  using Function = ::DWORD(WINAPI*)(::HANDLE, LPSTR, ::DWORD, ::DWORD);
  static const Function function = Kernel32<Function>("GetFinalPathNameByHandleA");
  if (!function) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return {};
  }
  std::string path(MAX_PATH, '\0');
  ::DWORD n = function(NativeHandle(file), path.data(), ::DWORD(path.size()), 0);
  if (n >= path.size()) {
    path.assign(n + 1, '\0');
    n = function(NativeHandle(file), path.data(), ::DWORD(path.size()), 0);
  }
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\" + path.substr(7);
  if (path.compare(0, 4, "\\\\?\\") == 0) return path.substr(4);
  return path;
}

namespace {
// A path in UTF-16 of at most 32,767 characters, as the calls give them.
struct WidePath {
  wchar_t text[32768];
  int size = 0;
};

// Drops "\\?\" (a share's "\\?\UNC\" becomes "\\") and a trailing
// backslash but at a drive's root.
void Trim(WidePath& path) {
  int from = 0;
  if (path.size >= 8 && std::wcsncmp(path.text, L"\\\\?\\UNC\\", 8) == 0) {
    from = 6;
    path.text[6] = L'\\';
  } else if (path.size >= 4 && std::wcsncmp(path.text, L"\\\\?\\", 4) == 0) {
    from = 4;
  }
  std::wmemmove(path.text, path.text + from, std::size_t(path.size - from));
  path.size -= from;
  if (path.size > 3 && path.text[path.size - 1] == L'\\') --path.size;
}

// The final path in UTF-16; false on failure.
bool FinalPathW(HANDLE file, WidePath& path) {
  using Function = ::DWORD(WINAPI*)(::HANDLE, LPWSTR, ::DWORD, ::DWORD);
  static const Function function = Kernel32<Function>("GetFinalPathNameByHandleW");
  if (!function) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  const ::DWORD n = function(NativeHandle(file), path.text, 32768, 0);
  if (n == 0 || n >= 32768) return false;
  path.size = int(n);
  Trim(path);
  return true;
}

// Whether the first size characters of a and b are equal without regard to
// case, as NTFS compares names (CompareStringOrdinal, Windows Vista on,
// like the final paths).
bool SameNames(const wchar_t* a, const wchar_t* b, int size) {
  using Function = int(WINAPI*)(LPCWCH, int, LPCWCH, int, BOOL);
  static const Function function = Kernel32<Function>("CompareStringOrdinal");
  return function && function(a, size, b, size, TRUE) == CSTR_EQUAL;
}
}  // namespace

// The key: the UTF-16 path's bytes, as FinalPathW leaves it.
TFinalPath GetFinalPath(HANDLE folder) {
  // Made, not zeroed: 64 KiB, written by the call before it is read.
  std::unique_ptr<WidePath> path(new WidePath);
  if (!FinalPathW(folder, *path)) return {};
  return {std::string(reinterpret_cast<const char*>(path->text), std::size_t(path->size) * sizeof(wchar_t))};
}

bool FinalPathWithin(const TFinalPath& folder, const TFinalPath& entry, bool orSame) {
  const wchar_t* base = reinterpret_cast<const wchar_t*>(folder.Key.data());
  const wchar_t* path = reinterpret_cast<const wchar_t*>(entry.Key.data());
  const int baseSize = int(folder.Key.size() / sizeof(wchar_t)), pathSize = int(entry.Key.size() / sizeof(wchar_t));
  if (baseSize == 0 || pathSize == 0) return false;
  if (orSame && baseSize == pathSize && SameNames(base, path, baseSize)) return true;
  // Below: base, then a backslash (a root ends in its own), then more.
  const bool root = base[baseSize - 1] == L'\\';
  return pathSize > baseSize + (root ? 0 : 1) && (root || path[baseSize] == L'\\') &&
         SameNames(base, path, baseSize);
}

bool FinalPathWithin(const TFinalPath& folder, HANDLE entry, bool orSame) {
  return !folder.Key.empty() && FinalPathWithin(folder, GetFinalPath(entry), orSame);
}

bool FinalPathWithin(HANDLE folder, HANDLE entry, bool orSame) {
  return FinalPathWithin(GetFinalPath(folder), entry, orSame);
}

bool FinalPathIs(HANDLE handle, const std::string& path) {
  std::unique_ptr<WidePath> final(new WidePath), wide(new WidePath);
  if (!FinalPathW(handle, *final)) return false;
  const int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide->text, 32768);
  if (n <= 1) return false;
  // A short name on the way (PROGRA~1) is the folder's long one.
  std::unique_ptr<WidePath> longer(new WidePath);
  const ::DWORD m = ::GetLongPathNameW(wide->text, longer->text, 32768);
  if (m > 0 && m < 32768) {
    longer->size = int(m);
  } else {
    std::wmemcpy(longer->text, wide->text, std::size_t(n));
    longer->size = n - 1;
  }
  Trim(*longer);
  return final->size == longer->size && SameNames(final->text, longer->text, final->size);
}

namespace {
// SetFileInformationByHandle, which systems before Windows Vista lack
// (ERROR_PROC_NOT_FOUND then).
bool SetFileInformation(HANDLE file, int infoClass, void* info, ::DWORD size) {
  using Function = BOOL(WINAPI*)(::HANDLE, int, LPVOID, ::DWORD);
  static const Function function = Kernel32<Function>("SetFileInformationByHandle");
  if (!function) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  return function(NativeHandle(file), infoClass, info, size) != FALSE;
}
}  // namespace

bool SetFileAttributesByHandle(HANDLE file, DWORD attributes) {
  // Times of zero stay as they are; attributes of zero would too, so none
  // is FILE_ATTRIBUTE_NORMAL.
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  struct {
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;
    ::DWORD FileAttributes;
  } info = {};
  info.FileAttributes = (attributes & kSettable) ? (attributes & kSettable) : FILE_ATTRIBUTE_NORMAL;
  constexpr int kFileBasicInfo = 0;
  return SetFileInformation(file, kFileBasicInfo, &info, sizeof info);
}

bool SetFileDispositionInfo(HANDLE file, bool deleteFile) {
  struct {
    BOOLEAN DeleteFile;
  } info = {BOOLEAN(deleteFile)};
  constexpr int kFileDispositionInfo = 4;
  return SetFileInformation(file, kFileDispositionInfo, &info, sizeof info);
}

std::string SysErrorMessage(std::uint32_t errorCode) {
  char* text = nullptr;
  ::DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, errorCode, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n ? std::string(text, n) : std::string();
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message;
}

}  // namespace os
