#include "tests/fuzz/FuzzSupport.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "trust/Unit_Paths.h"
#include "platform/Chars.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/standin/Standin.h"
#include "tests/support/Scratch.h"

namespace fuzz {

void Broken(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

void FreshStandin(int codePage) {
  if (!standin::FilesInMemory()) standin::KeepFilesInMemory(true);
  standin::SetAnsiCodePage(codePage);
  standin::ResetFileSystem();
  standin::ResetRegistry();
  standin::ResetDialogs();
  standin::ResetShell();
  standin::AddDrive('D');
}

int CodePageOf(unsigned bits) {
  static const int codePages[] = {1252, 932, 950, 936, 949};
  return codePages[bits % 5];
}

void SceneSet() { standin::TakeChanges(); }

namespace {

// Paths as Windows compares them: full, upper-case, with a closing
// backslash.
std::string Key(const std::string& path) {
  const std::string full = os::CharUpperBuffA(os::GetFullPathNameA(path));
  return full.empty() || EndsWithBackslash(full) ? full : full + "\\";
}

// Folders, and what lies in them.
class Folders {
 public:
  explicit Folders(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
      if (!Key(path).empty()) keys_.push_back(Key(path));
  }
  // Whether path is one of the folders (itself) or lies in one (below).
  bool Holds(const std::string& path, bool itself = true, bool below = true) const {
    const std::string key = Key(path);
    for (const std::string& folder : keys_)
      if (key.compare(0, folder.size(), folder) == 0 && (key.size() == folder.size() ? itself : below))
        return true;
    return false;
  }

 private:
  std::vector<std::string> keys_;
};

}  // namespace

const char* const kPrograms = "C:\\Documents and Settings\\User\\Start Menu\\Programs";

void Put(const std::string& path) {
  os::MakeSureDirectoryPathExists(path.substr(0, LastBackslash(path) + 1));
  WriteFileBytes(path, "x");
}

bool Inside(const std::string& path, const std::string& folder) {
  return Folders({folder}).Holds(path, false);
}

void WatchDeletions(const std::vector<std::string>& folders, const std::vector<std::string>& entries) {
  standin::BeforeDeleteOpen([inside = Folders(folders), exactly = Folders(entries)](const std::string& path) {
    if (std::getenv("FUZZ_TRACE")) std::fprintf(stderr, "delete: %s\n", path.c_str());
    if (!inside.Holds(path) && !exactly.Holds(path, true, false)) Broken("about to delete outside: " + path);
  });
}

std::vector<std::string> CheckChanges(const std::vector<std::string>& removable,
                                      const std::vector<std::string>& writable) {
  const Folders mayGo(removable), mayWrite(writable);
  const std::vector<std::string> changes = standin::TakeChanges();
  std::vector<std::string> there;
  for (const std::string& path : std::set<std::string>(changes.begin(), changes.end())) {
    if (os::GetFileAttributesA(path) == os::INVALID_FILE_ATTRIBUTES) {
      if (!mayGo.Holds(path)) Broken("removed outside: " + path);
    } else {
      if (!mayWrite.Holds(path)) Broken("written outside: " + path);
      there.push_back(path);
    }
  }
  return there;
}

std::vector<std::string> Split(const std::uint8_t* data, std::size_t size, const std::string& separator) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = input.find(separator, start)) != std::string::npos; start = at + separator.size())
    parts.push_back(input.substr(start, at - start));
  parts.push_back(input.substr(start));
  return parts;
}

bool Absolute(const std::string& path) {
  if (path.find('\0') != std::string::npos) return false;
  // Backslashes found by character: a second byte is no separator.
  const TCharacters& chars = SystemCharacters();
  const auto backslashAt = [&](std::size_t at) { return at < path.size() && chars.Find(path, '\\', at) == at; };
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && backslashAt(2))
    return true;
  // \\server\share: both named.
  if (path.size() < 5 || !backslashAt(0) || !backslashAt(1)) return false;
  const std::size_t share = chars.Find(path, '\\', 2);
  return share != std::string::npos && share > 2 && share + 1 < path.size() && !backslashAt(share + 1);
}

}  // namespace fuzz
