// Whole runs of the sample distribution's fresh-install wizard, driven by
// answers files: the pages it moves through, forward and back.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/temp_machine.h"
#include "support/example_machines.h"
#include "support/winsim_command.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Winsim;
using Lines = std::vector<std::string>;

class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = testing_support::MakeTempFolder("winsim-navigation-");
    ASSERT_EQ(Winsim({"new", Machine()}).status, 0);
    testing_support::UseExampleHardware(Machine(), "win98-adapter");
    ASSERT_EQ(Winsim({"insert", Machine(), SETUP_SAMPLE_DIR}).status, 0);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string Machine() const { return (m_dir / "m").string(); }

  // The page host's lines of events.log after a run with these [Pages] answers.
  Lines Run(const std::string& pages, const std::vector<std::string>& options = {}) {
    testing_support::WriteHostFile(m_dir / "answers.ini", "[Pages]\n" + pages);
    std::vector<std::string> args{"run", Machine(), "D:\\SETUP.EXE"};
    args.insert(args.end(), options.begin(), options.end());
    if (!pages.empty()) {
      args.push_back("--answers");
      args.push_back((m_dir / "answers.ini").string());
    }
    const auto result = Winsim(args);
    // The machine and the command line were usable; how the run ended is the test's to look at.
    EXPECT_TRUE(result.status != 1 && result.status != 2) << result.status << " " << result.err;
    Lines lines;
    std::istringstream events(testing_support::ReadHostFile(m_dir / "m" / "events.log"));
    for (std::string line; std::getline(events, line);) {
      for (const char* word : {"page ", "press ", "refused ", "wizard "}) {
        if (line.rfind(word, 0) == 0) lines.push_back(line);
      }
    }
    return lines;
  }
  bool Installed() const { return fs::exists(m_dir / "m" / "drive_c" / "TOOLS"); }

  fs::path m_dir;
};

TEST_F(NavigationTest, BackAndNextOnEveryPage) {
  const Lines lines = Run(
      "language = next\n"
      "type = back\n"          // to the language page; the first page prepares again
      "language = next\n"
      "type = text 1009 C:\\TOOLS, click 1003\n"  // custom
      "custom = back\n"
      "type = click 1003\n"
      "custom = next\n"
      "readme = back\n"        // custom chosen: back to the custom page
      "custom = next\n"
      "readme = next\n"        // the progress page installs and moves on by itself
      "license = ok\n"         // the utilities' licence, before anything is installed
      "finish = back, cancel\n");  // the driver asks for a restart: Next restarts, Cancel leaves
  EXPECT_EQ(lines, (Lines{"page 129 language", "press next on 129", "page 130 prepare", "page 213 type",
                          "press back on 213", "page 129 language", "press next on 129", "page 130 prepare",
                          "page 213 type", "press 1003 on 213", "page 132 custom", "press back on 132",
                          "page 213 type", "press 1003 on 213", "page 132 custom", "press next on 132",
                          "page 209 readme", "press back on 209", "page 132 custom", "press next on 132",
                          "page 209 readme", "press next on 209", "page 210 progress", "press 1 on 214",
                          "page 211 finish", "refused back on 211: the back button is disabled",
                          "press cancel on 211", "wizard ends by cancel"}));
  EXPECT_TRUE(Installed());
}

TEST_F(NavigationTest, MinimalAndTypicalPassTheCustomPageBothWays) {
  const Lines lines = Run(
      "language = next\n"
      "type = click 1002\n"
      "readme = back\n"
      "type = click 1001\n"
      "readme = back\n"
      "type = next\n"
      "readme = back\n"
      "type = cancel\n");
  EXPECT_EQ(lines, (Lines{"page 129 language", "press next on 129", "page 130 prepare", "page 213 type",
                          "press 1002 on 213", "page 209 readme", "press back on 209", "page 213 type",
                          "press 1001 on 213", "page 209 readme", "press back on 209", "page 213 type",
                          "press next on 213", "page 209 readme", "press back on 209", "page 213 type",
                          "press cancel on 213", "wizard ends by cancel"}));
  EXPECT_FALSE(Installed());
}

TEST_F(NavigationTest, CancelEndsTheWizardOnEveryPageThatWaits) {
  const std::vector<std::pair<std::string, std::string>> runs = {
      {"language = cancel\n", "129"},
      {"language = next\ntype = cancel\n", "213"},
      {"language = next\ntype = click 1003\ncustom = cancel\n", "132"},
      {"language = next\ntype = click 1002\nreadme = cancel\n", "209"},
  };
  for (const auto& [pages, last] : runs) {
    SCOPED_TRACE(pages);
    const Lines lines = Run(pages);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "press cancel on " + last);
    EXPECT_EQ(lines.back(), "wizard ends by cancel");
    EXPECT_FALSE(Installed());
    fs::remove(m_dir / "m" / "events.log");
  }
}

TEST_F(NavigationTest, ARunWithoutAnswersStopsWhereAPageWaits) {
  const Lines lines = Run("");
  EXPECT_EQ(lines, (Lines{"page 129 language", "wizard waits on 129 with nobody to answer: cancelled",
                          "wizard ends by cancel"}));
  fs::remove(m_dir / "m" / "events.log");
  // Unattended, the pages move on by their timers and nobody is asked.
  EXPECT_EQ(Run("", {"/S"}), (Lines{"page 129 language", "page 130 prepare", "page 213 type", "page 209 readme",
                                    "page 210 progress", "page 211 finish", "wizard ends by cancel"}));
}

}  // namespace
