// What Next on the confirmation page does: the installation itself.
#include <memory>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_ExtractThread.h"
#include "engine/Unit_Logfile.h"
#include "trust/Unit_Paths.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Forms.h"
#include "setup/InstallFolder.h"
#include "setup/InstallationSequence.h"
#include "setup/SetupPars.h"
#include "system/KnownFolders.h"
#include "system/Unit_Settings.h"
#include "system/Unit_Shortcuts.h"
#include "system/Unit_Uninstall.h"
#include "trust/Policy.h"

namespace {

// Why the Install.log in the held folder could not be replaced, or empty.
std::string UnreplaceableLog(const THeldFolder& Held) {
  const std::string log = JoinPath(Held.Path(), kLogName);
  if (!Held.ReadOnlyWithOtherNames(log)) return {};
  return "Setup cannot replace " + log +
         ": it is read-only and has other names (hard links).  Remove the mark, then click Next again.";
}

// Between the steps of a long stretch: the wizard answers (it is redrawn),
// while a TDisabledForms keeps it from taking input.
void LetMessagesThrough() { os::Application.ProcessMessages(); }

// What the removal of the earlier installation could not delete, and where.
std::vector<std::string> keptEntries;
std::string keptFolder;

}  // namespace

TInstallOutcome InstallationSequence() {
  // Nothing is removed before it is clear that the new installation can go
  // ahead: the payload is here, the folder takes files, may be used and is
  // made and held, and a release's first volume is the right one. Removing
  // first would leave the user with neither the earlier installation nor
  // the new one.
  if (!FileExists(VolumeFileName(1))) {
    ErrorBox("Setup cannot find the file " + VolumeFileName(1) + " in the folder " +
             os::GetCurrentDirectoryA() + ".  Start Setup from the folder or disk that holds it.");
    return TInstallOutcome::Stayed;
  }
  // The way to the folder, held from its drive's root to the end: each
  // level as itself while the next is judged, so none can be moved or
  // swapped for a link between its check and its use, and when the folder
  // is the earlier installation's own the removal cannot take it away.
  const std::unique_ptr<THeldWay> way = THeldWay::FromRoot(os::GetFullPathNameA(SetupPars.InstallDir));
  // Asked again: the folder may have changed since its page.
  const std::string problem = InstallFolderProblem(SetupPars.InstallDir, way.get());
  if (!problem.empty()) {
    ErrorBox(problem);
    return TInstallOutcome::Stayed;
  }

  // A release's first volume is confirmed whole, and held, before anything
  // of the earlier installation goes; a refusal is raised and shown.
  if (SetupPars.OldInstallFound) ConfirmFirstVolume();

  // The folder is made (with its rights at creation), held and judged again
  // before anything of the earlier installation goes, so that no check that
  // can fail comes after the removal.
  const std::string unprotected = ProtectInstallFolder(*way, SetupPars.InstallDir);
  if (!unprotected.empty()) {
    ErrorBox(unprotected);
    return TInstallOutcome::Stayed;
  }
  const THeldFolder& held = way->Deepest();
  const std::string replaced = CheckHeldInstallFolder(held);
  if (!replaced.empty()) {
    ErrorBox(replaced);
    return TInstallOutcome::Stayed;
  }
  // The folders the copy may write into, judged before the removal too: no
  // check that can fail may come after it.
  const std::string below = CheckFoldersBelow(held);
  if (!below.empty()) {
    ErrorBox(below);
    return TInstallOutcome::Stayed;
  }
  // Its log is made anew after the removal, a read-only one replaced; only
  // one whose read-only mark other names share (hard links) could not be.
  const std::string logProblem = UnreplaceableLog(held);
  if (!logProblem.empty()) {
    ErrorBox(logProblem);
    return TInstallOutcome::Stayed;
  }
  if (!held.TakesFiles()) {
    // What was made for it goes again: the disk is left as it was.
    way->RemoveMade();
    ErrorBox("Setup cannot write to the folder " + SetupPars.InstallDir +
             ".  Click Back and choose another folder.");
    return TInstallOutcome::Stayed;
  }

  // From here to the registry entries Setup changes the disk and the
  // registry: a session ended half-way would leave an installation that
  // neither the earlier entry nor a new one describes.
  const ui::TEndSessionHold session("Morvella is being installed.");
  if (SetupPars.OldInstallFound) {
    keptEntries.clear();
    if (LogOpenToUsersAtRoot(SetupPars.OldInstallDir)) {
      // Its files are left alone; the keys it may have left depend on no
      // record, so they go as in every removal.
      RemoveLeftoverKeys();
      ErrorBox("Setup leaves the earlier installation of Morvella in " + SetupPars.OldInstallDir +
               " in place: users without administrator rights can change its record, " +
               JoinPath(SetupPars.OldInstallDir, kLogName) + ".");
    } else {
      // Thousands of files take seconds: the wizard answers meanwhile,
      // between batches, and takes no input.
      const ui::TDisabledForms wizard;
      keptEntries =
          RemoveOldInstallation(SetupPars.OldInstallDir, SetupPars.OldProgFolder, LetMessagesThrough);
    }
    keptFolder = SetupPars.OldInstallDir;
    // Done once: a later attempt must not look for the log it deleted.
    SetupPars.OldInstallFound = false;
  }
  // Released on every way out, errors included: the file is closed then.
  auto log = std::make_unique<TLogFile>(SetupPars.InstallDir, SetupPars.ProgFolder, kLogName, &held);
  ExtractPars.LogFile = log.get();
  ExtractPars.InstallDir = SetupPars.InstallDir;
  ExtractPars.KeptEntries.clear();
  ExtractPars.CheckFolderRights = trust::RightsCount();
  ExtractPars.HeldFolder = &held;
  if (!keptFolder.empty() && SameFolder(keptFolder, SetupPars.InstallDir)) {
    for (const std::string& entry : keptEntries)
      if (FileExists(JoinPath(SetupPars.InstallDir, entry))) ExtractPars.KeptEntries.push_back(entry);
  }
  const int result = ExtractForm->ShowModal();
  ExtractPars.LogFile = nullptr;
  ExtractPars.HeldFolder = nullptr;

  if (result != os::IDOK) {
    // Nothing is undone; Setup ends without a question.
    try {
      log->Close();
    } catch (const std::exception& e) {
      os::Application.ShowException(e);
    }
    return TInstallOutcome::Ended;
  }
  {
    // The wizard answers between the last steps, and takes no input.
    const ui::TDisabledForms wizard;
    CreateShortcuts(SetupPars.InstallDir, SetupPars.ProgFolder, *log, LetMessagesThrough);
  }
  log->Close();
  log.reset();
  WriteRegistryEntries(SetupPars.InstallDir);
  return TInstallOutcome::Finished;
}
