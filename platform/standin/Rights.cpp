// Access rights kept beside the files, as SDDL, inherited as on NTFS; and
// the volumes that keep them.
#include "platform/standin/Faults.h"
#include "platform/standin/FileSystem.h"
#include "platform/standin/Standin.h"

namespace os {

namespace hostfs {

namespace {

// What a drive's root and Program Files have, as on Windows: on a root,
// users may make folders and files and change what they make; Program Files
// is the system's.
std::string BuiltInSecurity(const std::string& key) {
  if (key.size() == 3)
    return "O:SYD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;CI;0x6;;;AU)"
           "(A;OICIIO;0x1301bf;;;AU)";
  if (key == "C:\\PROGRAM FILES" || key == "C:\\WINDOWS")
    return "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
           "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
  return {};
}

// The owner and DACL in force at full: set there, or inherited from above.
sddl::Descriptor Effective(const std::string& full) {
  std::string key = Upper(WithoutTrailing(full));
  std::vector<std::string> below;  // from full up to the one with a descriptor
  while (!Fs().security.count(key) && BuiltInSecurity(key).empty()) {
    below.push_back(key);
    const std::string parent = Upper(Parent(key));
    if (parent == key) break;
    key = parent;
  }
  sddl::Descriptor d;
  auto found = Fs().security.find(key);
  sddl::Parse(found != Fs().security.end() ? found->second : BuiltInSecurity(key), d);
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    const bool folder = it + 1 != below.rend() || KindOf(*it) == Kind::Folder;
    // The stand-in plays an administrator: owner by default or as given.
    auto owner = Fs().owners.find(*it);
    d = sddl::Inherited(d, folder, owner != Fs().owners.end() ? owner->second : Fs().defaultOwner);
  }
  return d;
}

// As the system reads it: a drive that keeps no rights has no list of
// entries, and nobody is its owner.
std::string FormatEffective(const std::string& full) {
  if (Fs().withoutRights.count(char(std::toupper(static_cast<unsigned char>(full[0])))))
    return "D:NO_ACCESS_CONTROL";
  return sddl::Format(Effective(full));
}

}  // namespace

void ForgetSecurityBelow(const std::string& full) {
  const std::string key = Upper(WithoutTrailing(full));
  for (auto* map : {&Fs().security, &Fs().owners}) {
    for (auto it = map->begin(); it != map->end();) {
      if (it->first == key || it->first.rfind(key + "\\", 0) == 0)
        it = map->erase(it);
      else
        ++it;
    }
  }
}

}  // namespace hostfs

using namespace hostfs;

namespace {
// What a create call with a descriptor leaves at full, as Windows takes it:
// the owner given (or the default one), and the DACL inherited unless the
// descriptor holds one ("D:").
void TakeDescriptor(const std::string& full, const std::string& text, const sddl::Descriptor& descriptor) {
  const std::string key = Upper(WithoutTrailing(full));
  if (text.find("D:") == std::string::npos)
    Fs().owners[key] = descriptor.Owner.empty() ? Fs().defaultOwner : descriptor.Owner;
  else
    Fs().security[key] = sddl::Format(descriptor);
}

// Whether text is a descriptor the create call may use; fails as Windows
// does otherwise.
bool UsableDescriptor(const std::string& text, sddl::Descriptor& descriptor) {
  if (!sddl::Parse(text, descriptor)) return Fail(ERROR_INVALID_PARAMETER);
  if (Fs().refuseRights) return Fail(Fs().refuseRightsError);
  return true;
}
}  // namespace

bool CreateDirectoryA(const std::string& path, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  sddl::Descriptor descriptor;
  if (!UsableDescriptor(text, descriptor) || !CreateDirectoryA(path)) return false;
  std::string full;
  FullPath(path, full);
  TakeDescriptor(full, text, descriptor);
  return true;
}

HANDLE CreateFileA(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                   const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  sddl::Descriptor descriptor;
  if (!UsableDescriptor(text, descriptor)) return INVALID_HANDLE_VALUE;
  std::string full;
  const bool existed = FullPath(path, full) && KindOf(full) != Kind::Missing;
  const HANDLE handle = CreateFileA(path, access, share, disposition, flags);
  if (handle != INVALID_HANDLE_VALUE && !existed) TakeDescriptor(full, text, descriptor);
  return handle;
}

bool RunsUnderWine() {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  return Fs().wine;
}

bool SetSecurityInfoByHandle(HANDLE handle, const std::string& text) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto found = Fs().files.find(std::uintptr_t(handle));
  if (found == Fs().files.end()) return Fail(ERROR_INVALID_HANDLE);
  // Checked when the handle was opened, never again.
  if (!(found->second.granted & WRITE_DAC)) return Fail(ERROR_ACCESS_DENIED);
  // What the handle is open on, wherever it is now.
  const std::string full = WindowsPathOf(Fs().Entries().PathOf(found->second.id));
  if (full.empty()) return Fail(ERROR_INVALID_HANDLE);
  sddl::Descriptor descriptor;
  if (!sddl::Parse(text, descriptor)) return Fail(ERROR_INVALID_PARAMETER);
  if (Fs().refuseRights || IsDeniedPath(full) || standin::faults::Strike()) return Fail(ERROR_ACCESS_DENIED);
  descriptor.Protected = true;
  if (descriptor.Owner.empty()) descriptor.Owner = Effective(full).Owner;
  Fs().security[Upper(WithoutTrailing(full))] = sddl::Format(descriptor);
  return true;
}

std::string GetNamedSecurityInfoA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return {};
  if (KindOf(full) == Kind::Missing) {
    Fail(MissingError(full));
    return {};
  }
  return FormatEffective(full);
}

std::string GetSecurityInfoByHandle(HANDLE handle) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  auto found = Fs().files.find(std::uintptr_t(handle));
  if (found == Fs().files.end()) {
    Fail(ERROR_INVALID_HANDLE);
    return {};
  }
  const std::string full = WindowsPathOf(Fs().Entries().PathOf(found->second.id));
  if (full.empty()) {
    Fail(ERROR_INVALID_HANDLE);
    return {};
  }
  return FormatEffective(full);
}

std::string GetVolumePathNameA(const std::string& path) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(path, full)) return {};
  return full.substr(0, 3);
}

DWORD GetDriveTypeA(const std::string& rootPath) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (IsUnc(rootPath)) return DRIVE_REMOTE;
  if (!Resolve(rootPath, full) || full.size() != 3 || !DriveExists(full)) return DRIVE_NO_ROOT_DIR;
  auto found = Fs().driveTypes.find(full[0]);
  return found == Fs().driveTypes.end() ? DRIVE_FIXED : found->second;
}

DWORD GetVersion() {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  return Fs().preVista ? 0x0105 /*XP*/ : 0x0106 /*Vista on: 6.1*/ ;
}

bool GetVolumeInformationA(const std::string& rootPath, DWORD* fileSystemFlags) {
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(rootPath, full)) return false;
  if (full.size() != 3) return Fail(ERROR_DIRECTORY);
  *fileSystemFlags = 0x2 /*case preserved*/ | (Fs().withoutRights.count(full[0]) ? 0 : FILE_PERSISTENT_ACLS);
  return true;
}

}  // namespace os

namespace standin {

const char* const kUserSid = "S-1-5-21-1-2-3-1001";

os::HANDLE OpenAsUser(const std::string& windowsPath, os::DWORD access) {
  using namespace os::hostfs;
  std::lock_guard<std::recursive_mutex> guard(Fs().lock);
  std::string full;
  if (!Resolve(windowsPath, full) || KindOf(full) == Kind::Missing) return os::INVALID_HANDLE_VALUE;
  // What the user's groups are allowed, less what they are denied; an
  // owner may always read and rewrite the rights.
  const sddl::Descriptor d = Effective(full);
  std::uint32_t allowed = d.Owner == kUserSid ? os::READ_CONTROL | os::WRITE_DAC : 0, denied = 0;
  for (const sddl::Ace& ace : d.Dacl) {
    if (ace.Has("IO")) continue;
    for (const char* sid : {kUserSid, "BU", "AU", "WD", "S-1-5-32-545", "S-1-5-11", "S-1-1-0"}) {
      if (ace.Sid != sid) continue;
      std::uint32_t mask = ace.Mask;
      if (mask & 0x10000000) mask |= 0x001F01FF;  // GENERIC_ALL
      (ace.Type == 'A' ? allowed : denied) |= mask;
    }
  }
  if ((access & ~(allowed & ~denied)) != 0) {
    Fail(os::ERROR_ACCESS_DENIED);
    return os::INVALID_HANDLE_VALUE;
  }
  const os::HANDLE handle =
      os::CreateFileA(windowsPath, access, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE | os::FILE_SHARE_DELETE,
                      os::OPEN_EXISTING, os::FILE_FLAG_BACKUP_SEMANTICS | os::FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle != os::INVALID_HANDLE_VALUE) Fs().files[std::uintptr_t(handle)].granted = access;
  return handle;
}

}  // namespace standin
