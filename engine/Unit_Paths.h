#pragma once
// The two rules through which every folder and file path of the installer is
// formed: no trailing backslash, except on a drive root such as C:\.
#include <string>

// Path without one trailing backslash; a drive root ("x:\") keeps it.
std::string StripBackslash(const std::string& Path);

// Folder and Name with one backslash between them (none added when Folder is
// empty or already ends in one), then StripBackslash.
std::string JoinPath(const std::string& Folder, const std::string& Name);

// Whether the full path Path lies below the full path Folder, letters of any
// case (in the ANSI code page) alike.
bool IsBelow(const std::string& Folder, const std::string& Path);

// Whether Path is the root of a drive ("D:\\") or of a share
// ("\\\\server\\share"), with or without a trailing backslash.
bool IsRootFolder(const std::string& Path);
