#include "actions/registry_actions.h"

#include "actions_fixture.h"

namespace {

using actions_test::Bytes;
using actions_test::KeyExists;
using actions_test::ReadValue;
using actions_test::RegistryValue;

constexpr const char* kExample = "Software\\Example";

class RegistryLinesOnEachSystem : public ::testing::TestWithParam<sim::OsKind> {
 protected:
  bool IsNT() const { return GetParam() == sim::OsKind::NT4 || GetParam() == sim::OsKind::NT5; }
  actions_test::ScriptActions m_setup{GetParam()};

  void Write(const std::string& lines) {
    RunRegistrySection(m_setup.Script(), m_setup.Section("[Reg]\r\n" + lines + "\r\n", "Reg"), kRegistryWrite);
  }
  // A string value as stored: its text and the size the system counts.
  void ExpectString(const std::string& name, platform::DWORD type, const std::string& text, std::size_t nulls) {
    const RegistryValue value = m_setup.ReadValue(HKEY_CURRENT_USER, kExample, name);
    ASSERT_TRUE(value.found) << name;
    EXPECT_EQ(value.type, type) << name;
    std::vector<platform::BYTE> expected = Bytes(text);
    expected.insert(expected.end(), nulls, 0);
    EXPECT_EQ(value.data, expected) << name;
  }
};

TEST_P(RegistryLinesOnEachSystem, EveryFlagValueGivesItsTypeAndSize) {
  Write("HKCU,Software\\Example,Text,0,plain\r\n"
        "HKCU,Software\\Example,Other,99,other\r\n"
        "HKCU,Software\\Example,Count,1,25\r\n"
        "HKCU,Software\\Example,CountToo,3,25\r\n"
        "HKCU,Software\\Example,Negative,1,-2\r\n"
        "HKCU,Software\\Example,Blob,1,0A,ff,3\r\n"
        "HKCU,Software\\Example,BlobToo,3,0x1F,100,zz\r\n"
        "HKCU,Software\\Example,Multi,8,one\r\n"
        "HKCU,Software\\Example,MultiToo,10,two\r\n"
        "HKCU,Software\\Example,Expand,16,exp\r\n"
        "HKCU,Software\\Example,ExpandToo,18,exp2\r\n"
        "HKCU,Software\\Example,Path,4,bin\r\n"
        "HKCU,Software\\Example,PathToo,6,C:\\Tools\\x.exe\r\n");
  const std::size_t stringNul = IsNT() ? 1 : 0;
  ExpectString("Text", REG_SZ, "plain", stringNul);
  ExpectString("Other", REG_SZ, "other", stringNul);
  ExpectString("Multi", REG_MULTI_SZ, "one", IsNT() ? 2 : 1);
  ExpectString("MultiToo", REG_MULTI_SZ, "two", IsNT() ? 2 : 1);
  ExpectString("Expand", REG_EXPAND_SZ, "exp", 1);
  ExpectString("ExpandToo", REG_EXPAND_SZ, "exp2", 1);
  ExpectString("Path", REG_SZ, "C:\\HALVION\\bin", stringNul);
  ExpectString("PathToo", REG_SZ, "C:\\Tools\\x.exe", stringNul);

  for (const char* name : {"Count", "CountToo"}) {
    const RegistryValue count = m_setup.ReadValue(HKEY_CURRENT_USER, kExample, name);
    EXPECT_EQ(count.type, static_cast<platform::DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(count.data, (std::vector<platform::BYTE>{25, 0, 0, 0})) << name;
  }
  EXPECT_EQ(m_setup.ReadValue(HKEY_CURRENT_USER, kExample, "Negative").data,
            (std::vector<platform::BYTE>{0xFE, 0xFF, 0xFF, 0xFF}));
  const RegistryValue blob = m_setup.ReadValue(HKEY_CURRENT_USER, kExample, "Blob");
  EXPECT_EQ(blob.type, static_cast<platform::DWORD>(REG_BINARY));
  EXPECT_EQ(blob.data, (std::vector<platform::BYTE>{0x0A, 0xFF, 0x03}));
  // Each field's low byte; a field without hex digits reads as 0.
  EXPECT_EQ(m_setup.ReadValue(HKEY_CURRENT_USER, kExample, "BlobToo").data, (std::vector<platform::BYTE>{0x1F, 0x00, 0x00}));
  EXPECT_TRUE(m_setup.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Systems, RegistryLinesOnEachSystem, ::testing::Values(sim::OsKind::Win98, sim::OsKind::NT4),
                         [](const auto& info) { return std::string(sim::OsKindName(info.param)); });

class RegistryLines : public ::testing::Test {
 protected:
  actions_test::ScriptActions m_setup;
  void Run(const std::string& lines, int mode) {
    RunRegistrySection(m_setup.Script(), m_setup.Section("[Reg]\r\n" + lines + "\r\n", "Reg"), mode);
  }
};

TEST_F(RegistryLines, SubkeyLosesOneBackslashAtEachEndAndPathsJoinTheDestination) {
  Run("HKLM,\\Software\\Example\\,Path,4,bin\r\n"
      "HKLM,Software\\Example,Short,4,x\r\n"
      "HKLM,Software\\Example,Full,4,D:\\Tools\r\n",
      kRegistryWrite);
  EXPECT_EQ(m_setup.ReadValue(HKEY_LOCAL_MACHINE, kExample, "Path").data, Bytes("C:\\HALVION\\bin"));
  EXPECT_EQ(m_setup.ReadValue(HKEY_LOCAL_MACHINE, kExample, "Short").data, Bytes("C:\\HALVION\\x"));
  EXPECT_EQ(m_setup.ReadValue(HKEY_LOCAL_MACHINE, kExample, "Full").data, Bytes("D:\\Tools"));
}

TEST_F(RegistryLines, QuotedDataKeepsCommasAndAnEmptyValueNameIsTheDefault) {
  Run("HKCU,Software\\Example,Text,0,\"a,b=c\"\r\n"
      "HKCU,Software\\Example,,0,default\r\n",
      kRegistryWrite);
  EXPECT_EQ(m_setup.ReadValue(HKEY_CURRENT_USER, kExample, "Text").data, Bytes("a,b=c"));
  EXPECT_EQ(m_setup.ReadValue(HKEY_CURRENT_USER, kExample, "").data, Bytes("default"));
}

TEST_F(RegistryLines, BinaryDataEndsAtTheFirstEmptyFieldAndAfterAThousandBytes) {
  std::string many = "HKCU,Software\\Example,Big,1";
  for (int i = 0; i < 1005; ++i) many += "," + std::to_string(i % 10);
  Run("HKCU,Software\\Example,Short,1,0A,0B,,0C\r\n" + many, kRegistryWrite);
  EXPECT_EQ(m_setup.ReadValue(HKEY_CURRENT_USER, kExample, "Short").data, (std::vector<platform::BYTE>{0x0A, 0x0B}));
  const RegistryValue big = m_setup.ReadValue(HKEY_CURRENT_USER, kExample, "Big");
  ASSERT_EQ(big.data.size(), static_cast<std::size_t>(kMaxRegistryBinary));
  EXPECT_EQ(big.data[999], 9);
}

TEST_F(RegistryLines, BadRootsAndEmptySubkeysAreReportedWithTheLine) {
  Run("hklm,Software\\Example,Lower,0,x\r\n"
      "HKEY_LOCAL_MACHINE,Software\\Example,Long,0,x\r\n"
      "HKLM,,Name,0,x\r\n"
      "HKCC,Software\\Example,Other,0,x\r\n",
      kRegistryWrite);
  ASSERT_EQ(m_setup.Messages().size(), 4u);
  EXPECT_EQ(m_setup.Messages()[0].id, MSG_BAD_REGISTRY_LINE);
  EXPECT_EQ(m_setup.Messages()[0].inserts, std::vector<std::string>{"hklm,Software\\Example,Lower,0,x"});
  EXPECT_EQ(m_setup.Messages()[2].inserts, std::vector<std::string>{"HKLM,,Name,0,x"});
  EXPECT_EQ(m_setup.Context().GetLastMessage(), MSG_BAD_REGISTRY_LINE);
  EXPECT_FALSE(m_setup.KeyExists(HKEY_LOCAL_MACHINE, kExample));

  m_setup.ClearMessages();
  Run("hklm,Software\\Example", kRegistryDelete);
  EXPECT_EQ(m_setup.CountMessages(MSG_BAD_REGISTRY_LINE), 1);
}

TEST_F(RegistryLines, DeleteModeRemovesOneValueOrTheWholeTree) {
  Run("HKLM,Software\\Example,Path,0,a\r\n"
      "HKLM,Software\\Example,Keep,0,b\r\n"
      "HKLM,Software\\Example\\Sub\\Deeper,Value,0,c\r\n"
      "HKLM,Software\\Example\\Sub2,,0,d\r\n"
      "HKLM,Software\\Neighbour,Value,0,e\r\n",
      kRegistryWrite);
  Run("HKLM,Software\\Example,Path\r\n"
      "HKLM,Software\\Example,NoSuchValue\r\n"
      "HKLM,Software\\NoSuchKey,Value\r\n",
      kRegistryDelete);
  EXPECT_FALSE(m_setup.ReadValue(HKEY_LOCAL_MACHINE, kExample, "Path").found);
  EXPECT_TRUE(m_setup.ReadValue(HKEY_LOCAL_MACHINE, kExample, "Keep").found);

  Run("HKLM,\\Software\\Example\\\r\nHKLM,Software\\NoSuchKey", kRegistryDelete);
  EXPECT_FALSE(m_setup.KeyExists(HKEY_LOCAL_MACHINE, kExample));
  EXPECT_TRUE(m_setup.ReadValue(HKEY_LOCAL_MACHINE, "Software\\Neighbour", "Value").found);
  EXPECT_TRUE(m_setup.Messages().empty()) << "missing keys and values are not reported";
}

TEST(DeleteKeyTreeOnNT, RemovesNestedKeysThatNTWouldRefuseAndFailsOnMissingKeys) {
  actions_test::ScriptActions setup(sim::OsKind::NT4);
  RunRegistrySection(setup.Script(), setup.Section("[Reg]\r\nHKCU,Software\\Tree\\A\\B\\C,V,0,x\r\nHKCU,Software\\Tree\\D,W,1,5\r\n",
                                   "Reg"),
                     kRegistryWrite);
  EXPECT_TRUE(DeleteKeyTree(setup.Interfaces(), HKEY_CURRENT_USER, "Software\\Tree"));
  EXPECT_FALSE(setup.KeyExists(HKEY_CURRENT_USER, "Software\\Tree"));
  EXPECT_FALSE(DeleteKeyTree(setup.Interfaces(), HKEY_CURRENT_USER, "Software\\Tree"));
}

TEST_F(RegistryLines, ASubkeyOfOnlyABackslashActsOnTheRootButNeverDeletesIt) {
  Run("HKCU,\\,RootValue,0,x", kRegistryWrite);
  EXPECT_TRUE(m_setup.ReadValue(HKEY_CURRENT_USER, "", "RootValue").found);
  Run("HKCU,\\,RootValue", kRegistryDelete);
  EXPECT_FALSE(m_setup.ReadValue(HKEY_CURRENT_USER, "", "RootValue").found);

  // Emptying a whole root would take the user's settings with it.
  Run("HKCU,\\", kRegistryDelete);
  EXPECT_TRUE(m_setup.KeyExists(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"));
  EXPECT_TRUE(m_setup.Messages().empty());
}

}  // namespace
