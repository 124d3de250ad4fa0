#pragma once
// The installation itself, run when Next is pressed on the confirmation
// page: the checks, the removal of an earlier installation, the copy, the
// shortcuts and the registry entries.

// How it ended, for the wizard to act on.
enum class TInstallOutcome {
  Stayed,    // refused before anything was changed, and said why: the page stays
  Ended,     // the copy ended without every file: Setup ends, asking nothing
  Finished,  // installed: the finished page follows
};

TInstallOutcome InstallationSequence();
