#pragma once
// The file-system calls the system makes (kernel32, imagehlp), with Windows'
// semantics: paths are ANSI strings with "\" separators, failures return
// false (or the documented failure value) and set GetLastError.
#include <cstdint>
#include <string>

#include "platform/Handle.h"
#include "platform/WinTypes.h"

namespace os {

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_VOLUME_LABEL = 0x08;  // never reported by NT; kept for the search
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;  // a junction or a symbolic link

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

DWORD GetLastError();
void SetLastError(DWORD error);

// INVALID_FILE_ATTRIBUTES when the path does not exist.
DWORD GetFileAttributesA(const std::string& path);
bool SetFileAttributesA(const std::string& path, DWORD attributes);

bool CreateDirectoryA(const std::string& path);
// Succeeds only for an empty folder.
bool RemoveDirectoryA(const std::string& path);
bool DeleteFileA(const std::string& path);

// Creates every missing folder of path up to its last backslash; the text
// after it is taken as a file name and not created.
bool MakeSureDirectoryPathExists(const std::string& path);

// The absolute form of path against the current folder ("." and ".." resolved,
// "/" turned into "\"); empty on failure.
std::string GetFullPathNameA(const std::string& path);

// The current folder and the folder for temporary files (with a trailing
// backslash), asked in UTF-16 and given in the ANSI code page: exactly, or
// in their short form where the code page lacks a character of the name;
// empty when neither can be written.
std::string GetCurrentDirectoryA();
bool SetCurrentDirectoryA(const std::string& path);
std::string GetTempPathA();
// The Windows folder (GetWindowsDirectoryW, in the ANSI code page as
// GetTempPathA gives folders), without a trailing backslash but at a root;
// empty when unknown.
std::string GetWindowsDirectoryA();
// The system's temporary folder (Temp in the Windows folder), with a
// trailing backslash: users may make entries there but not rename or
// remove what others made. Empty when the Windows folder is unknown.
std::string GetSystemTempPathA();

constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000u;

// Opens or creates a file; INVALID_HANDLE_VALUE on failure. CREATE_ALWAYS
// replaces an existing file's contents. With FILE_FLAG_DELETE_ON_CLOSE the
// system deletes the file when its last handle is closed.
HANDLE CreateFileA(const std::string& path, DWORD access, DWORD shareMode, DWORD disposition,
                   DWORD flags = FILE_ATTRIBUTE_NORMAL);
// At the end of the file, succeeds with *read == 0.
bool ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read);
bool WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written);
bool SetFilePointerEx(HANDLE file, std::int64_t distance, std::uint64_t* position, DWORD method);
bool GetFileSizeEx(HANDLE file, std::uint64_t* size);
bool FlushFileBuffers(HANDLE file);
bool CloseHandle(HANDLE handle);

struct FileHandleTraits {
  using Handle = HANDLE;
  static constexpr HANDLE Invalid = INVALID_HANDLE_VALUE;
  static bool Close(HANDLE handle) { return CloseHandle(handle); }
};
// An open file or folder.
using UniqueHandle = TUniqueHandle<FileHandleTraits>;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes = 0;
  std::uint64_t nFileSize = 0;
  std::string cFileName;
};

// pattern may hold the wildcards * and ?; without them it looks up one entry.
// Returns INVALID_HANDLE_VALUE when nothing matches.
HANDLE FindFirstFileA(const std::string& pattern, WIN32_FIND_DATAA* data);
// false with ERROR_NO_MORE_FILES after the last entry.
bool FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
bool FindClose(HANDLE search);

struct SearchHandleTraits {
  using Handle = HANDLE;
  static constexpr HANDLE Invalid = INVALID_HANDLE_VALUE;
  static bool Close(HANDLE search) { return FindClose(search); }
};
// A search begun by FindFirstFileA.
using UniqueSearch = TUniqueHandle<SearchHandleTraits>;

// --- Access rights ------------------------------------------------------------
// Security descriptors travel as SDDL text: "O:BAD:P(A;OICI;FA;;;BA)...".

// Creates the folder with this owner and DACL from the start (CreateDirectoryA
// with SECURITY_ATTRIBUTES); fails as CreateDirectoryA does, and with
// ERROR_INVALID_PARAMETER for text the system cannot read.
bool CreateDirectoryA(const std::string& path, const std::string& sddl);
// CreateFileA with this owner and DACL from the start (SECURITY_ATTRIBUTES);
// a descriptor without "D:" gives only the owner, the DACL is inherited.
// INVALID_HANDLE_VALUE, with ERROR_INVALID_PARAMETER, for text the system
// cannot read.
HANDLE CreateFileA(const std::string& path, DWORD access, DWORD shareMode, DWORD disposition,
                   DWORD flags, const std::string& sddl);
// Gives what the handle (with WRITE_DAC and WRITE_OWNER) is open on this
// owner and DACL, the DACL protected (SetSecurityInfo). Rights are only
// ever set through a handle: never onto whatever a path leads to by then.
bool SetSecurityInfoByHandle(HANDLE handle, const std::string& sddl);
// The owner and DACL of path as SDDL (GetNamedSecurityInfoA); empty on
// failure.
std::string GetNamedSecurityInfoA(const std::string& path);
// The owner and DACL of what the handle (with READ_CONTROL) is open on, as
// SDDL (GetSecurityInfo); empty on failure.
std::string GetSecurityInfoByHandle(HANDLE handle);

// Whether the system is Wine (its ntdll exports wine_get_version), which
// keeps no access rights of files: every file reads as the user's.
bool RunsUnderWine();

// The system's version (GetVersion): the major number in the lowest byte,
// the minor one in the next; 5 is Windows 2000, XP and 2003, 6 Vista on.
DWORD GetVersion();

// --- Volumes --------------------------------------------------------------------
constexpr DWORD DRIVE_UNKNOWN = 0;
constexpr DWORD DRIVE_NO_ROOT_DIR = 1;
constexpr DWORD DRIVE_REMOVABLE = 2;
constexpr DWORD DRIVE_FIXED = 3;
constexpr DWORD DRIVE_REMOTE = 4;
constexpr DWORD DRIVE_CDROM = 5;
constexpr DWORD DRIVE_RAMDISK = 6;
// The kind of drive whose root is rootPath (GetDriveTypeA): DRIVE_FIXED,
// DRIVE_REMOTE for a share or a mapped network drive, ...
DWORD GetDriveTypeA(const std::string& rootPath);
constexpr DWORD FILE_PERSISTENT_ACLS = 0x8;  // the file system keeps access rights

// The root of the volume that holds path, which need not exist, with its
// trailing backslash ("D:\\", a share's "\\\\server\\share\\") (GetVolumePathNameA);
// empty on failure.
std::string GetVolumePathNameA(const std::string& path);
// The flags of the file system on the volume whose root is rootPath
// (GetVolumeInformationA): FILE_PERSISTENT_ACLS and others. False on failure.
bool GetVolumeInformationA(const std::string& rootPath, DWORD* fileSystemFlags);

// --- Handles on exactly one file or folder ----------------------------------------
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD READ_CONTROL = 0x00020000;
constexpr DWORD WRITE_DAC = 0x00040000;
constexpr DWORD WRITE_OWNER = 0x00080000;
constexpr DWORD FILE_READ_ATTRIBUTES = 0x80;
constexpr DWORD FILE_WRITE_ATTRIBUTES = 0x100;
constexpr DWORD FILE_LIST_DIRECTORY = 0x1;  // reading a folder: takes part in share modes
constexpr DWORD FILE_ADD_SUBDIRECTORY = 0x4;  // making folders in a folder
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;    // a folder may be opened
constexpr DWORD FILE_FLAG_OPEN_REPARSE_POINT = 0x00200000;  // a link itself, not its target
constexpr long ERROR_PROC_NOT_FOUND = 127;
constexpr long ERROR_FILE_READ_ONLY = 6009;

// The attributes of what the handle is open on (GetFileInformationByHandle);
// INVALID_FILE_ATTRIBUTES on failure.
DWORD GetFileAttributesByHandle(HANDLE file);
// How many names (hard links) the file the handle is open on has
// (GetFileInformationByHandle); 0 on failure. Its attributes are shared by
// all of them.
DWORD GetFileLinkCountByHandle(HANDLE file);
// Sets the read-only, hidden, system and archive attributes of what the
// handle (with FILE_WRITE_ATTRIBUTES) is open on; the others stay.
// ERROR_PROC_NOT_FOUND before Windows Vista.
bool SetFileAttributesByHandle(HANDLE file, DWORD attributes);
// The path of what the handle is open on now, every link on the way resolved
// (GetFinalPathNameByHandleA without its "\\?\"); empty on failure, with
// ERROR_PROC_NOT_FOUND on systems before Windows Vista, which lack the call.
std::string GetFinalPathNameByHandleA(HANDLE file);
// Whether what entry is open on lies below (or, with orSame, at) what
// folder is open on, by their final paths compared in UTF-16 without regard
// to case, as the file system compares names: in the ANSI code page a name
// it cannot write reads as a look-alike, and two paths could seem one.
// False on failure, with ERROR_PROC_NOT_FOUND before Windows Vista.
bool FinalPathWithin(HANDLE folder, HANDLE entry, bool orSame);
// A folder's final path, read once to judge many entries below it, in the
// implementation's own form: compared only by the calls here. Empty Key on
// failure.
struct TFinalPath {
  std::string Key;
};
TFinalPath GetFinalPath(HANDLE folder);
bool FinalPathWithin(const TFinalPath& folder, const TFinalPath& entry, bool orSame);
bool FinalPathWithin(const TFinalPath& folder, HANDLE entry, bool orSame);
// Whether the final path of what the handle is open on is path (a full
// ANSI path, short names on the way taken as the long ones), compared in
// UTF-16 without regard to case. False on failure.
bool FinalPathIs(HANDLE handle, const std::string& path);
// Marks what the handle is open on (with DELETE access) to be deleted when
// the handle closes (SetFileInformationByHandle, FileDispositionInfo); a
// folder must be empty. ERROR_PROC_NOT_FOUND before Windows Vista.
bool SetFileDispositionInfo(HANDLE file, bool deleteFile);

}  // namespace os
