// libFuzzer target: payload volumes, extracted by the installer's own steps
// in the worker's order (on this thread). The input is a control byte, then
// volumes cut by "#VOL#", each a volume-number byte and the volume's bytes:
// chains of any length and order, trailers naming any volume, and (chosen by
// the control byte) a program that carries the volumes' digests, or lacks
// one of them. A missing disk is asked for once, then Setup is left.
// Whatever the bytes, nothing may crash, nothing be written outside the
// target folder, and every file in the target must be listed by the log.
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_ExitForm.h"
#include "engine/Unit_ExtractForm.h"
#include "engine/Unit_ExtractThread.h"
#include "engine/Unit_Logfile.h"
#include "platform/Files.h"
#include "platform/Hash.h"
#include "platform/Shell.h"
#include "platform/WinTypes.h"
#include "platform/standin/Standin.h"
#include "resources/ResourceIds.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace {

const std::string kVolumes = "C:\\Fuzz\\Volumes";
const std::string kTarget = "C:\\Fuzz\\Target";
constexpr std::size_t kMostFuzzedVolumes = 16;

std::set<std::string> LoggedEntries() {
  std::set<std::string> names;
  const std::string log = ReadFileBytes(kTarget + "\\Install.log");
  const std::string marker = "{program files}\r\n";
  std::size_t at = log.find(marker);
  if (at == std::string::npos) return names;
  at += marker.size();
  for (std::size_t end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2) {
    if (end == at) break;
    names.insert(os::CharUpperBuffA(log.substr(at, end - at)));
  }
  return names;
}

// The list a release build carries, in blocks small enough that a
// volume has several.
std::string DigestList(const std::map<int, std::string>& volumes, bool leaveOutLast) {
  std::string list;
  for (auto it = volumes.begin(); it != volumes.end(); ++it) {
    if (leaveOutLast && std::next(it) == volumes.end()) break;
    list += VolumeDigestLine(it->first, it->second, 64);
  }
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  fuzz::FreshStandin(fuzz::CodePageOf(data[0] / 3));
  os::MakeSureDirectoryPathExists(kVolumes + "\\");
  os::CreateDirectoryA(kTarget);

  std::map<int, std::string> volumes;
  const std::vector<std::string> parts = fuzz::Split(data + 1, size - 1, "#VOL#");
  for (std::size_t i = 0; i < parts.size() && i < kMostFuzzedVolumes; ++i)
    if (!parts[i].empty() && parts[i][0] != 0)
      volumes[static_cast<unsigned char>(parts[i][0])] = parts[i].substr(1);
  for (const auto& [number, bytes] : volumes) WriteFileBytes(kVolumes + "\\" + VolumeFileName(number), bytes);
  const unsigned list = data[0] % 3;  // none, every volume's digest, all but the last (the rest: the code page)
  standin::SetRcData(IDR_VOLUME_HASHES, list ? DigestList(volumes, list == 2) : std::string());
  os::SetCurrentDirectoryA(kVolumes);
  fuzz::SceneSet();

  // A missing disk: OK once, then Cancel, and leaving is confirmed.
  int prompts = 0;
  standin::SetMessageBoxResponder([&prompts](const standin::MessageBoxRecord& box) {
    return box.Caption == "Change disk" && prompts++ > 0 ? os::IDCANCEL : os::IDOK;
  });
  standin::SetModalResponder([](ui::TForm& form) { form.SetModalResult(os::IDCANCEL); });
  {
    static TExitForm exitForm;
    static TExtractForm extractForm;
    ExitForm = &exitForm;
    ExtractForm = &extractForm;
    ExitConfirmed = false;
    try {
      TLogFile log(kTarget, "Morvella");
      ExtractPars = TExtractPars();
      ExtractPars.LogFile = &log;
      ExtractPars.InstallDir = kTarget;
      try {
        const auto going = [] { return false; };
        RunExtractionSteps(extractForm, [](void (*step)()) { step(); }, going,
                           [&] { return WaitForCheckedBlock(going); });
      } catch (const std::exception&) {
        // Damage and missing volumes end the extraction, as they should.
      }
      EndExtraction();
    } catch (const std::exception&) {
      // The log could not be made: nothing is extracted.
    }
  }
  standin::SetMessageBoxResponder(nullptr);
  standin::SetModalResponder(nullptr);

  const std::vector<std::string> made = fuzz::CheckChanges({}, {kTarget});
  const std::set<std::string> logged = LoggedEntries();
  for (const std::string& path : made) {
    if (os::GetFileAttributesA(path) & os::FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string name = path.substr(kTarget.size() + 1);
    // Names are one file whatever their case, as on Windows.
    if (name != "Install.log" && !logged.count(os::CharUpperBuffA(name))) fuzz::Broken("not in the log: " + name);
  }
  return 0;
}
