// Attended installations of the sample distribution on Windows 98 and NT 4,
// driven page by page and dialog by dialog: the custom page with its
// sub-component dialog and dependency question, the licence, missing disks
// and files, version conflicts, the change of components in the maintenance
// wizard, and the quiet runs that ask nothing.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <sstream>

#include "app/install_app.h"
#include "components/component.h"
#include "ui/terminal/terminal_front_end.h"
#include "support/temp_machine.h"
#include "ui/headless/headless_host.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadHostFile;

// What the person saw at one wait: the page or dialog, and its space line.
struct Seen {
  platform::UINT templateId = 0;
  std::string required;
};

// Acts on each wait with the next line of its script, and notes what it saw.
class ScriptedPerson final : public ui::IPerson {
 public:
  explicit ScriptedPerson(std::vector<std::string> script) : m_script(script.begin(), script.end()) {}

  std::optional<std::vector<ui::PageAction>> Act(const ui::HeadlessHost& host) override {
    const ui::ControlSet* controls = host.ActiveControls();
    const ui::ControlModel* required = controls != nullptr ? controls->Find(1019) : nullptr;
    seen.push_back({host.ActiveTemplateId(), required != nullptr ? required->text : std::string()});
    if (const ui::ControlSet* c = host.ActiveControls(); c != nullptr && host.ActiveTemplateId() == 142) {
      conflictDescription = c->Find(1025)->text;
      conflictVersion = c->Find(1026)->text;
    }
    if (m_script.empty()) return std::nullopt;
    std::string error;
    auto actions = ui::ParsePageActions(m_script.front(), error);
    EXPECT_TRUE(actions) << error;
    m_script.pop_front();
    return actions;
  }
  void Refused(const ui::PageAction& action, const std::string& why) override {
    refused.push_back(action.ToString() + ": " + why);
  }
  std::optional<std::string> BrowseForFolder(const sim::Machine&) override { return std::nullopt; }
  void ProgressMoved(const ui::ControlModel&) override {}

  std::vector<Seen> seen;
  std::vector<std::string> refused;
  std::string conflictDescription, conflictVersion;

 private:
  std::deque<std::string> m_script;
};

class DialogRunTest : public ::testing::TestWithParam<sim::OsKind> {
 protected:
  DialogRunTest() : m_machine(GetParam(), "D:\\SETUP.EXE") {
    fs::copy(SETUP_SAMPLE_DIR, m_machine.Folder() / "drive_d", fs::copy_options::recursive);
    // The sample's adapter, set up by Windows: detection finds its model.
    m_machine.SetHardware(
        ReadHostFile(fs::path(SETUP_EXAMPLE_MACHINES_DIR) / "win98-adapter.hardware.ini"));
  }
  bool Nt() const { return GetParam() == sim::OsKind::NT4; }
  fs::path C(const std::string& relative) const { return m_machine.Folder() / "drive_c" / relative; }
  fs::path System(const std::string& name) const {
    return C((Nt() ? "WINNT/SYSTEM32/" : "WINDOWS/SYSTEM/") + name);
  }
  fs::path Program(const std::string& relative) const { return C("Program Files/Halvion/" + relative); }

  // Runs the program started as `program` with `options`; returns what
  // events.log gained.
  std::string Run(const std::string& options, std::vector<std::string> script,
                  const std::string& program = "D:\\SETUP.EXE") {
    person = std::make_unique<ScriptedPerson>(std::move(script));
    const std::string events = RunWith(*person, options, program);
    EXPECT_TRUE(person->refused.empty()) << person->refused.front();
    return events;
  }
  std::string RunWith(ui::IPerson& someone, const std::string& options, const std::string& program = "D:\\SETUP.EXE") {
    const std::string before = ReadHostFile(m_machine.Folder() / "events.log");
    {
      // The program as started from `program`, its wizard answered by the person.
      sim::SimPlatform platform(m_machine.Machine(), program);
      ui::HeadlessHost host(platform, nullptr, &someone);
      platform.SetWizardHost(&host);
      CInstallApp app(platform.Interfaces(), options);
      app.Run();
      flags = app.GetContext().GetFlags();
    }
    return ReadHostFile(m_machine.Folder() / "events.log").substr(before.size());
  }
  static bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }
  // The space lines seen on the waits of one template, in order.
  std::vector<std::string> Spaces(platform::UINT templateId) const {
    std::vector<std::string> lines;
    for (const Seen& s : person->seen) {
      if (s.templateId == templateId) lines.push_back(s.required);
    }
    return lines;
  }

  testing_support::TempMachine m_machine;
  std::unique_ptr<ScriptedPerson> person;
  std::uint32_t flags = 0;
};

INSTANTIATE_TEST_SUITE_P(Systems, DialogRunTest, ::testing::Values(sim::OsKind::Win98, sim::OsKind::NT4));

// Top-level rows: 0 Setup program, 1 the adapter's driver, 2 Display utilities. The utilities' rows:
// 0 panel, 1 tray monitor, 2 panel help, 3 video tools, 4 monitor profiles.
TEST_P(DialogRunTest, TheCustomTypeInstallsExactlyWhatWasChosen) {
  const std::string events = Run("", {"next", "click 1003",
                                      "toggle 0",                    // no setup program
                                      "select 1012 2, click 1014",   // the utilities' dialog
                                      "toggle 2",                    // panel help on
                                      "toggle 3",                    // video tools off
                                      "ok", "next", "next",
                                      "ok",                          // the licence
                                      "cancel"});
  EXPECT_TRUE(Has(events, "dialog 208 subcomponents")) << events;
  EXPECT_TRUE(Has(events, "dialog 214 license")) << events;
  EXPECT_TRUE(fs::exists(Program("Panel/VELAPNL.EXE")));
  EXPECT_TRUE(fs::exists(Program("Panel/Help/VELAPNL.HLP"))) << "the child ticked in the dialog";
  EXPECT_FALSE(fs::exists(Program("Video/VELAPLAY.EXE"))) << "the child cleared in the dialog";
  EXPECT_FALSE(fs::exists(Program("Panel/VELATRAY.EXE"))) << "left as the type chose";
  EXPECT_FALSE(fs::exists(Program("display/SETUP.EXE"))) << "the top-level row cleared";
  EXPECT_TRUE(fs::exists(System("VELARUN.DLL"))) << "the hidden runtime the panel needs";
  // Every click changed the space line at once, on the page and in the dialog.
  const auto page = Spaces(132), dialog = Spaces(208);
  ASSERT_EQ(page.size(), 3u);
  ASSERT_EQ(dialog.size(), 3u);
  EXPECT_NE(page[0], page[1]);
  EXPECT_NE(dialog[0], dialog[1]);
  EXPECT_NE(dialog[1], dialog[2]);
  EXPECT_EQ(page[2], dialog[2]) << "the page shows what the dialog confirmed";
}

TEST_P(DialogRunTest, CancellingTheSubComponentDialogRestoresItsSubtree) {
  Run("", {"next", "click 1003", "open 2", "toggle 0", "toggle 3", "cancel", "next", "next", "ok", "cancel"});
  EXPECT_TRUE(fs::exists(Program("Panel/VELAPNL.EXE")));
  EXPECT_TRUE(fs::exists(Program("Video/VELAPLAY.EXE")));
  const auto page = Spaces(132);
  ASSERT_EQ(page.size(), 2u);
  EXPECT_EQ(page[0], page[1]) << "nothing changed";
}

TEST_P(DialogRunTest, TheDependencyQuestionGuardsAClickThatChangesOthers) {
  // Panel help needs the panel: clearing the panel asks, No keeps both,
  // Yes clears both.
  const std::string events = Run("", {"next", "click 1003", "open 2", "toggle 2", "toggle 0",
                                      "cancel",  // the question: No
                                      "toggle 0",
                                      "ok",      // the question: Yes
                                      "ok", "next", "next", "ok", "cancel"});
  EXPECT_EQ(std::count_if(person->seen.begin(), person->seen.end(), [](const Seen& s) { return s.templateId == 215; }),
            2);
  EXPECT_TRUE(Has(events, "dialog 215 ends with 2")) << events;
  EXPECT_TRUE(Has(events, "dialog 215 ends with 1")) << events;
  const auto dialog = Spaces(208);
  ASSERT_GE(dialog.size(), 4u);
  EXPECT_EQ(dialog[1], dialog[2]) << "declined: the old selection stays";
  EXPECT_NE(dialog[2], dialog[3]) << "accepted: both cleared";
  EXPECT_FALSE(fs::exists(Program("Panel/VELAPNL.EXE")));
  EXPECT_FALSE(fs::exists(Program("Panel/Help/VELAPNL.HLP")));
  EXPECT_TRUE(fs::exists(Program("Video/VELAPLAY.EXE")));
}

TEST_P(DialogRunTest, ADeclinedLicenceReturnsToTheTypePageAndAnAcceptedOneInstalls) {
  const std::string events = Run("", {"next", "next", "next", "cancel", "next", "next", "ok", "cancel"});
  const std::size_t declined = events.find("dialog 214 ends with 2");
  ASSERT_NE(declined, std::string::npos) << events;
  EXPECT_EQ(events.find("page 213 type", declined), events.find("page ", declined)) << events;
  EXPECT_TRUE(Has(events, "dialog 214 ends with 1")) << events;
  EXPECT_TRUE(fs::exists(Program("Panel/VELAPNL.EXE")));
}

TEST_P(DialogRunTest, AMissingDiskIsFoundInAnotherFolderAndAMissingFileSkipped) {
  // Disk 2 lies in C:\SPARE, except the panel itself.
  const fs::path spare = C("SPARE");
  fs::create_directories(spare);
  for (const char* folder : {"UTILS", "MONITOR/PROFILES"}) {
    for (const auto& entry : fs::directory_iterator(m_machine.Folder() / "drive_d" / folder)) {
      if (entry.is_regular_file()) fs::copy(entry.path(), spare / entry.path().filename());
    }
  }
  fs::remove_all(m_machine.Folder() / "drive_d" / "UTILS");
  for (const char* name : {"VELAPNL.EXE", "VELAPNL.EX_"}) fs::remove(spare / name);
  const std::string events =
      Run("", {"next", "next", "next", "ok", "text 1023 C:\\SPARE, ok", "click 1024", "cancel"});
  EXPECT_TRUE(Has(events, "dialog 140 source-disk")) << events;
  EXPECT_TRUE(Has(events, "dialog 141 source-file")) << events;
  EXPECT_TRUE(Has(events, "press 1024 on 141")) << "the skip is recorded: " << events;
  EXPECT_TRUE(Has(events, "dialog 141 ends with 1024")) << events;
  EXPECT_TRUE(fs::exists(Program("Panel/VELAREG.EXE"))) << "copied from the folder entered";
  EXPECT_FALSE(fs::exists(Program("Panel/VELAPNL.EXE")));
  EXPECT_EQ(flags & 0x100000u, 0u) << "the run did not fail";
}

TEST_P(DialogRunTest, AVersionConflictKeepsOrReplacesTheNewerFile) {
  const std::string newer = ReadHostFile(fs::path(SETUP_VERSION_FILES_DIR) / "V9.DLL");
  testing_support::WriteHostFile(System("VELARUN.DLL"), newer);
  std::string events = Run("", {"next", "next", "next", "ok", "ok", "cancel"});
  EXPECT_TRUE(Has(events, "dialog 142 version-conflict")) << events;
  EXPECT_EQ(ReadHostFile(System("VELARUN.DLL")), newer) << "kept byte for byte";
  EXPECT_EQ(person->conflictDescription, "Conformance test library");
  EXPECT_EQ(person->conflictVersion, "9.0.0.0");

  // The utilities are installed now: no licence this time.
  events = Run("", {"next", "next", "next", "cancel", "cancel"});
  // The CD holds it compressed; the build keeps the program it was made from.
  const fs::path programs = fs::path(SETUP_SAMPLE_DIR).parent_path() / "sample-programs";
  EXPECT_EQ(ReadHostFile(System("VELARUN.DLL")), ReadHostFile(programs / "VELARUN.DLL")) << "replaced by the CD's file";
}

TEST_P(DialogRunTest, ChangingTheComponentsRemovesOneAndAddsAnother) {
  Run("", {"next", "next", "next", "ok", "cancel"});
  ASSERT_TRUE(fs::exists(Program("Video/VELAPLAY.EXE")));
  ASSERT_FALSE(fs::exists(Program("Panel/Help/VELAPNL.HLP")));
  const std::string events = Run("", {"click 1040", "open 2", "toggle 3", "toggle 2", "ok", "next", "cancel"},
                                 "C:\\Program Files\\Halvion\\display\\SETUP.EXE");
  EXPECT_TRUE(Has(events, "page 132 custom")) << events;
  EXPECT_FALSE(fs::exists(Program("Video/VELAPLAY.EXE"))) << "removed";
  EXPECT_TRUE(fs::exists(Program("Panel/Help/VELAPNL.HLP"))) << "added";
  EXPECT_TRUE(fs::exists(Program("Panel/VELAPNL.EXE"))) << "left alone";
  EXPECT_FALSE(IsMarkedInstalled(m_machine.Interfaces(), "Video tools")) << "its marker goes with it";
  EXPECT_TRUE(IsMarkedInstalled(m_machine.Interfaces(), "Panel help"));
  EXPECT_TRUE(IsMarkedInstalled(m_machine.Interfaces(), "Display panel"));
  const auto page = Spaces(132);
  ASSERT_FALSE(page.empty());
  EXPECT_NE(page.front(), "") << "the list has rows and a space line";
}

TEST_P(DialogRunTest, QuietRunsAnswerTheFileQuestionsUnasked) {
  const std::string newer = ReadHostFile(fs::path(SETUP_VERSION_FILES_DIR) / "V9.DLL");
  testing_support::WriteHostFile(System("VELARUN.DLL"), newer);
  std::string events = Run("/SE", {});
  EXPECT_FALSE(Has(events, "dialog ")) << events;
  EXPECT_NE(ReadHostFile(System("VELARUN.DLL")), newer) << "a quiet run replaces a conflicting file";

  fs::remove_all(m_machine.Folder() / "drive_d" / "UTILS");
  events = Run("/SE", {});
  EXPECT_FALSE(Has(events, "dialog ")) << events;
  EXPECT_NE(flags & 0x100000u, 0u) << "a missing disk cancels a quiet run";
}

TEST_P(DialogRunTest, TheTerminalDrawsTheListsMarksAndOpensTheDialogInPlace) {
  std::istringstream in("n\nclick 1003\nx 0\nd 2\nx 3\no\n");
  std::ostringstream out;
  ui::TerminalFrontEnd terminal(in, out, 1252);
  RunWith(terminal, "");
  const std::string shown = out.str();
  EXPECT_TRUE(Has(shown, "[x] Setup program")) << shown;
  EXPECT_TRUE(Has(shown, "[ ] Setup program")) << "cleared by x 0: " << shown;
  EXPECT_TRUE(Has(shown, "[~] Display utilities")) << shown;
  EXPECT_TRUE(Has(shown, "Display utilities  (dialog over")) << "the dialog's title names its parent: " << shown;
  EXPECT_TRUE(Has(shown, "[x] Video tools")) << shown;
  EXPECT_TRUE(Has(shown, "[ ] Video tools")) << shown;
  EXPECT_TRUE(Has(shown, " MB")) << "sizes at the right: " << shown;
}

}  // namespace
