#include <gtest/gtest.h>

#include "app_fixture.h"
#include "script/destination_dirs.h"
#include "script/setup_script.h"
#include "script/value_expansion.h"

namespace {

using script_test::AppOnMachine;

constexpr int kUnknownCode = 1091;

TEST(DirectoryFromCodeTest, WindowsNinetyEightWithTheThunkLibrary) {
  AppOnMachine m(sim::OsKind::Win98);
  ASSERT_TRUE(m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages()));
  EXPECT_EQ(DirectoryFromCode(m.Script(), 10), "C:\\WINDOWS");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 11), "C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 12), "C:\\WINDOWS\\SYSTEM\\IOSUBSYS") << "the library's folder, not our own";
  EXPECT_EQ(DirectoryFromCode(m.Script(), 17), "C:\\WINDOWS\\INF");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 18), "C:\\WINDOWS\\HELP");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 20), "C:\\WINDOWS\\FONTS");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 25), "C:\\WINDOWS");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 24), "C:") << "one trailing backslash goes, even from a drive root";
  EXPECT_EQ(DirectoryFromCode(m.Script(), 30), "C:");
  EXPECT_TRUE(m.Messages().empty());

  // A code the library does not know falls to our own table.
  EXPECT_EQ(DirectoryFromCode(m.Script(), 4711), "");
  ASSERT_EQ(m.Messages().size(), 1u);
  EXPECT_EQ(m.Messages()[0].id, kUnknownCode);
  EXPECT_EQ(m.Messages()[0].inserts, (std::vector<std::string>{"4711"}));
}

TEST(DirectoryFromCodeTest, TheLibraryAnswerIsTakenAsItStands) {
  AppOnMachine m(sim::OsKind::Win95, "[LogicalDirs]\n10=E:\\WIN\\\\\n11=F:\\%s%d\n30=G:\\" + std::string(400, 'L') + "\n");
  ASSERT_TRUE(m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages()));
  EXPECT_EQ(DirectoryFromCode(m.Script(), 10), "E:\\WIN\\") << "only one trailing backslash is removed";
  EXPECT_EQ(DirectoryFromCode(m.Script(), 11), "F:\\%s%d");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 30), "G:\\" + std::string(256, 'L')) << "no further than the 260-byte buffer";
}

TEST(DirectoryFromCodeTest, WindowsNinetyFiveWithoutTheLibraryKnowsThreeCodes) {
  for (const std::string& hardware : {std::string("[Libraries]\n_THUNK32.DLL=0\n"),
                                      std::string("[MissingEntryPoints]\n_THUNK32.DLL=LDDToPath32\n")}) {
    AppOnMachine m(sim::OsKind::Win95, hardware + "[LogicalDirs]\n10=E:\\ELSEWHERE\n");
    m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages());
    m.ClearMessages();
    EXPECT_EQ(DirectoryFromCode(m.Script(), 10), "C:\\WINDOWS") << hardware;
    EXPECT_EQ(DirectoryFromCode(m.Script(), 11), "C:\\WINDOWS\\SYSTEM") << hardware;
    EXPECT_EQ(DirectoryFromCode(m.Script(), 12), "C:\\WINDOWS\\SYSTEM\\DRIVERS") << hardware;
    EXPECT_TRUE(m.Messages().empty());
    EXPECT_EQ(DirectoryFromCode(m.Script(), 17), "") << hardware;
    EXPECT_EQ(m.CountMessages(kUnknownCode), 1);
  }
}

TEST(DirectoryFromCodeTest, WindowsNtBuildsTheSystemFolderFromTheWindowsFolder) {
  AppOnMachine m(sim::OsKind::NT5);
  ASSERT_TRUE(m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages()));
  EXPECT_FALSE(m.App().GetThunkLibrary().IsLoaded());
  EXPECT_EQ(DirectoryFromCode(m.Script(), 10), "C:\\WINNT");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 11), "C:\\WINNT\\SYSTEM32");
  EXPECT_EQ(DirectoryFromCode(m.Script(), 12), "C:\\WINNT\\SYSTEM32\\DRIVERS");
  EXPECT_TRUE(m.Messages().empty());
  EXPECT_EQ(DirectoryFromCode(m.Script(), 99), "");
  EXPECT_EQ(DirectoryFromCode(m.Script(), -1), "");
  ASSERT_EQ(m.CountMessages(kUnknownCode), 2);
  EXPECT_EQ(m.Messages()[0].inserts, (std::vector<std::string>{"99"}));
  EXPECT_EQ(m.Messages()[1].inserts, (std::vector<std::string>{"-1"}));
}

class RootWindowsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    m_folder = testing_support::MakeTempFolder("winsim-root-");
    ASSERT_TRUE(sim::Machine::Create(m_folder / "m", sim::OsKind::NT4, "ENU", error)) << error;
    const auto ini = m_folder / "m" / "machine.ini";
    std::string text = testing_support::ReadHostFile(ini);
    const std::size_t at = text.find("WindowsDir");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, text.find('\n', at) - at, "WindowsDir=C:\\");
    testing_support::WriteHostFile(ini, text);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(m_folder, ec);
  }
  std::filesystem::path m_folder;
};

TEST_F(RootWindowsFolderTest, TheSystemFolderOfARootWindowsFolderHasOneBackslash) {
  std::string error;
  auto machine = sim::Machine::Open(m_folder / "m", error);
  ASSERT_TRUE(machine) << error;
  sim::SimPlatform platform(*machine, "D:\\SETUP.EXE");
  CInstallApp app(platform.Interfaces(), "");
  EXPECT_EQ(DirectoryFromCode(app.GetSetupScript(), 10), "C:");
  EXPECT_EQ(DirectoryFromCode(app.GetSetupScript(), 11), "C:\\SYSTEM32") << "a Windows folder reported with its backslash";
  EXPECT_EQ(DirectoryFromCode(app.GetSetupScript(), 12), "C:\\SYSTEM32\\DRIVERS");
}

TEST(DestinationTemplateTest, CodesGiveFoldersAndNamesGiveRelativeTemplates) {
  AppOnMachine m(sim::OsKind::NT4);
  m.Context().SetDestDir("D:\\APPS\\HALVION");
  EXPECT_EQ(GetDestinationTemplate(m.Script(), "List = 11"), "C:\\WINNT\\SYSTEM32");
  EXPECT_EQ(GetDestinationTemplate(m.Script(), "List = 12"), "C:\\WINNT\\SYSTEM32\\DRIVERS");
  EXPECT_EQ(GetDestinationTemplate(m.Script(), "List = 10, Fonts2"), "C:\\WINNT\\Fonts2");

  const std::string tools = GetDestinationTemplate(m.Script(), "List = Tools, Bin");
  EXPECT_EQ(tools, "%s\\Tools\\Bin");
  EXPECT_EQ(ExpandDestination(m.Script(), tools), "D:\\APPS\\HALVION\\Tools\\Bin");
  m.Context().SetDestDir("E:\\LATER");
  EXPECT_EQ(ExpandDestination(m.Script(), tools), "E:\\LATER\\Tools\\Bin") << "the folder current when the list runs";
  EXPECT_EQ(ExpandDestination(m.Script(), GetDestinationTemplate(m.Script(), "List = 10")), "C:\\WINNT") << "a complete folder stays";
  EXPECT_EQ(ExpandDestination(m.Script(), GetDestinationTemplate(m.Script(), "List = c:\\WINNT\\, Halvion")),
            "c:\\WINNT\\Halvion") << "a folder naming its drive is absolute";
  EXPECT_EQ(ExpandDestination(m.Script(), GetDestinationTemplate(m.Script(), "List = \\\\SERVER\\SHARE")),
            "\\\\SERVER\\SHARE");
  EXPECT_TRUE(m.Messages().empty());

  EXPECT_EQ(GetDestinationTemplate(m.Script(), "List ="), "") << "an empty directory is code 0";
  EXPECT_EQ(m.CountMessages(kUnknownCode), 1);
  EXPECT_EQ(m.Messages().back().inserts, (std::vector<std::string>{"0"}));
}

TEST(DestinationTemplateTest, PercentSignsInFoldersAreNeverDirectives) {
  AppOnMachine m(sim::OsKind::Win98, "[LogicalDirs]\n10=C:\\100%s%n%d\n");
  ASSERT_TRUE(m.App().GetThunkLibrary().Load(m.App().GetContext(), m.App().GetMessages()));
  m.Context().SetDestDir("C:\\Dest%s%n");
  EXPECT_EQ(ExpandDestination(m.Script(), GetDestinationTemplate(m.Script(), "L = 10")), "C:\\100%s%n%d");
  EXPECT_EQ(ExpandDestination(m.Script(), GetDestinationTemplate(m.Script(), "L = 10, sub%s")), "C:\\100%s%n%d\\sub%s");
  EXPECT_EQ(ExpandDestination(m.Script(), GetDestinationTemplate(m.Script(), "L = Dir%s%n, %d%s")), "C:\\Dest%s%n\\Dir%s%n\\%d%s");
  EXPECT_EQ(ExpandDestination("%s", ""), "");
  EXPECT_EQ(ExpandDestination("", "C:\\X"), "");
  EXPECT_EQ(ExpandDestination("%", "C:\\X"), "%");
}

}  // namespace
