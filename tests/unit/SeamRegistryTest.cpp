// The registry calls behave as Windows' do on the cases the installer relies
// on. Runs against the stand-in natively and against Wine's advapi32.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "platform/Registry.h"

namespace {

using namespace os;

class SeamRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = "Software\\SetupSeamTest" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000);
  }
  void TearDown() override {
    // Deepest first: a key with subkeys cannot be deleted.
    for (const char* sub : {"\\A\\B\\C", "\\A\\B", "\\A", "\\Other", ""})
      RegDeleteKeyA(HKEY_CURRENT_USER, base_ + sub);
  }

  UniqueHKEY Create(const std::string& sub, DWORD* disposition = nullptr) {
    UniqueHKEY key;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_ + sub, 0, KEY_ALL_ACCESS, key.receive(),
                              disposition),
              ERROR_SUCCESS)
        << sub;
    return key;
  }
  static void SetText(HKEY key, const std::string& name, const std::string& text) {
    ASSERT_EQ(RegSetValueExA(key, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                             DWORD(text.size() + 1)),
              ERROR_SUCCESS);
  }

  std::string base_;
};

TEST_F(SeamRegistryTest, CreatedKeyIsOpenedAgainWithItsValues) {
  DWORD disposition = 0xdeadbeef;
  {
    UniqueHKEY key = Create("\\A\\B", &disposition);  // creates the missing A on the way
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    SetText(key.get(), "Name", "Morvella");
  }
  Create("\\A\\B", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

  UniqueHKEY key;
  // Names are not case-sensitive.
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, base_ + "\\a\\b", 0, KEY_ALL_ACCESS, key.receive()),
            ERROR_SUCCESS);
  DWORD type = 0xdeadbeef, size = 0;
  ASSERT_EQ(RegQueryValueExA(key.get(), "NAME", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 9u);
  std::uint8_t buffer[16];
  std::memset(buffer, 0xAB, sizeof buffer);
  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key.get(), "Name", &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 9u);
  EXPECT_STREQ(reinterpret_cast<char*>(buffer), "Morvella");
  EXPECT_EQ(buffer[9], 0xAB) << "wrote past the value";
}

TEST_F(SeamRegistryTest, MissingKeysAndValuesAreReportedAsNotFound) {
  UniqueHKEY key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, base_ + "\\Nowhere", 0, KEY_ALL_ACCESS, key.receive()),
            ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key);
  UniqueHKEY created = Create("");
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(created.get(), "Missing", nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(created.get(), "Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, base_ + "\\Nowhere"), ERROR_FILE_NOT_FOUND);
}

TEST_F(SeamRegistryTest, DefaultValueHasTheEmptyNameAndCountsAsAValue) {
  UniqueHKEY key = Create("\\A");
  DWORD subKeys = 99, values = 99;
  ASSERT_EQ(RegQueryInfoKeyA(key.get(), &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);

  SetText(key.get(), "", "Open");
  ASSERT_EQ(RegQueryInfoKeyA(key.get(), &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, 1u);
  char buffer[8] = {};
  DWORD size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key.get(), "", nullptr, reinterpret_cast<std::uint8_t*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "Open");

  EXPECT_EQ(RegDeleteValueA(key.get(), ""), ERROR_SUCCESS);
  ASSERT_EQ(RegQueryInfoKeyA(key.get(), &subKeys, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, 0u);
}

TEST_F(SeamRegistryTest, SmallBufferGivesMoreDataAndTheSizeNeeded) {
  UniqueHKEY key = Create("");
  SetText(key.get(), "Long", "C:\\Program Files\\Morvella\\Uninst.exe");
  std::uint8_t buffer[4];
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key.get(), "Long", nullptr, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 37u);
}

TEST_F(SeamRegistryTest, KeyWithSubkeysCannotBeDeletedButAnEmptyOneCan) {
  Create("\\A\\B");
  UniqueHKEY a = Create("\\A");
  DWORD subKeys = 0;
  ASSERT_EQ(RegQueryInfoKeyA(a.get(), &subKeys, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 1u);
  EXPECT_NE(RegDeleteKeyA(HKEY_CURRENT_USER, base_ + "\\A"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(a.get(), "B"), ERROR_SUCCESS);  // relative to an open key
  UniqueHKEY gone;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, base_ + "\\A\\B", 0, KEY_ALL_ACCESS, gone.receive()),
            ERROR_FILE_NOT_FOUND);
  a.reset();
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, base_ + "\\A"), ERROR_SUCCESS);
}

TEST_F(SeamRegistryTest, ValueOfAnotherNameOrKindIsLeftAlone) {
  UniqueHKEY key = Create("");
  SetText(key.get(), "DisplayName", "Old");
  const std::uint8_t number[4] = {1, 0, 0, 0};
  ASSERT_EQ(RegSetValueExA(key.get(), "Count", REG_DWORD, number, 4), ERROR_SUCCESS);
  SetText(key.get(), "displayname", "Morvella");  // replaces, whatever the case
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key.get(), nullptr, &values), ERROR_SUCCESS);
  EXPECT_EQ(values, 2u);
  DWORD type = 0, size = 4;
  std::uint8_t out[4] = {};
  ASSERT_EQ(RegQueryValueExA(key.get(), "Count", &type, out, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(out[0], 1);
}

}  // namespace
