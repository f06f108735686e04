// Registry calls as Windows answers them; the same expectations hold on the
// simulated machine and under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "conformance_environment.h"

namespace {

class RegistryConformanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_env = conformance::MakeEnvironment();
    Wipe();
    platform::DWORD disposition = 0;
    ASSERT_EQ(reg().RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &m_key,
                                    &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<platform::DWORD>(REG_CREATED_NEW_KEY));
  }
  void TearDown() override {
    if (m_key != nullptr) reg().RegCloseKey(m_key);
    Wipe();
    m_env.reset();
  }
  static platform::IRegistry& reg() { return conformance::Interfaces().Registry(); }
  // Removes the scratch tree leaf first, which works on every system.
  void Wipe() {
    for (const char* k : {"SetupConformance\\A\\B\\C", "SetupConformance\\A\\B", "SetupConformance\\A",
                          "SetupConformance\\Z", "SetupConformance"}) {
      platform::HKEY software = nullptr;
      if (reg().RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &software) == ERROR_SUCCESS) {
        reg().RegDeleteKeyA(software, k);
        reg().RegCloseKey(software);
      }
    }
  }
  static constexpr const char* kScratch = "Software\\SetupConformance";
  std::unique_ptr<conformance::Environment> m_env;
  platform::HKEY m_key = nullptr;
};

TEST_F(RegistryConformanceTest, KeysOpenWithoutRegardToCase) {
  platform::HKEY again = nullptr;
  platform::DWORD disposition = 0;
  ASSERT_EQ(reg().RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\setupconformance", REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, &again, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<platform::DWORD>(REG_OPENED_EXISTING_KEY));
  reg().RegCloseKey(again);

  platform::HKEY missing = reinterpret_cast<platform::HKEY>(1);
  EXPECT_EQ(reg().RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\SetupConformance\\Nope", 0, KEY_ALL_ACCESS, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);

  // Creating a path makes every missing key along it.
  platform::HKEY deep = nullptr;
  ASSERT_EQ(reg().RegCreateKeyExA(m_key, "A\\B\\C", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &deep, &disposition),
            ERROR_SUCCESS);
  reg().RegCloseKey(deep);
  ASSERT_EQ(reg().RegOpenKeyExA(m_key, "a\\b", 0, KEY_ALL_ACCESS, &deep), ERROR_SUCCESS);
  reg().RegCloseKey(deep);
}

TEST_F(RegistryConformanceTest, ValuesKeepTypeAndSizeAsWritten) {
  const char text[] = "C:\\Program Files\\Halvion";
  ASSERT_EQ(reg().RegSetValueExA(m_key, "Path", REG_SZ, reinterpret_cast<const platform::BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  const platform::BYTE bytes[] = {0, 1, 2, 0xFF};
  ASSERT_EQ(reg().RegSetValueExA(m_key, "Bytes", REG_BINARY, bytes, sizeof bytes), ERROR_SUCCESS);
  const platform::BYTE number[] = {0x78, 0x56, 0x34, 0x12};
  ASSERT_EQ(reg().RegSetValueExA(m_key, "Number", REG_DWORD, number, sizeof number), ERROR_SUCCESS);

  platform::DWORD type = 0, size = 0;
  ASSERT_EQ(reg().RegQueryValueExA(m_key, "PATH", &type, nullptr, &size), ERROR_SUCCESS) << "size only";
  EXPECT_EQ(type, static_cast<platform::DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof text);

  char small[4] = {};
  size = sizeof small;
  EXPECT_EQ(reg().RegQueryValueExA(m_key, "Path", &type, reinterpret_cast<platform::BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, sizeof text) << "the size needed";

  platform::BYTE read[16] = {};
  size = sizeof read;
  ASSERT_EQ(reg().RegQueryValueExA(m_key, "Bytes", &type, read, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<platform::DWORD>(REG_BINARY));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::memcmp(read, bytes, 4), 0);
  size = sizeof read;
  ASSERT_EQ(reg().RegQueryValueExA(m_key, "Number", &type, read, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<platform::DWORD>(REG_DWORD));
  EXPECT_EQ(read[3], 0x12);

  // Writing again replaces type and data.
  ASSERT_EQ(reg().RegSetValueExA(m_key, "number", REG_BINARY, bytes, 2), ERROR_SUCCESS);
  size = sizeof read;
  ASSERT_EQ(reg().RegQueryValueExA(m_key, "Number", &type, read, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<platform::DWORD>(REG_BINARY));
  EXPECT_EQ(size, 2u);

  EXPECT_EQ(reg().RegQueryValueExA(m_key, "Missing", &type, read, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg().RegDeleteValueA(m_key, "BYTES"), ERROR_SUCCESS);
  EXPECT_EQ(reg().RegDeleteValueA(m_key, "Bytes"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformanceTest, DefaultValueHasAnEmptyName) {
  const char text[] = "default";
  ASSERT_EQ(reg().RegSetValueExA(m_key, "", REG_SZ, reinterpret_cast<const platform::BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  char read[16] = {};
  platform::DWORD size = sizeof read;
  ASSERT_EQ(reg().RegQueryValueExA(m_key, nullptr, nullptr, reinterpret_cast<platform::BYTE*>(read), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(read, "default");
}

TEST_F(RegistryConformanceTest, EnumerationByIndex) {
  for (const char* name : {"Zulu", "alpha", "Mike"}) {
    platform::HKEY sub = nullptr;
    platform::DWORD disposition = 0;
    ASSERT_EQ(reg().RegCreateKeyExA(m_key, name, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &sub, &disposition),
              ERROR_SUCCESS);
    reg().RegCloseKey(sub);
  }
  std::vector<std::string> names;
  for (platform::DWORD i = 0;; ++i) {
    char name[64];
    platform::DWORD size = sizeof name;
    platform::LONG status = reg().RegEnumKeyExA(m_key, i, name, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(size, std::strlen(name));
    names.emplace_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Mike", "Zulu"})) << "sorted without regard to case";

  char tiny[3];
  platform::DWORD size = sizeof tiny;
  EXPECT_EQ(reg().RegEnumKeyExA(m_key, 0, tiny, &size), ERROR_MORE_DATA);

  const platform::BYTE one[] = {1, 0, 0, 0};
  reg().RegSetValueExA(m_key, "First", REG_DWORD, one, 4);
  reg().RegSetValueExA(m_key, "Second", REG_DWORD, one, 4);
  char name[32];
  platform::DWORD nameSize = sizeof name;
  platform::DWORD type = 0;
  ASSERT_EQ(reg().RegEnumValueA(m_key, 0, name, &nameSize, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "First");
  nameSize = sizeof name;
  EXPECT_EQ(reg().RegEnumValueA(m_key, 2, name, &nameSize, &type, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  for (const char* sub : {"Zulu", "alpha", "Mike"}) EXPECT_EQ(reg().RegDeleteKeyA(m_key, sub), ERROR_SUCCESS);
}

// A name buffer of exactly the name's length has no room for its zero: the
// call answers ERROR_MORE_DATA and writes nothing past the buffer (each
// buffer is a heap block of exactly its size, so an overrun is caught).
TEST_F(RegistryConformanceTest, EnumerationNameBuffersAtTheirExactEdge) {
  platform::HKEY sub = nullptr;
  platform::DWORD disposition = 0;
  ASSERT_EQ(reg().RegCreateKeyExA(m_key, "Mike", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &sub, &disposition),
            ERROR_SUCCESS);
  reg().RegCloseKey(sub);
  const platform::BYTE one[] = {1, 0, 0, 0};
  ASSERT_EQ(reg().RegSetValueExA(m_key, "First", REG_DWORD, one, 4), ERROR_SUCCESS);

  std::vector<char> key(4, 'x');
  platform::DWORD size = static_cast<platform::DWORD>(key.size());
  EXPECT_EQ(reg().RegEnumKeyExA(m_key, 0, key.data(), &size), ERROR_MORE_DATA);
  key.assign(5, 'x');
  size = static_cast<platform::DWORD>(key.size());
  ASSERT_EQ(reg().RegEnumKeyExA(m_key, 0, key.data(), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::string(key.data()), "Mike");

  std::vector<char> value(5, 'x');
  platform::DWORD type = 0;
  size = static_cast<platform::DWORD>(value.size());
  EXPECT_EQ(reg().RegEnumValueA(m_key, 0, value.data(), &size, &type, nullptr, nullptr), ERROR_MORE_DATA);
  value.assign(6, 'x');
  size = static_cast<platform::DWORD>(value.size());
  ASSERT_EQ(reg().RegEnumValueA(m_key, 0, value.data(), &size, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::string(value.data()), "First");
  EXPECT_EQ(reg().RegDeleteKeyA(m_key, "Mike"), ERROR_SUCCESS);
}

// Windows NT refuses to delete a key that has sub-keys; Windows 95/98 delete the tree.
TEST_F(RegistryConformanceTest, DeletingAKeyWithSubKeys) {
  platform::HKEY deep = nullptr;
  platform::DWORD disposition = 0;
  ASSERT_EQ(reg().RegCreateKeyExA(m_key, "A\\B", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &deep, &disposition),
            ERROR_SUCCESS);
  reg().RegCloseKey(deep);
  const platform::LONG status = reg().RegDeleteKeyA(m_key, "A");
  platform::HKEY probe = nullptr;
  if (conformance::IsNT()) {
    EXPECT_EQ(status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg().RegOpenKeyExA(m_key, "A\\B", 0, KEY_ALL_ACCESS, &probe), ERROR_SUCCESS);
    reg().RegCloseKey(probe);
  } else {
    EXPECT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(reg().RegOpenKeyExA(m_key, "A", 0, KEY_ALL_ACCESS, &probe), ERROR_FILE_NOT_FOUND);
  }
  EXPECT_EQ(reg().RegDeleteKeyA(m_key, "NoSuchKey"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryConformanceTest, KeysOfTheDefaultLocale) {
  char code[6] = {};
  ASSERT_GT(conformance::Interfaces().System().GetLocaleInfoA(LOCALE_SABBREVLANGNAME, code, sizeof code), 0);
  EXPECT_EQ(std::strlen(code), 3u);
}

// A flush writes what changed and answers success for an open key and a root.
TEST_F(RegistryConformanceTest, FlushSucceedsOnOpenKeysAndRoots) {
  const char text[] = "flushed";
  ASSERT_EQ(reg().RegSetValueExA(m_key, "Flushed", REG_SZ, reinterpret_cast<const platform::BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  EXPECT_EQ(reg().RegFlushKey(m_key), ERROR_SUCCESS);
  EXPECT_EQ(reg().RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(reg().RegFlushKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

}  // namespace
