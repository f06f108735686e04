#include "actions/program_groups.h"

#include <cstdio>
#include <sstream>
#include <map>

#include "actions_fixture.h"
#include "files/manifest.h"
#include "support/faulty_platform.h"
#include "winsim_commands.h"

namespace {

// What lnkinfo reads from a link file: its "name : value" lines.
std::map<std::string, std::string> LnkInfo(const std::filesystem::path& file) {
  std::map<std::string, std::string> fields;
  const std::string command = "lnkinfo '" + file.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return fields;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t colon = text.find(": ");
    const std::size_t end = text.find_last_not_of(" \t", colon == std::string::npos ? 0 : colon - 1);
    if (colon == std::string::npos || end == std::string::npos) continue;
    const std::size_t begin = text.find_first_not_of(" \t");
    fields[text.substr(begin, end - begin + 1)] = text.substr(colon + 2);
  }
  const int status = pclose(pipe);
  if (status != 0) fields["lnkinfo failed"] = std::to_string(status);
  return fields;
}

constexpr const char* kPrograms98 = "C:\\WINDOWS\\Start Menu\\Programs";
constexpr const char* kStartup98 = "C:\\WINDOWS\\Start Menu\\Programs\\StartUp";

class ProgramGroups : public ::testing::Test {
 protected:
  explicit ProgramGroups(sim::OsKind os = sim::OsKind::Win98) : m_setup(os) {}
  void Run(const std::string& lines, int mode) {
    RunProgramGroupSection(m_setup.Script(), m_setup.Section("[Groups]\r\n" + lines + "\r\n", "Groups"), mode,
                           &m_manifest);
  }
  actions_test::ScriptActions m_setup;
  CInstallManifest m_manifest;  // the group folders the installation made
};

TEST_F(ProgramGroups, AShortcutIsWrittenAsALinkFileThatLnkinfoReads) {
  m_setup.PutFile("C:\\HALVION\\mon.exe", "simulated program\r\n");
  Run("Tools, Monitor Panel, mon.exe, /quiet, , mon.exe, 0\r\n"
      "Tools, Second, \"D:\\Other Tools\\b.exe\", \"-a -b\", D:\\Work, shell32.dll, 7",
      kGroupInstall);
  const std::string folder = std::string(kPrograms98) + "\\Tools";
  ASSERT_TRUE(m_setup.Exists(folder + "\\Monitor Panel.lnk"));

  auto info = LnkInfo(m_setup.Host(folder + "\\Monitor Panel.lnk"));
  ASSERT_EQ(info.count("lnkinfo failed"), 0u) << "lnkinfo (package liblnk-utils) must read the file";
  EXPECT_EQ(info["Local path"], "C:\\HALVION\\mon.exe");
  EXPECT_EQ(info["Description"], "Monitor Panel");
  EXPECT_EQ(info["Command line arguments"], "/quiet");
  EXPECT_EQ(info["Working directory"], "C:\\HALVION\\");
  EXPECT_EQ(info["Icon location"], "C:\\HALVION\\mon.exe");
  EXPECT_EQ(info["Icon index"], "0");
  EXPECT_EQ(info["Relative path"], "..\\..\\..\\..\\HALVION\\mon.exe");
  EXPECT_EQ(info["File size"], "19 bytes");

  info = LnkInfo(m_setup.Host(folder + "\\Second.lnk"));
  EXPECT_EQ(info["Local path"], "D:\\Other Tools\\b.exe");
  EXPECT_EQ(info["Command line arguments"], "-a -b");
  EXPECT_EQ(info["Working directory"], "D:\\Work");
  EXPECT_EQ(info["Icon location"], "C:\\HALVION\\shell32.dll");
  EXPECT_EQ(info["Icon index"], "7");
  EXPECT_EQ(info.count("Relative path"), 0u) << "no relative path across drives";
  EXPECT_NE(m_setup.Events().find("shortcut " + folder + "\\Second.lnk -> D:\\Other Tools\\b.exe"), std::string::npos);
}

TEST_F(ProgramGroups, TheStartupFolderTakesTheLinkItselfAndIsNeverRemoved) {
  Run("Startup, Tray Tool, C:\\Tools\\tray.exe", kGroupInstall);
  const std::string link = std::string(kStartup98) + "\\Tray Tool.lnk";
  ASSERT_TRUE(m_setup.Exists(link));
  EXPECT_EQ(LnkInfo(m_setup.Host(link))["Local path"], "C:\\Tools\\tray.exe");

  Run("Startup, Tray Tool, C:\\Tools\\tray.exe", kGroupRemove);
  EXPECT_FALSE(m_setup.Exists(link));
  EXPECT_TRUE(m_setup.Exists(kStartup98)) << "the emptied Startup folder stays";
}

TEST_F(ProgramGroups, AGroupNamedStartupInLowerCaseIsAGroupBelowThePrograms) {
  EXPECT_EQ(GetProgramGroupFolder(m_setup.Script(), "startup, Tray Tool, tray.exe"), std::string(kPrograms98) + "\\startup");
  EXPECT_EQ(GetProgramGroupFolder(m_setup.Script(), "Startup, Tray Tool, tray.exe"), kStartup98);
  EXPECT_EQ(GetProgramGroupFolder(m_setup.Script(), "STARTUP, Tray Tool, tray.exe"), std::string(kPrograms98) + "\\STARTUP");
}

TEST_F(ProgramGroups, RemovingDeletesTheLinkAndPifAndTheGroupOnceEmpty) {
  Run("Tools, One, one.exe\r\nTools, Two, two.exe", kGroupInstall);
  const std::string folder = std::string(kPrograms98) + "\\Tools";
  m_setup.PutFile(folder + "\\One.pif", "old");
  m_setup.Interfaces().Files().SetFileAttributesA(folder + "\\One.lnk", FILE_ATTRIBUTE_READONLY);

  Run("Tools, One, one.exe", kGroupRemove);
  EXPECT_FALSE(m_setup.Exists(folder + "\\One.lnk")) << "read-only links go too";
  EXPECT_FALSE(m_setup.Exists(folder + "\\One.pif"));
  EXPECT_TRUE(m_setup.Exists(folder + "\\Two.lnk"));
  EXPECT_TRUE(m_setup.Exists(folder)) << "the group still holds a shortcut";

  Run("Tools, Two, two.exe\r\nTools, Never, made.exe", kGroupRemove);
  EXPECT_FALSE(m_setup.Exists(folder));
  EXPECT_TRUE(m_setup.Exists(kPrograms98));
}

TEST_F(ProgramGroups, NamesThatLeaveTheProgramsFolderDoNothing) {
  Run("..\\..\\..\\..\\..\\..\\Evil, Escaped, x.exe\r\nTools, ..\\..\\..\\..\\..\\..\\EvilName, x.exe\r\n"
      "C:\\Evil, Drive, x.exe\r\n\\Evil, Rooted, x.exe\r\nTools, Star*, x.exe\r\n"
      "Halvion\\Vela, Nested, x.exe",
      kGroupInstall);
  EXPECT_FALSE(m_setup.Exists("C:\\Evil"));
  EXPECT_FALSE(m_setup.Exists("C:\\EvilName.lnk"));
  EXPECT_FALSE(m_setup.Exists("C:\\WINDOWS\\Start Menu\\Programs\\Tools")) << "no folder for a refused line";
  EXPECT_TRUE(m_setup.Exists(std::string(kPrograms98) + "\\Halvion\\Vela\\Nested.lnk")) << "a group of a group";
  const std::string events = m_setup.Events();
  std::size_t refused = 0;
  for (std::size_t at = events.find("debug program group line refused"); at != std::string::npos;
       at = events.find("debug program group line refused", at + 1)) {
    ++refused;
  }
  EXPECT_EQ(refused, 5u) << events;
  EXPECT_EQ(events.find("shortcut C:\\Evil"), std::string::npos) << events;
}

TEST_F(ProgramGroups, RemovingAGroupNamedLikeAShellFolderKeepsTheFolder) {
  Run("startup, Tray Tool, tray.exe", kGroupInstall);
  ASSERT_TRUE(m_setup.Exists(std::string(kStartup98) + "\\Tray Tool.lnk")) << "the same folder, in another case";
  Run("startup, Tray Tool, tray.exe", kGroupRemove);
  EXPECT_TRUE(m_setup.Exists(kStartup98));
}

TEST_F(ProgramGroups, TheAllUsersBitIsIgnoredOnWindows98) {
  Run("Tools, Shared, tool.exe, , , , 0, 1", kGroupInstall);
  EXPECT_TRUE(m_setup.Exists(std::string(kPrograms98) + "\\Tools\\Shared.lnk"));
  EXPECT_FALSE(m_setup.Exists("C:\\WINDOWS\\All Users\\Start Menu\\Programs\\Tools"));
}

TEST_F(ProgramGroups, WithoutTheShellFolderValueNothingHappens) {
  platform::HKEY key = nullptr;
  ASSERT_EQ(m_setup.Interfaces().Registry().RegOpenKeyExA(HKEY_CURRENT_USER,
                                               "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                                               KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  m_setup.Interfaces().Registry().RegDeleteValueA(key, "Programs");
  m_setup.Interfaces().Registry().RegCloseKey(key);
  Run("Tools, One, one.exe", kGroupInstall);
  EXPECT_EQ(GetProgramGroupFolder(m_setup.Script(), "Tools, One, one.exe"), "");
  EXPECT_FALSE(m_setup.Exists("C:\\Tools"));
  EXPECT_EQ(m_setup.Events().find("shortcut"), std::string::npos);
}

class ProgramGroupsOnNT : public ProgramGroups {
 protected:
  ProgramGroupsOnNT() : ProgramGroups(sim::OsKind::NT4) {}
};

TEST_F(ProgramGroupsOnNT, TheAllUsersBitChoosesTheCommonFolders) {
  Run("Tools, Mine, tool.exe\r\n"
      "Tools, Shared, tool.exe, , , , 0, 1\r\n"
      "Startup, Everyone, tool.exe, , , , 0, 3\r\n"
      "Tools, NotShared, tool.exe, , , , 0, 2",
      kGroupInstall);
  const std::string user = "C:\\WINNT\\Profiles\\Administrator\\Start Menu\\Programs";
  const std::string common = "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs";
  EXPECT_TRUE(m_setup.Exists(user + "\\Tools\\Mine.lnk"));
  EXPECT_TRUE(m_setup.Exists(common + "\\Tools\\Shared.lnk"));
  EXPECT_TRUE(m_setup.Exists(common + "\\StartUp\\Everyone.lnk"));
  EXPECT_TRUE(m_setup.Exists(user + "\\Tools\\NotShared.lnk"));
  EXPECT_EQ(LnkInfo(m_setup.Host(common + "\\Tools\\Shared.lnk"))["Local path"], "C:\\HALVION\\tool.exe");

  Run("Tools, Shared, tool.exe, , , , 0, 1", kGroupRemove);
  EXPECT_FALSE(m_setup.Exists(common + "\\Tools"));
  EXPECT_TRUE(m_setup.Exists(user + "\\Tools\\Mine.lnk"));
}

}  // namespace

namespace {

TEST_F(ProgramGroupsOnNT, ALinkInUseAndItsEmptiedGroupGoAtTheNextStart) {
  const std::string group = "C:\\WINNT\\Profiles\\Administrator\\Start Menu\\Programs\\Tools";
  Run("Tools, One, one.exe", kGroupInstall);
  {
    testing_support::FaultyPlatform faults(&m_setup.Temp().Interfaces());
    faults.files.heldFiles = {group + "\\One.lnk"};
    Run("Tools, One, one.exe", kGroupRemove);
  }
  EXPECT_TRUE(m_setup.Exists(group + "\\One.lnk"));
  EXPECT_NE(m_setup.Context().GetFlags() & SF_RESTART_NEEDED, 0u);
  const std::filesystem::path link = m_setup.Host(group + "\\One.lnk"), folder = m_setup.Host(group);
  // The next start comes after the program, whose registry changes are on disk by then.
  m_setup.Interfaces().Registry().RegFlushKey(HKEY_LOCAL_MACHINE);
  std::ostringstream out, err;
  ASSERT_EQ(winsim::RunCommand({"restart", m_setup.Machine().Folder().string()}, out, err), 0) << err.str();
  EXPECT_FALSE(std::filesystem::exists(link)) << out.str();
  EXPECT_FALSE(std::filesystem::exists(folder)) << out.str();
}

}  // namespace
