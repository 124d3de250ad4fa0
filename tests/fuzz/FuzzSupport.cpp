#include "tests/fuzz/FuzzSupport.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/standin/Standin.h"

namespace fuzz {

void Broken(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

void FreshStandin() {
  if (!standin::FilesInMemory()) standin::KeepFilesInMemory(true);
  standin::ResetFileSystem();
  standin::ResetRegistry();
  standin::ResetDialogs();
  standin::ResetShell();
  standin::AddDrive('D');
}

void SceneSet() { standin::TakeChanges(); }

bool Inside(const std::string& path, const std::string& folder) {
  const std::string full = os::CharUpperBuffA(os::GetFullPathNameA(folder));
  if (full.empty()) return false;
  const std::string prefix = full.back() == '\\' ? full : full + "\\";
  return os::CharUpperBuffA(path).compare(0, prefix.size(), prefix) == 0;
}

void WatchDeletions(const std::vector<std::string>& folders, const std::vector<std::string>& entries) {
  // The folders themselves, and the entries, as full paths without a
  // closing backslash.
  std::vector<std::string> exact;
  for (const auto* list : {&folders, &entries}) {
    for (const std::string& path : *list) {
      std::string full = os::CharUpperBuffA(os::GetFullPathNameA(path));
      if (full.size() > 3 && full.back() == '\\') full.pop_back();
      exact.push_back(full);
    }
  }
  standin::BeforeDeleteOpen([folders, exact](const std::string& path) {
    if (std::getenv("FUZZ_TRACE")) std::fprintf(stderr, "delete: %s\n", path.c_str());
    for (const std::string& folder : folders)
      if (Inside(path, folder)) return;
    for (const std::string& entry : exact)
      if (os::CharUpperBuffA(path) == entry) return;
    Broken("about to delete outside: " + path);
  });
}

std::vector<std::string> CheckChanges(const std::vector<std::string>& removable,
                                      const std::vector<std::string>& writable) {
  auto prefixes = [](const std::vector<std::string>& folders) {
    std::vector<std::string> upper;
    for (const std::string& folder : folders) {
      const std::string full = os::CharUpperBuffA(os::GetFullPathNameA(folder));
      if (!full.empty()) upper.push_back(full.back() == '\\' ? full : full + "\\");
    }
    return upper;
  };
  const std::vector<std::string> mayGo = prefixes(removable), mayWrite = prefixes(writable);
  // The folder itself, or what lies in it.
  auto within = [](const std::string& path, const std::vector<std::string>& folders) {
    const std::string upper = os::CharUpperBuffA(path) + "\\";
    for (const std::string& folder : folders)
      if (upper.compare(0, folder.size(), folder) == 0) return true;
    return false;
  };
  const std::vector<std::string> changes = standin::TakeChanges();
  std::vector<std::string> there;
  for (const std::string& path : std::set<std::string>(changes.begin(), changes.end())) {
    if (os::GetFileAttributesA(path) == os::INVALID_FILE_ATTRIBUTES) {
      if (!within(path, mayGo)) Broken("removed outside: " + path);
    } else {
      if (!within(path, mayWrite)) Broken("written outside: " + path);
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
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
      path[2] == '\\')
    return true;
  // \\server\share: both named.
  if (path.size() < 5 || path[0] != '\\' || path[1] != '\\') return false;
  const std::size_t share = path.find('\\', 2);
  return share != std::string::npos && share > 2 && share + 1 < path.size() && path[share + 1] != '\\';
}

}  // namespace fuzz
