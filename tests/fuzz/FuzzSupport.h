#pragma once
// What the fuzz targets share: the stand-in's files kept in memory, the
// scene's files listed, and invariants that abort the run when broken.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// Prints "invariant broken: what" and aborts, so that libFuzzer keeps the
// input.
[[noreturn]] void Broken(const std::string& what);

// A fresh stand-in with its files in memory: empty drives C: and D:, and
// the system's ANSI code page codePage.
void FreshStandin(int codePage = 1252);

// The code page that bits of an input choose: Western, or one of the
// double-byte ones, where a second byte may be "\", "|" or a letter.
int CodePageOf(unsigned bits);

// The user's Start-menu Programs folder in the scenes.
extern const char* const kPrograms;

// Makes the file path, and the folders it lies in, for a scene.
void Put(const std::string& path);

// Forgets the changes made so far: the scene is set.
void SceneSet();

// Whether path lies below folder, as Windows compares names.
bool Inside(const std::string& path, const std::string& folder);

// The changes since the scene was set: breaks when an entry that is gone
// lies in none of removable, or one made or written lies in none of
// writable. Returns the entries made or written that are there now.
std::vector<std::string> CheckChanges(const std::vector<std::string>& removable,
                                      const std::vector<std::string>& writable);

// From now on until the next fresh stand-in, breaks as soon as anything is
// about to be deleted, by its path or through a handle, whose path does not
// lie in one of folders and is none of entries: an attempt counts, whether
// or not the entry is there.
void WatchDeletions(const std::vector<std::string>& folders, const std::vector<std::string>& entries = {});

// The input cut at each occurrence of separator.
std::vector<std::string> Split(const std::uint8_t* data, std::size_t size, const std::string& separator);

// Whether a path names a place independently of the current folder: "X:\..."
// with a drive letter, or "\\server\share..." with both named.
bool Absolute(const std::string& path);

}  // namespace fuzz
