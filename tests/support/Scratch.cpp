#include "tests/support/Scratch.h"

#include <atomic>
#include <chrono>
#include <stdexcept>

#include "platform/Files.h"

namespace {
std::atomic<int> counter{0};
}

ScratchFolder::ScratchFolder() {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = os::GetTempPathA() + "SetupTest-" + std::to_string(stamp % 1000000007) + "-" +
          std::to_string(counter++);
  if (!os::CreateDirectoryA(path_)) throw std::runtime_error("cannot create " + path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::string& folder) {
  os::WIN32_FIND_DATAA entry;
  os::HANDLE search = os::FindFirstFileA(folder + "\\*", &entry);
  if (search != os::INVALID_HANDLE_VALUE) {
    do {
      if (entry.cFileName == "." || entry.cFileName == "..") continue;
      const std::string path = folder + "\\" + entry.cFileName;
      os::SetFileAttributesA(path, os::FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & os::FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        os::DeleteFileA(path);
    } while (os::FindNextFileA(search, &entry));
    os::FindClose(search);
  }
  os::RemoveDirectoryA(folder);
}

bool Exists(const std::string& path) {
  return os::GetFileAttributesA(path) != os::INVALID_FILE_ATTRIBUTES;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  os::HANDLE file = os::CreateFileA(path, os::GENERIC_WRITE, 0, os::CREATE_ALWAYS);
  if (file == os::INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
  os::DWORD written = 0;
  const bool ok = os::WriteFile(file, bytes.data(), os::DWORD(bytes.size()), &written);
  os::CloseHandle(file);
  if (!ok || written != bytes.size()) throw std::runtime_error("cannot write " + path);
}

std::string ReadFileBytes(const std::string& path) {
  os::HANDLE file = os::CreateFileA(path, os::GENERIC_READ, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE,
                                    os::OPEN_EXISTING);
  if (file == os::INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
  std::string bytes;
  char buffer[65536];
  os::DWORD n = 0;
  while (os::ReadFile(file, buffer, sizeof buffer, &n) && n > 0) bytes.append(buffer, n);
  os::CloseHandle(file);
  return bytes;
}

namespace {
void ListFiles(const std::string& folder, const std::string& prefix, std::set<std::string>& out) {
  os::WIN32_FIND_DATAA entry;
  os::HANDLE search = os::FindFirstFileA(folder + "\\*", &entry);
  if (search == os::INVALID_HANDLE_VALUE) return;
  do {
    if (entry.cFileName == "." || entry.cFileName == "..") continue;
    if (entry.dwFileAttributes & os::FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(folder + "\\" + entry.cFileName, prefix + entry.cFileName + "\\", out);
    else
      out.insert(prefix + entry.cFileName);
  } while (os::FindNextFileA(search, &entry));
  os::FindClose(search);
}
}  // namespace

std::set<std::string> FilesBelow(const std::string& folder) {
  std::set<std::string> files;
  ListFiles(folder, "", files);
  return files;
}
