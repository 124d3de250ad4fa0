// The limit for Setup: a bare Win32 copy loop over the same payload volumes.
// Reads each header, makes the entry's folders and file, copies its data in
// 256 KiB blocks, follows the trailer bytes from volume to volume. No log,
// no checks, no window. Prints the seconds it took. With --hash, instead: a
// bare loop of the system's own SHA-256 (CryptoAPI, as Setup's release
// build uses it) over every volume's bytes, read in the same blocks. With
// --delete, after the copy: the limit for a removal, the files it made
// deleted by name (DeleteFileA) in the order made, then its folders
// (RemoveDirectoryA), deepest first; only the deletes are timed.
//
//   bare_extract TARGET_DIR [--delete] (volumes in the current folder)
//   bare_extract --hash
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>

#include "bench/Clock.h"
#include <string>
#include <vector>

namespace {

class Volumes {
 public:
  Volumes() { Open(1); }
  ~Volumes() { ::CloseHandle(file_); }
  // The next payload byte, moving on at a trailer byte.
  unsigned char Byte() {
    if (left_ == 0) Next();
    if (pos_ == len_) Fill();
    --left_;
    return static_cast<unsigned char>(buffer_[pos_++]);
  }
  // Up to n payload bytes of the current volume, from the buffer.
  DWORD Take(DWORD n, const char** data) {
    if (left_ == 0) Next();
    if (pos_ == len_) Fill();
    n = std::min<DWORD>(n, std::min<DWORD>(DWORD(len_ - pos_), DWORD(std::min<ULONGLONG>(left_, MAXDWORD))));
    *data = buffer_.data() + pos_;
    pos_ += n;
    left_ -= n;
    return n;
  }

 private:
  void Open(int number) {
    char name[16];
    std::snprintf(name, sizeof name, number < 10 ? "Setup.d0%d" : "Setup.d%d", number);
    file_ = ::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    LARGE_INTEGER size;
    ::GetFileSizeEx(file_, &size);
    left_ = ULONGLONG(size.QuadPart) - 1;  // the trailer byte is no payload
    pos_ = len_ = 0;
  }
  void Next() {
    if (pos_ == len_) Fill();
    const int number = static_cast<unsigned char>(buffer_[pos_]);
    ::CloseHandle(file_);
    Open(number);
  }
  void Fill() {
    DWORD read = 0;
    ::ReadFile(file_, buffer_.data(), DWORD(buffer_.size()), &read, nullptr);
    pos_ = 0;
    len_ = read;
  }
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::vector<char> buffer_ = std::vector<char>(256 * 1024);
  std::size_t pos_ = 0, len_ = 0;
  ULONGLONG left_ = 0;
};

}  // namespace

// Hashes Setup.d01, Setup.d02, ... (as many as there are) whole.
int HashVolumes() {
  const double start = Now();
  HCRYPTPROV provider = 0;
  if (!::CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return 1;
  std::vector<char> buffer(256 * 1024);
  for (int number = 1;; ++number) {
    char name[16];
    std::snprintf(name, sizeof name, number < 10 ? "Setup.d0%d" : "Setup.d%d", number);
    HANDLE file = ::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) break;
    HCRYPTHASH hash = 0;
    ::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash);
    DWORD read = 0;
    while (::ReadFile(file, buffer.data(), DWORD(buffer.size()), &read, nullptr) && read > 0)
      ::CryptHashData(hash, reinterpret_cast<const BYTE*>(buffer.data()), read, 0);
    BYTE digest[32];
    DWORD length = sizeof digest;
    ::CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
    ::CryptDestroyHash(hash);
    ::CloseHandle(file);
  }
  ::CryptReleaseContext(provider, 0);
  std::printf("hash %.3f\n", Now() - start);
  return 0;
}

// Deletes what the copy made, as a bare removal would: the files, then the
// folders, each folder after every folder below it.
void DeleteMade(const std::vector<std::string>& files, const std::vector<std::string>& folders) {
  const double start = Now();
  for (const std::string& file : files) ::DeleteFileA(file.c_str());
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) ::RemoveDirectoryA(folder->c_str());
  std::printf("delete %.3f\n", Now() - start);
}

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--hash") return HashVolumes();
  const bool remove = argc == 3 && std::string(argv[2]) == "--delete";
  if (argc != 2 && !remove) return 2;
  std::vector<std::string> files, folders;
  const double start = Now();
  const std::string target = argv[1];
  ::CreateDirectoryA(target.c_str(), nullptr);
  Volumes volumes;
  std::uint32_t total = 0;
  for (int i = 0; i < 4; ++i) total |= std::uint32_t(volumes.Byte()) << (8 * i);
  std::string folder;  // the last entry's, made already
  for (std::uint64_t done = 0; done < total;) {
    std::string name;
    for (unsigned char c; (c = volumes.Byte()) != 0;) name += char(c);
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= std::uint32_t(volumes.Byte()) << (8 * i);
    const std::string path = target + "\\" + name;
    const std::string parent = path.substr(0, path.rfind('\\'));
    if (parent != folder) {
      for (std::size_t at = target.size() + 1; (at = path.find('\\', at)) != std::string::npos; ++at)
        if (::CreateDirectoryA(path.substr(0, at).c_str(), nullptr) && remove)
          folders.push_back(path.substr(0, at));
      folder = parent;
    }
    HANDLE out = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    for (std::uint32_t left = size; left > 0;) {
      const char* data = nullptr;
      const DWORD n = volumes.Take(left, &data);
      DWORD written = 0;
      ::WriteFile(out, data, n, &written, nullptr);
      left -= n;
    }
    ::CloseHandle(out);
    if (remove) files.push_back(path);
    done += size;
  }
  std::printf("bare %.3f\n", Now() - start);
  if (remove) DeleteMade(files, folders);
  return 0;
}
