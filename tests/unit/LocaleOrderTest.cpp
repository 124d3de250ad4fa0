#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace {

// Names whose order depends on the locale's rules; natively the stand-in's
// order, under Wine the real lstrcmpA: they must agree.
TEST(LocaleOrderTest, NamesSortLikeTheStartMenu) {
  std::vector<std::string> names = {"Games", "accessories", "Zeta", "alpha", "Alpha", "1st Aid",
                                    "_Tools", "My Tools", "Mytools", "co-op", "coop", "Beta"};
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return os::lstrcmpA(a, b) < 0; });
  const std::vector<std::string> expected = {"_Tools", "1st Aid", "accessories", "alpha", "Alpha",
                                             "Beta",   "coop",    "co-op",       "Games", "My Tools",
                                             "Mytools", "Zeta"};
  EXPECT_EQ(names, expected);
}

}  // namespace
