// The model of a page's controls: made from the real templates, changed the
// way the Windows controls of the same styles change.
#include <gtest/gtest.h>

#include "fake_wizard.h"

namespace {

using namespace ui_test;
using ui::ControlKind;

class ControlModelTest : public HostTest {
 protected:
  // The controls of one template, as the host makes them.
  ui::ControlSet Template(platform::UINT id) {
    const sim::PeResources* resources = Platform().ResourcesOf(GetResourceModule());
    if (resources == nullptr) throw std::runtime_error("no language library");
    auto dialog = resources->LoadDialog(id);
    if (!dialog) throw std::runtime_error("no template " + std::to_string(id));
    return ui::ControlSet(*dialog);
  }
};

TEST_F(ControlModelTest, ControlsComeFromTheTemplate) {
  const ui::ControlSet type = Template(kType);
  struct Expected {
    int id;
    ControlKind kind;
  };
  for (const Expected& e : {Expected{1005, ControlKind::Static}, Expected{1001, ControlKind::PictureButton},
                            Expected{1011, ControlKind::GroupBox}, Expected{1009, ControlKind::Edit},
                            Expected{1010, ControlKind::PushButton}}) {
    const ui::ControlModel* c = type.Find(e.id);
    ASSERT_NE(c, nullptr) << e.id;
    EXPECT_EQ(c->kind, e.kind) << e.id;
    EXPECT_TRUE(c->visible && c->enabled) << e.id;
  }
  EXPECT_EQ(type.Find(1010)->text, "B&rowse...");
  EXPECT_EQ(type.Find(1009)->x, 14);
  EXPECT_EQ(type.Find(1009)->cx, 228);

  const ui::ControlSet language = Template(kLanguage);
  EXPECT_EQ(language.Find(10)->kind, ControlKind::RadioButton);
  EXPECT_EQ(language.Find(10)->text, "Deutsch");
  EXPECT_TRUE(language.Find(10)->IsAutoButton());
  EXPECT_EQ(Template(kReadMe).Find(1025)->IsReadOnlyEdit(), true);
  EXPECT_EQ(Template(kCustom).Find(1012)->kind, ControlKind::ListBox);
  EXPECT_EQ(Template(kPrepare).Find(1004)->kind, ControlKind::ProgressBar);
  EXPECT_EQ(Template(kPrepare).Find(4242), nullptr);
}

TEST_F(ControlModelTest, RadioButtonsKeepToTheirGroup) {
  ui::ControlSet language = Template(kLanguage);
  language.CheckRadioButton(21, 3, 7);  // the range may be given either way round
  EXPECT_TRUE(language.Find(7)->checked);
  language.CheckRadioButton(3, 21, 18);
  EXPECT_FALSE(language.Find(7)->checked);
  EXPECT_TRUE(language.Find(18)->checked);
  language.Click(4);
  EXPECT_TRUE(language.Find(4)->checked);
  EXPECT_FALSE(language.Find(18)->checked) << "one group from the first radio button to the end";
  language.Click(1000);  // a static text: nothing happens
  EXPECT_TRUE(language.Find(4)->checked);
}

TEST_F(ControlModelTest, ProgressBarsClampAndStartOverPastTheEnd) {
  ui::ControlSet prepare = Template(kPrepare);
  const ui::ControlModel& bar = *prepare.Find(1004);
  EXPECT_EQ(bar.rangeHigh, 100);
  EXPECT_EQ(bar.step, 10);
  prepare.SetProgressRange(1004, 0, 40);
  prepare.SetProgressPos(1004, 55);
  EXPECT_EQ(bar.position, 40) << "a position beyond the range is its end";
  EXPECT_EQ(bar.Percent(), 100);
  prepare.SetProgressPos(1004, -5);
  EXPECT_EQ(bar.position, 0);
  prepare.SetProgressStep(1004, 15);
  prepare.StepProgress(1004);
  prepare.StepProgress(1004);
  EXPECT_EQ(bar.position, 30);
  EXPECT_EQ(bar.Percent(), 75);
  prepare.StepProgress(1004);
  EXPECT_EQ(bar.position, 0) << "a step past the end starts over";
  prepare.SetProgressRange(1004, 50, 20);
  EXPECT_EQ(bar.Percent(), 0) << "an empty range shows nothing";
  prepare.SetProgressPos(1003, 20);  // the text beside it is no bar
  EXPECT_EQ(prepare.Find(1003)->position, 0);
}

TEST_F(ControlModelTest, PictureButtonsNeedAllThreeBitmaps) {
  Journal journal;
  FakeSheet sheet({kType}, journal);
  bool made = false, missing = true, absent = true;
  sheet.Page(0).onInit = [&](FakePage& p) {
    made = p.Window().SetPictureButton(1001, 133, 134, 150);
    missing = p.Window().SetPictureButton(1002, 131, 132, 4000);
    absent = p.Window().SetPictureButton(4242, 131, 132, 149);
    return true;
  };
  ui::PageAnswers answers = Answers({{kType, "cancel"}});
  ui::HeadlessHost host(Platform(), &answers);
  host.RunWizard(sheet);
  EXPECT_TRUE(made);
  EXPECT_FALSE(missing);
  EXPECT_FALSE(absent);
  const ui::ControlModel* typical = host.Control(0, 1001);
  EXPECT_EQ(typical->pictureNormal, 133u);
  EXPECT_GT(typical->pictureWidth, 0);
  EXPECT_GT(typical->pictureHeight, 0);
  EXPECT_EQ(host.Control(0, 1002)->pictureNormal, 0u) << "left as it was";
}

}  // namespace
