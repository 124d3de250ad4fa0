#pragma once
// Whom Setup and its uninstaller trust with what they install, and what the
// system they run on can tell: one answer for every caller, which never
// asks "before Vista?" or "under Wine?" itself.
#include <string>

#include "platform/Sddl.h"

namespace trust {

// Whether the system lacks the calls that tell where a handle's entry
// really is and that delete through a handle (Windows 2000, XP, 2003):
// there every level of a path is held from its root down while the next
// is judged, so that none can be swapped between a check and its use.
bool BeforeVista();

// Whether sid may change what the programs install: administrators, the
// system, the trusted installer; before Vista also Power Users, who can
// make themselves administrators there and so are no boundary.
bool Trusted(const std::string& sid);

// Whether access rights are judged at all. Not under Wine, which keeps
// none (every file reads as the user's), nor where the system's own drive
// keeps none (FAT, exFAT): there nothing can be protected, the Windows
// folder included.
bool RightsCount();

// Whether the file system under Path keeps access rights (FAT and exFAT do
// not); unknown counts as not.
bool VolumeKeepsRights(const std::string& Path);

// Whether a drive that keeps no rights is refused outside Program Files:
// where the system's own drive keeps them, any user could change Morvella's
// programs on it.
bool RefuseDriveWithoutRights(const std::string& Path);

// Whether Path lies on a network share or a mapped network drive, or on a
// removable drive: their administrators and system are another machine's
// (the server's, or the one that wrote the disk), so no rights read there
// say who may change the files.
bool ElsewhereManaged(const std::string& Path);

// The descriptor questions of platform/Sddl.h, asked with this policy's
// principals. Text that cannot be read counts as open to others.
bool OnlyTrusted(const std::string& Sddl);
bool OthersCanDeleteChildren(const std::string& Sddl);
bool OthersCanDelete(const std::string& Sddl);

}  // namespace trust
