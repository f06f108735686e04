#include "actions/ini_actions.h"

#include "actions_fixture.h"

namespace {

std::string Entry(const platform::Platform& platform, const char* section, const char* key,
                  const char* file = "system.ini") {
  char buffer[256] = {};
  platform.Profiles().GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer, file);
  return buffer;
}

class IniLines : public ::testing::Test {
 protected:
  actions_test::ScriptActions m_setup;
  void Run(const std::string& lines, int mode) {
    RunIniSection(m_setup.Script(), m_setup.Section("[Ini]\r\n" + lines + "\r\n", "Ini"), mode);
  }
};

TEST_F(IniLines, AQuotedEntryIsWrittenIntoTheWindowsFolderAndRemovedWhateverItsValue) {
  Run("system.ini, boot, , \"display.drv=vga.drv\"", kIniWrite);
  EXPECT_EQ(Entry(m_setup.Interfaces(), "boot", "display.drv"), "vga.drv");
  EXPECT_TRUE(m_setup.Exists("C:\\WINDOWS\\SYSTEM.INI"));

  m_setup.Interfaces().Profiles().WritePrivateProfileStringA("boot", "display.drv", "other.drv", "system.ini");
  m_setup.Interfaces().Profiles().WritePrivateProfileStringA("boot", "shell", "Explorer.exe", "system.ini");
  Run("system.ini, boot, , \"display.drv=vga.drv\"", kIniRemove);
  EXPECT_EQ(Entry(m_setup.Interfaces(), "boot", "display.drv"), "<none>");
  EXPECT_EQ(Entry(m_setup.Interfaces(), "boot", "shell"), "Explorer.exe");
}

TEST_F(IniLines, AnUnquotedEntryLosesItsValueAndACommaEndsAQuotedValue) {
  Run("system.ini, boot, , display.drv=vga.drv\r\n"
      "C:\\tool.ini, Options, , \"key = a,b\"\r\n"
      "tool2.ini, Options, , \"first=x=y\"",
      kIniWrite);
  EXPECT_EQ(Entry(m_setup.Interfaces(), "boot", "display.drv"), "");
  EXPECT_EQ(Entry(m_setup.Interfaces(), "Options", "key", "C:\\tool.ini"), "a");
  EXPECT_EQ(Entry(m_setup.Interfaces(), "Options", "first", "tool2.ini"), "x");

  Run("system.ini, boot, , display.drv", kIniRemove);
  EXPECT_EQ(Entry(m_setup.Interfaces(), "boot", "display.drv"), "<none>");
}

TEST_F(IniLines, AnEntryWithoutAKeyWritesNothing) {
  // Windows 98 has a SYSTEM.INI of its own: it stays as it is.
  std::vector<char> before, after;
  m_setup.Interfaces().Files().ReadWholeFile("C:\\WINDOWS\\SYSTEM.INI", before);
  Run("system.ini, boot, , \"=value\"\r\nsystem.ini, boot", kIniWrite);
  m_setup.Interfaces().Files().ReadWholeFile("C:\\WINDOWS\\SYSTEM.INI", after);
  EXPECT_EQ(before, after);
  Run("tool.ini, boot, , \"=value\"", kIniWrite);
  EXPECT_FALSE(m_setup.Exists("C:\\WINDOWS\\TOOL.INI"));
}

}  // namespace
