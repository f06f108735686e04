#include "actions/program_runs.h"

#include "actions_fixture.h"
#include "files/file_dialogs.h"
#include "script/value_expansion.h"

namespace {

constexpr const char* kScript =
    "[SourceDisksNames]\r\n1=\"Utility Disk\"\r\n"
    "[SourceDisksFiles]\r\nDISKPROG.EXE=1,tools,100\r\nBAD.EXE=1,tools,1\r\n";

// Answers the disk prompts from a list and records what they were shown.
class ScriptedDialogs : public IFileDialogs {
 public:
  int AskSourceDisk(CFileRecord& record) override { return Answer("disk", record); }
  int AskSourceFile(CFileRecord& record) override { return Answer("file", record); }
  int AskVersionConflict(const CFileRecord&) override { return kDialogReplace; }

  struct Reply {
    int answer;
    std::string newFolder;  // empty: the folder stays
  };
  std::vector<Reply> replies;
  std::vector<std::string> asked;  // "disk 1 Utility Disk D:\CD\tools"

 private:
  int Answer(const char* kind, CFileRecord& record) {
    asked.push_back(std::string(kind) + " " + std::to_string(record.m_nDiskNumber) + " " + record.m_strDiskLabel + " " +
                    record.m_strSourceDir);
    if (replies.empty()) return kDialogCancel;
    const Reply reply = replies.front();
    replies.erase(replies.begin());
    if (!reply.newFolder.empty()) record.m_strSourceDir = reply.newFolder;
    return reply.answer;
  }
};

class ProgramLines : public ::testing::Test {
 protected:
  ProgramLines() {
    m_setup.LoadScript(kScript);
    m_setup.ReadShared(m_setup.App().GetSourceDisksFiles(), "SourceDisksFiles");
    m_setup.ReadShared(m_setup.App().GetSourceDisksNames(), "SourceDisksNames");
    m_setup.Context().SetInstallFrom("D:\\CD");
  }

  // A section of program lines whose destination template is "%s\Bin".
  CScriptSection Section(const std::string& lines) {
    m_setup.LoadScript(std::string(kScript) + "[Run]\r\n" + lines + "\r\n");
    CScriptSection section = m_setup.ReadSection("Run");
    section.SetLabel("%s\\Bin");
    return section;
  }
  // A program file with a scripted effect.
  void PutProgram(const std::string& path, const std::string& effect) {
    m_setup.PutFile(path, "; winsim program\r\n" + effect);
  }
  // The wizard's window: a window of a program that runs on.
  platform::HWND Wizard() {
    PutProgram("C:\\SETUP\\WIZARD.EXE", "runs=99999999999\r\nwindow=SetupWizard,99999999999,Setup\r\n");
    platform::PROCESS_INFORMATION info;
    EXPECT_TRUE(m_setup.Interfaces().Processes().CreateProcessA("C:\\SETUP\\WIZARD.EXE", 0, info));
    return m_setup.Interfaces().Processes().FindWindowA("SetupWizard", {});
  }
  std::string CurrentFolder() {
    char buffer[300] = {};
    m_setup.Interfaces().Files().GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
  }
  bool Started(const std::string& command) const {
    return m_setup.Events().find("process " + command + "\n") != std::string::npos;
  }

  actions_test::ScriptActions m_setup;
  ScriptedDialogs m_dialogs;
};

TEST_F(ProgramLines, AnInstalledProgramRunsInTheDestinationAndIsWaitedFor) {
  std::string startedIn;
  m_setup.Processes().SetBehaviour("SETUP2.EXE", [&](const sim::ProgramStart& start, const sim::Machine&) {
    startedIn = start.currentDirectory;
    sim::ProgramRun run;
    run.runsForMs = 750;
    return run;
  });
  m_setup.PutFile("C:\\HALVION\\Bin\\setup2.exe", "program");
  const platform::HWND wizard = Wizard();
  const std::string before = CurrentFolder();

  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section("setup2.exe, , /s, 1"), wizard, kProgramInstall), 0);
  EXPECT_TRUE(Started("C:\\HALVION\\Bin\\setup2.exe /s"));
  EXPECT_EQ(startedIn, "C:\\HALVION\\Bin\\");
  EXPECT_GE(m_setup.Processes().Now(), 750u);
  EXPECT_EQ(CurrentFolder(), before);
  EXPECT_EQ(m_setup.Events().find("-> show 0"), std::string::npos) << "field 3 not 0 leaves the wizard shown";

  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section("setup2.exe"), wizard, kProgramInstall), 0);
  EXPECT_NE(m_setup.Events().find("window SetupWizard \"Setup\" -> show 0"), std::string::npos);
}

TEST_F(ProgramLines, AProgramThatCannotStartStopsTheSectionOnlyWhenInstalling) {
  PutProgram("C:\\HALVION\\Bin\\after.exe", "");
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section("missing.exe, , -q\r\nafter.exe"), nullptr, kProgramInstall),
            MSG_PROGRAM_NOT_STARTED);
  ASSERT_EQ(m_setup.Messages().size(), 1u);
  EXPECT_EQ(m_setup.Messages()[0].id, MSG_PROGRAM_NOT_STARTED);
  EXPECT_EQ(m_setup.Messages()[0].inserts, std::vector<std::string>{"C:\\HALVION\\Bin\\missing.exe -q"});
  EXPECT_FALSE(Started("C:\\HALVION\\Bin\\after.exe "));

  m_setup.ClearMessages();
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section("missing.exe, , -q\r\nafter.exe"), nullptr, kProgramRemove), 0);
  EXPECT_TRUE(m_setup.Messages().empty());
  EXPECT_TRUE(Started("C:\\HALVION\\Bin\\after.exe "));
}

TEST_F(ProgramLines, ARegisteredUninstallerIsWaitedForWhileItsInstallShieldWindowsAreOpen) {
  const std::string key = "HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + "OldTool";
  sim::ActiveMachine()->Registry().SetString(key, "UninstallString", "C:\\OLD\\UNINST.EXE -y");
  PutProgram("C:\\OLD\\UNINST.EXE",
             "runs=200\r\nexit=0\r\nwindow=InstallSHIELD,3000\r\nwindow=InstallShield_Win,4500,Engine\r\n"
             "delete-key=" + key + "\r\n");
  const platform::HWND wizard = Wizard();

  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", OldTool"), wizard, kProgramRemove), 0);
  EXPECT_TRUE(Started("C:\\OLD\\UNINST.EXE -y"));
  EXPECT_GE(m_setup.Processes().Now(), 4500u) << "the wait lasts while either InstallShield window is open";
  EXPECT_LT(m_setup.Processes().Now(), 4700u);
  EXPECT_FALSE(m_setup.KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "OldTool"));
  EXPECT_NE(m_setup.Events().find("-> show 0"), std::string::npos);

  // The registration is gone now: the line does nothing, and no empty string starts anything.
  const std::string events = m_setup.Events();
  sim::ActiveMachine()->Registry().SetString("HKEY_LOCAL_MACHINE\\" + std::string(kUninstallKey) + "Empty",
                                             "UninstallString", "");
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", OldTool\r\n, Empty"), wizard, kProgramRemove), 0);
  EXPECT_EQ(m_setup.Events(), events);
}

TEST_F(ProgramLines, TheEndOfTheSessionEndsTheWait) {
  PutProgram("C:\\HALVION\\Bin\\hang.exe", "runs=99999999999\r\nwindow=InstallSHIELD,99999999999\r\n");
  m_setup.Processes().SetEndOfSession(5000);
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section("hang.exe, , , 1"), nullptr, kProgramInstall), 0);
  EXPECT_GE(m_setup.Processes().Now(), 5000u);
  EXPECT_LT(m_setup.Processes().Now(), 5200u);
  EXPECT_NE(m_setup.Events().find("session end requested"), std::string::npos);
}

TEST_F(ProgramLines, ADiskProgramRunsInItsSourceFolder) {
  std::string startedIn;
  m_setup.Processes().SetBehaviour("DISKPROG.EXE", [&](const sim::ProgramStart& start, const sim::Machine&) {
    startedIn = start.currentDirectory;
    return sim::ProgramRun{};
  });
  m_setup.PutFile("D:\\CD\\tools\\DISKPROG.EXE", "program");
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", DISKPROG.EXE, /x"), nullptr, kProgramInstall), 0);
  EXPECT_TRUE(Started("D:\\CD\\tools\\DISKPROG.EXE /x"));
  EXPECT_EQ(startedIn, "D:\\CD\\tools\\");
  EXPECT_TRUE(m_dialogs.asked.empty());
}

TEST_F(ProgramLines, AMissingDiskIsAskedForAndTheFolderGivenIsUsed) {
  m_setup.PutFile("D:\\ELSEWHERE\\DISKPROG.EXE", "program");
  m_dialogs.replies = {{kDialogRetry, ""}, {kDialogRetry, "D:\\ELSEWHERE"}};
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", DISKPROG.EXE, /x"), nullptr, kProgramInstall), 0);
  EXPECT_EQ(m_dialogs.asked, (std::vector<std::string>{"disk 1 Utility Disk D:\\CD\\tools",
                                                       "file 1 Utility Disk D:\\CD\\tools"}));
  EXPECT_TRUE(Started("D:\\ELSEWHERE\\DISKPROG.EXE /x"));
}

TEST_F(ProgramLines, CancellingTheDiskPromptEndsTheSectionAndSkippingGoesOn) {
  PutProgram("C:\\HALVION\\Bin\\after.exe", "");
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", DISKPROG.EXE\r\nafter.exe"), nullptr, kProgramInstall), kProgramCancelled);
  EXPECT_FALSE(Started("C:\\HALVION\\Bin\\after.exe "));

  m_dialogs.asked.clear();
  m_dialogs.replies = {{kDialogRetry, ""}, {kDialogSkipFile, ""}};
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", DISKPROG.EXE\r\nafter.exe"), nullptr, kProgramInstall), 0);
  EXPECT_EQ(m_dialogs.asked.size(), 2u);
  EXPECT_TRUE(Started("C:\\HALVION\\Bin\\after.exe "));
  EXPECT_TRUE(m_setup.Messages().empty());
}

TEST_F(ProgramLines, ADiskProgramMissingFromTheFileListIsReportedThenAskedFor) {
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", UNLISTED.EXE"), nullptr, kProgramInstall), kProgramCancelled);
  EXPECT_GE(m_setup.CountMessages(MSG_KEY_NOT_FOUND), 1);
  EXPECT_EQ(m_setup.Messages()[0].inserts, (std::vector<std::string>{"UNLISTED.EX_", "SourceDisksFiles"}));
  ASSERT_EQ(m_dialogs.asked.size(), 1u);
  EXPECT_EQ(m_dialogs.asked[0], "disk 0  ");
}

TEST_F(ProgramLines, ADiskProgramThatFailsForAnotherReasonShows1082) {
  std::filesystem::create_directories(m_setup.Host("D:\\CD\\tools\\BAD.EXE"));
  EXPECT_EQ(RunProgramSection(m_setup.Script(), m_dialogs, Section(", BAD.EXE, -z"), nullptr, kProgramInstall), MSG_PROGRAM_NOT_STARTED);
  ASSERT_EQ(m_setup.CountMessages(MSG_PROGRAM_NOT_STARTED), 1);
  EXPECT_EQ(m_setup.Messages().back().inserts, std::vector<std::string>{"D:\\CD\\tools\\BAD.EXE -z"});
  EXPECT_TRUE(m_dialogs.asked.empty());
}

}  // namespace
