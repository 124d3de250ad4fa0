#include <gtest/gtest.h>

#include "platform/Application.h"

namespace {

struct Case {
  const char* message;
  const char* shown;
};

TEST(ErrorTextTest, FullStopIsAddedOnlyAfterCharactersThatSortAfterIt) {
  const Case cases[] = {
      {"Disk full", "Disk full."},
      {"Done.", "Done."},
      {"Failed to set data for ''", "Failed to set data for ''"},  // ' sorts before .
      {"Failed to set data for 'DisplayName'", "Failed to set data for 'DisplayName'"},
      {"Error (5)", "Error (5)"},
      {"Really!", "Really!"},
      {"Oops -", "Oops -"},  // '-' is 0x2D, just below '.'
      {"Path /", "Path /."},  // '/' is 0x2F, just above '.'
      {"Error 5", "Error 5."},
      {"Stop:", "Stop:."},
      {"", ""},
      {"Caf\xE9", "Caf\xE9."},  // bytes above 0x7F compare unsigned
  };
  for (const Case& c : cases) EXPECT_EQ(os::ErrorMessageText(c.message), c.shown) << c.message;
}

}  // namespace
