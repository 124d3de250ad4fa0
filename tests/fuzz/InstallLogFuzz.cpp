// libFuzzer target: an earlier installation's Install.log, which anyone who
// could write the installation folder may have written. Read as Setup reads
// it at start-up and removes the installation by it, or as the uninstaller
// does, on a system with or without the calls that delete through handles.
// Neither may remove, nor even try to delete, anything outside the recorded
// installation folder and Start-menu folder (the links in them lead
// outside), nor write outside the installation folder.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Chars.h"
#include "engine/Unit_Logfile.h"
#include "trust/Unit_Paths.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/WinTypes.h"
#include "platform/standin/Standin.h"
#include "system/Unit_Uninstall.h"
#include "uninst/Uninstaller.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/Scratch.h"

namespace {

const std::string kDir = "C:\\Program Files\\Morvella";
const std::string kPrograms = fuzz::kPrograms;

// An installation, its shortcuts, and what lies around them.
void Scene(const std::string& log, int codePage) {
  fuzz::FreshStandin(codePage);
  standin::SetProgramsFolder(kPrograms);
  for (const char* file : {"Morvella.exe", "Uninst.exe", "Morvehlp.hlp", "Lists\\French.wdl",
                           "Lists\\Dutch.wdl"})
    fuzz::Put(kDir + "\\" + file);
  // Beside the installation and the Start-menu folder: files of the same
  // names, one step up.
  for (const char* file : {"Morvella\\Morvella.lnk", "Morvella\\Uninstall Morvella.lnk",
                           "Morvella.lnk", "Top.lnk", "Other\\Other.lnk"})
    fuzz::Put(kPrograms + "\\" + file);
  for (const char* file : {"C:\\Victim\\Keep.txt", "C:\\Victim\\Sub\\Keep.txt", "C:\\Victim2\\Keep.lnk",
                           "C:\\Program Files\\Other\\Other.exe",
                           "C:\\Program Files\\Morvella2\\Morvella.exe", "C:\\Program Files\\Morvella.exe",
                           "C:\\Keep.txt", "D:\\Keep.txt"})
    fuzz::Put(file);
  standin::PlaceLink(kDir + "\\Link", "C:\\Victim");
  standin::PlaceLink(kPrograms + "\\Morvella\\Away", "C:\\Victim2");
  WriteFileBytes(kDir + "\\Install.log", log);
}

// A Start-menu folder that stays inside the Programs folder: names, no
// way up, no drive.
bool Plain(const std::string& folder) {
  if (folder.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = SystemCharacters().Find(folder, '\\', start);  // by character
    const std::string name = folder.substr(start, end == std::string::npos ? end : end - start);
    if (name.empty() || name == "." || name == ".." || name.find_first_of(":/") != std::string::npos)
      return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The mode byte: Setup's removal or the uninstaller, on Vista and later or
  // on an older system, where checks by path are all that guard.
  const bool uninstaller = data[0] & 1;
  // The rest of it: the code page the log's names are read in.
  Scene(std::string(reinterpret_cast<const char*>(data + 1), size - 1), fuzz::CodePageOf(data[0] >> 2));
  standin::SimulatePreVista(data[0] & 2);
  fuzz::SceneSet();

  std::string progFolder;
  try {
    ReadProgramFolder(kDir + "\\Install.log", progFolder);
  } catch (const os::Exception&) {
    progFolder.clear();
  }
  std::vector<std::string> allowed = {kDir};
  // The Start-menu folder, and the folders it was made in: they go too
  // once empty.
  std::vector<std::string> onTheWay;
  if (Plain(progFolder)) {
    allowed.push_back(progFolder.empty() ? kPrograms : kPrograms + "\\" + progFolder);
    for (std::size_t at = 0; (at = FindBackslash(progFolder, at)) != std::string::npos; ++at)
      onTheWay.push_back(kPrograms + "\\" + progFolder.substr(0, at));
  }
  fuzz::WatchDeletions(allowed, onTheWay);
  if (uninstaller) {
    // The uninstaller's copy, told where the installation is; the user
    // answers Yes.
    standin::SetProgram("C:\\Temp\\Private\\Uninst.exe", {"/from", kDir, "1"});
    standin::SetMessageBoxResponder([](const standin::MessageBoxRecord&) { return os::IDYES; });
    UninstMain();
  } else {
    try {
      RemoveOldInstallation(kDir, progFolder);
    } catch (const os::Exception&) {
      // An unreadable log stops the removal; what matters is what it did.
    }
  }

  allowed.insert(allowed.end(), onTheWay.begin(), onTheWay.end());
  fuzz::CheckChanges(allowed, {kDir});
  return 0;
}
