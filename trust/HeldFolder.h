#pragma once
// Every elevated action on the file system, relative to a folder held open.
// Both programs run with administrator rights, and what an ordinary user can
// write (the medium, %TEMP%, a Start menu, a folder outside Program Files)
// may hold links and files placed to turn those rights against the system.
//
// A held folder is opened as itself (a link is refused, never followed),
// without leave to delete or rename it, so nobody can move it away or put a
// link in its place (nor, on Windows, rename a folder above it) while it is
// held. What it offers is done relative to it: entries made, opened and
// deleted through handles on those very entries, each judged by where it
// really lies (its final path), never by what a path says. Before Windows
// Vista those calls are missing: there a way of folders is held from its
// root down (THeldWay), each level as itself, so that no level can be
// swapped between a check and its use.
//
// Whom to trust, and whether rights count on this system, is trust/Policy.h.
//
// Defined out of line: a Windows source includes this after <windows.h>,
// whose macros take the seam's names.
#include <memory>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Shell.h"

// What Setup makes is the Administrators group's from its creation, also
// where an administrator's objects would otherwise be their own account's
// (the policy "Object creator"): the rights are inherited.
extern const char* const kAdministratorsOwner;

// How a folder below a held one stands, judged through a handle on that very
// folder (a link itself, never its target): Usable when it is a folder, no
// link, inside the held one and, where rights count, owned and changeable
// by trusted principals only.
enum class TFolderStanding { Missing, Unopenable, Link, Usable, Unusable };

class THeldFolder {
 public:
  // Holds the folder path; unusable when it is a link, no folder, or cannot
  // be opened.
  explicit THeldFolder(const std::string& path);
  // Holds the level Name of Parent, which is held: a level opened while the
  // one above cannot be moved is that level's, before Vista too.
  THeldFolder(const THeldFolder& Parent, const std::string& Name);
  THeldFolder(const THeldFolder&) = delete;
  THeldFolder& operator=(const THeldFolder&) = delete;

  bool Usable() const { return bool(handle_); }
  os::HANDLE Handle() const { return handle_.get(); }
  const std::string& Path() const { return path_; }
  // Whether it is judged by path alone: before Windows Vista, which lacks
  // final paths and handle-based deletes, the checks by path and the held
  // way are all there is.
  bool ByPathOnly() const { return legacy_; }
  // Whether it is still where its path says, no link on the way: by its
  // final path (before Vista, what holding it from its root down vouches).
  bool Here() const;
  // Whether what entry is open on lies below it, by its final path (in
  // UTF-16); before Vista, true.
  bool Contains(os::HANDLE entry) const;
  // Whether only trusted principals own and may change it, judged through
  // the handle; true where rights do not count, unless asked even there
  // (what only shows where rights are kept then counts as open to users).
  bool OnlyTrustedCanChange(bool WhereRightsDoNotCount = false) const;
  // Whether users could rename or delete it, or what it holds (so put
  // another folder at a path below it); read through the handle. A root is
  // judged only by what it holds. False where rights do not count.
  bool UsersCanRenameBelow() const;

  // Whether anybody but trusted principals may change the file path below
  // it or put another in its place: by the file's own rights, or by this
  // folder's leave to delete what it holds; read through handles, and
  // rights that cannot be read count as open to them.
  bool UsersCanReplace(const std::string& path) const;

  // The first level of the relative path Rest below it (A, A\B, ...) that
  // is a link, each read without following it, as a full path; empty when
  // none is. Levels that do not exist are no links.
  std::string FirstLinkBelow(const std::string& Rest) const;
  // How the folder path below it stands (see TFolderStanding); error tells
  // why it could not be opened.
  TFolderStanding JudgeBelow(const std::string& path, os::DWORD& error) const;
  // Whether the file path below it is read-only and has other names (hard
  // links), which share the mark: such a file cannot be replaced.
  bool ReadOnlyWithOtherNames(const std::string& path) const;

  // Makes the folder path below it, owned by the Administrators group from
  // its creation (with Sddl, those rights). A file system that takes no
  // owner (a share refuses it) gets the folder with the default owner, an
  // administrator's, and Sddl's DACL all the same. False, with the error set, when it cannot be made.
  bool MakeFolder(const std::string& path, const char* Sddl = nullptr) const;
  // Creates the file path below it for writing (and, with Deletable, with
  // leave to delete it through the handle, which others then must share)
  // with CREATE_NEW, owned as MakeFolder makes folders, so that it takes the
  // inherited rights of its folder. An existing file there goes first through
  // DeleteEntry (ClearReadOnly as there), never by its name and never
  // written into. None, with the error set, when either fails.
  os::UniqueHandle CreateFresh(const std::string& path, os::DWORD share, bool ClearReadOnly,
                               bool Deletable) const;
  // Whether files can be made in it: one is made, owned as every file, and
  // deleted through its own handle.
  bool TakesFiles() const;
  // Deletes what file (made here with leave to delete) is open on, through
  // that handle, and closes it: for a file found to lie elsewhere.
  void Discard(os::UniqueHandle& file) const;
  // Deletes the file (or empty folder) path below it: through a handle on
  // that very entry (a link itself, never its target), once its final path
  // is seen to lie below. A read-only file goes only when ClearReadOnly says
  // so, and it has no other name (else ERROR_FILE_READ_ONLY: the mark is
  // shared by every name); the attribute is put back if it stays.
  // ERROR_SUCCESS, or why it did not go.
  os::DWORD DeleteEntry(const std::string& path, bool folder, bool ClearReadOnly) const;
  // Renames the file From below it to To below it, replacing To, once From
  // is seen to lie below; To's name must not lead through a link.
  bool Rename(const std::string& From, const std::string& To) const;
  // Saves Link as the file path below it: an entry of that name that is
  // itself a link goes first, through its handle, so the shortcut is never
  // written through it; once saved, a shortcut that is not found below is
  // deleted through its handle again. False when it was not saved here.
  bool SaveLink(os::TShellLink& Link, const std::string& path) const;
  // Copies the file Source (from anywhere) in as the new file path below it.
  bool CopyIn(const std::string& Source, const std::string& path) const;
  // Lets go of the folder and deletes it when it is empty and still where
  // its path says; never a drive's root.
  void DeleteItself();
  void Release();

 private:
  void Open();
  std::string path_;
  os::UniqueHandle handle_;
  // Read once when opened: while held it cannot move, so each entry is
  // judged against it without asking for the folder's again.
  os::TFinalPath final_;
  bool legacy_ = false;
};

// The folders below a reached folder, held as a removal walks its entries:
// the levels down to the folder of the current entry are held, each as
// itself within the one above, and kept while the next entry lies there
// too. A folder's checks are paid once, not once per entry; each entry is
// then deleted in its held folder, opened as itself and judged by its own
// final path against the folder's, read when the folder was opened.
class THeldDescent {
 public:
  // Top is to be where its path says (THeldWay::Reached); nothing is
  // deleted below it otherwise.
  explicit THeldDescent(const THeldFolder& Top);
  THeldDescent(const THeldDescent&) = delete;
  THeldDescent& operator=(const THeldDescent&) = delete;

  // Deletes the file Rest below Top (a relative path of plain names) as
  // THeldFolder::DeleteEntry does; ERROR_SUCCESS, or why it did not go.
  // BehindLink tells that a level on the way is a link, which is never
  // followed: nothing was tried then.
  os::DWORD DeleteRecorded(const std::string& Rest, bool ClearReadOnly, bool& BehindLink);
  // Lets go of every level below Top, so that they can be deleted.
  void Release();

 private:
  const THeldFolder* Enter(const std::string& Folder);
  const THeldFolder& top_;
  bool topHere_;
  std::vector<std::string> names_;  // of the levels held, as the entries spell them
  std::vector<std::unique_ptr<THeldFolder>> levels_;
  // Why the folder names_ spells could not be held, asked once for all its
  // entries: ERROR_SUCCESS while it is held.
  os::DWORD failed_;
  bool link_ = false;
};

// The way to a folder held: Base and every existing level below it down to
// the folder, each held as itself while the one above is held, so that no
// level can be moved or swapped for a link meanwhile, before Vista too.
class THeldWay {
 public:
  // Base held; then each level of the relative path Rest that exists.
  THeldWay(const std::string& Base, const std::string& Rest);
  // From the root of the drive (or share) of the full path Path down.
  static std::unique_ptr<THeldWay> FromRoot(const std::string& Path);

  // Whether Base could be held and is where its path says.
  bool Usable() const;
  // The folder itself when the way is whole and it is where its path says;
  // null otherwise: nothing is to be done in it then.
  THeldFolder* Reached();
  const THeldFolder* Reached() const;
  // The first level that is a link, or could not be held as a folder;
  // empty when there is none.
  const std::string& Blocked() const { return blocked_; }
  // Whether every level down to the folder exists and is held.
  bool Whole() const { return missing_.empty() && blocked_.empty(); }
  // The levels held, Base first.
  const std::vector<std::unique_ptr<THeldFolder>>& Levels() const { return levels_; }
  const THeldFolder& Deepest() const { return *levels_.back(); }
  THeldFolder& Deepest() { return *levels_.back(); }
  // The levels not there yet, relative to the deepest held one.
  const std::string& Missing() const { return missing_; }
  // The nearest level above the folder that users could rename or delete,
  // or whose entries they could (see UsersCanRenameBelow); empty when none.
  std::string FirstUsersCanRename() const;
  // Makes each missing level through the one above, held as it is made
  // (TopSddl, when given, for the top-most one made). Returns the level that
  // could not be made or held, with the error set; empty when all were.
  std::string MakeMissing(const char* TopSddl = nullptr);
  // Deletes the levels MakeMissing made, deepest first, each through a
  // handle on that very folder.
  void RemoveMade();

 private:
  std::vector<std::unique_ptr<THeldFolder>> levels_;
  std::string missing_, blocked_;
  std::size_t made_ = 0;
};

// A program to start with administrator rights, and its folder (where a
// DLL beside it would be loaded), held from their checks until it has
// started: neither can be moved, renamed, deleted or written meanwhile.
struct THeldProgram {
  std::unique_ptr<THeldWay> Way;
  os::UniqueHandle File;
};
// The program only administrators can have put there: named by a full path
// on a fixed drive, no link on the way, held and found where its path says,
// and where rights count only trusted principals own and may change it and
// its folder, and users may rename no folder above it. Where rights do not
// count, the Windows folder and Program Files outside the system's temporary
// folder are all there is to go by. Nothing held when it may not be started.
THeldProgram HoldToStart(const std::string& program, bool InsideProgramFiles);

// A new folder in the system's temporary folder, named Prefix and a number,
// that only administrators and the system may change; held. None when none
// could be made: a name that exists already is never used.
std::unique_ptr<THeldFolder> MakePrivateFolder(const std::string& Prefix);

// A file opened for reading only, sharing reading: a volume of the medium or
// a log. Reading changes nothing, so a link on the way is no danger here;
// what is read is judged by the reader.
// access: GENERIC_READ unless given.
os::UniqueHandle OpenToRead(const std::string& path);
os::UniqueHandle OpenToRead(const std::string& path, os::DWORD access);

// Whether folders may be made in the deepest existing level of the full
// path Path, that level opened as itself (never where a link would lead):
// nothing is made to find out.
bool MayMakeFoldersAt(const std::string& Existing);

// Marks the file path (the running program's copy, or its private folder)
// for deletion at the next restart.
bool DeleteAtRestart(const std::string& path);
