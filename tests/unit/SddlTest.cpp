// The SDDL reader and the decision built on it: who besides administrators,
// the system and the trusted installer may change a folder.
#include <gtest/gtest.h>

#include "platform/Sddl.h"

namespace {

struct RightsCase {
  const char* what;
  const char* text;
  bool othersCanChange;
};

TEST(SddlTest, OthersWhoMayChangeAreFoundByEntryAndByOwner) {
  const char* const installer = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  const std::string programFiles =
      std::string("O:") + installer + "G:" + installer + "D:PAI(A;;FA;;;" + installer +
      ")(A;OICIIO;GA;;;" + installer +
      ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
      "(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)";
  const RightsCase cases[] = {
      {"Setup's own rights", "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", false},
      {"Program Files as Windows 10 has it", programFiles.c_str(), false},
      {"a drive's root", "O:SYD:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;CI;LCSW;;;AU)"
                         "(A;OICIIO;SDGXGWGR;;;AU)", true},
      {"owned by a user", "O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;BA)", true},
      {"everyone may add files", "O:BAD:(A;;0x2;;;WD)", true},
      {"users may delete", "O:BAD:(A;;SD;;;BU)", true},
      {"users may change the rights", "O:BAD:(A;;WD;;;BU)", true},
      {"only a deny entry for everyone", "O:BAD:(D;;FA;;;WD)", false},
  };
  for (const RightsCase& c : cases) {
    SCOPED_TRACE(c.what);
    sddl::Descriptor d;
    ASSERT_TRUE(sddl::Parse(c.text, d));
    EXPECT_EQ(sddl::OthersCanChange(d), c.othersCanChange);
    // What Format writes reads back the same.
    sddl::Descriptor again;
    ASSERT_TRUE(sddl::Parse(sddl::Format(d), again));
    EXPECT_EQ(sddl::Format(again), sddl::Format(d));
  }
}

TEST(SddlTest, TextItCannotVouchForIsRefused) {
  sddl::Descriptor d;
  for (const char* text : {"D:NO_ACCESS_CONTROL", "O:BAD:(A;;ZZ;;;BA)", "O:BAD:(X;;FA;;;BA)",
                           "O:BAD:(A;;FA;;BA)", "O:BAD:(A;;FA;;;BA", "nonsense"})
    EXPECT_FALSE(sddl::Parse(text, d)) << text;
}

TEST(SddlTest, NewEntriesInheritWhatTheirFolderPassesOn) {
  sddl::Descriptor parent;
  ASSERT_TRUE(sddl::Parse("O:BAD:P(A;OICI;FA;;;BA)(A;OI;0x1;;;BU)(A;CI;0x4;;;AU)(A;;0x2;;;WD)", parent));
  const sddl::Descriptor folder = sddl::Inherited(parent, true, "BA");
  const sddl::Descriptor file = sddl::Inherited(parent, false, "BA");
  EXPECT_EQ(sddl::Format(folder), "O:BAD:(A;OICIID;0x1f01ff;;;BA)(A;OIIOID;0x1;;;BU)(A;CIID;0x4;;;AU)");
  EXPECT_EQ(sddl::Format(file), "O:BAD:(A;ID;0x1f01ff;;;BA)(A;ID;0x1;;;BU)");
}

}  // namespace
