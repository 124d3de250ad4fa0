#pragma once
// A release is packed for one ANSI code page: the names in its volumes are
// bytes of that code page, and Windows with another one would read other
// characters (a name refused halfway through, with files already written).
#include <string>

// The language of Windows' ANSI code page Number ("Japanese" for 932), or
// empty for one Setup does not know by name.
std::string CodePageLanguage(unsigned Number);

// Why this Setup must not go on here, or empty: it is a release that names
// the code page it was packed for, and this Windows uses another. An
// ordinary Setup.exe (no list) and a list that cannot be read say nothing
// here; the copy reports the latter.
std::string ReleaseCodePageProblem();
