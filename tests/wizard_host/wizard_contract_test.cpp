// The contract of the page host (platform/wizard_host.h), checked on the
// property sheet with fake pages on the language library's own templates.
// The host of the simulated machine keeps the same contract; these are the
// cases, for comparing the two hosts' tests:
//   1. the sheet's OnCreate comes once, before the start page is created;
//   2. a page is created when first made current (OnInitDialog, then
//      OnSetActive), at most once per run; pages never shown never are;
//   3. kMoveOn from Back and Next moves to the page before and after;
//      kStay stays, with no new OnSetActive;
//   4. Next on the last page and Back on the first do not move;
//   5. SetActivePage moves at once: the new page is active before it returns;
//   6. PressButton is posted: it acts after the handler that called it;
//   7. Finish ends the run with 1, Cancel with 0, and no page is asked;
//   8. a page whose OnInitDialog answers false ends the run with 0 and is
//      never made active;
//   9. timers fire as OnTimer of the page that set them, in order of their
//      time, until killed, also while another page is current;
//  10. the button texts set in OnCreate are the ones shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource_ids.h"
#include "wizard_host/fake_wizard.h"
#include "wizard_host/wizard_host_environment.h"

namespace wizard_host_test {
namespace {

using Lines = std::vector<std::string>;

class WizardContractTest : public ::testing::Test {
 protected:
  FakePage Page(const std::string& name) { return FakePage(name, IDD_PREPARE_PAGE, m_log); }
  EventLog m_log;
};

TEST_F(WizardContractTest, SheetThenStartPageAreCreatedOnFirstActivationOnly) {
  FakePage a = Page("A"), b = Page("B"), c = Page("C");
  b.PressOnEachActivation({PSBTN_FINISH});
  FakeSheet sheet({&a, &b, &c}, 1, m_log);
  EXPECT_EQ(RunWizard(sheet), 1);
  EXPECT_EQ(m_log.Lines(), (Lines{"sheet create", "B init", "B active", "B timer 1"}));
}

TEST_F(WizardContractTest, NextAndBackMoveAndEachPageIsCreatedOnce) {
  FakePage a = Page("A"), b = Page("B");
  a.PressOnEachActivation({PSBTN_NEXT});
  b.PressOnEachActivation({PSBTN_BACK, PSBTN_FINISH});
  FakeSheet sheet({&a, &b}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 1);
  EXPECT_EQ(m_log.Lines(), (Lines{"sheet create", "A init", "A active", "A timer 1", "A next", "B init", "B active",
                                  "B timer 1", "B back", "A active", "A timer 1", "A next", "B active", "B timer 1"}));
}

TEST_F(WizardContractTest, StayKeepsThePageWithoutActivatingItAgain) {
  FakePage a = Page("A"), b = Page("B");
  a.onActive = [&] { a.window->SetTimer(1, 10); };
  a.onNext = [] { return platform::kStay; };
  int ticks = 0;
  a.onTimer = [&](platform::UINT_PTR) {
    a.sheet->PressButton(++ticks == 1 ? PSBTN_NEXT : PSBTN_FINISH);
    if (ticks == 2) a.window->KillTimer(1);
  };
  FakeSheet sheet({&a, &b}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 1);
  EXPECT_EQ(m_log.Lines(), (Lines{"sheet create", "A init", "A active", "A timer 1", "A next", "A timer 1"}));
}

TEST_F(WizardContractTest, NextOnTheLastPageAndBackOnTheFirstDoNotMove) {
  FakePage a = Page("A"), b = Page("B");
  a.onActive = [&] { a.window->SetTimer(1, 10); };
  int aTicks = 0;
  a.onTimer = [&](platform::UINT_PTR) {
    if (++aTicks == 2) a.window->KillTimer(1);
    a.sheet->PressButton(aTicks == 1 ? PSBTN_BACK : PSBTN_NEXT);
  };
  b.onActive = [&] { b.window->SetTimer(1, 10); };
  int bTicks = 0;
  b.onTimer = [&](platform::UINT_PTR) {
    if (++bTicks == 2) b.window->KillTimer(1);
    b.sheet->PressButton(bTicks == 1 ? PSBTN_NEXT : PSBTN_FINISH);
  };
  FakeSheet sheet({&a, &b}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 1);
  // Whether the handler hears of a move that cannot happen is the host's
  // affair; that nothing moves is the contract.
  EXPECT_EQ(m_log.Count("A active"), 1);
  EXPECT_EQ(m_log.Count("B active"), 1);
  EXPECT_EQ(m_log.Count("A timer 1"), 2);
  EXPECT_EQ(m_log.Count("B timer 1"), 2);
}

TEST_F(WizardContractTest, SetActivePageMovesBeforeItReturns) {
  FakePage a = Page("A"), b = Page("B"), c = Page("C");
  a.PressOnEachActivation({PSBTN_NEXT});
  a.onNext = [&] {
    a.sheet->SetActivePage(2);
    m_log.Add("A jumped");
    return platform::kStay;
  };
  c.PressOnEachActivation({PSBTN_FINISH});
  FakeSheet sheet({&a, &b, &c}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 1);
  EXPECT_EQ(m_log.Lines(), (Lines{"sheet create", "A init", "A active", "A timer 1", "A next", "C init", "C active",
                                  "A jumped", "C timer 1"}));
}

TEST_F(WizardContractTest, PressButtonActsAfterTheHandlerReturns) {
  FakePage a = Page("A"), b = Page("B");
  a.onActive = [&] {
    a.sheet->PressButton(PSBTN_NEXT);
    m_log.Add("A pressed");
  };
  b.PressOnEachActivation({PSBTN_FINISH});
  FakeSheet sheet({&a, &b}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 1);
  EXPECT_EQ(m_log.Lines(),
            (Lines{"sheet create", "A init", "A active", "A pressed", "A next", "B init", "B active", "B timer 1"}));
}

TEST_F(WizardContractTest, CancelEndsTheRunWithZeroAskingNoPage) {
  FakePage a = Page("A"), b = Page("B");
  a.PressOnEachActivation({PSBTN_CANCEL});
  FakeSheet sheet({&a, &b}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 0);
  EXPECT_EQ(m_log.Lines(), (Lines{"sheet create", "A init", "A active", "A timer 1"}));
}

TEST_F(WizardContractTest, APageThatCannotBeCreatedEndsTheRun) {
  FakePage a = Page("A"), b = Page("B"), c = Page("C");
  a.PressOnEachActivation({PSBTN_NEXT});
  b.onInit = [] { return false; };
  b.onActive = [&] { b.sheet->PressButton(PSBTN_NEXT); };
  FakeSheet sheet({&a, &b, &c}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 0);
  EXPECT_EQ(m_log.Lines(), (Lines{"sheet create", "A init", "A active", "A timer 1", "A next", "B init"}));

  EventLog startLog;
  FakePage first("S", IDD_PREPARE_PAGE, startLog);
  first.onInit = [] { return false; };
  FakeSheet startSheet({&first}, 0, startLog);
  EXPECT_EQ(RunWizard(startSheet), 0);
  EXPECT_EQ(startLog.Lines(), (Lines{"sheet create", "S init"}));
}

TEST_F(WizardContractTest, TimersFireInOrderOfTheirTimeForThePageThatSetThem) {
  FakePage a = Page("A"), b = Page("B");
  a.onActive = [&] {
    // Far apart, so that a slow machine cannot reorder them.
    a.window->SetTimer(3, 2000);  // fires once B is current
    a.window->SetTimer(2, 10);
    a.window->SetTimer(1, 1000);
  };
  int fastTicks = 0;
  a.onTimer = [&](platform::UINT_PTR id) {
    if (id == 2 && ++fastTicks == 3) a.window->KillTimer(2);
    if (id == 1) {
      a.window->KillTimer(1);
      a.sheet->PressButton(PSBTN_NEXT);
    }
    if (id == 3) {
      a.window->KillTimer(3);
      b.window->SetTimer(4, 10);
    }
  };
  b.onTimer = [&](platform::UINT_PTR) {
    b.window->KillTimer(4);
    b.sheet->PressButton(PSBTN_FINISH);
  };
  FakeSheet sheet({&a, &b}, 0, m_log);
  EXPECT_EQ(RunWizard(sheet), 1);
  EXPECT_EQ(m_log.Lines(), (Lines{"sheet create", "A init", "A active", "A timer 2", "A timer 2", "A timer 2",
                                  "A timer 1", "A next", "B init", "B active", "A timer 3", "B timer 4"}));
}

TEST_F(WizardContractTest, ButtonTextsSetWhenTheSheetIsCreatedAreShown) {
  const std::vector<std::pair<int, std::string>> texts = {{platform::kSheetCancel, "Abbrechen"},
                                                          {platform::kSheetBack, "< Zur\xFC" "ck"},
                                                          {platform::kSheetNext, "Weiter >"},
                                                          {platform::kSheetFinish, "Fertig stellen"}};
  FakePage a = Page("A");
  std::vector<std::string> shown;
  a.CheckWhenActive([&] {
    for (const auto& [id, text] : texts) shown.push_back(WindowText(GetDlgItem(a.SheetHwnd(), id)));
    a.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&a}, 0, m_log);
  sheet.onCreate = [&](platform::ISheetWindow& window) {
    for (const auto& [id, text] : texts) window.SetButtonText(id, text);
  };
  EXPECT_EQ(RunWizard(sheet), 0);
  ASSERT_EQ(shown.size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(shown[i], texts[i].second) << "button " << texts[i].first;
}

}  // namespace
}  // namespace wizard_host_test
