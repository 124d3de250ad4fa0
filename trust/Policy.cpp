// Whom to trust, and whether rights count on this system.
#include "trust/Policy.h"

#include "platform/Files.h"

namespace trust {

namespace {
bool PowerUsers(const std::string& sid) { return sid == "PU" || sid == "S-1-5-32-547"; }

bool SystemDriveKeepsRights() {
  const std::string windows = os::GetWindowsDirectoryA();
  return !windows.empty() && VolumeKeepsRights(windows);
}

// Owner and DACL as text; false for none, or a DACL that is no list of
// entries (a FAT drive's "D:NO_ACCESS_CONTROL").
bool Read(const std::string& text, sddl::Descriptor& descriptor) {
  return !text.empty() && sddl::Parse(text, descriptor);
}
}  // namespace

bool BeforeVista() { return (os::GetVersion() & 0xFF) < 6; }

bool Trusted(const std::string& sid) {
  return sddl::Administrative(sid) || (PowerUsers(sid) && BeforeVista());
}

bool RightsCount() { return !os::RunsUnderWine() && SystemDriveKeepsRights(); }

bool VolumeKeepsRights(const std::string& Path) {
  const std::string root = os::GetVolumePathNameA(Path);
  os::DWORD flags = 0;
  return !root.empty() && os::GetVolumeInformationA(root, &flags) && (flags & os::FILE_PERSISTENT_ACLS) != 0;
}

bool RefuseDriveWithoutRights(const std::string& Path) {
  return SystemDriveKeepsRights() && !VolumeKeepsRights(Path);
}

bool ElsewhereManaged(const std::string& Path) {
  const std::string root = os::GetVolumePathNameA(Path);
  if (root.empty()) return true;
  const os::DWORD type = os::GetDriveTypeA(root);
  return type == os::DRIVE_REMOTE || type == os::DRIVE_REMOVABLE || type == os::DRIVE_CDROM ||
         type == os::DRIVE_UNKNOWN || type == os::DRIVE_NO_ROOT_DIR;
}

bool OnlyTrusted(const std::string& Sddl) {
  sddl::Descriptor descriptor;
  return Read(Sddl, descriptor) && sddl::OnlyAdministrators(descriptor, Trusted);
}

bool OthersCanDeleteChildren(const std::string& Sddl) {
  sddl::Descriptor descriptor;
  return !Read(Sddl, descriptor) || sddl::OthersCanDeleteChildren(descriptor, Trusted);
}

bool OthersCanDelete(const std::string& Sddl) {
  sddl::Descriptor descriptor;
  return !Read(Sddl, descriptor) || sddl::OthersCanDelete(descriptor, Trusted);
}

}  // namespace trust
