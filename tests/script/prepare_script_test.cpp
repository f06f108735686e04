// The preparation of the merged script: included scripts with their disks,
// the shared sections, a floppy source, the progress bar.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/install_app.h"
#include "install/prepare_script.h"
#include "script/script_line.h"
#include "support/temp_machine.h"

using testing_support::TempMachine;

namespace {

// The first page as the preparation sees it.
class RecordingView final : public IPreparationView {
 public:
  void SetProgressPos(int position) override {
    m_position = position;
    m_positions.push_back(position);
  }
  void SetProgressStep(int step) override { m_step = step; }
  void StepProgress() override {
    m_position += m_step;
    ++m_steps;
  }
  void DisableWizardButtons() override { ++m_disabled; }
  void PressCancel() override { ++m_cancelled; }

  std::vector<int> m_positions;
  int m_position = 0;
  int m_step = -1;
  int m_steps = 0;
  int m_disabled = 0;
  int m_cancelled = 0;
};

std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

class PrepareScriptTest : public ::testing::Test {
 protected:
  explicit PrepareScriptTest(const char* program = "D:\\SETUP.EXE", sim::OsKind os = sim::OsKind::Win98)
      : m_machine(os, program) {
    m_machine.Platform().SetMessageAnswerer([this](const platform::MessageBoxRequest& request) {
      m_messages.push_back(request.messageId);
      return IDOK;
    });
  }

  // Puts a file on drive D (or the drive the program runs from); the main
  // script gets the one key start-up insists on.
  void Put(const std::string& relative, const std::string& text) {
    const bool main = relative == "SETUP.INF";
    m_machine.PutFile(m_drive + relative, text + (main ? "[DestinationDirs]\r\nSetup.Copy=Setup\r\n[Setup]\r\nOptionDesc=Setup\r\n" : ""));
  }

  // Start-up and the preparation; the answer of the page.
  int Prepare(const std::string& commandLine = "/M") {
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), commandLine);
    if (!m_app->StartUp()) return -2;
    return PrepareScript(m_app->GetSession(), m_view, nullptr);
  }
  CScriptText& Script() { return m_app->GetScript(); }
  std::vector<std::string> SectionLines(const std::string& name) {
    CScriptSection section;
    section.Read(Script(), name);
    return section.GetLines();
  }

  TempMachine m_machine;
  std::string m_drive = "drive_d/";
  std::vector<int> m_messages;
  std::unique_ptr<CInstallApp> m_app;
  RecordingView m_view;
};

const std::string kMainDisks = Lines({"[SourceDisksNames]", "1=\"Driver Disk\",disk1.tag,0", "2=\"Utility Disk\",disk2.tag,0",
                                      "[SourceDisksFiles]", "MAIN.DLL=1,,1000", "TOOL.EXE=2,BIN,2000"});

TEST_F(PrepareScriptTest, AnIncludedDiskOfANewDescriptionGetsTheNextNumber) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "EXTRA\\EXTRA.INF"}) + kMainDisks);
  Put("EXTRA/EXTRA.INF", Lines({"[SourceDisksNames]", "1=\"Extra Disk\",extra.tag,0", "[SourceDisksFiles]",
                                "EXTRA.DLL=1,LIB,300", "OTHER.DLL=2,,5"}));
  EXPECT_EQ(Prepare(), 0);
  EXPECT_TRUE(m_messages.empty());

  const auto disks = SectionLines("SourceDisksNames");
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[2], "3=\"Extra Disk\",extra.tag,0");
  const auto files = SectionLines("SourceDisksFiles");
  ASSERT_EQ(files.size(), 3u) << "only the files of the included disk 1 come over";
  EXPECT_EQ(files[2], "EXTRA.DLL=3,EXTRA\\LIB,300");
  // The shared section the setup reads is the merged one.
  EXPECT_EQ(m_app->GetSourceDisksFiles().GetCount(), 3);
  EXPECT_EQ(m_app->GetSourceDisksNames().GetCount(), 3);
  EXPECT_TRUE(SectionLines("IncludeInf").empty());
  EXPECT_EQ(Script().FindSection("IncludeInf"), 0u) << "the include list is gone from the text";
}

TEST_F(PrepareScriptTest, AKnownDescriptionInAnyCaseReusesTheMainNumber) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "EXTRA.INF"}) + kMainDisks);
  Put("EXTRA.INF", Lines({"[SourceDisksNames]", "7=\"UTILITY disk\",other.tag,0", "8=\"Third Disk\",t.tag,0",
                          "[SourceDisksFiles]", "A.EXE=7,.,10", "B.EXE=8,,20"}));
  EXPECT_EQ(Prepare(), 0);
  const auto disks = SectionLines("SourceDisksNames");
  ASSERT_EQ(disks.size(), 3u) << "no line for the known disk";
  EXPECT_EQ(disks[2], "3=\"Third Disk\",t.tag,0");
  const auto files = SectionLines("SourceDisksFiles");
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[2], "A.EXE=2,,10") << "subfolder '.' in a script of the setup folder: no folder";
  EXPECT_EQ(files[3], "B.EXE=3,,20");
}

TEST_F(PrepareScriptTest, TheDiskFolderOverridesTheFileFolderAndDotMeansTheScriptsFolder) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "PARTS\\P1.INF", "PARTS\\P2.INF"}) + kMainDisks);
  Put("PARTS/P1.INF", Lines({"[SourceDisksNames]", "1=\"P1\",p1.tag,0,,DISKDIR", "[SourceDisksFiles]", "X.DLL=1,IGNORED,1"}));
  Put("PARTS/P2.INF", Lines({"[SourceDisksNames]", "1=\"P2\",p2.tag,0", "[SourceDisksFiles]", "Y.DLL=1,.,2"}));
  EXPECT_EQ(Prepare(), 0);
  const auto files = SectionLines("SourceDisksFiles");
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[2], "X.DLL=3,PARTS\\DISKDIR,1");
  EXPECT_EQ(files[3], "Y.DLL=4,PARTS,2") << "'.' gives the included script's own folder";
}

TEST_F(PrepareScriptTest, AnIncludeNotInItsSubfolderIsTakenFromTheSetupFolder) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "MISSING\\EXTRA.INF", "NOWHERE.INF"}) + kMainDisks);
  Put("EXTRA.INF", Lines({"[SourceDisksNames]", "1=\"Extra\",e.tag,0", "[SourceDisksFiles]", "E.DLL=1,SUB,9"}));
  EXPECT_EQ(Prepare(), 0);
  EXPECT_TRUE(m_messages.empty()) << "an include found under neither name is passed over silently";
  const auto files = SectionLines("SourceDisksFiles");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[2], "E.DLL=3,SUB,9") << "found in the setup folder: no relative folder";
}

TEST_F(PrepareScriptTest, SectionsOfTheSameNameAreJoinedOrAppended) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "A.INF", "B.INF", "[Shared]", "main=1"}) + kMainDisks);
  Put("A.INF", Lines({"[Shared]", "a=1", "[Extra]", "first=1", "[Shared]", "again=1"}));
  Put("B.INF", Lines({"[Extra]", "second=1"}));
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(SectionLines("Shared"), (std::vector<std::string>{"main=1", "a=1", "again=1"}))
      << "each occurrence brings its own lines";
  EXPECT_EQ(SectionLines("Extra"), (std::vector<std::string>{"first=1", "second=1"}))
      << "the first include appends the section, the second joins it";
  EXPECT_EQ(SectionLines("SourceDisksNames").size(), 2u) << "includes without disks add none";
}

TEST_F(PrepareScriptTest, AnIncludedScriptsOwnIncludeListIsNeitherFollowedNorKept) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "SUB.INF", "[Main]", "main=1"}) + kMainDisks);
  Put("SUB.INF", Lines({"[IncludeInf]", "SETUP.INF", "[Extra]", "extra=1"}));
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(Script().FindSection("IncludeInf"), 0u) << "the maintenance wizard would merge it all again";
  EXPECT_EQ(SectionLines("Main"), (std::vector<std::string>{"main=1"}));
  EXPECT_EQ(SectionLines("Extra"), (std::vector<std::string>{"extra=1"}));
}

TEST_F(PrepareScriptTest, AMainScriptWithoutDiskListsGetsThem) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "A.INF", "[Version]", "Signature=x"}));
  Put("A.INF", Lines({"[SourceDisksNames]", "4=\"Only\",o.tag,0", "[SourceDisksFiles]", "O.DLL=4,,1"}));
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(SectionLines("SourceDisksNames"), (std::vector<std::string>{"1=\"Only\",o.tag,0"}));
  EXPECT_EQ(SectionLines("SourceDisksFiles"), (std::vector<std::string>{"O.DLL=1,,1"}));
}

TEST_F(PrepareScriptTest, ProgressPositionsAndTheMergeStep) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "A.INF", "B.INF", "C.INF"}) + kMainDisks);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_GE(m_view.m_disabled, 1);
  EXPECT_EQ(m_view.m_step, 166) << "500 / 3";
  EXPECT_EQ(m_view.m_steps, 3);
  EXPECT_EQ(m_view.m_positions, (std::vector<int>{25, 50, 100, 200, 250, 750, 1000}));
  EXPECT_EQ(m_view.m_cancelled, 0);
}

TEST_F(PrepareScriptTest, MoreThanFiveHundredIncludesStepByNothing) {
  std::string list = "[IncludeInf]\r\n";
  for (int i = 0; i < 501; ++i) list += "N" + std::to_string(i) + ".INF\r\n";
  Put("SETUP.INF", list + kMainDisks);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(m_view.m_step, 0);
  EXPECT_EQ(m_view.m_steps, 501);
}

TEST_F(PrepareScriptTest, AStringReferenceInAnIncludeLineCancels) {
  Put("SETUP.INF", Lines({"[IncludeInf]", "%IncName%", "[Strings]", "IncName=A.INF"}) + kMainDisks);
  Put("A.INF", Lines({"[Marker]", "merged=1"}));
  EXPECT_EQ(Prepare(), -1);
  EXPECT_EQ(m_messages, (std::vector<int>{1089})) << "the string sections are not read yet";
  EXPECT_EQ(m_view.m_cancelled, 1);
}

TEST_F(PrepareScriptTest, AMainScriptThatCannotBeLoadedCancelsWithAMessage) {
  Put("SETUP.INF", kMainDisks);
  m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), "/M");
  ASSERT_TRUE(m_app->StartUp());
  std::filesystem::remove(m_machine.Folder() / "drive_d" / "SETUP.INF");
  EXPECT_EQ(PrepareScript(m_app->GetSession(), m_view, nullptr), -1);
  EXPECT_EQ(m_view.m_positions, (std::vector<int>{25, 50}));
  EXPECT_EQ(m_messages, (std::vector<int>{1085}));
  EXPECT_EQ(m_view.m_cancelled, 1);
}

TEST_F(PrepareScriptTest, NoThunkLibraryOnWindows98Cancels) {
  Put("SETUP.INF", kMainDisks);
  m_machine.SetHardware("[Libraries]\r\n_THUNK32.DLL=0\r\n");
  m_machine.Platform().SetMessageAnswerer([this](const platform::MessageBoxRequest& request) {
    m_messages.push_back(request.messageId);
    return IDOK;
  });
  EXPECT_EQ(Prepare(), -1);
  EXPECT_EQ(m_messages, (std::vector<int>{1087}));
  EXPECT_EQ(m_view.m_positions, (std::vector<int>{25}));
}

class FloppyPrepareTest : public PrepareScriptTest {
 protected:
  FloppyPrepareTest() : PrepareScriptTest("A:\\SETUP.EXE") { m_drive = "drive_a/"; }
};

TEST_F(FloppyPrepareTest, AFloppySourceTakesEveryFileFromItsDisksRoot) {
  std::filesystem::create_directories(m_machine.Folder() / "drive_a");
  Put("SETUP.INF", kMainDisks);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(SectionLines("SourceDisksFiles"), (std::vector<std::string>{"MAIN.DLL=1,,1000", "TOOL.EXE=2,,2000"}));
  EXPECT_EQ(GetField(m_app->GetSourceDisksFiles().GetLine(1), 2), "");
}

TEST_F(PrepareScriptTest, AHardDiskSourceKeepsItsSubfolders) {
  Put("SETUP.INF", kMainDisks);
  EXPECT_EQ(Prepare(), 0);
  EXPECT_EQ(SectionLines("SourceDisksFiles"), (std::vector<std::string>{"MAIN.DLL=1,,1000", "TOOL.EXE=2,BIN,2000"}));
}

}  // namespace
