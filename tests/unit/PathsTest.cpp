#include <gtest/gtest.h>

#include "trust/Unit_Paths.h"

namespace {

struct StripCase {
  const char* path;
  const char* expected;
};

TEST(PathsTest, StripBackslashRemovesOneTrailingBackslashButKeepsDriveRoots) {
  const StripCase cases[] = {
      {"", ""},
      {"C:\\Apps\\", "C:\\Apps"},
      {"C:\\Apps", "C:\\Apps"},
      {"C:\\", "C:\\"},
      {"C:", "C:"},
      {"ab\\", "ab"},  // three characters, but not of the form x:\ .
      {"\\", ""},
      {"C:\\Apps\\\\", "C:\\Apps\\"},
      {"C:\\\\", "C:\\"},
      {"1:\\", "1:\\"},  // only the shape of a drive root counts
      {"::\\", "::\\"},
      {"\\:\\", "\\:\\"},
      {"C::\\", "C::"},  // four characters
  };
  for (const StripCase& c : cases)
    EXPECT_EQ(StripBackslash(c.path), c.expected) << "StripBackslash(\"" << c.path << "\")";
}

struct JoinCase {
  const char* folder;
  const char* name;
  const char* expected;
};

TEST(PathsTest, JoinPathPutsOneBackslashBetweenFolderAndName) {
  const JoinCase cases[] = {
      {"C:\\Apps", "Morvella", "C:\\Apps\\Morvella"},
      {"C:\\Apps\\", "Morvella", "C:\\Apps\\Morvella"},
      {"C:\\", "Install.log", "C:\\Install.log"},
      {"C:", "x", "C:\\x"},
      {"", "Install.log", "Install.log"},
      {"C:\\Apps", "", "C:\\Apps"},
      {"C:\\", "", "C:\\"},
      {"C:\\Apps", "Sub\\", "C:\\Apps\\Sub"},
      {"C:\\Apps", "\\x", "C:\\Apps\\\\x"},
      {"Accessories", "Morvella.lnk", "Accessories\\Morvella.lnk"},
      {"D:\\", "Uninst.exe", "D:\\Uninst.exe"},
  };
  for (const JoinCase& c : cases)
    EXPECT_EQ(JoinPath(c.folder, c.name), c.expected)
        << "JoinPath(\"" << c.folder << "\", \"" << c.name << "\")";
}

TEST(PathsTest, NothingButOneTrailingBackslashIsChanged) {
  EXPECT_EQ(JoinPath("C:/Apps", "x"), "C:/Apps\\x");  // "/" is no separator
  EXPECT_EQ(StripBackslash("C:\\a\\..\\b\\"), "C:\\a\\..\\b");
  EXPECT_EQ(StripBackslash("c:\\"), "c:\\");
}

TEST(PathsTest, BelowMeansInsideTheFolderNotBesideIt) {
  struct Case {
    const char* folder;
    const char* path;
    bool below;
  };
  const Case cases[] = {
      {"C:\\Apps", "C:\\Apps\\Morvella", true},   {"c:\\apps\\", "C:\\APPS\\x\\y", true},
      {"C:\\", "C:\\x", true},                     {"C:\\Apps", "C:\\Apps", false},
      {"C:\\Apps", "C:\\Apps2\\x", false},        {"C:\\Apps", "C:\\", false},
      {"", "C:\\x", false},                         {"D:\\Apps", "C:\\Apps\\x", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsBelow(c.folder, c.path), c.below) << c.folder << " / " << c.path;
}

}  // namespace
