// The terminal wizard: pages drawn from the real templates, commands read
// from a stream, the live progress line.
#include <gtest/gtest.h>

#include <sstream>

#include "fake_wizard.h"
#include "support/bitmap_files.h"
#include "ui/terminal/terminal_front_end.h"
#include "wizard/language_page.h"

namespace {

using namespace ui_test;

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// The page as the terminal shows it when the page first waits.
class TerminalTest : public HostTest {
 protected:
  std::string Show(FakeSheet& sheet, std::vector<int>* numbered = nullptr) {
    std::string drawn;
    // The drawing taken while the page waits, by a person who then goes away.
    struct Watcher : ui::IPerson {
      std::string* drawn;
      std::vector<int>* numbered;
      std::optional<std::vector<ui::PageAction>> Act(const ui::HeadlessHost& h) override {
        const ui::PageDrawing d = ui::DrawPage(h, 1252);
        *drawn = d.text;
        if (numbered != nullptr) *numbered = d.numbered;
        return std::nullopt;
      }
      void Refused(const ui::PageAction&, const std::string&) override {}
      std::optional<std::string> BrowseForFolder(const sim::Machine&) override { return std::nullopt; }
      void ProgressMoved(const ui::ControlModel&) override {}
    } watcher;
    watcher.drawn = &drawn;
    watcher.numbered = numbered;
    ui::HeadlessHost watched(Platform(), nullptr, &watcher);
    watched.RunWizard(sheet);
    return drawn;
  }
};

// A 40 x 20 picture, black on its left half and grey on its right, run-length encoded.
platform::PagePicture HalfBlackPicture() {
  testing_support::PalettePicture halves{40, 20, 8, {}, {0x000000, 0x808080}};
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) halves.indices.push_back(x < 20 ? 0 : 1);
  }
  const std::string file = testing_support::BitmapFile(halves, 1);
  return ReadPagePicture(std::vector<char>(file.begin(), file.end())).value();
}

TEST_F(TerminalTest, TheLanguagePageIsDrawnFromItsTemplate) {
  Journal journal;
  FakeSheet sheet({kLanguage}, journal);
  sheet.Page(0).onInit = [](FakePage& p) {
    p.Window().CheckRadioButton(3, 21, 7);
    return true;
  };
  sheet.Page(0).onActive = [](FakePage& p) { p.Sheet().SetWizardButtons(platform::PSWIZB_NEXT); };
  const platform::PagePicture picture = HalfBlackPicture();
  sheet.Page(0).picture = &picture;
  std::vector<int> numbered;
  const std::string page = Show(sheet, &numbered);
  EXPECT_NE(page.find("Halvion Setup"), std::string::npos) << page;
  EXPECT_NE(page.find("Choose the language"), std::string::npos) << page;
  EXPECT_NE(page.find("5(•) English"), std::string::npos) << page;
  EXPECT_NE(page.find("8( ) Deutsch"), std::string::npos) << page;
  EXPECT_NE(page.find("( ) Fran\xC3\xA7" "ais"), std::string::npos) << "the library's code page as UTF-8\n" << page;
  // Names whole: the second column moves right to make room.
  EXPECT_NE(page.find("1( ) Zhongwen (Jianti) 11( ) Hangugeo"), std::string::npos) << page;
  EXPECT_NE(page.find("( ) Portugu\xC3\xAAs (Brasil)"), std::string::npos) << page;
  EXPECT_EQ(Count(page, "•"), 1u);
  EXPECT_EQ(Count(page, "( )"), 18u);
  // The picture in shades at its place: 8 x 14 pixels a cell, black, the
  // edge between black and grey, grey.
  std::istringstream rows(page);
  std::vector<std::string> lines;
  for (std::string line; std::getline(rows, line);) lines.push_back(line);
  ASSERT_GT(lines.size(), 11u);
  EXPECT_NE(lines[11].find("██▓▒▒"), std::string::npos) << "page row 9, columns 74-78\n" << page;
  EXPECT_EQ(Count(page, "██▓▒▒"), 1u) << page;
  // Back is off: drawn without its key and brackets.
  EXPECT_NE(page.find("n [Next >]"), std::string::npos) << page;
  EXPECT_NE(page.find("c [Cancel]"), std::string::npos) << page;
  EXPECT_EQ(page.find("[< Back]"), std::string::npos) << page;
  EXPECT_NE(page.find("< Back"), std::string::npos) << page;
  ASSERT_EQ(numbered.size(), 19u);
  EXPECT_EQ(numbered[0], 3);
  EXPECT_EQ(numbered[7], 10);
  // 80 columns at most.
  for (const std::string& line : lines) {
    std::size_t cells = 0;
    for (unsigned char c : line) cells += (c & 0xC0) != 0x80;
    EXPECT_LE(cells, 80u) << line;
  }
}

TEST_F(TerminalTest, APictureIsDrawnInColoursWhereTheTerminalShowsThem) {
  Journal journal;
  FakeSheet sheet({kLanguage}, journal);
  const platform::PagePicture picture = HalfBlackPicture();
  sheet.Page(0).picture = &picture;
  std::string drawn;
  struct Watcher : ui::IPerson {
    std::string* drawn;
    std::optional<std::vector<ui::PageAction>> Act(const ui::HeadlessHost& h) override {
      *drawn = ui::DrawPage(h, 1252, true).text;
      return std::nullopt;
    }
    void Refused(const ui::PageAction&, const std::string&) override {}
    std::optional<std::string> BrowseForFolder(const sim::Machine&) override { return std::nullopt; }
    void ProgressMoved(const ui::ControlModel&) override {}
  } watcher;
  watcher.drawn = &drawn;
  ui::HeadlessHost watched(Platform(), nullptr, &watcher);
  watched.RunWizard(sheet);
  EXPECT_NE(drawn.find("\x1b[30m█\x1b[0m\x1b[30m█"), std::string::npos) << "black, both halves" << drawn;
  EXPECT_NE(drawn.find("\x1b[90m█\x1b[0m\x1b[90m█\x1b[0m"), std::string::npos) << "grey, both halves" << drawn;

  // A picture the terminal cannot decode keeps its place as a box.
  platform::PagePicture undecodable;
  undecodable.width = 120;
  undecodable.height = 160;
  sheet.Page(0).picture = &undecodable;
  EXPECT_NE(Show(sheet).find("picture 120x160"), std::string::npos);
}

TEST_F(TerminalTest, TheTypePageShowsItsButtonsFieldsAndGroup) {
  Journal journal;
  FakeSheet sheet({kType}, journal);
  sheet.Page(0).onInit = [](FakePage& p) {
    p.Window().SetItemText(1009, "C:\\Program Files\\Halvion");
    p.Window().EnableItem(1003, false);
    return true;
  };
  sheet.Page(0).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
  };
  std::vector<int> numbered;
  const std::string page = Show(sheet, &numbered);
  // Picture buttons by what they stand for, each once, on the row of their text.
  EXPECT_EQ(page.find("[#"), std::string::npos) << page;
  EXPECT_NE(page.find("1[Typical] Typical: installs"), std::string::npos) << page;
  EXPECT_NE(page.find("2[Minimal] Minimal: installs"), std::string::npos) << page;
  EXPECT_NE(page.find(" Custom    Custom: lets you"), std::string::npos) << "disabled: no number, no brackets\n"
                                                                     << page;
  EXPECT_EQ(Count(page, "Custom"), 2u) << page;
  EXPECT_NE(page.find("── Destination folder ──"), std::string::npos) << page;
  EXPECT_NE(page.find("3[C:\\Program Files\\Halvion___"), std::string::npos) << page;
  EXPECT_NE(page.find("4[Browse...]"), std::string::npos) << page;
  EXPECT_NE(page.find("Typical: installs the display driver"), std::string::npos) << page;
  EXPECT_NE(page.find("b [< Back]"), std::string::npos) << page;
  EXPECT_EQ(numbered, (std::vector<int>{1001, 1002, 1009, 1010}));
}

TEST_F(TerminalTest, ProgressBarsShowTheirShare) {
  Journal journal;
  FakeSheet sheet({kPrepare, kFinish}, journal);
  sheet.Page(0).onActive = [](FakePage& p) {
    p.Window().SetProgressRange(1004, 0, 200);
    p.Window().SetProgressPos(1004, 90);
    p.Sheet().SetWizardButtons(platform::PSWIZB_FINISH);
  };
  const std::string page = Show(sheet);
  EXPECT_NE(page.find(".]  45%"), std::string::npos) << page;
  EXPECT_NE(page.find("[###"), std::string::npos) << page;
  EXPECT_NE(page.find("f [Finish]"), std::string::npos) << "Finish in the place of Next\n" << page;
  EXPECT_EQ(page.find("Next >"), std::string::npos) << page;
}

TEST_F(TerminalTest, APersonActsWithLineCommands) {
  Journal journal;
  FakeSheet sheet({kLanguage, kType, kReadMe}, journal);
  sheet.Page(1).onNext = [](FakePage& p) {
    p.Note("folder " + p.Window().GetItemText(1009));
    return platform::kMoveOn;
  };
  sheet.Page(2).onInit = [](FakePage& p) {
    p.Window().SetItemText(1025, "first line\r\nsecond line");
    return true;
  };
  std::istringstream in(
      "8\n"                      // Deutsch
      "n\n"                      // Next
      "flip\n"                   // not a command: said so, the page still waits
      "99\n"                     // no such number
      "t 4 \"C:\\A, B\"\n"       // type into the destination folder
      "4\n"                      // an edit is typed into, not clicked
      "click 1003, next\n"       // the long forms of an answers file
      "2\n"                      // read the whole README
      "\n"                       // draw again
      "?\n"
      "c\n");
  std::ostringstream out;
  ui::TerminalFrontEnd screen(in, out, 1252);
  ui::HeadlessHost host(Platform(), nullptr, &screen);
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_EQ(journal, (Lines{"init 129", "active 129", "command 129 10", "next 129", "init 213", "active 213",
                            "command 213 1003", "next 213", "folder C:\\A, B", "init 209", "active 209"}));
  EXPECT_EQ(HostEvents(), (Lines{"page 129 language", "press 10 on 129", "press next on 129", "page 213 type",
                                 "type 1009 \"C:\\A, B\"", "press 1003 on 213", "press next on 213",
                                 "page 209 readme", "press cancel on 209", "wizard ends by cancel"}));
  const std::string shown = out.str();
  EXPECT_NE(shown.find("'flip' is not an action"), std::string::npos) << shown;
  EXPECT_NE(shown.find("no control 99 on this page"), std::string::npos) << shown;
  EXPECT_NE(shown.find("to type into it: t 4 TEXT"), std::string::npos) << shown;
  EXPECT_NE(shown.find("first line\r\nsecond line\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("press Next, Back, Finish, Cancel"), std::string::npos) << shown;
}

TEST_F(TerminalTest, RefusalsAreToldAndTheEndOfInputLeavesNobody) {
  Journal journal;
  FakeSheet sheet({kType}, journal);
  sheet.Page(0).onActive = [](FakePage& p) { p.Sheet().SetWizardButtons(platform::PSWIZB_NEXT); };
  std::istringstream in("b\n");
  std::ostringstream out;
  ui::TerminalFrontEnd screen(in, out, 1252);
  ui::HeadlessHost host(Platform(), nullptr, &screen);
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_NE(out.str().find("refused: back: the back button is disabled"), std::string::npos) << out.str();
  EXPECT_EQ(host.GetEnding(), ui::HeadlessHost::Ending::NobodyAnswered);
  EXPECT_TRUE(Logged("wizard waits on 213 with nobody to answer: cancelled"));
}

TEST_F(TerminalTest, TheFolderBrowserOffersTheMachinesFolders) {
  Journal journal;
  FakeSheet sheet({kType}, journal);
  sheet.Page(0).onCommand = [](FakePage& p, int) {
    std::string folder;
    p.Note(p.Window().BrowseForFolder(folder) ? "chose " + folder : "cancelled");
  };
  std::filesystem::create_directories(m_machine.Folder() / "drive_c" / "Tools");
  std::istringstream in(
      "5\n"
      "ls\n"
      "ls c:\\\n"
      "C:\\NOWHERE\n"
      "c:\\tools\n"
      "5\n"
      "\n"
      "c\n");
  std::ostringstream out;
  ui::TerminalFrontEnd screen(in, out, 1252);
  ui::HeadlessHost host(Platform(), nullptr, &screen);
  host.RunWizard(sheet);
  EXPECT_EQ(journal, (Lines{"init 213", "active 213", "command 213 1010", "chose C:\\Tools", "command 213 1010",
                            "cancelled"}));
  const std::string shown = out.str();
  EXPECT_NE(shown.find("Drives: C:\\ D:\\"), std::string::npos) << shown;
  EXPECT_NE(shown.find("  C:\\Tools\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("  C:\\WINDOWS\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("no folder C:\\NOWHERE on this machine"), std::string::npos) << shown;
  EXPECT_TRUE(Logged("browse \"C:\\Tools\" on 213"));
}

TEST_F(TerminalTest, ProgressIsShownLiveOnceForEachPercent) {
  Journal journal;
  FakeSheet sheet({kProgress, kFinish}, journal);
  sheet.Page(0).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(0);
    p.Window().SetTimer(1, 100);
  };
  sheet.Page(0).onTimer = [](FakePage& p, platform::UINT_PTR) {
    p.Window().KillTimer(1);
    p.Sheet().PressButton(platform::PSBTN_NEXT);
  };
  // The installation runs inside the Next handler: 1000 small moves.
  sheet.Page(0).onNext = [](FakePage& p) {
    p.Window().SetProgressRange(1027, 0, 1000);
    for (int i = 0; i <= 1000; ++i) p.Window().SetProgressPos(1027, i);
    return platform::kMoveOn;
  };
  std::istringstream in("c\n");
  std::ostringstream out;
  ui::TerminalFrontEnd screen(in, out, 1252);
  ui::HeadlessHost host(Platform(), nullptr, &screen);
  host.RunWizard(sheet);
  const std::string shown = out.str();
  EXPECT_EQ(Count(shown, "\r"), 101u) << "0% to 100%, each once";
  EXPECT_NE(shown.find("] 100%\n"), std::string::npos) << "the line ends when the handler returns";
  EXPECT_LT(shown.find("] 100%"), shown.find("Halvion Setup")) << "before the finish page is drawn";

  // Nobody at the terminal: nothing is shown.
  Journal quiet;
  FakeSheet again({kProgress, kFinish}, quiet);
  again.Page(0).onActive = sheet.Page(0).onActive;
  again.Page(0).onTimer = sheet.Page(0).onTimer;
  again.Page(0).onNext = sheet.Page(0).onNext;
  ui::HeadlessHost alone(Platform());
  alone.RunWizard(again);
  EXPECT_EQ(alone.Control(0, 1027)->position, 1000);
}

TEST(TerminalText, AnsiCodePagesAndUtf8) {
  EXPECT_EQ(ui::AnsiToUtf8("Fran\xE7" "ais \x80 \x96", 1252), "Fran\xC3\xA7" "ais \xE2\x82\xAC \xE2\x80\x93");
  EXPECT_EQ(ui::Utf8ToAnsi("Fran\xC3\xA7" "ais \xE2\x82\xAC", 1252), "Fran\xE7" "ais \x80");
  EXPECT_EQ(ui::AnsiToUtf8("\xC0", 1251), "\xD0\x90") << "Cyrillic A";
  EXPECT_EQ(ui::Utf8ToAnsi("\xE4\xB8\xAD", 1252), "?") << "a character the code page lacks";
  EXPECT_EQ(ui::Utf8ToAnsi("\xFF\xFE", 1252), "??") << "bytes that are no UTF-8";
}

}  // namespace
