// libFuzzer target: the uninstaller's command line, which whoever starts
// it chooses. Arguments are the input cut at 0x00 bytes. Only the form the
// uninstaller writes for its own copy ("/from FOLDER PID", the folder
// absolute) is taken; anything else is refused with its message and
// nothing is removed. Taken or not, nothing outside the installation and
// its Start-menu folder goes.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/WinTypes.h"
#include "platform/standin/Standin.h"
#include "uninst/Uninstaller.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/Scratch.h"

namespace {

const std::string kDir = "C:\\Program Files\\Morvella";
const std::string kPrograms = fuzz::kPrograms;
const char* const kRefused =
    "Morvella cannot be removed: the uninstaller was started with a command line it does not "
    "understand.  Nothing was removed.";

bool Digits(const std::string& text) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return std::stoull(text) <= 0xFFFFFFFFull;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = size ? fuzz::Split(data, size, std::string(1, '\0')) : std::vector<std::string>();
  if (args.size() > 8) return 0;

  fuzz::FreshStandin();
  standin::SetProgramsFolder(kPrograms);
  for (const char* file : {"Morvella.exe", "Uninst.exe", "Lists\\French.wdl"}) fuzz::Put(kDir + "\\" + file);
  for (const char* file : {"Morvella\\Morvella.lnk", "Other\\Other.lnk"}) fuzz::Put(kPrograms + "\\" + file);
  for (const char* file : {"C:\\Victim\\Keep.txt", "C:\\Victim\\Install.log", "D:\\Install.log", "C:\\Keep.txt"})
    fuzz::Put(file);
  const std::string log =
      "*** Don't change or delete this file ***\r\n\r\n{program folder}\r\nMorvella\r\n\r\n"
      "{program files}\r\nMorvella.exe\r\nUninst.exe\r\nLists\\French.wdl\r\n\r\n"
      "{program folder files}\r\nMorvella.lnk\r\n\r\n";
  WriteFileBytes(kDir + "\\Install.log", log);
  // Another installation's record, which a command line could point at.
  WriteFileBytes("C:\\Victim\\Install.log", log);
  fuzz::SceneSet();

  const bool ownForm = args.size() == 3 && args[0] == "/from" && fuzz::Absolute(args[1]) && Digits(args[2]);
  // Whatever folder the command line named, only a recorded installation
  // and its shortcuts may go.
  std::vector<std::string> allowed = {kDir, kPrograms + "\\Morvella"};
  if (ownForm) allowed.push_back(args[1]);
  fuzz::WatchDeletions(allowed);

  // The installed uninstaller, started with these arguments; Yes to all.
  standin::SetProgram(kDir + "\\Uninst.exe", args);
  standin::SetMessageBoxResponder([](const standin::MessageBoxRecord&) { return os::IDYES; });
  UninstMain();
  standin::SetMessageBoxResponder(nullptr);

  const bool refused = !standin::MessageBoxes().empty() && standin::MessageBoxes().back().Text == kRefused;
  if (!args.empty() && !ownForm) {
    if (!refused) fuzz::Broken("a command line not its own was taken");
    fuzz::CheckChanges({}, {});  // nothing removed
  }
  if (ownForm && refused) fuzz::Broken("its own command line was refused");
  std::vector<std::string> writable = allowed;
  // The installed one runs from a private copy, in the system's temporary
  // folder: never in the user's own.
  if (args.empty()) writable.push_back(os::GetSystemTempPathA());
  fuzz::CheckChanges(allowed, writable);
  return 0;
}
