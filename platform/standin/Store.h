#pragma once
// Where the stand-in's drives keep their entries: host paths ("<root>/C/...")
// on the host's disk, or the same paths in a tree in memory, so that a test
// or a fuzz target can run without touching the disk. Links are the host's
// symbolic links, with host paths as targets.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace os::hostfs {

struct EntryInfo {
  bool folder = false;
  bool link = false;  // the entry itself is a link (asked without following)
  std::uint64_t size = 0;
};

enum OpenFlags : unsigned {
  kOpenRead = 1,
  kOpenWrite = 2,
  kOpenCreate = 4,
  kOpenTruncate = 8,
  kOpenExclusive = 16,  // with kOpenCreate: fails when the entry exists
  kOpenNoFollow = 32,   // the link itself, never what it points to
  kOpenEntry = 64,      // the entry only, for its attributes and deletion
};

class Store {
 public:
  virtual ~Store() = default;
  // A fresh empty root, and its path; the previous root and all in it go.
  virtual std::string NewRoot() = 0;
  virtual void RemoveRoot(const std::string& root) = 0;
  virtual bool Info(const std::string& path, bool follow, EntryInfo& out) = 0;
  virtual std::vector<std::string> Names(const std::string& folder) = 0;
  // Changes whenever names may have come or gone, so that a path matched
  // before may be matched anew; a store that cannot tell changes it on
  // every call.
  virtual unsigned long Generation() = 0;
  // folder joined with the names of rest ("a\\b"), each name as stored
  // when an entry has it without regard to case, as given when none has.
  virtual std::string Match(const std::string& folder, const std::string& rest);
  virtual bool MakeFolder(const std::string& path) = 0;
  virtual bool MakeFolders(const std::string& path) = 0;
  // An empty folder, or a link to one.
  virtual bool RemoveFolder(const std::string& path) = 0;
  // A file or a link.
  virtual bool RemoveFile(const std::string& path) = 0;
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  virtual bool MakeLink(const std::string& target, const std::string& path) = 0;
  // The paths of the entries made, removed, moved (both names) or written
  // since the last call, links resolved; false when the store keeps none.
  virtual bool TakeChanges(std::vector<std::string>& paths) {
    paths.clear();
    return false;
  }
  // The path with every link resolved, for comparing with a handle's path.
  virtual std::string Canonical(const std::string& path) = 0;

  // Open entries, by a number of the store's; -1 when it cannot be opened.
  virtual int Open(const std::string& path, unsigned flags) = 0;
  virtual long long ReadAt(int id, void* buffer, std::size_t size, std::uint64_t offset) = 0;
  virtual long long WriteAt(int id, const void* buffer, std::size_t size, std::uint64_t offset) = 0;
  virtual bool InfoOf(int id, EntryInfo& out) = 0;
  // Where the open entry is now (it may have been moved); empty when deleted.
  virtual std::string PathOf(int id) = 0;
  virtual void Close(int id) = 0;
};

std::unique_ptr<Store> MakeDiskStore();
std::unique_ptr<Store> MakeMemoryStore();

}  // namespace os::hostfs
