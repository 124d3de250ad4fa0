#pragma once
// A fresh folder under the system's temporary folder, removed with all its
// contents when the test ends. Works through the seam, so the same test runs
// on the stand-in and on Windows.
#include <set>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  // The folder's full path, without trailing backslash.
  const std::string& Path() const { return path_; }
  // Path joined with name.
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Deletes a folder and everything in it, hidden and read-only entries too.
void RemoveTree(const std::string& folder);
// Whole-file helpers through the seam; they throw when the call fails.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool Exists(const std::string& path);
// The files below folder, as paths relative to it ("Lists\\French.wdl").
std::set<std::string> FilesBelow(const std::string& folder);
