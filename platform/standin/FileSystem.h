#pragma once
// The stand-in's file system, shared by the files that implement its calls:
// Windows paths on a host folder (drive X: is <root>/X) of a store on the
// disk or in memory, names found without regard to case, and what Linux has
// no place for (hidden, system and read-only attributes, access rights, share
// modes) kept beside the files.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Sddl.h"
#include "platform/standin/Store.h"

namespace os::hostfs {

struct FileSystem {
  std::recursive_mutex lock;
  std::unique_ptr<Store> store;
  bool inMemory = false;
  std::string root;
  std::string current = "C:\\";
  std::map<std::string, DWORD> attributes;  // upper-case full path -> extra bits
  std::map<std::string, DWORD> names;       // upper-case full path -> hard links, where not 1
  std::set<std::string> denied;             // upper-case full paths
  std::map<std::uintptr_t, std::pair<std::vector<WIN32_FIND_DATAA>, std::size_t>> searches;
  std::uintptr_t nextSearch = 0x1000;
  struct OpenFile {
    int id;           // the store's
    std::string key;  // upper-case full path
    bool write;
    std::string deleteOnClose;  // host path, or empty
    std::uint64_t position = 0;
    bool deleteAccess = false;
    DWORD uses = 0;   // FILE_SHARE_* bits of what the handle reads, writes or deletes
    DWORD share = 0;  // what it lets other handles do
    // The rights an ordinary user's handle was granted when it was opened
    // (standin::OpenAsUser), kept whatever the rights become later; the
    // stand-in's own handles, an administrator's, may do anything.
    DWORD granted = 0xFFFFFFFFu;
  };
  // Owner and DACL set on a path (upper-case full path -> SDDL); others
  // inherit from the nearest one above them.
  std::map<std::string, std::string> security;
  // Owners given at creation without a DACL (which then is inherited), and
  // the owner of what is made without one: the administrators, or the
  // administrator's own account under the policy "Object creator".
  std::map<std::string, std::string> owners;
  std::string defaultOwner = "BA";
  bool preVista = false;  // GetFinalPathNameByHandle and SetFileInformationByHandle missing
  bool wine = false;      // keeps no access rights: RunsUnderWine
  std::function<void(const std::string&)> beforeDeleteOpen;
  std::map<std::uintptr_t, OpenFile> files;
  // Entries (host paths) marked for deletion through a handle: deleted when
  // the last handle on them closes, not to be opened meanwhile.
  std::set<std::string> deletePending;
  std::uintptr_t nextFile = 0x100000;
  long long writeBudget = -1;  // bytes left before the disk is full; -1: no limit
  long long bytesWritten = 0;
  std::map<char, std::string> mapped;  // drives placed on other host folders
  std::set<char> withoutRights;         // drives whose file system keeps no rights (FAT)
  std::map<char, DWORD> driveTypes;     // drives other than fixed ones (GetDriveTypeA)
  bool refuseRights = false;            // setting rights fails
  DWORD refuseRightsError = ERROR_ACCESS_DENIED;  // ... and creating with them, with this
  // The last path matched on the host, while the store's names stay.
  std::string hostOf, hostIs;
  unsigned long hostGeneration = 0;
  std::string readFaultKey;             // reads of this file (upper-case full path) ...
  long readFaultCountdown = 0;          // ... fail from this call on (1: the next)
  std::string laterReadsKey;            // once this file has been read to its end ...
  std::string laterBytes;               // ... later reads answer these bytes
  bool laterReadsServed = false;        // it has been read to its end

  FileSystem();
  ~FileSystem();
  // Empty drives on a new host folder: only C: with C:\Temp.
  void Reset();
  // Closes every handle and removes the drives' host folder.
  void Drop();
  Store& Entries() { return *store; }
};

FileSystem& Fs();

// Sets the error and returns false.
bool Fail(DWORD error);
std::string Upper(std::string s);

// --- Windows paths and their host paths ---
// Windows takes an ANSI path to UTF-16 before it looks at it. The stand-in
// takes a double-byte code page's paths to UTF-8, where no byte of a
// character is "\" or a letter, and keeps single-byte ones as they are:
// every path inside the file system is in that inner form. Bytes that are
// no character are kept as they are (as code points of plane 15), so such
// names round-trip; Ansi writes any other character the code page lacks as
// "?", as FindFirstFileA does.
std::string Inner(const std::string& ansi);
std::string Ansi(const std::string& inner);
bool IsUnc(const std::string& p);
// GetFullPathName's rules, on "X:\..." paths: input in ANSI, out in the
// inner form.
bool FullPath(const std::string& input, std::string& out);
std::string WithoutTrailing(std::string p);
// Host path of a full Windows path, matching each name without regard to case.
std::string Host(const std::string& full);
bool DriveExists(const std::string& full);
std::string Parent(const std::string& full);
bool IsDeniedPath(const std::string& full);
enum class Kind { Missing, File, Folder };
Kind KindOf(const std::string& full, std::uint64_t* size = nullptr);
// Hidden, system, read-only and reparse point: what the host does not keep.
DWORD ExtraAttributes(const std::string& full);
// Resolves path for a call that works on one entry. Sets the error and
// returns false for names Windows refuses and for missing drives.
bool Resolve(const std::string& path, std::string& full);
DWORD MissingError(const std::string& full);
// The Windows path of a host path on one of the drives; empty when it lies
// on none.
std::string WindowsPathOf(const std::string& host);

// --- Share modes ---
// The FILE_SHARE_* bits a handle with access takes part in: reading,
// writing, deleting. Attributes alone take part in nothing, as on Windows.
DWORD SharedUses(DWORD access);
// Whether a new handle on the entry key (upper-case full path) with these
// uses and share mode is refused for a handle open there already: either
// side does what the other does not share.
bool ShareConflict(const std::string& key, DWORD uses, DWORD share);

// What is kept beside an entry by its path (attributes, names, rights,
// owner, denied writes, the paths of handles open on it) goes with it from
// the full path from to the full path to, for it and all it holds; what was
// kept for to before goes.
void MoveRecords(const std::string& from, const std::string& to);

// Renames the entry from to to (MoveFileEx without delay).
bool MoveEntry(const std::string& from, const std::string& to, bool replace);

// --- Rights ---
// Forgets the rights set on full and below it (they went with the entries).
void ForgetSecurityBelow(const std::string& full);

}  // namespace os::hostfs
