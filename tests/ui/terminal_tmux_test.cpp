// The terminal wizard as a person meets it: `winsim run` of the sample in a
// tmux pane, keys typed into it (send-keys) and the screen read back
// (capture-pane): a custom installation with a sub-component dialog and its
// dependency question, then the removal through the maintenance wizard.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/temp_machine.h"
#include "support/winsim_command.h"

namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

// One program in a pane of a private tmux server, 100 x 50 cells.
class TmuxPane {
 public:
  explicit TmuxPane(const std::string& command)
      : m_tmux("tmux -f /dev/null -L setup-ui-" + std::to_string(getpid()) + "-" + std::to_string(++s_count)) {
    std::system((m_tmux + " new-session -d -x 100 -y 50 " + Quoted(command)).c_str());
  }
  ~TmuxPane() { std::system((m_tmux + " kill-server 2>/dev/null").c_str()); }
  TmuxPane(const TmuxPane&) = delete;
  TmuxPane& operator=(const TmuxPane&) = delete;

  // The pane with its history, lines that tmux wrapped joined, blank lines at the end left out.
  std::string Screen() const {
    std::string text = Output(m_tmux + " capture-pane -p -J -S - -t 0");
    text.erase(text.find_last_not_of('\n') + 1);
    return text;
  }
  // A line typed and Enter; what comes after it is what the next wait reads.
  void Type(const std::string& line) {
    m_mark = Screen().size();
    std::system((m_tmux + " send-keys -t 0 -l " + Quoted(line)).c_str());
    std::system((m_tmux + " send-keys -t 0 Enter").c_str());
  }
  // What the pane shows after the last line typed, once it holds `text`;
  // empty when it does not within a minute.
  std::string WaitFor(const std::string& text) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
      const std::string screen = Screen();
      const std::string since = screen.size() > m_mark ? screen.substr(m_mark) : std::string();
      if (since.find(text) != std::string::npos) return since;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "the pane never showed \"" << text << "\"; it shows:\n" << Screen();
    return {};
  }

 private:
  static inline int s_count = 0;
  std::string m_tmux;
  std::size_t m_mark = 0;
};

// The last line of `screen` that holds `text`.
std::string LineWith(const std::string& screen, const std::string& text) {
  const std::size_t at = screen.rfind(text);
  if (at == std::string::npos) return {};
  const std::size_t start = screen.rfind('\n', at);
  const std::size_t end = screen.find('\n', at);
  return screen.substr(start == std::string::npos ? 0 : start + 1, end == std::string::npos ? end : end - start - 1);
}

// Whether a button is drawn by its control number ("[#1003]") instead of what it stands for.
bool HasPlaceholder(const std::string& screen) {
  for (std::size_t at = screen.find("[#"); at != std::string::npos; at = screen.find("[#", at + 1)) {
    if (at + 2 < screen.size() && std::isdigit(static_cast<unsigned char>(screen[at + 2]))) return true;
  }
  return false;
}

// The number a person types for a button drawn as N[label].
std::string NumberOf(const std::string& screen, const std::string& label) {
  const std::size_t at = screen.rfind("[" + label + "]");
  if (at == std::string::npos) return "?";
  std::size_t start = at;
  while (start > 0 && std::isdigit(static_cast<unsigned char>(screen[start - 1]))) --start;
  return screen.substr(start, at - start);
}

class TerminalTmuxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
    m_folder = testing_support::MakeTempFolder("setup-tmux-");
    m_machine = (m_folder / "machine").string();
    ASSERT_EQ(testing_support::Winsim({"new", m_machine, "--os", "win98"}).status, 0);
    fs::copy_file(fs::path(SETUP_EXAMPLE_MACHINES_DIR) / "win98-adapter.hardware.ini",
                  fs::path(m_machine) / "hardware.ini", fs::copy_options::overwrite_existing);
    ASSERT_EQ(testing_support::Winsim({"insert", m_machine, SETUP_SAMPLE_DIR}).status, 0);
  }
  void TearDown() override {
    std::error_code ec;
    if (!m_folder.empty()) fs::remove_all(m_folder, ec);
  }
  std::string Run(const std::string& program) const {
    return std::string(SETUP_WINSIM) + " run " + Quoted(m_machine) + " " + Quoted(program) +
           "; echo winsim ended $?; sleep 600";
  }
  bool OnDrive(const std::string& path) const { return fs::exists(fs::path(m_machine) / "drive_c" / path); }

  fs::path m_folder;
  std::string m_machine;
};

TEST_F(TerminalTmuxTest, ACustomInstallationAndItsRemovalAtTheTerminal) {
  {
    TmuxPane pane(Run("D:\\SETUP.EXE"));
    pane.WaitFor("Choose the language");
    pane.Type("n");
    const std::string type = pane.WaitFor("Click the type of setup");
    EXPECT_FALSE(HasPlaceholder(type)) << type;
    EXPECT_NE(LineWith(type, "[Typical]").find("Typical: installs"), std::string::npos) << type;
    EXPECT_NE(LineWith(type, "[Minimal]").find("Minimal: installs"), std::string::npos) << type;
    EXPECT_NE(LineWith(type, "[Custom]").find("Custom: lets you"), std::string::npos) << type;
    pane.Type(NumberOf(type, "Custom"));

    pane.WaitFor("Select the components");
    pane.Type("d 2");  // the display utilities' components
    pane.WaitFor("Components of Display utilities");
    pane.Type("x 2");  // the panel help ticked
    pane.WaitFor("[x] Panel help");
    pane.Type("x 0");  // the panel cleared: the help needs it
    const std::string question = pane.WaitFor("Dependent Components");
    EXPECT_NE(question.find("Panel help"), std::string::npos) << question;
    pane.Type("o");  // Yes: both cleared
    const std::string components = pane.WaitFor("Components of Display utilities");
    EXPECT_NE(components.find("[ ] Display panel"), std::string::npos) << components;
    EXPECT_NE(components.find("[ ] Panel help"), std::string::npos) << components;
    pane.Type("o");
    pane.WaitFor("Select the components");
    pane.Type("n");
    pane.WaitFor("Please read the following information");
    pane.Type("n");
    pane.WaitFor("Licence of the Vela display utilities");
    pane.Type("o");  // I Accept
    pane.WaitFor("Setup has finished installing");
    pane.Type("c");  // no restart now
    const std::string end = pane.WaitFor("winsim ended");
    EXPECT_NE(end.find("winsim ended 0"), std::string::npos) << end;
  }
  EXPECT_TRUE(OnDrive("Program Files/Halvion/Video/VELAPLAY.EXE"));
  EXPECT_FALSE(OnDrive("Program Files/Halvion/Panel/VELAPNL.EXE")) << "the panel was cleared";
  ASSERT_TRUE(OnDrive("Program Files/Halvion/display/SETUP.EXE"));

  TmuxPane pane(Run("C:\\Program Files\\Halvion\\display\\SETUP.EXE"));
  const std::string choose = pane.WaitFor("Click what you want to do");
  EXPECT_FALSE(HasPlaceholder(choose)) << choose;
  EXPECT_NE(LineWith(choose, "[Modify]").find("Modify: add"), std::string::npos) << choose;
  EXPECT_NE(LineWith(choose, "[Reinstall]").find("Reinstall: installs"), std::string::npos) << choose;
  EXPECT_NE(LineWith(choose, "[Remove]").find("Remove: removes"), std::string::npos) << choose;
  pane.Type(NumberOf(choose, "Remove"));
  pane.WaitFor("Setup has removed");
  pane.Type("c");
  const std::string end = pane.WaitFor("winsim ended");
  EXPECT_NE(end.find("winsim ended 0"), std::string::npos) << end;
  EXPECT_FALSE(OnDrive("Program Files/Halvion/Video/VELAPLAY.EXE")) << "removed";
}

}  // namespace
