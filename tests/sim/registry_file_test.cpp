#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/sim/sim_registry.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;
using sim::SimRegistry;
using testing_support::MakeTempFolder;
using testing_support::ReadHostFile;
using testing_support::WriteHostFile;

namespace {

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override { m_dir = MakeTempFolder("winsim-reg-"); }
  void TearDown() override { fs::remove_all(m_dir); }
  fs::path File() const { return m_dir / "registry.reg"; }
  std::unique_ptr<SimRegistry> Load(const std::string& text, std::string* errorOut = nullptr, bool nt = false) {
    WriteHostFile(File(), text);
    std::string error;
    auto registry = SimRegistry::Load(File(), nt, error);
    if (errorOut != nullptr) *errorOut = error;
    return registry;
  }
  fs::path m_dir;
};

TEST_F(RegistryFileTest, EveryValueFormRoundTrips) {
  SimRegistry registry(false);
  registry.AttachFile(File());
  platform::HKEY key = nullptr;
  platform::DWORD disposition = 0;
  ASSERT_EQ(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Halvion\\Vela", 0, KEY_ALL_ACCESS, &key,
                                     &disposition),
            ERROR_SUCCESS);
  auto set = [&](const char* name, platform::DWORD type, std::string bytes) {
    ASSERT_EQ(registry.RegSetValueExA(key, name, type, reinterpret_cast<const platform::BYTE*>(bytes.data()),
                                      static_cast<platform::DWORD>(bytes.size())),
              ERROR_SUCCESS);
  };
  set("Text", REG_SZ, std::string("C:\\Program Files\\\"Vela\"\0", 24));
  set("NoNul", REG_SZ, "abc");  // as Windows 95/98 are given it
  set("Lines", REG_SZ, std::string("a\r\nb\0", 5));
  set("Expand", REG_EXPAND_SZ, std::string("%windir%\\x\0", 11));
  set("Multi", REG_MULTI_SZ, std::string("one\0two\0\0", 9));
  set("Number", REG_DWORD, std::string("\x2a\0\0\0", 4));
  set("Short", REG_DWORD, std::string("\x01\x02", 2));
  set("Blob", REG_BINARY, std::string(200, '\xAB'));
  set("", REG_SZ, std::string("default\0", 8));
  set("Odd", 0x1234, "z");
  registry.RegCloseKey(key);
  registry.RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Empty", 0, KEY_ALL_ACCESS, &key, &disposition);
  registry.RegCloseKey(key);
  ASSERT_EQ(registry.RegFlushKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

  const std::string text = ReadHostFile(File());
  EXPECT_NE(text.find("\"Text\"=\"C:\\\\Program Files\\\\\\\"Vela\\\"\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"Number\"=dword:0000002a"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\""), std::string::npos);
  EXPECT_NE(text.find("\\\r\n  "), std::string::npos) << "long hex lists continue on the next line";

  std::string error;
  auto again = SimRegistry::Load(File(), false, error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(again->Export(), text) << "reading and writing again changes nothing";
  ASSERT_EQ(again->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\halvion\\vela", 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  auto read = [&](const char* name, platform::DWORD expectedType) {
    platform::BYTE data[512];
    platform::DWORD size = sizeof data, type = 0;
    EXPECT_EQ(again->RegQueryValueExA(key, name, &type, data, &size), ERROR_SUCCESS) << name;
    EXPECT_EQ(type, expectedType) << name;
    return std::string(reinterpret_cast<char*>(data), size);
  };
  EXPECT_EQ(read("Lines", REG_SZ), std::string("a\r\nb\0", 5));
  EXPECT_EQ(read("Multi", REG_MULTI_SZ), std::string("one\0two\0\0", 9));
  EXPECT_EQ(read("Short", REG_DWORD), "\x01\x02");
  EXPECT_EQ(read("Blob", REG_BINARY), std::string(200, '\xAB'));
  EXPECT_EQ(read("Odd", 0x1234), "z");
  EXPECT_EQ(read("NoNul", REG_SZ), std::string("abc\0", 4)) << "text is kept the way regedit keeps it";
  EXPECT_TRUE(again->Export("HKEY_CURRENT_USER\\Software\\Empty")) << "empty keys survive";
}

TEST_F(RegistryFileTest, RegeditForms) {
  auto registry = Load(
      "REGEDIT4\r\n\r\n; a comment\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"x\"=\"1\"\r\n\"gone\"=\"2\"\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"gone\"=-\r\n[HKEY_LOCAL_MACHINE\\A\\C]\r\n[-HKEY_LOCAL_MACHINE\\A\\C]\r\n"
      "[HKEY_LOCAL_MACHINE\\A\\D]\r\n\"h\"=hex:01,\\\r\n  02,03\r\n");
  ASSERT_TRUE(registry);
  EXPECT_TRUE(registry->Export("HKEY_LOCAL_MACHINE\\A\\B"));
  EXPECT_FALSE(registry->Export("HKEY_LOCAL_MACHINE\\A\\C"));
  EXPECT_EQ(registry->Export("HKEY_LOCAL_MACHINE\\A\\B")->find("gone"), std::string::npos);
  EXPECT_NE(registry->Export("HKEY_LOCAL_MACHINE\\A\\D")->find("hex:01,02,03"), std::string::npos);
}

TEST_F(RegistryFileTest, MalformedFilesAreRefusedWithTheirLine) {
  struct Case {
    std::string text;
    const char* expected;
  } cases[] = {
      {"", "REGEDIT4"},
      {"Windows Registry Editor Version 5.00\r\n", "line 1"},
      {"REGEDIT4\r\n\"x\"=\"1\"\r\n", "outside any key"},
      {"REGEDIT4\r\n[HKEY_NOWHERE\\X]\r\n", "HKEY_NOWHERE"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X\r\n", "line 2"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"x\"=dword:123456789\r\n", "line 3"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"x\"=hex:0g\r\n", "hex"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"x\"=hex(zz):00\r\n", "type"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"x=\"1\"\r\n", "line 3"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"x\"=\"1\r\n", "line 3"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"x\"=something\r\n", "unknown value form"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\nplain\r\n", "line 3"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE" + [] {
         std::string deep;
         for (int i = 0; i < 600; ++i) deep += "\\k";
         return deep;
       }() + "]\r\n",
       "deeply"},
      {std::string("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"a\0b\"=\"1\"\r\n", 40), "NUL"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Load(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.expected), std::string::npos) << "message: " << error;
    EXPECT_NE(error.find("registry.reg"), std::string::npos) << "message: " << error;
  }
}

TEST_F(RegistryFileTest, HandlesOfDeletedKeysAnswerKeyDeleted) {
  SimRegistry registry(false);
  platform::HKEY parent = nullptr, child = nullptr;
  platform::DWORD disposition = 0;
  ASSERT_EQ(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "P\\C\\G", 0, KEY_ALL_ACCESS, &child, &disposition),
            ERROR_SUCCESS);
  ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "P", 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
  EXPECT_EQ(registry.RegDeleteKeyA(parent, "C"), ERROR_SUCCESS) << "Windows 95/98 delete the tree";
  const platform::BYTE b = 1;
  EXPECT_EQ(registry.RegSetValueExA(child, "x", REG_BINARY, &b, 1), ERROR_KEY_DELETED);
  EXPECT_EQ(registry.RegCloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(registry.RegCloseKey(child), ERROR_INVALID_HANDLE);
  EXPECT_EQ(registry.RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\P", 0, KEY_ALL_ACCESS, &child), ERROR_BAD_PATHNAME);
  registry.RegCloseKey(parent);
}

// A writer killed at any moment leaves the old registry or the new one.
TEST_F(RegistryFileTest, AKillDuringAWriteNeverTearsTheFile) {
  SimRegistry seed(false);
  seed.AttachFile(File());
  ASSERT_TRUE(seed.SetString("HKEY_LOCAL_MACHINE\\Seed", "v", "0"));

  for (int round = 0; round < 8; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::string error;
      auto registry = SimRegistry::Load(File(), false, error);
      if (!registry) _exit(2);
      for (int i = 0;; ++i) {
        registry->SetString("HKEY_LOCAL_MACHINE\\Seed\\K" + std::to_string(i % 50), "v", std::string(500, 'x'));
      }
    }
    usleep(static_cast<useconds_t>(2000 + round * 3000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was still writing when it was killed";
    std::string error;
    auto registry = SimRegistry::Load(File(), false, error);
    ASSERT_TRUE(registry) << "round " << round << ": " << error;
    EXPECT_TRUE(registry->Export("HKEY_LOCAL_MACHINE\\Seed"));
  }
}

// Changes stay in memory until a flush, as a hive's do; the end of the
// registry object is a flush too.
TEST_F(RegistryFileTest, ChangesReachTheFileWhenFlushed) {
  SimRegistry seed(false);
  seed.AttachFile(File());
  ASSERT_TRUE(seed.SetString("HKEY_LOCAL_MACHINE\\Seed", "v", "0"));
  std::string error;
  auto registry = SimRegistry::Load(File(), false, error);
  ASSERT_TRUE(registry) << error;
  platform::HKEY key = nullptr;
  ASSERT_EQ(registry->RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Seed", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  const platform::BYTE one[] = "1";
  ASSERT_EQ(registry->RegSetValueExA(key, "flushed", REG_SZ, one, sizeof one), ERROR_SUCCESS);
  EXPECT_EQ(ReadHostFile(File()).find("flushed"), std::string::npos) << "not before the flush";
  EXPECT_TRUE(registry->HasUnflushedChanges());
  EXPECT_EQ(registry->RegFlushKey(key), ERROR_SUCCESS);
  EXPECT_NE(ReadHostFile(File()).find("\"flushed\"=\"1\""), std::string::npos);
  EXPECT_FALSE(registry->HasUnflushedChanges());
  EXPECT_EQ(registry->RegFlushKey(reinterpret_cast<platform::HKEY>(0x77)), ERROR_INVALID_HANDLE);

  ASSERT_EQ(registry->RegSetValueExA(key, "later", REG_SZ, one, sizeof one), ERROR_SUCCESS);
  registry->RegCloseKey(key);
  EXPECT_EQ(ReadHostFile(File()).find("later"), std::string::npos) << "a crash now would lose it";
  registry.reset();
  EXPECT_NE(ReadHostFile(File()).find("\"later\"=\"1\""), std::string::npos) << "written at the end";
}

}  // namespace
