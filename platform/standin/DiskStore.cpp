// The stand-in's drives on the host's disk, under a fresh temporary folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <dirent.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/standin/Store.h"

namespace os::hostfs {

std::string Store::Match(const std::string& folder, const std::string& rest) {
  std::string host = folder;
  std::size_t start = 0;
  while (start < rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string name = rest.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    EntryInfo info;
    if (!Info(host + "/" + name, false, info)) {
      for (const std::string& other : Names(host)) {
        if (strcasecmp(other.c_str(), name.c_str()) == 0) {
          name = other;
          break;
        }
      }
    }
    host += "/" + name;
  }
  return host;
}

namespace {

class DiskStore final : public Store {
 public:
  // Anyone may change the host's folders.
  unsigned long Generation() override { return ++calls_; }

  std::string NewRoot() override {
    char name[] = "/tmp/standin-XXXXXX";
    return mkdtemp(name);
  }

  void RemoveRoot(const std::string& root) override {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

  bool Info(const std::string& path, bool follow, EntryInfo& out) override {
    struct stat st;
    if ((follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) != 0) return false;
    return Fill(st, out);
  }

  std::vector<std::string> Names(const std::string& folder) override {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
      while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      closedir(dir);
    }
    return names;
  }

  bool MakeFolder(const std::string& path) override { return mkdir(path.c_str(), 0755) == 0; }

  bool MakeFolders(const std::string& path) override {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return !error;
  }

  bool RemoveFolder(const std::string& path) override {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return unlink(path.c_str()) == 0;
    return rmdir(path.c_str()) == 0;
  }

  bool RemoveFile(const std::string& path) override { return unlink(path.c_str()) == 0; }

  bool Rename(const std::string& from, const std::string& to) override {
    return rename(from.c_str(), to.c_str()) == 0;
  }

  bool MakeLink(const std::string& target, const std::string& path) override {
    return symlink(target.c_str(), path.c_str()) == 0;
  }

  std::string Canonical(const std::string& path) override {
    std::error_code error;
    const std::string real = std::filesystem::weakly_canonical(path, error).string();
    return error ? std::string() : real;
  }

  int Open(const std::string& path, unsigned flags) override {
    int mode = (flags & kOpenEntry)   ? O_PATH
               : (flags & kOpenWrite) ? ((flags & kOpenRead) ? O_RDWR : O_WRONLY)
                                      : O_RDONLY;
    if (flags & kOpenCreate) mode |= O_CREAT;
    if (flags & kOpenTruncate) mode |= O_TRUNC;
    if (flags & kOpenExclusive) mode |= O_EXCL;
    if (flags & kOpenNoFollow) mode |= O_NOFOLLOW;
    return open(path.c_str(), mode | O_CLOEXEC, 0644);
  }

  long long ReadAt(int id, void* buffer, std::size_t size, std::uint64_t offset) override {
    return pread(id, buffer, size, off_t(offset));
  }

  long long WriteAt(int id, const void* buffer, std::size_t size, std::uint64_t offset) override {
    return pwrite(id, buffer, size, off_t(offset));
  }

  bool InfoOf(int id, EntryInfo& out) override {
    struct stat st;
    if (fstatat(id, "", &st, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW) != 0) return false;
    return Fill(st, out);
  }

  std::string PathOf(int id) override {
    char link[64], target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", id);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    const std::string path = n > 0 ? std::string(target, std::size_t(n)) : std::string();
    // The kernel marks an unlinked entry's path.
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
      return {};
    return path;
  }

  void Close(int id) override { close(id); }

 private:
  unsigned long calls_ = 0;
  static bool Fill(const struct stat& st, EntryInfo& out) {
    out.folder = S_ISDIR(st.st_mode);
    out.link = S_ISLNK(st.st_mode);
    out.size = std::uint64_t(st.st_size);
    return true;
  }
};

}  // namespace

std::unique_ptr<Store> MakeDiskStore() { return std::make_unique<DiskStore>(); }

}  // namespace os::hostfs
