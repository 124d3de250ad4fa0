// The shell: a Programs folder of the test's choosing, scripted answers for
// the folder browser, and the locale's order of names.
#include <cctype>
#include <deque>
#include <vector>
#include <mutex>

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/standin/Standin.h"

namespace {
std::mutex lock;
std::string programs = "C:\\Documents and Settings\\User\\Start Menu\\Programs";
std::deque<std::string> browseAnswers;
int browseCount = 0;
int screenWidth = 1024, screenHeight = 768;

// Word-sort weights: punctuation and blanks, then digits, then letters
// without regard to case; hyphens and apostrophes are ignored at first.
int Weight(unsigned char c) {
  if (std::isalpha(c)) return 0x300 + std::tolower(c);
  if (std::isdigit(c)) return 0x200 + c;
  return 0x100 + c;
}
}  // namespace

namespace os {

std::string SHGetSpecialFolderPathA(HWND, int csidl) {
  std::lock_guard<std::mutex> guard(lock);
  if (csidl != CSIDL_PROGRAMS || programs.empty()) return {};
  MakeSureDirectoryPathExists(programs + "\\");
  return programs;
}

std::string SHBrowseForFolderA(HWND, const std::string&) {
  std::lock_guard<std::mutex> guard(lock);
  ++browseCount;
  if (browseAnswers.empty()) return {};
  std::string answer = browseAnswers.front();
  browseAnswers.pop_front();
  return answer;
}

int lstrcmpA(const std::string& a, const std::string& b) {
  // Level 1: letters and digits alone, ignoring case, hyphens and
  // apostrophes. Level 2: lower case before upper case. Level 3: the word
  // with fewer hyphens and apostrophes first.
  auto ignorable = [](unsigned char c) { return c == '-' || c == '\''; };
  std::vector<int> pa, pb;
  std::vector<bool> ca, cb;
  int ia = 0, ib = 0;
  for (unsigned char c : a) {
    if (ignorable(c)) { ++ia; continue; }
    pa.push_back(Weight(c));
    ca.push_back(std::isupper(c) != 0);
  }
  for (unsigned char c : b) {
    if (ignorable(c)) { ++ib; continue; }
    pb.push_back(Weight(c));
    cb.push_back(std::isupper(c) != 0);
  }
  if (pa != pb) return pa < pb ? -1 : 1;
  if (ca != cb) return ca < cb ? -1 : 1;
  if (ia != ib) return ia < ib ? -1 : 1;
  return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
}

int ScreenWidth() { return screenWidth; }
int ScreenHeight() { return screenHeight; }

}  // namespace os

namespace standin {

void SetProgramsFolder(const std::string& windowsPath) {
  std::lock_guard<std::mutex> guard(lock);
  programs = windowsPath;
}

void QueueBrowseAnswer(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock);
  browseAnswers.push_back(path);
}

int BrowseCount() { return browseCount; }

void SetScreenSize(int width, int height) {
  screenWidth = width;
  screenHeight = height;
}

}  // namespace standin
