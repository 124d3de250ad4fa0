#pragma once
// The one home for taking paths apart. Every folder and file path of the
// installer is formed by two rules: no trailing backslash, except on a drive
// root such as C:\. Paths are ANSI text in the system's code page and are
// walked by character (platform/Chars.h): in a double-byte code page the
// second byte of a character may be a backslash's.
#include <string>
#include <utility>
#include <vector>

#include "platform/Chars.h"

// Path without one trailing backslash; a drive root ("x:\") keeps it.
std::string StripBackslash(const std::string& Path);

// Folder and Name with one backslash between them (none added when Folder is
// empty or already ends in one), then StripBackslash.
std::string JoinPath(const std::string& Folder, const std::string& Name);

// Whether the last character of Path is a backslash.
bool EndsWithBackslash(const std::string& Path);

// Where the first backslash at or after From, or the last one, stands in
// Path; npos when there is none.
std::size_t FindBackslash(const std::string& Path, std::size_t From = 0);
std::size_t LastBackslash(const std::string& Path);

// The part of Path before its last backslash, and the part after it; the
// folder is empty and the name all of Path when it has no backslash.
std::string FolderOfPath(const std::string& Path);
std::string NameOfPath(const std::string& Path);

// Path up to and including its last "\" or ":" (the folder a program is
// started in); empty when it has neither.
std::string FolderWithSeparator(const std::string& Path);

// The levels of a relative path, split at its backslashes (empty levels
// kept, so that a caller can refuse them), and where each backslash of
// Path stands: by character in the system's code page (in another's:
// platform/Chars.h).
std::vector<std::string> PathLevels(const std::string& Path);
std::vector<std::size_t> BackslashesOf(const std::string& Path);

// The levels of the relative path Rest below Base as full paths, the top
// first: Base\A, Base\A\B, ..., Base\Rest; none when Rest is empty. The one
// walk over a path's levels.
std::vector<std::string> LevelsBelow(const std::string& Base, const std::string& Rest);

// Path upper-cased as the file system compares names (CharUpperBuffA):
// letters of the code page, never a trail byte on its own.
std::string UpperPath(const std::string& Path);

// Whether the full path Path lies below the full path Folder, letters of any
// case (in the ANSI code page) alike.
bool IsBelow(const std::string& Folder, const std::string& Path);

// Whether Path is the root of a drive ("D:\\") or of a share
// ("\\\\server\\share"), with or without a trailing backslash, judged by its
// shape.
bool IsRootFolder(const std::string& Path);

// Whether Path is given from a drive ("C:\...", a letter) or a share
// ("\\server\share...", both named), not relative to the current folder.
bool IsAbsoluteFolder(const std::string& Path);

// Whether A and B name the same folder (full paths, letters of any case).
bool SameFolder(const std::string& A, const std::string& B);

// Whether Path names an existing folder, or an existing file.
bool FolderExists(const std::string& Path);
bool FileExists(const std::string& Path);

// The deepest existing folder on Path, and the missing rest below it.
std::pair<std::string, std::string> SplitExistingPath(const std::string& Path);
