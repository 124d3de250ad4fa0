#pragma once
// Control of the stand-in platform, for tests only: no unit includes this.
// The stand-in is a small Windows: a registry in memory, Windows paths on a
// host folder, headless windows, recorded dialogs.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "platform/WinTypes.h"

namespace ui {
class TForm;
}
namespace codepage {
class TCodePage;
}

namespace standin {

// --- Files ---------------------------------------------------------------
// Empties the file system: only drive C: with C:\Temp, current folder C:\.
void ResetFileSystem();
// Keeps the drives in memory (true) or in a host folder (false) from now
// on, emptied as by ResetFileSystem. A program started with
// STANDIN_FILES=memory keeps them in memory from the start.
void KeepFilesInMemory(bool inMemory);
bool FilesInMemory();
// What someone else does behind the system's back, with no check of its
// own: makes link a link (a junction) to target, moves an entry, removes a
// link. False when the host refuses.
bool PlaceLink(const std::string& link, const std::string& target);
bool MoveBehind(const std::string& from, const std::string& to);
bool RemoveLink(const std::string& link);
// Every file and link on the drives (links not followed), as Windows paths.
std::vector<std::string> AllFiles();
// With the files in memory: the Windows paths of the entries made, removed,
// moved (both names) or written since the last call or reset, where they
// really are (links resolved). Throws std::logic_error with the files on
// the disk, which keeps no such record.
std::vector<std::string> TakeChanges();
// The host path for a Windows path (need not exist); with the files kept
// in memory, a path only the stand-in understands.
std::string HostPath(const std::string& windowsPath);
void AddDrive(char letter);
// Drive letter: is the host folder hostFolder from now on (as "subst" does).
void MapDrive(char letter, const std::string& hostFolder);
// Every change at path or below it fails with ERROR_ACCESS_DENIED, as for a
// folder the user may read but not write.
void DenyWrites(const std::string& windowsPath);
// Lifts DenyWrites(windowsPath).
void AllowWrites(const std::string& windowsPath);
// After bytes more bytes have been written, writes fail with ERROR_DISK_FULL
// (a partial write writes what fits). -1 lifts the limit.
void FailWritesAfter(long long bytes);
// Bytes written to files so far, through every handle.
long long BytesWritten();
// Called each time the user-interface thread would handle its messages: in
// ProcessMessages and at each turn of a modal loop. nullptr: none.
void OnMessagePump(std::function<void()> hook);
// Reads of the file path fail with ERROR_READ_FAULT from the nth call on
// (counted over every handle on it; 0: never again), as for a bad sector.
void FailReadsOf(const std::string& windowsPath, long nth);
// Once the file path has been read to its end (through any handle), reads
// of it answer bytes instead of what it holds, as a hostile file server or
// a crafted device may answer a second read.
void AnswerLaterReadsWith(const std::string& windowsPath, const std::string& bytes);
// Gives path this owner and DACL (SDDL), as if someone had set them; what lies
// below without its own inherits from it.
void SetSecurity(const std::string& windowsPath, const std::string& sddl);
// An ordinary user (kUserSid, in Users and Authenticated Users), not an
// administrator: opens path (a file or folder, a link itself) with access,
// checked against its rights now, as Windows checks them when a handle is
// opened and never later; no handle when they do not grant all of it. The
// handle keeps what it was granted, whatever the rights become: with
// WRITE_DAC it can rewrite them through os::SetSecurityInfoByHandle.
extern const char* const kUserSid;
os::HANDLE OpenAsUser(const std::string& windowsPath, os::DWORD access);
// Drive letter: holds a file system that keeps no access rights (FAT): its
// volume information lacks FILE_PERSISTENT_ACLS.
void SetDriveWithoutRights(char letter);
// Drive letter: a drive of this kind from now on (os::DRIVE_REMOTE for a
// mapped network drive, os::DRIVE_REMOVABLE, ...); fixed until reset.
void SetDriveType(char letter, os::DWORD type);
// What is made without an owner of its own is owned by sid from now on
// ("BA" until reset): the administrator's own account, as under the policy
// "Default owner for objects created by members of the Administrators
// group: Object creator".
void SetDefaultOwner(const std::string& sid);
// Creating a folder with rights and setting rights fail with
// ERROR_ACCESS_DENIED (a share that refuses them), until called with false;
// with error, creating with rights fails with that error instead (a share
// that takes no owner answers ERROR_INVALID_OWNER).
void RefuseRights(bool refuse, os::DWORD error = os::ERROR_ACCESS_DENIED);
// The file path has names more names elsewhere (hard links a user made):
// its link count, which GetFileLinkCountByHandle reports, is 1 + names.
void AddHardLinks(const std::string& windowsPath, int names);
// Wine from now on (true): os::RunsUnderWine says so, and every file reads
// as the user's own (the rights set with SetSecurity aside).
void SimulateWine(bool wine);
// A system before Windows Vista: GetFinalPathNameByHandleA and
// SetFileInformationByHandle fail with ERROR_PROC_NOT_FOUND.
void SimulatePreVista(bool preVista);
// Runs action with the full path each time before something is deleted by
// its path or a handle is opened for deletion (until reset): a user who swaps a folder for a link between a
// check and a delete.
void BeforeDeleteOpen(std::function<void(const std::string& path)> action);

// Files, folders and searches open now, whoever opened them (leak checks).
int OpenHandleCount();
// Final paths read through handles so far (what a removal pays per entry).
long FinalPathReads();

// --- Faults --------------------------------------------------------------
// Counts the calls that change files, folders or the registry from now on,
// and makes the nth fail (0: none): files with ERROR_ACCESS_DENIED (writes
// with ERROR_DISK_FULL), the registry with ERROR_ACCESS_DENIED.
void FailNthChange(long n);
long ChangesCounted();

// --- Registry ------------------------------------------------------------
void ResetRegistry();
// Opening the key (or a key below it) for writing, or creating keys or values
// there, fails with ERROR_ACCESS_DENIED, as for a user without the rights.
void DenyKey(os::HKEY root, const std::string& path);
// Number of keys that are open now (leak checks).
int OpenKeyCount();

// --- Dialogs -------------------------------------------------------------
struct MessageBoxRecord {
  std::string Text;
  std::string Caption;
  os::DWORD Type;
};
// Every message box shown since the last reset, oldest first.
std::vector<MessageBoxRecord>& MessageBoxes();
// The next message box returns answer; without one queued, the first button.
void QueueMessageBoxAnswer(int answer);
void ResetDialogs();
// Plays the user for every message box from now on (until ResetDialogs).
void SetMessageBoxResponder(std::function<int(const MessageBoxRecord&)> responder);
// The sounds made (MessageBeep), oldest first.
std::vector<os::DWORD> Beeps();

// --- Forms ---------------------------------------------------------------
// Plays the user for every form shown modally: called, after the form's
// FormShow, whenever the modal loop waits for an answer (again after a
// refused close). It answers by clicking, pressing keys or closing.
void SetModalResponder(std::function<void(ui::TForm&)> responder);

// --- Shell ---------------------------------------------------------------
// The user's Start-menu Programs folder (created); empty: the shell fails.
void SetProgramsFolder(const std::string& windowsPath);
// A Programs folder whose name the code page cannot write (as shown, with
// "?" for the characters it lacks): the shell gives its short form
// shortPath (created), or nothing when shortPath is empty.
void SetUnwritableProgramsFolder(const std::string& shown, const std::string& shortPath);
// The next folder-selection dialog returns path (empty: cancelled).
void QueueBrowseAnswer(const std::string& path);
int BrowseCount();
void SetScreenSize(int width, int height);
struct Launch {
  std::string File, Parameters, Directory;
  int Show;
};
// Programs started through ShellExecuteA, oldest first.
std::vector<Launch> Launches();
// What ShellExecuteA returns from now on (above 32: started).
void SetLaunchResult(std::intptr_t result);
// Creating the shell link object fails with code (0: it works), or the
// object lacks its interfaces.
void FailShellLink(long code, bool withoutInterface = false);
// Launches, browse answers and link failures forgotten.
void ResetShell();

// --- Processes -----------------------------------------------------------
// The running program's file and arguments; forgets started programs.
void SetProgram(const std::string& moduleFileName, std::vector<std::string> args);
// Command lines started by CreateProcessA, with their folders.
std::vector<std::string> StartedPrograms();
// Files marked for deletion at the next restart.
std::vector<std::string> DeletedAtRestart();
// The captions of the windows brought to the front (BringToFront), since
// SetProgram.
std::vector<std::string> BroughtToFront();
// Until SetProgram: another program shows a window with this caption, which
// BringToFront finds.
void ShowOtherProgramWindow(const std::string& caption);
// Until SetProgram: a named mutex of this name cannot be had, as when a user
// made an event of that name first (ERROR_INVALID_HANDLE) or a mutex that
// shuts administrators out (ERROR_ACCESS_DENIED).
void SquatMutex(const std::string& name, os::DWORD error);

// --- Code page -----------------------------------------------------------
// The system's ANSI code page from now on (1252 until called), for
// CharUpperBuffA and AnsiCharOf.
void SetAnsiCodePage(int number);
const codepage::TCodePage& AnsiCodePage();

// --- Resources -----------------------------------------------------------
void SetRcData(int id, std::string bytes);

}  // namespace standin
