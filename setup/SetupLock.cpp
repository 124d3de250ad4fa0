#include "setup/SetupLock.h"

#include "platform/Application.h"
#include "platform/Dialogs.h"

const char* const kSetupMutexName = "Global\\Morvella Setup";

std::unique_ptr<os::TNamedMutex> TakeSetupLock(const std::string& Text, const std::string& Caption) {
  auto lock = std::make_unique<os::TNamedMutex>(kSetupMutexName);
  if (lock->Held()) return lock;
  os::MessageBoxA(os::NO_WINDOW, Text, Caption, os::MB_OK | os::MB_ICONINFORMATION);
  // The wizard, or the uninstaller's question.
  for (const char* running : {"Morvella Setup", "Uninstall Morvella"}) os::BringToFront(running);
  return nullptr;
}
