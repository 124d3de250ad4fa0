// The code page a release was packed for, against the system's, before the wizard shows.
#include "setup/ReleaseCodePage.h"

#include "engine/VolumeCheck.h"
#include "platform/Chars.h"
#include "platform/Exceptions.h"

std::string CodePageLanguage(unsigned Number) {
  struct Known {
    unsigned number;
    const char* language;
  };
  static const Known known[] = {
      {874, "Thai"},          {932, "Japanese"},          {936, "Simplified Chinese"},
      {949, "Korean"},        {950, "Traditional Chinese"}, {1250, "Central European"},
      {1251, "Cyrillic"},     {1252, "Western European"}, {1253, "Greek"},
      {1254, "Turkish"},      {1255, "Hebrew"},           {1256, "Arabic"},
      {1257, "Baltic"},       {1258, "Vietnamese"},
  };
  for (const Known& k : known)
    if (k.number == Number) return k.language;
  return {};
}

namespace {
// "Japanese (code page 932)", or "code page 437" for one without a name.
std::string Named(unsigned Number) {
  const std::string language = CodePageLanguage(Number);
  const std::string page = "code page " + std::to_string(Number);
  return language.empty() ? page : language + " (" + page + ")";
}
}  // namespace

std::string ReleaseCodePageProblem() {
  TVolumeHashes hashes;
  try {
    hashes.Load();
  } catch (const os::EInOutError&) {
    return {};
  }
  const unsigned wanted = hashes.CodePage(), here = os::GetACP();
  if (wanted == 0 || wanted == here) return {};
  return "This Setup is for Windows in " + Named(wanted) + ", and this Windows uses " + Named(here) +
         ".  Nothing was changed.  Run the Setup made for your language.";
}
