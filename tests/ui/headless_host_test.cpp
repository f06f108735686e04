// The page host's event semantics, on fake pages with the real templates.
#include <gtest/gtest.h>

#include "fake_wizard.h"

namespace {

using namespace ui_test;
using ui::HeadlessHost;

// A page that works on its own, as the first page and the progress page do:
// buttons off, timer 1, and Next pressed when it fires.
void WorksOnItsOwn(FakePage& page) {
  page.onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(0);
    p.Window().SetTimer(1, 100);
  };
  page.onTimer = [](FakePage& p, platform::UINT_PTR) {
    p.Window().KillTimer(1);
    p.Sheet().PressButton(platform::PSBTN_NEXT);
  };
}

TEST_F(HostTest, PagesAreCreatedOnceWhenFirstShownAndActivatedEachTime) {
  Journal journal;
  FakeSheet sheet({kLanguage, kPrepare, kType}, journal);
  WorksOnItsOwn(sheet.Page(1));
  sheet.Page(2).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
  };
  // Back from the type page returns to the first page, which moves on again by itself.
  ui::PageAnswers answers = Answers({{kLanguage, "next"}, {kType, "back"}, {kType, "cancel"}});
  HeadlessHost host(Platform(), &answers);
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_EQ(journal, (Lines{"init 129", "active 129", "next 129", "init 130", "active 130", "timer 130 1 @100",
                            "next 130", "init 213", "active 213", "back 213", "active 130", "timer 130 1 @200",
                            "next 130", "active 213"}));
  EXPECT_EQ(host.Creations(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(HostEvents(), (Lines{"page 129 language", "press next on 129", "page 130 prepare", "page 213 type",
                                 "press back on 213", "page 130 prepare", "page 213 type", "press cancel on 213",
                                 "wizard ends by cancel"}));
  EXPECT_EQ(host.GetEnding(), HeadlessHost::Ending::Cancel);
  EXPECT_FALSE(host.Running());
  EXPECT_EQ(host.CurrentPosition(), 2);
}

TEST_F(HostTest, SetActivePageIsInPlaceBeforeTheCallReturns) {
  Journal journal;
  FakeSheet sheet({kLanguage, kPrepare, kType, kCustom, kReadMe}, journal, 2);
  ui::PageAnswers answers = Answers({{kType, "click 1003"}, {kCustom, "back"}, {kType, "click 1002"},
                                     {kReadMe, "cancel"}});
  HeadlessHost host(Platform(), &answers);
  sheet.Page(2).onCommand = [&](FakePage& p, int id) {
    if (id == 1002) {
      p.Sheet().SetActivePage(4);
      p.Note("jumped, now at " + std::to_string(host.CurrentPosition()));
    } else {
      p.Sheet().PressButton(platform::PSBTN_NEXT);
      p.Note("pressed, still at " + std::to_string(host.CurrentPosition()));
    }
  };
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_EQ(journal, (Lines{"init 213", "active 213", "command 213 1003", "pressed, still at 2", "next 213",
                            "init 132", "active 132", "back 132", "active 213", "command 213 1002", "init 209",
                            "active 209", "jumped, now at 4"}));
  EXPECT_EQ(host.CurrentPosition(), 4);
}

TEST_F(HostTest, StayKeepsThePageMoveOnFollowsFromWhereTheHandlerLeftIt) {
  Journal journal;
  FakeSheet sheet({kLanguage, kPrepare, kType, kCustom, kReadMe, kProgress}, journal, 2);
  // Types 0x10/0x20: the type page jumps to the readme page and stays.
  sheet.Page(2).onNext = [](FakePage& p) {
    p.Sheet().SetActivePage(4);
    return platform::kStay;
  };
  // The readme page goes back to the type page itself.
  sheet.Page(4).onBack = [](FakePage& p) {
    p.Sheet().SetActivePage(2);
    return platform::kStay;
  };
  // A handler that moves and answers "move on" goes one further from its new page.
  sheet.Page(3).onNext = [](FakePage& p) {
    p.Sheet().SetActivePage(3);
    return platform::kMoveOn;
  };
  // An answer that names a dialog template goes to that page.
  sheet.Page(5).onBack = [](FakePage&) { return static_cast<std::intptr_t>(kCustom); };
  ui::PageAnswers answers = Answers({{kType, "next"}, {kReadMe, "back"}, {kType, "next"}, {kReadMe, "next"},
                                     {kProgress, "back"}, {kCustom, "next"}, {kReadMe, "cancel"}});
  HeadlessHost host(Platform(), &answers);
  host.RunWizard(sheet);
  EXPECT_EQ(HostEvents(),
            (Lines{"page 213 type", "press next on 213", "page 209 readme", "press back on 209", "page 213 type",
                   "press next on 213", "page 209 readme", "press next on 209", "page 210 progress",
                   "press back on 210", "page 132 custom", "press next on 132", "page 132 custom", "page 209 readme",
                   "press cancel on 209", "wizard ends by cancel"}));
}

TEST_F(HostTest, BackOnTheFirstAndNextOnTheLastPageDoNotMove) {
  Journal journal;
  FakeSheet sheet({kLanguage, kFinish}, journal);
  sheet.Page(1).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
  };
  ui::PageAnswers answers =
      Answers({{kLanguage, "back"}, {kLanguage, "next"}, {kFinish, "next"}, {kFinish, "cancel"}});
  HeadlessHost host(Platform(), &answers);
  host.RunWizard(sheet);
  // Both handlers are asked; neither page moves.
  EXPECT_EQ(journal, (Lines{"init 129", "active 129", "back 129", "next 129", "init 211", "active 211", "next 211"}));
  EXPECT_EQ(host.CurrentPosition(), 1);
}

TEST_F(HostTest, TimersFireInOrderOfTimeOnTheMachinesClock) {
  Journal journal;
  FakeSheet sheet({kLanguage, kPrepare}, journal);
  int fired2 = 0;
  sheet.Page(0).onInit = [](FakePage& p) {
    p.Window().SetTimer(1, 300);
    p.Window().SetTimer(2, 100);
    p.Window().SetTimer(3, 100);
    p.Window().SetTimer(4, 0);  // as short as Windows lets a timer be
    return true;
  };
  sheet.Page(0).onTimer = [&](FakePage& p, platform::UINT_PTR id) {
    if (id == 2 && ++fired2 == 2) p.Window().KillTimer(2);
    if (id == 3 || id == 4) p.Window().KillTimer(id);
    if (id == 1) {
      p.Window().KillTimer(1);
      // The page's timers go on while another page is shown.
      p.Window().SetTimer(5, 50);
      p.Sheet().SetActivePage(1);
    }
    if (id == 5) {
      p.Window().KillTimer(5);
      p.Sheet().PressButton(platform::PSBTN_CANCEL);
    }
  };
  HeadlessHost host(Platform());
  const std::uint64_t start = Now();
  host.RunWizard(sheet);
  EXPECT_EQ(journal, (Lines{"init 129", "active 129", "timer 129 4 @10", "timer 129 2 @100", "timer 129 3 @100",
                            "timer 129 2 @200", "timer 129 1 @300", "init 130", "active 130", "timer 129 5 @350"}));
  EXPECT_EQ(Now() - start, 350u) << "the machine's clock moved with the timers";
  EXPECT_EQ(host.GetEnding(), HeadlessHost::Ending::Cancel);
}

TEST_F(HostTest, ATimerSetAgainStartsOverAndTimersStopWithTheRun) {
  Journal journal;
  FakeSheet sheet({kPrepare}, journal);
  int fired = 0;
  sheet.Page(0).onActive = [](FakePage& p) {
    p.Window().SetTimer(1, 100);
    p.Window().SetTimer(2, 250);
  };
  sheet.Page(0).onTimer = [&](FakePage& p, platform::UINT_PTR id) {
    if (id == 1 && ++fired < 3) p.Window().SetTimer(2, 250);  // pushed back each time
    if (id == 1 && fired == 3) p.Window().KillTimer(1);
    if (id == 2) p.Sheet().PressButton(platform::PSBTN_FINISH);
  };
  HeadlessHost host(Platform());
  EXPECT_EQ(host.RunWizard(sheet), 1) << "Finish pressed by a page ends the run";
  EXPECT_EQ(journal, (Lines{"init 130", "active 130", "timer 130 1 @100", "timer 130 1 @200", "timer 130 1 @300",
                            "timer 130 2 @450"}));
}

TEST_F(HostTest, TimersThatNeverStopEndTheRunWithTheSession) {
  Journal journal;
  FakeSheet sheet({kPrepare}, journal);
  sheet.Page(0).onActive = [](FakePage& p) { p.Window().SetTimer(1, 60 * 60 * 1000); };
  HeadlessHost host(Platform());
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_EQ(host.GetEnding(), HeadlessHost::Ending::EndlessTimers);
  EXPECT_EQ(journal.size(), 2u + 23u) << "hourly for the rest of the day";
  EXPECT_TRUE(Logged("wizard still runs timers on 130 after a day: cancelled"));
}

TEST_F(HostTest, DisabledButtonsRefuseThePersonButNotThePage) {
  Journal journal;
  FakeSheet sheet({kLanguage, kType, kReadMe}, journal, 1);
  sheet.Page(1).onActive = [](FakePage& p) { p.Sheet().SetWizardButtons(platform::PSWIZB_NEXT); };
  sheet.Page(2).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(0);
    p.Window().SetTimer(1, 100);
  };
  sheet.Page(2).onTimer = [](FakePage& p, platform::UINT_PTR) {
    p.Window().KillTimer(1);
    p.Sheet().PressButton(platform::PSBTN_BACK);  // as PSM_PRESSBUTTON: the button's state does not matter
  };
  ui::PageAnswers answers = Answers({{kType, "back, finish, next"}, {kType, "cancel"}});
  HeadlessHost host(Platform(), &answers);
  host.RunWizard(sheet);
  EXPECT_EQ(journal, (Lines{"init 213", "active 213", "next 213", "init 209", "active 209", "timer 209 1 @100",
                            "back 209", "active 213"}));
  EXPECT_EQ(HostEvents(), (Lines{"page 213 type", "refused back on 213: the back button is disabled",
                                 "refused finish on 213: the finish button is not shown", "press next on 213",
                                 "page 209 readme", "page 213 type", "press cancel on 213", "wizard ends by cancel"}));
}

TEST_F(HostTest, FinishAndCancelEndAtOnce) {
  Journal journal;
  FakeSheet sheet({kProgress, kFinish}, journal, 1);
  sheet.Page(1).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(platform::PSWIZB_BACK | platform::PSWIZB_FINISH);
  };
  ui::PageAnswers answers = Answers({{kFinish, "next, finish, back"}});
  HeadlessHost host(Platform(), &answers);
  EXPECT_EQ(host.RunWizard(sheet), 1);
  EXPECT_EQ(host.GetEnding(), HeadlessHost::Ending::Finish);
  // Finish asks no page; the rest of the answers are never read.
  EXPECT_EQ(journal, (Lines{"init 211", "active 211"}));
  EXPECT_EQ(HostEvents(), (Lines{"page 211 finish", "refused next on 211: the next button is not shown",
                                 "press finish on 211", "wizard ends by finish"}));

  // Cancel pressed by a page: what it posted after it is dropped.
  Journal second;
  FakeSheet other({kLanguage, kPrepare}, second);
  other.Page(0).onActive = [](FakePage& p) {
    p.Sheet().PressButton(platform::PSBTN_CANCEL);
    p.Sheet().PressButton(platform::PSBTN_NEXT);
    p.Window().SetTimer(1, 10);
  };
  HeadlessHost again(Platform());
  EXPECT_EQ(again.RunWizard(other), 0);
  EXPECT_EQ(second, (Lines{"init 129", "active 129"}));
}

TEST_F(HostTest, APageWaitingWithNobodyToAnswerCancelsAndSaysSo) {
  Journal journal;
  FakeSheet sheet({kLanguage, kType}, journal);
  ui::PageAnswers answers = Answers({{kLanguage, "next"}, {kType, "text 1009 C:\\TOOLS"}});
  HeadlessHost host(Platform(), &answers);
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_EQ(host.GetEnding(), HeadlessHost::Ending::NobodyAnswered);
  // The second wait of the type page has no answer: the last one does not repeat.
  EXPECT_EQ(HostEvents(), (Lines{"page 129 language", "press next on 129", "page 213 type", "type 1009 \"C:\\TOOLS\"",
                                 "wizard waits on 213 with nobody to answer: cancelled", "wizard ends by cancel"}));
}

TEST_F(HostTest, AnswersActOnControlsAndRefuseWhatThePageDoesNotHave) {
  Journal journal;
  FakeSheet sheet({kLanguage, kType, kReadMe}, journal);
  sheet.Page(0).onInit = [](FakePage& p) {
    p.Window().CheckRadioButton(3, 21, 7);
    return true;
  };
  sheet.Page(0).onCommand = [](FakePage& p, int) {
    p.Note("English " + std::to_string(p.Window().IsButtonChecked(7)));
  };
  sheet.Page(1).onInit = [](FakePage& p) {
    p.Window().SetItemText(1009, "C:\\Program Files\\Halvion");
    p.Window().ShowItem(1010, false);
    p.Window().EnableItem(1003, false);
    return true;
  };
  sheet.Page(1).onNext = [](FakePage& p) {
    p.Note("folder " + p.Window().GetItemText(1009));
    return platform::kMoveOn;
  };
  ui::PageAnswers answers = Answers(
      {{kLanguage, "click 10, click 4242, click 1000, next"},
       {kType, "click 1010, click 1003, text 1002 x, text 1009 \"D:\\A, B\", select 1009 0, next, click 1002"},
       {kReadMe, "text 1025 read, select 1025 1, cancel"}});
  HeadlessHost host(Platform(), &answers);
  host.RunWizard(sheet);
  const ui::ControlModel* deutsch = host.Control(0, 10);
  ASSERT_NE(deutsch, nullptr);
  EXPECT_TRUE(deutsch->checked) << "an automatic radio button checks itself";
  EXPECT_FALSE(host.Control(0, 7)->checked) << "and clears the others of its group";
  EXPECT_EQ(host.Control(1, 1009)->text, "D:\\A, B");
  EXPECT_EQ(journal, (Lines{"init 129", "active 129", "command 129 10", "English 0", "next 129", "init 213",
                            "active 213", "next 213", "folder D:\\A, B", "init 209", "active 209"}));
  EXPECT_EQ(HostEvents(),
            (Lines{"page 129 language", "press 10 on 129", "refused click 4242 on 129: the page has no control 4242",
                   "refused click 1000 on 129: control 1000 is a static text", "press next on 129", "page 213 type",
                   "refused click 1010 on 213: control 1010 is hidden",
                   "refused click 1003 on 213: control 1003 is disabled",
                   "refused text 1002 \"x\" on 213: control 1002 is a picture button", "type 1009 \"D:\\A, B\"",
                   "refused select 1009 0 on 213: control 1009 is an edit field", "press next on 213",
                   "page 209 readme", "refused click 1002 on 213: the page is no longer shown",
                   "refused text 1025 \"read\" on 209: control 1025 is read-only",
                   "refused select 1025 1 on 209: control 1025 is an edit field", "press cancel on 209",
                   "wizard ends by cancel"}));
}

TEST_F(HostTest, TheFolderBrowserTakesItsAnswersInTurn) {
  Journal journal;
  FakeSheet sheet({kType}, journal);
  sheet.Page(0).onCommand = [](FakePage& p, int) {
    std::string folder = "unchanged";
    const bool chosen = p.Window().BrowseForFolder(folder);
    p.Note(std::string(chosen ? "chose " : "cancelled ") + folder);
  };
  std::filesystem::create_directories(m_machine.Folder() / "drive_c" / "Program Files" / "Tools");
  ui::PageAnswers answers = Answers({{kType,
                                      "browse c:\\program files\\TOOLS, browse D:\\NONE, browse cancel, click 1010, "
                                      "click 1010, click 1010, click 1010, browse c:, click 1010, cancel"}});
  HeadlessHost host(Platform(), &answers);
  host.RunWizard(sheet);
  EXPECT_EQ(journal, (Lines{"init 213", "active 213", "command 213 1010", "chose C:\\Program Files\\Tools",
                            "command 213 1010", "cancelled unchanged", "command 213 1010", "cancelled unchanged",
                            "command 213 1010", "cancelled unchanged", "command 213 1010", "chose C:\\"}));
  EXPECT_TRUE(Logged("browse \"C:\\Program Files\\Tools\" on 213"));
  EXPECT_TRUE(Logged("refused browse \"D:\\NONE\" on 213: no folder D:\\NONE on the machine"));
  EXPECT_TRUE(Logged("browse cancelled on 213"));
}

TEST_F(HostTest, APageThatCannotBeCreatedEndsTheRun) {
  Journal journal;
  FakeSheet sheet({kLanguage, 4000, kType}, journal);
  ui::PageAnswers answers = Answers({{kLanguage, "next"}, {kType, "cancel"}});
  HeadlessHost host(Platform(), &answers);
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_EQ(host.GetEnding(), HeadlessHost::Ending::PageNotCreated);
  EXPECT_EQ(journal, (Lines{"init 129", "active 129", "next 129"}));
  EXPECT_TRUE(Logged("wizard ends: page 4000 cannot be created: no dialog template 4000"));

  // A page whose dialog refuses to be created, and a resource module without templates.
  Journal refusing;
  FakeSheet refused({kLanguage}, refusing);
  refused.Page(0).onInit = [](FakePage&) { return false; };
  HeadlessHost second(Platform());
  EXPECT_EQ(second.RunWizard(refused), 0);
  EXPECT_EQ(second.GetEnding(), HeadlessHost::Ending::PageNotCreated);
  EXPECT_EQ(refusing, (Lines{"init 129"}));

  SetResourceModule(Platform().Interfaces().Resources().GetProgramModule());
  Journal none;
  FakeSheet bare({kLanguage}, none);
  HeadlessHost third(Platform());
  EXPECT_EQ(third.RunWizard(bare), 0);
  EXPECT_TRUE(none.empty());
}

TEST_F(HostTest, PagesThatKeepMovingFromTheirActivationAreStopped) {
  Journal journal;
  FakeSheet sheet({kLanguage, kPrepare}, journal);
  for (int i = 0; i < 2; ++i) {
    sheet.Page(i).onActive = [i](FakePage& p) { p.Sheet().SetActivePage(1 - i); };
  }
  ui::PageAnswers answers = Answers({{kLanguage, "cancel"}, {kPrepare, "cancel"}});
  HeadlessHost host(Platform(), &answers);
  EXPECT_EQ(host.RunWizard(sheet), 0);
  EXPECT_EQ(host.GetEnding(), HeadlessHost::Ending::Cancel);
  EXPECT_EQ(host.Creations(), (std::vector<int>{1, 1}));
}

TEST_F(HostTest, TheSheetKeepsItsCaptionButtonsAndWindow) {
  Journal journal;
  FakeSheet sheet({kLanguage, kFinish}, journal);
  sheet.onCreate = [](platform::ISheetWindow& w) {
    w.SetButtonText(platform::kSheetNext, "&Weiter >");
    w.SetButtonText(platform::kSheetCancel, "Abbrechen");
    w.SetButtonText(0x1234, "nothing");
    w.MoveWindow(-300, -300, 200, 200);
  };
  sheet.Page(0).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(platform::PSWIZB_NEXT);
    p.Sheet().ShowWindow(SW_HIDE);
  };
  sheet.Page(1).onActive = [](FakePage& p) {
    p.Sheet().SetWizardButtons(platform::PSWIZB_FINISH);
    p.Sheet().ShowWindow(SW_SHOWNORMAL);
    p.Sheet().BringToTop();
  };
  ui::PageAnswers answers = Answers({{kLanguage, "next"}, {kFinish, "back"}});
  HeadlessHost host(Platform(), &answers);
  host.RunWizard(sheet);
  const ui::SheetModel& s = host.Sheet();
  EXPECT_EQ(s.caption, "Halvion Setup");
  EXPECT_EQ(s.iconId, 128u);
  EXPECT_EQ(s.logoImage, 139u) << "small fonts";
  EXPECT_EQ(s.logoMask, 140u);
  EXPECT_EQ(s.next.text, "&Weiter >");
  EXPECT_EQ(s.cancel.text, "Abbrechen");
  EXPECT_EQ(s.back.text, "< &Back");
  EXPECT_TRUE(s.moved);
  EXPECT_EQ(s.x, -300);
  EXPECT_EQ(s.width, 200);
  EXPECT_TRUE(s.shown);
  EXPECT_EQ(s.broughtToTop, 1);
  // Finish in the place of Next; Back off; Cancel always on.
  EXPECT_TRUE(s.finish.visible && s.finish.enabled);
  EXPECT_FALSE(s.next.visible);
  EXPECT_FALSE(s.back.enabled);
  EXPECT_TRUE(s.cancel.enabled);
  EXPECT_TRUE(Logged("refused back on 211: the back button is disabled"));
}

}  // namespace
