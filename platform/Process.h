#pragma once
// Processes (kernel32): the program's own file, starting a program, waiting
// for one to end, and files that go at the next restart.
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/WinTypes.h"

namespace os {

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

// The full path of the running program, in the ANSI code page as
// GetCurrentDirectoryA gives folders.
std::string GetModuleFileNameA();
// The program's arguments, without the program itself.
std::vector<std::string> CommandLineArguments();
DWORD GetCurrentProcessId();
bool CopyFileA(const std::string& from, const std::string& to, bool failIfExists);
// Starts commandLine (the program in double quotes, then its arguments) in
// folder; false when it could not be started.
bool CreateProcessA(const std::string& commandLine, const std::string& folder);
// Waits until the process has ended (true), or milliseconds have passed.
bool WaitForProcessEnd(DWORD processId, DWORD milliseconds);

// A named mutex (CreateMutexA), held until the owner is destroyed: one
// program of a kind at a time. Only the system and administrators may open
// it. Held: made here. Taken: another program made it, with administrator
// rights. Squatted: the name cannot be had (another kind of object has it,
// or a mutex that an ordinary user made), or the call failed; Error() says
// why. Anything but Held means the program must not go on.
class TNamedMutex {
 public:
  enum class TState { Held, Taken, Squatted };
  explicit TNamedMutex(const std::string& name);
  ~TNamedMutex();
  TNamedMutex(const TNamedMutex&) = delete;
  TNamedMutex& operator=(const TNamedMutex&) = delete;
  bool Held() const { return state_ == TState::Held; }
  TState State() const { return state_; }
  DWORD Error() const { return error_; }

 private:
  std::string name_;
  UniqueHandle handle_;  // none on the stand-in
  TState state_ = TState::Squatted;
  DWORD error_ = 0;
};

// The window with this caption of another program, brought to the front
// (FindWindowA, SetForegroundWindow); false when there is none.
bool BringToFront(const std::string& caption);
// Renames from to to (a file to another name in the same folder; with
// MOVEFILE_REPLACE_EXISTING in place of the entry there, a link itself and
// never its target). With MOVEFILE_DELAY_UNTIL_REBOOT and an empty target:
// deleted at restart.
bool MoveFileExA(const std::string& from, const std::string& to, DWORD flags);

}  // namespace os
