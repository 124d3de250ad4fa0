#pragma once
// Setup and the uninstaller, one at a time: two elevated programs must
// never write and remove the same folders at once. Each holds one named
// mutex from its start to its end.
#include <memory>
#include <string>

#include "platform/Process.h"

// The mutex's name, in the global namespace so that it also covers the
// programs of another user's session.
extern const char* const kSetupMutexName;

// Holds the mutex. When another program already holds it: brings that
// program's window to the front where it has one, says which program runs
// in a box captioned Caption with OK ("Setup is already running.", "The
// uninstaller of Morvella is already running.", or, with no window to tell
// by, "Morvella Setup or its uninstaller is already running."), and returns
// null; nothing is written. When the name is squatted (see TNamedMutex) it
// says so, in the same box, and returns null.
std::unique_ptr<os::TNamedMutex> TakeSetupLock(const std::string& Caption);
