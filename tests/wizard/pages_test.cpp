// The wizard's pages one at a time: what each shows, stores and where it
// moves, on a bench that records what the page asks of its sheet.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/install_app.h"
#include "install/install_record.h"
#include "wizard/choose_page.h"
#include "wizard/language_page.h"
#include "resource_ids.h"
#include "support/language_libraries.h"
#include "support/temp_machine.h"
#include "wizard/finish_page.h"
#include "wizard/page_bench.h"
#include "wizard/readme_page.h"
#include "wizard/type_path_page.h"

using testing_support::TempMachine;
using wizard_test::PageBench;

namespace {

class PagesTest : public ::testing::Test {
 protected:
  explicit PagesTest(sim::OsKind os = sim::OsKind::Win98) : m_machine(os, "D:\\SETUP.EXE") {
    testing_support::InstallLanguageLibrary(m_machine, "_INSTALL.ENU", "D:\\_INSTALL.ENU");
    m_machine.PutFile("drive_d/SETUP.INF", "[DestinationDirs]\r\nSetup.Copy=display\r\n");
  }
  CInstallApp& Start(const std::string& commandLine) {
    m_app = std::make_unique<CInstallApp>(m_machine.Interfaces(), commandLine);
    EXPECT_TRUE(m_app->StartUp());
    return *m_app;
  }
  std::string Text(int id) {
    CMessageText text(m_app->GetResources());
    return text.LoadText(id);
  }
  std::string Events() { return testing_support::ReadHostFile(m_machine.Folder() / "events.log"); }

  TempMachine m_machine;
  std::unique_ptr<CInstallApp> m_app;
};

// ---- Setup type and destination ------------------------------------------

TEST_F(PagesTest, NextIsTheTypicalButtonAndTakesTheFolderAsTyped) {
  CInstallApp& app = Start("");
  CTypePathPage page;
  PageBench bench(m_app->GetSession(), page);
  ASSERT_TRUE(bench.created);
  EXPECT_EQ(bench.window.controls[IDC_DEST_DIR].text, "C:\\Program Files\\Halvion");
  EXPECT_EQ(bench.window.controls[IDC_TYPE_TYPICAL_TEXT].text, Text(IDS_TYPE_TYPICAL_TEXT));
  EXPECT_EQ(bench.window.controls[IDC_TYPE_MINIMAL].pictures,
            (std::vector<unsigned>{IDB_TYPE_MINIMAL, IDB_TYPE_MINIMAL_DOWN, IDB_TYPE_MINIMAL_FOCUS}));
  EXPECT_EQ(bench.sheet.buttons, platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
  EXPECT_TRUE(bench.window.timers.empty()) << "only unattended runs choose by themselves";

  bench.window.controls[IDC_DEST_DIR].text = "d:\\Apps\\\\Tools\\";
  EXPECT_EQ(page.OnWizardNext(), platform::kStay) << "only the jump moves";
  EXPECT_EQ(app.GetContext().GetDestDir(), "D:\\Apps\\Tools") << "one form: single separators, none at the end";
  EXPECT_EQ(bench.window.controls[IDC_DEST_DIR].text, "D:\\Apps\\Tools");
  EXPECT_EQ(app.GetContext().GetFlags() & SF_TYPE_MASK, SF_TYPE_SECOND);
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshReadMePage}));

  page.OnCommand(IDC_TYPE_CUSTOM);
  EXPECT_EQ(app.GetContext().GetFlags() & SF_TYPE_MASK, SF_TYPE_CUSTOM) << "the type bits are replaced";
  page.OnCommand(IDC_TYPE_MINIMAL);
  EXPECT_EQ(app.GetContext().GetFlags() & SF_TYPE_MASK, SF_TYPE_FIRST);
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshReadMePage, kFreshCustomPage, kFreshReadMePage}));
}

TEST_F(PagesTest, ADestinationThatIsNoFolderOnADriveIsRefused) {
  CInstallApp& app = Start("");
  CTypePathPage page;
  PageBench bench(m_app->GetSession(), page);
  for (const char* typed : {"", "   ", "TOOLS", "\\TOOLS", "C:TOOLS", "\\\\SERVER\\SHARE", "C:\\A|B"}) {
    bench.window.controls[IDC_DEST_DIR].text = typed;
    page.OnWizardNext();
    EXPECT_EQ(app.GetContext().GetDestDir(), "C:\\Program Files\\Halvion") << typed;
  }
  EXPECT_TRUE(bench.sheet.jumps.empty()) << "the page stays";
  EXPECT_TRUE(bench.sheet.presses.empty());
  EXPECT_EQ(app.GetContext().GetLastMessage(), MSG_DESTINATION_INVALID);
  bench.window.controls[IDC_DEST_DIR].text = "E:\\";
  page.OnCommand(IDC_TYPE_MINIMAL);
  EXPECT_EQ(app.GetContext().GetDestDir(), "E:") << "a drive's root";
  EXPECT_EQ(FormatSetupFolder("%s\\display", app.GetContext().GetDestDir()), "E:\\display");
}

// A file with an 8.3 name below the destination must still fit MAX_PATH
// with its NUL: the longest folder taken leaves room for "\" and 12 characters.
TEST_F(PagesTest, TheLongestDestinationIsTakenAndOneCharacterMoreIsRefused) {
  CInstallApp& app = Start("");
  CTypePathPage page;
  PageBench bench(m_app->GetSession(), page);
  const auto folderOf = [](std::size_t length) {
    std::string folder = "C:";
    while (folder.size() + 9 + 2 <= length) folder += "\\FOLDER00";
    return folder + "\\" + std::string(length - folder.size() - 1, 'X');
  };
  constexpr std::size_t kLongest = MAX_PATH - 1 - 12 - 1;
  const std::string longest = folderOf(kLongest);
  ASSERT_EQ(longest.size(), kLongest);
  bench.window.controls[IDC_DEST_DIR].text = longest + "\\";
  page.OnWizardNext();
  EXPECT_EQ(app.GetContext().GetDestDir(), longest) << "a separator at the end does not count";
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshReadMePage}));

  const std::string tooLong = folderOf(kLongest + 1);
  bench.window.controls[IDC_DEST_DIR].text = tooLong;
  page.OnWizardNext();
  EXPECT_EQ(app.GetContext().GetDestDir(), longest);
  EXPECT_EQ(app.GetContext().GetLastMessage(), MSG_DESTINATION_INVALID);
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshReadMePage})) << "the page stays";
}

TEST_F(PagesTest, UnattendedAnUnusableDestinationEndsTheRun) {
  CInstallApp& app = Start("/M");
  app.GetContext().SetDestDir("TOOLS");
  CTypePathPage page;
  PageBench bench(m_app->GetSession(), page);
  page.OnTimer(kPageTimer);
  EXPECT_EQ(bench.sheet.presses, (std::vector<int>{platform::PSBTN_CANCEL})) << "nobody can type another folder";
  EXPECT_TRUE(bench.sheet.jumps.empty());
}

TEST_F(PagesTest, ABrowsedFolderIsShownButStoredOnlyByAType) {
  CInstallApp& app = Start("");
  CTypePathPage page;
  PageBench bench(m_app->GetSession(), page);
  bench.window.browseAnswer = "E:\\TOOLS";
  page.OnCommand(IDC_BROWSE);
  EXPECT_EQ(bench.window.controls[IDC_DEST_DIR].text, "E:\\TOOLS");
  EXPECT_EQ(page.OnWizardBack(), platform::kStay);
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshLanguagePage})) << "the first page is passed over";
  EXPECT_EQ(app.GetContext().GetDestDir(), "C:\\Program Files\\Halvion");
  bench.window.browseAnswer.clear();
  page.OnCommand(IDC_BROWSE);
  EXPECT_EQ(bench.window.controls[IDC_DEST_DIR].text, "E:\\TOOLS") << "a cancelled browser changes nothing";
  page.OnSetActive();
  EXPECT_EQ(bench.window.controls[IDC_DEST_DIR].text, "E:\\TOOLS") << "the page shows its own folder again";
}

TEST_F(PagesTest, BackWithACallerHandsOverToIt) {
  m_machine.PutFile("drive_c/TOOLS/CALLER.EXE", "x");
  Start("/ZC:\\TOOLS\\CALLER.EXE /LDEU");
  CTypePathPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(bench.sheet.buttons, platform::PSWIZB_BACK | platform::PSWIZB_NEXT) << "a caller keeps Back";
  EXPECT_EQ(page.OnWizardBack(), platform::kStay);
  EXPECT_TRUE(bench.sheet.jumps.empty());
  EXPECT_EQ(bench.sheet.presses, (std::vector<int>{platform::PSBTN_CANCEL}));
  EXPECT_NE(Events().find("process C:\\TOOLS\\CALLER.EXE /p2 /lDEU"), std::string::npos) << Events();
}

TEST_F(PagesTest, OneLanguageWithoutACallerHasNoWayBack) {
  Start("/LDEU");
  CTypePathPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(bench.sheet.buttons, platform::PSWIZB_NEXT);
}

TEST_F(PagesTest, UnattendedTypesComeFromTheOptions) {
  {
    CInstallApp& app = Start("/S");
    CTypePathPage page;
    PageBench bench(m_app->GetSession(), page);
    ASSERT_EQ(bench.window.timers.count(kPageTimer), 1u);
    page.OnTimer(kPageTimer);
    EXPECT_TRUE(bench.window.timers.empty());
    EXPECT_EQ(bench.sheet.presses, (std::vector<int>{platform::PSBTN_NEXT})) << "Next is the typical type";
    EXPECT_EQ(app.GetContext().GetFlags() & SF_TYPE_MASK, SF_TYPE_SECOND);
  }
  {
    CInstallApp& app = Start("/M");
    CTypePathPage page;
    PageBench bench(m_app->GetSession(), page);
    bench.window.controls[IDC_DEST_DIR].text = "typed but never taken";
    page.OnTimer(kPageTimer);
    EXPECT_TRUE(bench.sheet.presses.empty());
    EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshReadMePage}));
    EXPECT_EQ(app.GetContext().GetFlags() & SF_TYPE_MASK, SF_TYPE_FIRST);
    EXPECT_EQ(app.GetContext().GetDestDir(), "C:\\Program Files\\Halvion");
  }
}

// ---- ReadMe ----------------------------------------------------------------

TEST_F(PagesTest, TheReadMePageJumpsByTheSetupType) {
  CInstallApp& app = Start("");
  CReadMePage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(bench.window.controls[IDC_README_TEXT].text, "") << "no README read";
  EXPECT_FALSE(bench.window.controls[IDC_README_BUTTON].visible);
  EXPECT_EQ(bench.sheet.buttons, platform::PSWIZB_BACK | platform::PSWIZB_NEXT);
  app.GetContext().SetFlags(app.GetContext().GetFlags() | SF_TYPE_FIRST);
  page.OnWizardBack();
  app.GetContext().SetFlags((app.GetContext().GetFlags() & ~SF_TYPE_MASK) | SF_TYPE_CUSTOM);
  page.OnWizardBack();
  EXPECT_EQ(page.OnWizardNext(), platform::kStay);
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kFreshTypePathPage, kFreshCustomPage, kFreshProgressPage}));
}

TEST_F(PagesTest, TheReadMeButtonOpensNotepad) {
  m_machine.PutFile("drive_d/README.TXT", "Read me first.\r\n");
  CInstallApp& app = Start("");
  app.GetReadMe().Load(app.GetContext());
  CReadMePage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(bench.window.controls[IDC_README_TEXT].text, "Read me first.\r\n");
  EXPECT_TRUE(bench.window.controls[IDC_README_BUTTON].visible);
  page.OnCommand(IDC_README_BUTTON);
  EXPECT_NE(Events().find("process Notepad D:\\README.TXT"), std::string::npos) << Events();
}

// ---- Language --------------------------------------------------------------

TEST_F(PagesTest, AClickChangesTheLanguageAtOnce) {
  CInstallApp& app = Start("");
  CLanguagePage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_TRUE(bench.window.controls[IDC_LANGUAGE_ENU].checked);
  EXPECT_EQ(bench.sheet.buttons, platform::PSWIZB_NEXT);
  EXPECT_EQ(page.GetPicture(), nullptr) << "the distribution names no picture";
  bench.sheet.buttonTexts.clear();
  bench.window.CheckRadioButton(IDC_LANGUAGE_FIRST, IDC_LANGUAGE_LAST, IDC_LANGUAGE_FRA);  // the button checks itself
  page.OnCommand(IDC_LANGUAGE_FRA);
  EXPECT_EQ(app.GetContext().GetLanguageCode(), "FRA") << "even if the user cancels now";
  EXPECT_EQ(bench.sheet.buttonTexts[platform::kSheetNext], Text(IDS_NEXT));
  EXPECT_EQ(bench.sheet.buttonTexts[platform::kSheetCancel], Text(IDS_CANCEL));
  EXPECT_EQ(page.OnWizardNext(), platform::kMoveOn);
}

TEST_F(PagesTest, OnlyOfferedLanguagesCanBeChosen) {
  m_machine.PutFile("drive_d/COMPANY.INI", "[Company]\r\nENU=1\r\nDEU=1\r\nFRA=1\r\n");
  CInstallApp& app = Start("");
  CLanguagePage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_TRUE(bench.window.controls[IDC_LANGUAGE_DEU].enabled);
  EXPECT_FALSE(bench.window.controls[IDC_LANGUAGE_JPN].enabled);
  bench.window.CheckRadioButton(IDC_LANGUAGE_FIRST, IDC_LANGUAGE_LAST, IDC_LANGUAGE_JPN);
  page.OnCommand(IDC_LANGUAGE_JPN);
  EXPECT_EQ(app.GetContext().GetLanguageCode(), "ENU");
  EXPECT_TRUE(bench.window.controls[IDC_LANGUAGE_ENU].checked);
}

TEST_F(PagesTest, ASingleOfferedLanguageIsTheLanguageOfTheRun) {
  m_machine.PutFile("drive_d/COMPANY.INI", "[Company]\r\nDEU=1\r\n");
  EXPECT_EQ(Start("/S").GetContext().GetLanguageCode(), "DEU");
  EXPECT_EQ(Start("/S /LFRA").GetContext().GetLanguageCode(), "FRA") << "the command line still decides";
}

TEST_F(PagesTest, UnattendedTheLanguagePageGoesOnWithTheLanguageHeld) {
  CInstallApp& app = Start("/S /LDEU");
  CLanguagePage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_TRUE(bench.window.controls[IDC_LANGUAGE_DEU].checked);
  page.OnTimer(kPageTimer);
  EXPECT_EQ(bench.sheet.presses, (std::vector<int>{platform::PSBTN_NEXT}));
  EXPECT_EQ(app.GetContext().GetLanguageCode(), "DEU");
}

std::vector<char> Bitmap(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t colours = 0,
                         bool core = false) {
  std::vector<unsigned char> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  if (core) {
    put(12, 4), put(static_cast<std::uint32_t>(width), 2), put(static_cast<std::uint32_t>(height), 2), put(1, 2),
        put(bits, 2);
  } else {
    put(40, 4), put(static_cast<std::uint32_t>(width), 4), put(static_cast<std::uint32_t>(height), 4), put(1, 2),
        put(bits, 2);
    put(0, 4), put(0, 4), put(0, 4), put(0, 4), put(colours, 4), put(0, 4);
  }
  const std::uint32_t entries = colours != 0 ? colours : bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
  for (std::uint32_t i = 0; i < entries; ++i) {
    b.push_back(static_cast<unsigned char>(i));  // blue
    b.push_back(0x20);                           // green
    b.push_back(0x40);                           // red
    if (!core) b.push_back(0);
  }
  // Enough bits for the size without its sign.
  const std::size_t stride = ((static_cast<std::size_t>(std::abs(width)) * bits + 31) / 32) * 4;
  b.resize(b.size() + stride * static_cast<std::size_t>(std::abs(height)), 0x11);
  return std::vector<char>(b.begin(), b.end());
}

TEST(LanguagePicture, UsableBitmapsAndTheirPalettes) {
  auto eight = ReadPagePicture(Bitmap(10, 4, 8, 3));
  ASSERT_TRUE(eight.has_value());
  EXPECT_EQ(eight->width, 10);
  EXPECT_EQ(eight->height, 4);
  EXPECT_EQ(eight->palette, (std::vector<std::uint8_t>{0x40, 0x20, 0, 0x40, 0x20, 1, 0x40, 0x20, 2}))
      << "red, green, blue of the used colours";
  EXPECT_EQ(eight->bitsOffset, 40u + 3 * 4);
  auto rgb = ReadPagePicture(Bitmap(3, 3, 24));
  ASSERT_TRUE(rgb.has_value());
  EXPECT_TRUE(rgb->palette.empty()) << "a 24-bit picture has no palette";
  auto core = ReadPagePicture(Bitmap(5, 2, 4, 0, true));
  ASSERT_TRUE(core.has_value());
  EXPECT_EQ(core->palette.size(), 16u * 3) << "a core header's table of three bytes per entry";
  EXPECT_EQ(core->bitsOffset, 12u + 16 * 3);
}

TEST(LanguagePicture, BrokenFilesShowNoPicture) {
  std::vector<char> notBm = Bitmap(4, 4, 8);
  notBm[0] = 'X';
  EXPECT_FALSE(ReadPagePicture(notBm).has_value());
  EXPECT_FALSE(ReadPagePicture(std::vector<char>{'B', 'M', 0}).has_value()) << "shorter than the file header";
  std::vector<char> cut = Bitmap(16, 16, 8);
  cut.resize(cut.size() - 1);
  EXPECT_FALSE(ReadPagePicture(cut).has_value()) << "pixel bits missing";
  EXPECT_FALSE(ReadPagePicture(Bitmap(4, -4, 8)).has_value()) << "a negative height";
  EXPECT_FALSE(ReadPagePicture(Bitmap(-4, 4, 8)).has_value()) << "a negative width";
  EXPECT_FALSE(ReadPagePicture(Bitmap(0, 0x7FFFFFFF, 8)).has_value()) << "no width, absurd height";
  EXPECT_FALSE(ReadPagePicture(Bitmap(4, 0, 8)).has_value()) << "no height";
  EXPECT_FALSE(ReadPagePicture(Bitmap(40000, 1, 1)).has_value()) << "wider than any screen";
  std::vector<char> hugeTable = Bitmap(1, 1, 8, 1);
  hugeTable[14 + 32] = static_cast<char>(0xFF);  // used colours 255 with one entry stored
  hugeTable[14 + 35] = 0x7F;
  EXPECT_FALSE(ReadPagePicture(hugeTable).has_value()) << "a colour table beyond the file";
}

TEST(LanguagePicture, FileNameAndPlace) {
  EXPECT_EQ(PictureFileName("LANG.BMP,10,20"), "LANG.BMP");
  EXPECT_EQ(PictureFileName("LANG.BMP=x"), "LANG.BMP");
  EXPECT_EQ(PictureFileName(",LANG.BMP"), "");
  const PicturePlace place = PlacePicture(400, 201, 100, 60);
  EXPECT_EQ(place.x, 400 - 100 - 2);
  EXPECT_EQ(place.y, (201 - 60) / 2 - 2);
  EXPECT_EQ(PlacePicture(50, 10, 20, 15).y, -4) << "(10 - 15) / 2 rounds toward zero, to -2, not -3";
}

TEST_F(PagesTest, ThePictureComesFromTheSourceFolder) {
  m_machine.PutFile("drive_d/COMPANY.INI", "[Company]\r\nENU=1\r\nDEU=1\r\n[Install]\r\nDlgLangBMP=LANG.BMP,1\r\n");
  const std::vector<char> bitmap = Bitmap(8, 8, 8, 2);
  m_machine.PutFile("drive_d/LANG.BMP", std::string(bitmap.begin(), bitmap.end()));
  Start("");
  CLanguagePage page;
  PageBench bench(m_app->GetSession(), page);
  ASSERT_NE(page.GetPicture(), nullptr);
  EXPECT_EQ(page.GetPicture()->width, 8);
}

// ---- Choose and finish -----------------------------------------------------

TEST_F(PagesTest, TheChoicesOfTheMaintenanceWizard) {
  CInstallApp& app = Start("");
  app.GetContext().SetFlags(app.GetContext().GetFlags() | SF_MAINTENANCE_WIZARD);
  CChoosePage page;
  PageBench bench(m_app->GetSession(), page, 6);
  EXPECT_EQ(bench.window.controls[IDC_CHOOSE_REMOVE_TEXT].text, Text(IDS_CHOOSE_REMOVE_TEXT));
  EXPECT_EQ(page.OnWizardNext(), platform::kStay);
  EXPECT_EQ(app.GetContext().GetFlags() & SF_MAINTENANCE_MASK, SF_INSTALL_AGAIN) << "Next installs again";
  page.OnCommand(IDC_CHOOSE_MODIFY);
  EXPECT_EQ(app.GetContext().GetFlags() & SF_MAINTENANCE_MASK, SF_CHANGE_COMPONENTS);
  page.OnCommand(IDC_CHOOSE_REMOVE);
  EXPECT_EQ(app.GetContext().GetFlags() & SF_MAINTENANCE_MASK, SF_REMOVE);
  EXPECT_EQ(bench.sheet.jumps, (std::vector<int>{kMaintProgressPage, kMaintCustomPage, kMaintProgressPage}));
}

TEST_F(PagesTest, UnattendedTheChoosePageInstallsAgain) {
  CInstallApp& app = Start("/S");
  app.GetContext().SetFlags(app.GetContext().GetFlags() | SF_MAINTENANCE_WIZARD);
  CChoosePage page;
  PageBench bench(m_app->GetSession(), page, 6);
  ASSERT_EQ(bench.window.timers.count(kPageTimer), 1u);
  page.OnTimer(kPageTimer);
  EXPECT_EQ(bench.sheet.presses, (std::vector<int>{platform::PSBTN_NEXT}));
}

TEST(FinishTexts, OutcomeAndRestartOffer) {
  struct Case {
    std::uint32_t flags;
    int outcome, nextStep;
    platform::DWORD buttons;
  };
  const Case cases[] = {
      {SF_RUN_FAILED, IDS_FINISH_INSTALL_FAILED, IDS_FINISH_FAILED_ADVICE, 0},
      {SF_RUN_FAILED | SF_REMOVE | SF_RESTART_REQUESTED, IDS_FINISH_REMOVE_FAILED, IDS_FINISH_FAILED_ADVICE, 0},
      {SF_RUN_FAILED | SF_INSTALL_AGAIN, IDS_FINISH_REINSTALL_FAILED, IDS_FINISH_FAILED_ADVICE, 0},
      {0, IDS_FINISH_INSTALLED, IDS_FINISH_CLOSE, platform::PSWIZB_FINISH},
      {SF_RESTART_NEEDED, IDS_FINISH_INSTALLED, IDS_FINISH_RESTART, platform::PSWIZB_NEXT},
      {SF_RESTART_NEEDED | SF_NO_RESTART, IDS_FINISH_INSTALLED, IDS_FINISH_CLOSE, platform::PSWIZB_FINISH},
      {SF_FULL_RESTART | SF_REMOVE, IDS_FINISH_REMOVED, IDS_FINISH_RESTART, platform::PSWIZB_NEXT},
      {SF_RESTART_REQUESTED | SF_INSTALL_AGAIN, IDS_FINISH_REINSTALLED, IDS_FINISH_RESTART, platform::PSWIZB_NEXT},
  };
  for (const Case& c : cases) {
    const FinishTexts texts = ChooseFinishTexts(c.flags);
    EXPECT_EQ(texts.outcome, c.outcome) << std::hex << c.flags;
    EXPECT_EQ(texts.nextStep, c.nextStep) << std::hex << c.flags;
    EXPECT_EQ(texts.buttons, c.buttons) << std::hex << c.flags;
  }
}

TEST_F(PagesTest, UnattendedOnlyOptionRRestarts) {
  struct Case {
    const char* options;
    std::uint32_t extra;
    int press;
  };
  for (const Case& c : {Case{"/S", SF_RESTART_NEEDED, platform::PSBTN_CANCEL}, Case{"/S /R", 0, platform::PSBTN_NEXT},
                        Case{"/S /R", SF_RUN_FAILED, platform::PSBTN_CANCEL}}) {
    CInstallApp& app = Start(c.options);
    app.GetContext().SetFlags(app.GetContext().GetFlags() | c.extra);
    CFinishPage page;
    PageBench bench(m_app->GetSession(), page);
    page.OnTimer(kPageTimer);
    EXPECT_EQ(bench.sheet.presses, (std::vector<int>{c.press})) << c.options << " " << c.extra;
  }
}

TEST_F(PagesTest, RestartOnWindows98GoesThroughTheThunkLibrary) {
  CInstallApp& app = Start("/S /R");
  ASSERT_TRUE(app.GetThunkLibrary().Load(app.GetContext(), app.GetMessages()));
  CFinishPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(page.OnWizardNext(), platform::kStay);
  EXPECT_EQ(bench.sheet.shows.front(), SW_HIDE) << "the wizard hides while Windows restarts";
  EXPECT_EQ(bench.sheet.presses, (std::vector<int>{platform::PSBTN_CANCEL})) << "unattended, the wizard ends";
  EXPECT_EQ(bench.sheet.buttons, platform::PSWIZB_NEXT) << "should the restart not happen, it can be tried again";
  EXPECT_EQ(bench.sheet.broughtToTop, 2);
  EXPECT_NE(Events().find("restart windows"), std::string::npos) << Events();
}

TEST_F(PagesTest, WithoutTheThunkLibraryNextOnlyHidesAndShows) {
  Start("");
  CFinishPage page;
  PageBench bench(m_app->GetSession(), page);
  page.OnWizardNext();
  EXPECT_EQ(bench.sheet.shows.front(), SW_HIDE);
  EXPECT_TRUE(bench.sheet.presses.empty());
  EXPECT_EQ(Events().find("restart"), std::string::npos) << Events();
}

class NtPagesTest : public PagesTest {
 protected:
  NtPagesTest() : PagesTest(sim::OsKind::NT4) {}
};

TEST_F(NtPagesTest, RestartOnNtShutsTheComputerDown) {
  CInstallApp& app = Start("");
  app.GetContext().SetFlags(app.GetContext().GetFlags() | SF_RESTART_NEEDED);
  CFinishPage page;
  PageBench bench(m_app->GetSession(), page);
  EXPECT_EQ(bench.sheet.buttons, platform::PSWIZB_NEXT);
  EXPECT_EQ(bench.window.controls[IDC_FINISH_NEXT_STEP].text, Text(IDS_FINISH_RESTART));
  page.OnWizardNext();
  EXPECT_TRUE(std::find(bench.sheet.shows.begin(), bench.sheet.shows.end(), SW_HIDE) == bench.sheet.shows.end())
      << "NT keeps the wizard shown";
  EXPECT_NE(Events().find("restart request: shut down and restart"), std::string::npos) << Events();
}

}  // namespace
