#pragma once
// Defined out of line: a Windows source includes this after <windows.h>,
// whose macros take the seam's names.
#include <string>

#include "platform/Files.h"

// A folder held open without leave to delete or rename it, so that nobody
// can move it away or put a link in its place (nor, on Windows, rename a
// folder above it) while it is held; with leave to read its rights.
// Unusable when path is a link, no folder, or cannot be opened. Entries
// opened below it are judged by their final paths: where a link on the way
// leads, not what their paths say.
// What Setup makes is the Administrators group's from its creation, also
// where an administrator's objects would otherwise be their own account's
// (the policy "Object creator"): the rights are inherited.
extern const char* const kAdministratorsOwner;

class THeldFolder;

// How a folder below the installation folder stands, judged through a
// handle on that very folder (a link itself, never its target): Usable when
// it is a folder, no link, inside held (when given) and owned and changeable
// by administrators only.
enum class TFolderStanding { Missing, Unopenable, Link, Usable, Unusable };
TFolderStanding JudgeFolderBelow(const std::string& folder, const THeldFolder* held, os::DWORD& error);

class THeldFolder {
 public:
  explicit THeldFolder(const std::string& path);
  THeldFolder(const THeldFolder&) = delete;
  THeldFolder& operator=(const THeldFolder&) = delete;

  bool Usable() const;
  os::HANDLE Handle() const { return handle_.get(); }
  const std::string& Path() const { return path_; }
  // Systems before Windows Vista lack the calls that tell where a handle's
  // entry really is: there the checks by path are all there is.
  bool Legacy() const { return legacy_; }
  // Whether what entry is open on lies below the held folder, by its final
  // path (compared in UTF-16); before Windows Vista, true.
  bool Holds(os::HANDLE entry) const;
  // Deletes the file (or empty folder) path below it, which the caller has
  // checked by its path: through a handle on that very entry (a link
  // itself, never its target), once its final path is seen to lie below.
  // A read-only file goes only when ClearReadOnly says so, and it has no
  // other name (else ERROR_FILE_READ_ONLY: the mark is shared by every
  // name); the attribute is put back if it stays. ERROR_SUCCESS, or why it
  // did not go.
  os::DWORD DeleteEntry(const std::string& path, bool folder, bool ClearReadOnly) const;
  // Creates the file path below it for writing (and, with Deletable, with
  // leave to delete it through the handle, which others then must share)
  // with CREATE_NEW, owned by the Administrators group, so that it takes
  // the inherited rights of its folder. An existing file there goes first through DeleteEntry
  // (ClearReadOnly as there), never by its name and never written into.
  // Others may do with it what share allows. None, with the error set,
  // when either fails.
  os::UniqueHandle CreateFresh(const std::string& path, os::DWORD share, bool ClearReadOnly,
                               bool Deletable) const;
  void Release();

 private:
  std::string path_, final_;
  os::UniqueHandle handle_;
  bool legacy_ = false;
};

