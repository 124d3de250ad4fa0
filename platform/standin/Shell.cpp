// The shell: a Programs folder of the test's choosing, scripted answers for
// the folder browser, and the locale's order of names.
#include <atomic>
#include <cctype>
#include <cstdio>
#include <deque>
#include <vector>
#include <memory>
#include <mutex>

#include "platform/Chars.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "host/CodePage.h"
#include "platform/standin/Standin.h"

namespace {
std::mutex lock;
// The code page the stand-in's system runs with: Windows-1252 unless a
// test chose another.
std::vector<std::unique_ptr<codepage::TCodePage>> codePages;
std::atomic<const codepage::TCodePage*> codePage{nullptr};
std::mutex codePageLock;
std::string programs = "C:\\Documents and Settings\\User\\Start Menu\\Programs";
// A Programs folder whose name the code page cannot write: shown with "?",
// and its short form (empty: it has none).
std::string programsUnwritable, programsShort;
std::deque<std::string> browseAnswers;
int browseCount = 0;
int screenWidth = 1024, screenHeight = 768;
std::vector<standin::Launch> launches;
std::intptr_t launchResult = 42;
long linkFailure = 0;
bool linkWithoutInterface = false;

// Word-sort weights: punctuation and blanks, then digits, then letters
// without regard to case; hyphens and apostrophes are ignored at first.
int Weight(unsigned char c) {
  if (std::isalpha(c)) return 0x300 + std::tolower(c);
  if (std::isdigit(c)) return 0x200 + c;
  return 0x100 + c;
}
}  // namespace

namespace os {

std::string SHGetSpecialFolderPathA(HWND, int csidl, std::string* unwritable) {
  std::lock_guard<std::mutex> guard(lock);
  if (csidl != CSIDL_PROGRAMS || programs.empty()) return {};
  if (!programsUnwritable.empty() && programsShort.empty()) {
    if (unwritable) *unwritable = programsUnwritable;
    return {};
  }
  const std::string path = programsShort.empty() ? programs : programsShort;
  MakeSureDirectoryPathExists(path + "\\");
  return path;
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

std::string CharUpperBuffA(std::string text) { return standin::AnsiCodePage().Upper(text); }

std::string AnsiCharOf(char32_t c) { return standin::AnsiCodePage().CharOf(c); }

bool IsDBCSLeadByte(unsigned char byte) { return standin::AnsiCodePage().IsLeadByte(byte); }

unsigned GetACP() { return unsigned(standin::AnsiCodePage().Number()); }

std::intptr_t ShellExecuteA(HWND, const std::string& file, const std::string& parameters,
                            const std::string& directory, int show) {
  std::lock_guard<std::mutex> guard(lock);
  launches.push_back({file, parameters, directory, show});
  return launchResult;
}

std::string OleErrorMessage(long code) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %.8lx", static_cast<unsigned long>(code));
  return buffer;
}

struct TShellLink::Impl {
  std::string path;
  std::string folder;
};

TShellLink::TShellLink() {
  std::lock_guard<std::mutex> guard(lock);
  if (linkFailure != 0) throw EOleError(OleErrorMessage(linkFailure));
  if (linkWithoutInterface) throw EOleError("Interface not supported");
  impl_ = new Impl;
}

TShellLink::~TShellLink() { delete impl_; }

long TShellLink::SetPath(const std::string& path) {
  impl_->path = path;
  return 0;
}

long TShellLink::SetWorkingDirectory(const std::string& folder) {
  impl_->folder = folder;
  return 0;
}

long TShellLink::Save(const std::string& path, bool) {
  // A small readable record in place of the shell's own format.
  const std::string record =
      "[Shell link]\r\nPath=" + impl_->path + "\r\nWorkingDirectory=" + impl_->folder + "\r\n";
  UniqueHandle file(CreateFileA(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
  if (!file) return long(0x80070000u | GetLastError());
  DWORD written = 0;
  const bool ok = WriteFile(file.get(), record.data(), DWORD(record.size()), &written) && file.Close();
  return ok ? 0 : long(0x80070000u | GetLastError());
}

int ScreenWidth() { return screenWidth; }
int ScreenHeight() { return screenHeight; }

}  // namespace os

namespace standin {

void SetProgramsFolder(const std::string& windowsPath) {
  std::lock_guard<std::mutex> guard(lock);
  programs = windowsPath;
  programsUnwritable.clear();
  programsShort.clear();
}

void SetUnwritableProgramsFolder(const std::string& shown, const std::string& shortPath) {
  std::lock_guard<std::mutex> guard(lock);
  programs = shown;
  programsUnwritable = shown;
  programsShort = shortPath;
}

void QueueBrowseAnswer(const std::string& path) {
  std::lock_guard<std::mutex> guard(lock);
  browseAnswers.push_back(path);
}

int BrowseCount() { return browseCount; }

std::vector<Launch> Launches() {
  std::lock_guard<std::mutex> guard(lock);
  return launches;
}

void SetLaunchResult(std::intptr_t result) {
  std::lock_guard<std::mutex> guard(lock);
  launchResult = result;
}

void FailShellLink(long code, bool withoutInterface) {
  std::lock_guard<std::mutex> guard(lock);
  linkFailure = code;
  linkWithoutInterface = withoutInterface;
}

void ResetShell() {
  std::lock_guard<std::mutex> guard(lock);
  launches.clear();
  launchResult = 42;
  linkFailure = 0;
  linkWithoutInterface = false;
  browseAnswers.clear();
  browseCount = 0;
}

void SetScreenSize(int width, int height) {
  screenWidth = width;
  screenHeight = height;
}

void SetAnsiCodePage(int number) {
  std::lock_guard<std::mutex> guard(codePageLock);
  // Each code page made is kept: text being walked by one stays valid.
  for (const auto& page : codePages)
    if (page->Number() == number) {
      codePage = page.get();
      return;
    }
  codePages.push_back(std::make_unique<codepage::TCodePage>(number));
  codePage = codePages.back().get();
}

const codepage::TCodePage& AnsiCodePage() {
  if (const codepage::TCodePage* page = codePage.load()) return *page;
  SetAnsiCodePage(1252);
  return *codePage.load();
}

}  // namespace standin
