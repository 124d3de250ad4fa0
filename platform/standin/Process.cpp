// Processes on the stand-in: the program is the test, started programs are
// recorded.
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/standin/FileSystem.h"
#include "platform/standin/Standin.h"

#include <map>
#include <mutex>
#include <set>

namespace {
std::mutex lock;
std::string moduleFile = "C:\\Program Files\\Morvella\\Uninst.exe";
std::vector<std::string> arguments;
std::vector<std::string> started;
std::vector<std::string> atRestart;
std::multiset<std::string> mutexes;  // the names open, once a handle
std::vector<std::string> broughtToFront;
std::map<std::string, os::DWORD> squatted;  // name -> the error CreateMutexA gives
std::set<std::string> otherWindows;          // captions of another program's windows
}  // namespace

namespace os {

std::string GetModuleFileNameA() {
  std::lock_guard<std::mutex> guard(lock);
  return moduleFile;
}

std::vector<std::string> CommandLineArguments() {
  std::lock_guard<std::mutex> guard(lock);
  return arguments;
}

DWORD GetCurrentProcessId() { return 4242; }

bool CopyFileA(const std::string& from, const std::string& to, bool failIfExists) {
  const UniqueHandle in(CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  if (!in) return false;
  UniqueHandle out(CreateFileA(to, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS));
  bool ok = bool(out);
  char buffer[65536];
  DWORD n = 0;
  while (ok && ReadFile(in.get(), buffer, sizeof buffer, &n) && n > 0) {
    DWORD written = 0;
    ok = WriteFile(out.get(), buffer, n, &written) && written == n;
  }
  return out.Close() && ok;
}

bool CreateProcessA(const std::string& commandLine, const std::string& folder) {
  std::lock_guard<std::mutex> guard(lock);
  started.push_back(commandLine + " (in " + folder + ")");
  return true;
}

bool WaitForProcessEnd(DWORD, DWORD) { return true; }

TNamedMutex::TNamedMutex(const std::string& name) : name_(name) {
  std::lock_guard<std::mutex> guard(lock);
  if (squatted.count(name)) {
    state_ = TState::Squatted;
    error_ = squatted[name];
  } else {
    state_ = mutexes.count(name) == 0 ? TState::Held : TState::Taken;
    error_ = state_ == TState::Held ? 0 : DWORD(ERROR_ALREADY_EXISTS);
  }
  mutexes.insert(name);
}

TNamedMutex::~TNamedMutex() {
  std::lock_guard<std::mutex> guard(lock);
  mutexes.erase(mutexes.find(name_));
}

bool BringToFront(const std::string& caption) {
  std::lock_guard<std::mutex> guard(lock);
  if (!otherWindows.count(caption)) return false;
  broughtToFront.push_back(caption);
  return true;
}

bool MoveFileExA(const std::string& from, const std::string& to, DWORD flags) {
  if (!(flags & MOVEFILE_DELAY_UNTIL_REBOOT))
    return hostfs::MoveEntry(from, to, (flags & MOVEFILE_REPLACE_EXISTING) != 0);
  std::lock_guard<std::mutex> guard(lock);
  if (to.empty()) atRestart.push_back(from);
  return true;
}

}  // namespace os

namespace standin {

void SetProgram(const std::string& moduleFileName, std::vector<std::string> args) {
  std::lock_guard<std::mutex> guard(lock);
  moduleFile = moduleFileName;
  arguments = std::move(args);
  started.clear();
  atRestart.clear();
  broughtToFront.clear();
  squatted.clear();
  otherWindows.clear();
}

void ShowOtherProgramWindow(const std::string& caption) {
  std::lock_guard<std::mutex> guard(lock);
  otherWindows.insert(caption);
}

void SquatMutex(const std::string& name, os::DWORD error) {
  std::lock_guard<std::mutex> guard(lock);
  squatted[name] = error;
}

std::vector<std::string> StartedPrograms() {
  std::lock_guard<std::mutex> guard(lock);
  return started;
}

std::vector<std::string> DeletedAtRestart() {
  std::lock_guard<std::mutex> guard(lock);
  return atRestart;
}

std::vector<std::string> BroughtToFront() {
  std::lock_guard<std::mutex> guard(lock);
  return broughtToFront;
}

}  // namespace standin
