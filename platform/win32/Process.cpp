// Processes on Windows: the program's own name and arguments, copies, starts, waits and named mutexes.
#include "platform/win32/WinApi.h"

#include <aclapi.h>
#include <sddl.h>
#include <shellapi.h>

namespace os {

std::string GetModuleFileNameA() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const ::DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? win32::AnsiPath(buffer) : std::string();
}

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  for (int i = 1; wide && i < count; ++i) {
    const int n = ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(std::size_t(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    arg.resize(arg.find('\0'));
    args.push_back(arg);
  }
  if (wide) ::LocalFree(wide);
  return args;
}

DWORD GetCurrentProcessId() { return ::GetCurrentProcessId(); }

bool CopyFileA(const std::string& from, const std::string& to, bool failIfExists) {
  return ::CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
}

bool CreateProcessA(const std::string& commandLine, const std::string& folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string line = commandLine;
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
    return false;
  // Not waited for: both go at once.
  const win32::UniqueKernelHandle thread(process.hThread), started(process.hProcess);
  return true;
}

bool WaitForProcessEnd(DWORD processId, DWORD milliseconds) {
  const win32::UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
  if (!process) return true;  // already gone
  return ::WaitForSingleObject(process.get(), milliseconds) == WAIT_OBJECT_0;
}

bool MoveFileExA(const std::string& from, const std::string& to, DWORD flags) {
  return ::MoveFileExA(from.c_str(), to.empty() ? nullptr : to.c_str(), flags) != FALSE;
}

TNamedMutex::TNamedMutex(const std::string& name) : name_(name) {
  // Nobody but the system and administrators may open it, so no ordinary
  // user can hold it or end it.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)",
                                                              SDDL_REVISION_1, &descriptor, nullptr)) {
    error_ = ::GetLastError();
    return;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
  const ::HANDLE mutex = ::CreateMutexA(&attributes, FALSE, name.c_str());
  const ::DWORD error = ::GetLastError();
  ::LocalFree(descriptor);
  if (mutex) handle_.reset(HANDLE(reinterpret_cast<std::uintptr_t>(mutex)));
  error_ = mutex && error != ERROR_ALREADY_EXISTS ? 0 : error;
  if (mutex && error != ERROR_ALREADY_EXISTS) {
    state_ = TState::Held;
  } else if (mutex) {
    // Another Setup's (made with administrator rights), or a user's that
    // only looks like one.
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR found = nullptr;
    const bool read = ::GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                        nullptr, nullptr, nullptr, &found) == ERROR_SUCCESS;
    bool trusted = false;
    for (WELL_KNOWN_SID_TYPE type : {WinBuiltinAdministratorsSid, WinLocalSystemSid})
      trusted = trusted || (read && owner && ::IsWellKnownSid(owner, type));
    if (found) ::LocalFree(found);
    state_ = trusted ? TState::Taken : TState::Squatted;
  } else {
    // Denied: made with rights that shut administrators out, which a Setup
    // never does. ERROR_INVALID_HANDLE: an event or another kind of object
    // has the name.
    state_ = TState::Squatted;
  }
}

TNamedMutex::~TNamedMutex() = default;

bool BringToFront(const std::string& caption) {
  ::HWND window = ::FindWindowA(nullptr, caption.c_str());
  if (!window) return false;
  if (::IsIconic(window)) ::ShowWindow(window, SW_RESTORE);
  ::SetForegroundWindow(window);
  return true;
}

}  // namespace os
