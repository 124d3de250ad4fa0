#include <gtest/gtest.h>

#include "platform/Application.h"
#include "platform/Exceptions.h"

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

// A code the system has no text for: its eight hexadecimal digits, in
// lower case.
TEST(ErrorTextTest, OleErrorWithoutASystemTextIsItsCodeInLowerCase) {
  EXPECT_EQ(os::OleErrorMessage(long(0x8badf00du)), "OLE error 8badf00d");
  EXPECT_EQ(os::OleErrorMessage(long(0x0000beefu)), "OLE error 0000beef");
}

}  // namespace
