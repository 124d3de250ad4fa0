// libFuzzer target: arbitrary bytes as a set of payload volumes, extracted
// by the installer's reader. Whatever the bytes, it must not crash, and must
// write nothing outside its target folder nor leave a file there that the
// install log does not list.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "engine/Unit_DataFile.h"
#include "engine/Unit_Logfile.h"
#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/standin/Standin.h"
#include "tests/support/Scratch.h"
#include "tests/support/Volumes.h"

namespace fs = std::filesystem;

namespace {

const std::string kVolumes = "C:\\Fuzz\\Volumes";
const std::string kTarget = "C:\\Fuzz\\Target";

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

std::set<std::string> LoggedEntries() {
  std::set<std::string> names;
  const std::string log = ReadFileBytes(kTarget + "\\Install.log");
  const std::string marker = "{program files}\r\n";
  std::size_t at = log.find(marker);
  if (at == std::string::npos) return names;
  at += marker.size();
  for (std::size_t end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2) {
    if (end == at) break;
    names.insert(log.substr(at, end - at));
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  RemoveTree("C:\\Fuzz");
  os::MakeSureDirectoryPathExists(kVolumes + "\\");
  os::CreateDirectoryA(kTarget);

  // The first byte chooses the step, the second how the rest is cut into
  // up to four volumes.
  const std::int32_t step = 1 + data[0] % 64;
  const std::size_t parts = 1 + data[1] % 4;
  const std::string rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t each = rest.size() / parts + 1;
  for (std::size_t i = 0; i < parts && i * each <= rest.size(); ++i)
    WriteFileBytes(kVolumes + "\\" + VolumeFileName(int(i + 1)), rest.substr(i * each, each));

  try {
    TLogFile log(kTarget, "Morvella");
    log.BeginProgramFiles();
    ExtractAll(kVolumes, kTarget, log, step);
  } catch (const std::exception&) {
    // Refusals and missing volumes end the extraction, as they should.
  }
  ResetDataFileState();

  // Nothing outside C:\Fuzz (and the stand-in's own C:\Temp).
  const fs::path root = standin::HostRoot();
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).generic_string();
    if (relative != "C" && relative != "C/Temp" && relative.rfind("C/Fuzz", 0) != 0)
      Fail("written outside: " + relative);
  }
  // Every file in the target is listed in the log.
  const std::set<std::string> logged = LoggedEntries();
  const fs::path target = standin::HostPath(kTarget);
  for (const auto& item : fs::recursive_directory_iterator(target)) {
    if (item.is_directory()) continue;
    std::string name = fs::relative(item.path(), target).generic_string();
    for (char& c : name)
      if (c == '/') c = '\\';
    if (name != "Install.log" && !logged.count(name)) Fail("not in the log: " + name);
  }
  return 0;
}
