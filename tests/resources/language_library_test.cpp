// The built language libraries, read with the simulated machine's PE reader:
// every string, dialog, bitmap and icon the program asks for is there, each
// dialog has the controls its page works with, the messages carry the
// inserts their callers fill, and the German library is a translation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/pe_resources.h"
#include "resource_ids.h"
#include "resources_test_support.h"

#ifndef SETUP_LANGUAGE_LIBRARY_DIR
#error "the resource tests need SETUP_LANGUAGE_LIBRARY_DIR"
#endif

namespace {

using namespace resources_test;

// clang-format off
#define SETUP_ID_ENTRY(id) id,
const std::vector<std::uint32_t> kStringIds = {SETUP_STRING_IDS(SETUP_ID_ENTRY)};
const std::vector<std::uint32_t> kDialogIds = {SETUP_DIALOG_IDS(SETUP_ID_ENTRY)};
const std::vector<std::uint32_t> kBitmapIds = {SETUP_BITMAP_IDS(SETUP_ID_ENTRY)};
const std::vector<std::uint32_t> kIconIds = {SETUP_ICON_IDS(SETUP_ID_ENTRY)};
#undef SETUP_ID_ENTRY
// clang-format on

constexpr std::uint32_t kIdOk = 1, kIdCancel = 2, kUnnumbered = 0xFFFF;

const sim::PeResources* Library(const std::string& code) {
  static std::map<std::string, sim::PeResources> libraries;
  auto found = libraries.find(code);
  if (found != libraries.end()) return &found->second;
  const auto path = std::filesystem::path(SETUP_LANGUAGE_LIBRARY_DIR) / ("_INSTALL." + code);
  auto bytes = ReadFile(path);
  if (!bytes) {
    ADD_FAILURE() << "cannot read " << path;
    return nullptr;
  }
  std::string error;
  auto parsed = sim::PeResources::Parse(std::move(*bytes), error);
  if (!parsed) {
    ADD_FAILURE() << path << ": " << error;
    return nullptr;
  }
  return &libraries.emplace(code, std::move(*parsed)).first->second;
}

std::vector<std::uint32_t> Sorted(std::vector<std::uint32_t> ids) {
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const sim::DialogControl* FindControl(const sim::DialogTemplate& dialog, std::uint32_t id) {
  for (const auto& control : dialog.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

struct LibraryCase {
  const char* code;
  std::uint16_t language;
  const char* versionBlock;
};

void PrintTo(const LibraryCase& c, std::ostream* os) { *os << c.code; }

class LanguageLibraryTest : public ::testing::TestWithParam<LibraryCase> {
 protected:
  void SetUp() override {
    m_library = Library(GetParam().code);
    ASSERT_NE(m_library, nullptr);
  }
  const sim::PeResources& Lib() const { return *m_library; }
  std::string Text(std::uint32_t id) const { return Lib().LoadString(id).value_or(""); }

  const sim::PeResources* m_library = nullptr;
};

TEST_P(LanguageLibraryTest, IsAThirtyTwoBitLibraryAsTheDistributionShipsIt) {
  EXPECT_FALSE(Lib().Is64Bit());
}

TEST_P(LanguageLibraryTest, HoldsEveryStringAndNoOther) {
  std::set<std::uint32_t> listed(kStringIds.begin(), kStringIds.end());
  EXPECT_EQ(listed.size(), kStringIds.size()) << "an ID is listed twice";
  for (std::uint32_t id = 0; id < 4096; ++id) {
    const auto text = Lib().LoadString(id);
    if (listed.count(id)) {
      EXPECT_TRUE(text && !text->empty()) << "string " << id << " missing";
    } else {
      EXPECT_FALSE(text.has_value()) << "string " << id << " is in no list of resource_ids.h";
    }
  }
}

TEST_P(LanguageLibraryTest, HoldsEveryDialogBitmapAndIconAndNoOther) {
  EXPECT_EQ(Lib().Ids(sim::kRtDialog), Sorted(kDialogIds));
  EXPECT_EQ(Lib().Ids(sim::kRtBitmap), Sorted(kBitmapIds));
  EXPECT_EQ(Lib().Ids(sim::kRtGroupIcon), Sorted(kIconIds));
  for (std::uint32_t id : kDialogIds) EXPECT_TRUE(Lib().LoadDialog(id).has_value()) << "dialog " << id;
  for (std::uint32_t id : kBitmapIds) EXPECT_TRUE(Lib().LoadBitmap(id).has_value()) << "bitmap " << id;
  for (std::uint32_t id : kIconIds) EXPECT_TRUE(Lib().LoadIconGroup(id).has_value()) << "icon " << id;
  // Icons and bitmaps are separate resource types: 139 and 140 are both.
  EXPECT_TRUE(Lib().HasResource(sim::kRtBitmap, IDB_LOGO) && Lib().HasResource(sim::kRtGroupIcon, IDI_STATE_NONE));
}

TEST_P(LanguageLibraryTest, EveryResourceIsTaggedWithTheLibrarysLanguage) {
  for (std::uint32_t type : {sim::kRtString, sim::kRtDialog, sim::kRtBitmap, sim::kRtGroupIcon, sim::kRtVersion}) {
    for (std::uint32_t id : Lib().Ids(type)) {
      EXPECT_EQ(Lib().Language(type, id), GetParam().language) << "type " << type << " id " << id;
    }
  }
}

// "%1" and "%2" as the callers fill them; a text without inserts must not
// show a marker that nobody replaces.
TEST_P(LanguageLibraryTest, MessagesCarryTheInsertsTheirCallersFill) {
  const std::map<std::uint32_t, int> inserts = {
      {IDS_ERR_PROGRAM_FAILED, 1},     {IDS_ERR_UNSUPPORTED_WINDOWS, 1}, {IDS_ERR_SCRIPT_NOT_FOUND, 1},
      {IDS_ERR_DRIVER_SECTION_MISSING, 1}, {IDS_ERR_LIBRARY_NOT_LOADED, 1}, {IDS_ERR_SECTION_MISSING, 1},
      {IDS_ERR_ENTRY_NOT_FOUND, 2},    {IDS_ERR_DISK_NOT_LISTED, 1},     {IDS_ERR_DIRECTORY_CODE, 1},
      {IDS_ERR_CANNOT_WRITE, 1},       {IDS_ERR_CANNOT_CREATE_FILE, 1},  {IDS_ASK_DISK_FULL, 1},
      {IDS_ERR_FILE_INSTALL, 1},       {IDS_ERR_REGISTRY_LINE, 1},       {IDS_CHILDREN_SELECTED, 2},
      {IDS_SUBCOMPONENTS_TITLE, 1},    {IDS_INSERT_DISK, 1},             {IDS_QUOTED_NAME, 1},
      {IDS_DEPENDENCY_SELECT, 1},      {IDS_DEPENDENCY_DESELECT, 1},     {IDS_ERR_VALUE_TOO_LONG, 1},
      {IDS_ERR_DESTINATION_INVALID, 1}, {IDS_ERR_MARKER_NAME, 1},
  };
  for (std::uint32_t id : kStringIds) {
    const std::string text = Text(id);
    const auto found = inserts.find(id);
    const int count = found == inserts.end() ? 0 : found->second;
    EXPECT_EQ(text.find("%1") != std::string::npos, count >= 1) << id << ": " << text;
    EXPECT_EQ(text.find("%2") != std::string::npos, count >= 2) << id << ": " << text;
  }
  // The entry comes before the section it was looked for in.
  const std::string entry = Text(IDS_ERR_ENTRY_NOT_FOUND);
  EXPECT_LT(entry.find("%1"), entry.find("%2")) << entry;
  // Messages that are always shown without inserts.
  for (std::uint32_t id : {IDS_ERR_NO_ADAPTER, IDS_ERR_SAFE_MODE, IDS_ERR_NOT_ADMINISTRATOR, IDS_EARLIER_PRODUCT}) {
    EXPECT_EQ(Text(id).find('%'), std::string::npos) << id;
  }
}

enum class Kind { kText, kPushButton, kDefaultButton, kPictureButton, kGroupBox, kRadio, kEdit, kMultiLineView,
                  kList, kOwnerDrawnList, kProgress };

struct ExpectedControl {
  std::uint32_t id;
  Kind kind;
};

struct ExpectedDialog {
  std::uint32_t id;
  std::vector<ExpectedControl> controls;
};

std::vector<ExpectedControl> LanguageButtons() {
  std::vector<ExpectedControl> controls = {{IDC_LANGUAGE_PROMPT, Kind::kText}};
  for (std::uint32_t id = IDC_LANGUAGE_FIRST; id <= IDC_LANGUAGE_LAST; ++id) controls.push_back({id, Kind::kRadio});
  return controls;
}

const std::vector<ExpectedDialog>& ExpectedDialogs() {
  static const std::vector<ExpectedDialog> dialogs = {
      {IDD_LANGUAGE_PAGE, LanguageButtons()},
      {IDD_PREPARE_PAGE, {{IDC_PREPARE_TEXT, Kind::kText}, {IDC_PREPARE_PROGRESS, Kind::kProgress}}},
      {IDD_TYPE_PATH_PAGE,
       {{IDC_TYPE_TYPICAL, Kind::kPictureButton}, {IDC_TYPE_MINIMAL, Kind::kPictureButton},
        {IDC_TYPE_CUSTOM, Kind::kPictureButton}, {IDC_TYPE_HEADING, Kind::kText},
        {IDC_TYPE_MINIMAL_TEXT, Kind::kText}, {IDC_TYPE_TYPICAL_TEXT, Kind::kText},
        {IDC_TYPE_CUSTOM_TEXT, Kind::kText}, {IDC_DEST_DIR, Kind::kEdit}, {IDC_BROWSE, Kind::kPushButton},
        {IDC_DEST_DIR_LABEL, Kind::kGroupBox}}},
      {IDD_CUSTOM_PAGE,
       {{IDC_COMPONENT_LIST, Kind::kOwnerDrawnList}, {IDC_CHILDREN_SELECTED, Kind::kText},
        {IDC_CHANGE, Kind::kPushButton}, {IDC_COMPONENT_TIP, Kind::kText}, {IDC_COMPONENTS_LABEL, Kind::kText},
        {IDC_SPACE_AVAILABLE_LABEL, Kind::kText}, {IDC_SPACE_REQUIRED_LABEL, Kind::kText},
        {IDC_SPACE_REQUIRED, Kind::kText}, {IDC_SPACE_AVAILABLE, Kind::kText},
        {IDC_DESCRIPTION_LABEL, Kind::kGroupBox}}},
      {IDD_SUBCOMPONENTS,
       {{IDC_COMPONENT_LIST, Kind::kOwnerDrawnList}, {IDC_CHILDREN_SELECTED, Kind::kText},
        {IDC_CHANGE, Kind::kPushButton}, {IDC_COMPONENT_TIP, Kind::kText}, {IDC_SUBCOMPONENTS_LABEL, Kind::kText},
        {IDC_SPACE_AVAILABLE_LABEL, Kind::kText}, {IDC_SPACE_REQUIRED_LABEL, Kind::kText},
        {IDC_SPACE_REQUIRED, Kind::kText}, {IDC_SPACE_AVAILABLE, Kind::kText},
        {IDC_DESCRIPTION_LABEL, Kind::kGroupBox}, {kIdOk, Kind::kDefaultButton}, {kIdCancel, Kind::kPushButton}}},
      {IDD_README_PAGE,
       {{IDC_README_CAPTION, Kind::kText}, {IDC_README_TEXT, Kind::kMultiLineView},
        {IDC_README_BUTTON, Kind::kPictureButton}}},
      {IDD_PROGRESS_PAGE,
       {{IDC_PROGRESS_TITLE, Kind::kText}, {IDC_PROGRESS_BAR, Kind::kProgress}, {IDC_PHASE_TEXT, Kind::kText},
        {IDC_DETAIL_SOURCE, Kind::kText}, {IDC_DETAIL_DEST_LABEL, Kind::kText}, {IDC_DETAIL_DEST, Kind::kText}}},
      {IDD_FINISH_PAGE, {{IDC_FINISH_OUTCOME, Kind::kText}, {IDC_FINISH_NEXT_STEP, Kind::kText}}},
      {IDD_CHOOSE_PAGE,
       {{IDC_CHOOSE_MODIFY, Kind::kPictureButton}, {IDC_CHOOSE_MODIFY_TEXT, Kind::kText},
        {IDC_CHOOSE_REINSTALL, Kind::kPictureButton}, {IDC_CHOOSE_REINSTALL_TEXT, Kind::kText},
        {IDC_CHOOSE_REMOVE, Kind::kPictureButton}, {IDC_CHOOSE_REMOVE_TEXT, Kind::kText},
        {IDC_CHOOSE_HEADING, Kind::kText}, {IDC_README_BUTTON, Kind::kPictureButton}}},
      {IDD_SOURCE_DISK,
       {{IDC_INSERT_DISK_TEXT, Kind::kText}, {IDC_DISK_LABEL, Kind::kText}, {IDC_COPY_FROM_LABEL, Kind::kText},
        {IDC_SOURCE_DIR, Kind::kEdit}, {kIdOk, Kind::kDefaultButton}, {kIdCancel, Kind::kPushButton}}},
      {IDD_SOURCE_FILE,
       {{IDC_MISSING_FILE_NAME, Kind::kText}, {IDC_MISSING_FILE_DISK, Kind::kText},
        {IDC_COPY_FROM_LABEL, Kind::kText}, {IDC_SOURCE_DIR, Kind::kEdit}, {kIdOk, Kind::kDefaultButton},
        {IDC_SKIP_FILE, Kind::kPushButton}, {kIdCancel, Kind::kPushButton}}},
      {IDD_VERSION_CONFLICT,
       {{IDC_CONFLICT_INTRO, Kind::kText}, {IDC_CONFLICT_FILE_LABEL, Kind::kText},
        {IDC_CONFLICT_FILE_NAME, Kind::kText}, {IDC_CONFLICT_DESCRIPTION_LABEL, Kind::kText},
        {IDC_CONFLICT_DESCRIPTION, Kind::kText}, {IDC_CONFLICT_VERSION_LABEL, Kind::kText},
        {IDC_CONFLICT_VERSION, Kind::kText}, {IDC_CONFLICT_ADVICE, Kind::kText},
        {IDC_CONFLICT_QUESTION, Kind::kText}, {kIdOk, Kind::kDefaultButton}, {kIdCancel, Kind::kPushButton}}},
      {IDD_LICENSE,
       {{IDC_LICENSE_TEXT, Kind::kMultiLineView}, {kIdOk, Kind::kDefaultButton}, {kIdCancel, Kind::kPushButton}}},
      {IDD_DEPENDENCY,
       {{IDC_DEPENDENCY_TEXT, Kind::kText}, {IDC_DEPENDENCY_LIST, Kind::kList},
        {IDC_DEPENDENCY_QUESTION, Kind::kText}, {kIdOk, Kind::kDefaultButton}, {kIdCancel, Kind::kPushButton}}},
      {IDD_DISPLAY_DEVICES, {{IDC_DISPLAY_DEVICE_LIST, Kind::kOwnerDrawnList}, {kIdOk, Kind::kDefaultButton}}},
      {IDD_DISPLAY_DEVICES_MAINTENANCE,
       {{IDC_DISPLAY_DEVICE_LIST, Kind::kOwnerDrawnList}, {kIdOk, Kind::kDefaultButton}}},
  };
  return dialogs;
}

void ExpectKind(const sim::DialogControl& control, Kind kind) {
  const std::string cls = Lower(control.className);
  const std::uint32_t buttonType = control.style & kBsTypeMask;
  switch (kind) {
    case Kind::kText:
      EXPECT_EQ(cls, "static");
      break;
    case Kind::kPushButton:
      EXPECT_EQ(cls, "button");
      EXPECT_EQ(buttonType, kBsPushButton);
      break;
    case Kind::kDefaultButton:
      EXPECT_EQ(cls, "button");
      EXPECT_EQ(buttonType, kBsDefPushButton);
      break;
    case Kind::kPictureButton:
      EXPECT_EQ(cls, "button");
      EXPECT_EQ(buttonType, kBsOwnerDraw) << "picture buttons are drawn by their owner";
      EXPECT_TRUE(control.text.empty());
      break;
    case Kind::kGroupBox:
      EXPECT_EQ(cls, "button");
      EXPECT_EQ(buttonType, kBsGroupBox);
      break;
    case Kind::kRadio:
      EXPECT_EQ(cls, "button");
      EXPECT_EQ(buttonType, kBsAutoRadioButton);
      break;
    case Kind::kEdit:
      EXPECT_EQ(cls, "edit");
      EXPECT_EQ(control.style & (kEsMultiline | kEsReadOnly), 0u);
      break;
    case Kind::kMultiLineView:
      EXPECT_EQ(cls, "edit");
      EXPECT_EQ(control.style & (kEsMultiline | kEsReadOnly), kEsMultiline | kEsReadOnly);
      EXPECT_NE(control.style & kWsVScroll, 0u);
      break;
    case Kind::kList:
      EXPECT_EQ(cls, "listbox");
      EXPECT_EQ(control.style & kLbsOwnerDrawFixed, 0u);
      break;
    case Kind::kOwnerDrawnList:
      EXPECT_EQ(cls, "listbox");
      EXPECT_NE(control.style & kLbsOwnerDrawFixed, 0u);
      EXPECT_NE(control.style & kLbsNotify, 0u) << "the pages follow the selection";
      break;
    case Kind::kProgress:
      EXPECT_EQ(cls, "msctls_progress32");
      break;
  }
}

TEST_P(LanguageLibraryTest, EveryDialogHasTheControlsOfItsPage) {
  EXPECT_EQ(ExpectedDialogs().size(), kDialogIds.size());
  for (const ExpectedDialog& expected : ExpectedDialogs()) {
    SCOPED_TRACE("dialog " + std::to_string(expected.id));
    auto dialog = Lib().LoadDialog(expected.id);
    ASSERT_TRUE(dialog.has_value());
    for (const ExpectedControl& control : expected.controls) {
      SCOPED_TRACE("control " + std::to_string(control.id));
      const sim::DialogControl* found = FindControl(*dialog, control.id);
      ASSERT_NE(found, nullptr);
      ExpectKind(*found, control.kind);
    }
    // No numbered control the program does not know, and no number twice.
    std::set<std::uint32_t> seen;
    for (const auto& control : dialog->controls) {
      if (control.id == kUnnumbered) continue;
      EXPECT_TRUE(seen.insert(control.id).second) << "control " << control.id << " twice";
      const bool listed = std::any_of(expected.controls.begin(), expected.controls.end(),
                                      [&](const ExpectedControl& e) { return e.id == control.id; });
      EXPECT_TRUE(listed) << "control " << control.id << " is not one of the page's";
    }
  }
}

TEST_P(LanguageLibraryTest, ComponentListsKeepTheirTextsAndDeviceListItsEntries) {
  // The component rows carry a description as text and the component as data;
  // the display rows carry only their entry.
  for (std::uint32_t id : {IDD_CUSTOM_PAGE, IDD_SUBCOMPONENTS}) {
    auto dialog = Lib().LoadDialog(id);
    ASSERT_TRUE(dialog.has_value());
    const sim::DialogControl* list = FindControl(*dialog, IDC_COMPONENT_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_NE(list->style & kLbsHasStrings, 0u) << id;
  }
  for (std::uint32_t id : {IDD_DISPLAY_DEVICES, IDD_DISPLAY_DEVICES_MAINTENANCE}) {
    auto dialog = Lib().LoadDialog(id);
    ASSERT_TRUE(dialog.has_value());
    const sim::DialogControl* list = FindControl(*dialog, IDC_DISPLAY_DEVICE_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->style & kLbsHasStrings, 0u) << id;
  }
}

TEST_P(LanguageLibraryTest, WizardPagesShareOneFrame) {
  for (std::uint32_t id : {IDD_LANGUAGE_PAGE, IDD_PREPARE_PAGE, IDD_TYPE_PATH_PAGE, IDD_CUSTOM_PAGE, IDD_README_PAGE,
                           IDD_PROGRESS_PAGE, IDD_FINISH_PAGE, IDD_CHOOSE_PAGE}) {
    SCOPED_TRACE("page " + std::to_string(id));
    auto page = Lib().LoadDialog(id);
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->cx, 317);
    EXPECT_EQ(page->cy, 143);
    const std::uint32_t frame = kWsChild | kWsDisabled | kWsCaption | kDsSetFont;
    EXPECT_EQ(page->style & frame, frame);
    EXPECT_EQ(page->style & (kWsPopup | kWsVisible), 0u);
    EXPECT_EQ(page->font, "MS Sans Serif");
    EXPECT_EQ(page->pointSize, 8);
    EXPECT_EQ(page->caption, Text(IDS_SETUP_TITLE));
  }
}

TEST_P(LanguageLibraryTest, DialogsAreModalWithTheirOwnCaption) {
  for (std::uint32_t id : {IDD_SOURCE_DISK, IDD_SOURCE_FILE, IDD_VERSION_CONFLICT, IDD_SUBCOMPONENTS, IDD_LICENSE,
                           IDD_DEPENDENCY, IDD_DISPLAY_DEVICES, IDD_DISPLAY_DEVICES_MAINTENANCE}) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    auto dialog = Lib().LoadDialog(id);
    ASSERT_TRUE(dialog.has_value());
    const std::uint32_t frame = kWsPopup | kWsCaption | kDsModalFrame | kDsSetFont;
    EXPECT_EQ(dialog->style & frame, frame);
    EXPECT_EQ(dialog->font, "MS Sans Serif");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_FALSE(dialog->caption.empty());
    const bool onlyOkCloses = id == IDD_DISPLAY_DEVICES || id == IDD_DISPLAY_DEVICES_MAINTENANCE;
    EXPECT_EQ((dialog->style & kWsSysMenu) != 0, !onlyOkCloses) << "close box";
    if (onlyOkCloses) {
      const sim::DialogControl* ok = FindControl(*dialog, kIdOk);
      ASSERT_NE(ok, nullptr);
      EXPECT_NE(ok->style & kWsDisabled, 0u) << "OK waits until a display is ticked";
    }
  }
}

TEST_P(LanguageLibraryTest, ControlsLieInsideTheirDialog) {
  for (std::uint32_t id : kDialogIds) {
    auto dialog = Lib().LoadDialog(id);
    ASSERT_TRUE(dialog.has_value()) << id;
    for (const auto& c : dialog->controls) {
      EXPECT_TRUE(c.x >= 0 && c.y >= 0 && c.cx > 0 && c.cy > 0 && c.x + c.cx <= dialog->cx &&
                  c.y + c.cy <= dialog->cy)
          << "dialog " << id << " control " << c.id << " at " << c.x << "," << c.y << " size " << c.cx << "x"
          << c.cy;
    }
  }
}

// Controls whose text the program sets from one string hold that same text,
// so that a page reads right before the program fills it and the two cannot
// drift apart in a translation.
TEST_P(LanguageLibraryTest, FixedTextsAreTheirStrings) {
  struct Fixed {
    std::uint32_t dialog, control, string;
  };
  const std::vector<Fixed> fixed = {
      {IDD_LANGUAGE_PAGE, IDC_LANGUAGE_PROMPT, IDS_LANGUAGE_PROMPT},
      {IDD_PREPARE_PAGE, IDC_PREPARE_TEXT, IDS_PREPARING},
      {IDD_TYPE_PATH_PAGE, IDC_TYPE_HEADING, IDS_TYPE_HEADING},
      {IDD_TYPE_PATH_PAGE, IDC_DEST_DIR_LABEL, IDS_DEST_DIR_LABEL},
      {IDD_TYPE_PATH_PAGE, IDC_TYPE_MINIMAL_TEXT, IDS_TYPE_MINIMAL_TEXT},
      {IDD_TYPE_PATH_PAGE, IDC_TYPE_TYPICAL_TEXT, IDS_TYPE_TYPICAL_TEXT},
      {IDD_TYPE_PATH_PAGE, IDC_TYPE_CUSTOM_TEXT, IDS_TYPE_CUSTOM_TEXT},
      {IDD_TYPE_PATH_PAGE, IDC_BROWSE, IDS_BROWSE},
      {IDD_CUSTOM_PAGE, IDC_COMPONENTS_LABEL, IDS_COMPONENTS_LABEL},
      {IDD_CUSTOM_PAGE, IDC_DESCRIPTION_LABEL, IDS_DESCRIPTION_LABEL},
      {IDD_CUSTOM_PAGE, IDC_CHANGE, IDS_CHANGE},
      {IDD_CUSTOM_PAGE, IDC_SPACE_REQUIRED_LABEL, IDS_SPACE_REQUIRED_LABEL},
      {IDD_CUSTOM_PAGE, IDC_SPACE_AVAILABLE_LABEL, IDS_SPACE_AVAILABLE_LABEL},
      {IDD_SUBCOMPONENTS, IDC_SUBCOMPONENTS_LABEL, IDS_COMPONENTS_LABEL},
      {IDD_SUBCOMPONENTS, IDC_DESCRIPTION_LABEL, IDS_DESCRIPTION_LABEL},
      {IDD_SUBCOMPONENTS, IDC_CHANGE, IDS_CHANGE},
      {IDD_SUBCOMPONENTS, IDC_SPACE_REQUIRED_LABEL, IDS_SPACE_REQUIRED_LABEL},
      {IDD_SUBCOMPONENTS, IDC_SPACE_AVAILABLE_LABEL, IDS_SPACE_AVAILABLE_LABEL},
      {IDD_README_PAGE, IDC_README_CAPTION, IDS_README_CAPTION},
      {IDD_CHOOSE_PAGE, IDC_CHOOSE_HEADING, IDS_CHOOSE_HEADING},
      {IDD_CHOOSE_PAGE, IDC_CHOOSE_MODIFY_TEXT, IDS_CHOOSE_MODIFY_TEXT},
      {IDD_CHOOSE_PAGE, IDC_CHOOSE_REINSTALL_TEXT, IDS_CHOOSE_REINSTALL_TEXT},
      {IDD_CHOOSE_PAGE, IDC_CHOOSE_REMOVE_TEXT, IDS_CHOOSE_REMOVE_TEXT},
      {IDD_SOURCE_DISK, IDC_COPY_FROM_LABEL, IDS_COPY_FROM_LABEL},
      {IDD_SOURCE_DISK, kIdOk, IDS_OK},
      {IDD_SOURCE_DISK, kIdCancel, IDS_CANCEL},
      {IDD_SOURCE_FILE, IDC_COPY_FROM_LABEL, IDS_COPY_FROM_LABEL},
      {IDD_SOURCE_FILE, kIdOk, IDS_OK},
      {IDD_SOURCE_FILE, kIdCancel, IDS_CANCEL},
      {IDD_SOURCE_FILE, IDC_SKIP_FILE, IDS_SKIP_FILE},
      {IDD_VERSION_CONFLICT, IDC_CONFLICT_INTRO, IDS_CONFLICT_INTRO},
      {IDD_VERSION_CONFLICT, IDC_CONFLICT_FILE_LABEL, IDS_CONFLICT_FILE_LABEL},
      {IDD_VERSION_CONFLICT, IDC_CONFLICT_DESCRIPTION_LABEL, IDS_CONFLICT_DESCRIPTION_LABEL},
      {IDD_VERSION_CONFLICT, IDC_CONFLICT_VERSION_LABEL, IDS_CONFLICT_VERSION_LABEL},
      {IDD_VERSION_CONFLICT, IDC_CONFLICT_ADVICE, IDS_CONFLICT_ADVICE},
      {IDD_VERSION_CONFLICT, IDC_CONFLICT_QUESTION, IDS_CONFLICT_QUESTION},
      {IDD_VERSION_CONFLICT, kIdOk, IDS_YES},
      {IDD_VERSION_CONFLICT, kIdCancel, IDS_NO},
      {IDD_LICENSE, kIdOk, IDS_LICENSE_ACCEPT},
      {IDD_LICENSE, kIdCancel, IDS_LICENSE_DECLINE},
      {IDD_DEPENDENCY, kIdOk, IDS_YES},
      {IDD_DEPENDENCY, kIdCancel, IDS_NO},
  };
  for (const Fixed& f : fixed) {
    auto dialog = Lib().LoadDialog(f.dialog);
    ASSERT_TRUE(dialog.has_value()) << f.dialog;
    const sim::DialogControl* control = FindControl(*dialog, f.control);
    ASSERT_NE(control, nullptr) << f.dialog << "/" << f.control;
    EXPECT_EQ(control->text, Text(f.string)) << "dialog " << f.dialog << " control " << f.control;
  }
}

// A dialog's keyboard mnemonics must not clash; wizard pages share theirs
// with the sheet's Back and Next buttons.
TEST_P(LanguageLibraryTest, MnemonicsAreUniqueWithinADialog) {
  auto mnemonic = [](const std::string& text) -> char {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] == '&' && text[i + 1] != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
      if (text[i] == '&') ++i;
    }
    return 0;
  };
  const std::set<std::uint32_t> pages = {IDD_LANGUAGE_PAGE, IDD_PREPARE_PAGE, IDD_TYPE_PATH_PAGE, IDD_CUSTOM_PAGE,
                                         IDD_README_PAGE,   IDD_PROGRESS_PAGE, IDD_FINISH_PAGE,    IDD_CHOOSE_PAGE};
  for (std::uint32_t id : kDialogIds) {
    auto dialog = Lib().LoadDialog(id);
    ASSERT_TRUE(dialog.has_value()) << id;
    std::map<char, std::string> used;
    std::vector<std::string> texts;
    for (const auto& c : dialog->controls) texts.push_back(c.text);
    if (pages.count(id)) {
      texts.push_back(Text(IDS_BACK));
      texts.push_back(Text(IDS_NEXT));
    }
    for (const std::string& text : texts) {
      const char m = mnemonic(text);
      if (!m) continue;
      EXPECT_TRUE(used.emplace(m, text).second)
          << "dialog " << id << ": \"" << text << "\" and \"" << used[m] << "\" share &" << m;
    }
  }
}

// Each language is offered under its own name, whatever the library's
// language; scripts without a Latin alphabet are transliterated.
TEST_P(LanguageLibraryTest, LanguageButtonsNameEachLanguageInItsOwnWay) {
  const std::vector<std::string> names = {
      "Zhongwen (Jianti)", "Zhongwen (Fanti)", "Dansk",   "Nederlands",           "English",
      "Suomi",             "Fran\xE7" "ais",   "Deutsch", "Italiano",             "Nihongo",
      "Hangugeo",          "Norsk",            "Polski",  "Portugu\xEAs (Brasil)", "Portugu\xEAs",
      "Russkij",           "Espa\xF1ol",       "Svenska", "Phasa Thai"};
  auto page = Lib().LoadDialog(IDD_LANGUAGE_PAGE);
  ASSERT_TRUE(page.has_value());
  for (std::uint32_t i = 0; i < names.size(); ++i) {
    const sim::DialogControl* button = FindControl(*page, IDC_LANGUAGE_FIRST + i);
    ASSERT_NE(button, nullptr) << i;
    EXPECT_EQ(button->text, names[i]) << "language " << i;
    // one group: the first button starts it, the others follow it
    EXPECT_EQ((button->style & kWsGroup) != 0, i == 0) << "language " << i;
  }
  EXPECT_EQ(IDC_LANGUAGE_ENU, IDC_LANGUAGE_FIRST + 4);
  EXPECT_EQ(IDC_LANGUAGE_DEU, IDC_LANGUAGE_FIRST + 7);
  EXPECT_EQ(IDC_LANGUAGE_THA, IDC_LANGUAGE_LAST);
}

TEST_P(LanguageLibraryTest, PicturesAreTheKeptFiles) {
  const std::map<std::uint32_t, std::string> bitmaps = {
      {IDB_TYPE_MINIMAL, "type_minimal.bmp"},        {IDB_TYPE_MINIMAL_DOWN, "type_minimal_down.bmp"},
      {IDB_TYPE_MINIMAL_FOCUS, "type_minimal_focus.bmp"}, {IDB_TYPE_TYPICAL, "type_typical.bmp"},
      {IDB_TYPE_TYPICAL_DOWN, "type_typical_down.bmp"}, {IDB_TYPE_TYPICAL_FOCUS, "type_typical_focus.bmp"},
      {IDB_TYPE_CUSTOM, "type_custom.bmp"},          {IDB_TYPE_CUSTOM_DOWN, "type_custom_down.bmp"},
      {IDB_TYPE_CUSTOM_FOCUS, "type_custom_focus.bmp"}, {IDB_LOGO_LARGE, "logo_large.bmp"},
      {IDB_LOGO_LARGE_MASK, "logo_large_mask.bmp"},  {IDB_LOGO, "logo.bmp"},
      {IDB_LOGO_MASK, "logo_mask.bmp"},              {IDB_MODIFY, "choose_modify.bmp"},
      {IDB_MODIFY_DOWN, "choose_modify_down.bmp"},   {IDB_MODIFY_FOCUS, "choose_modify_focus.bmp"},
      {IDB_REINSTALL, "choose_reinstall.bmp"},       {IDB_REINSTALL_DOWN, "choose_reinstall_down.bmp"},
      {IDB_REINSTALL_FOCUS, "choose_reinstall_focus.bmp"}, {IDB_REMOVE, "choose_remove.bmp"},
      {IDB_REMOVE_DOWN, "choose_remove_down.bmp"},   {IDB_REMOVE_FOCUS, "choose_remove_focus.bmp"},
      {IDB_README, "readme.bmp"},                    {IDB_README_DOWN, "readme_down.bmp"},
      {IDB_README_FOCUS, "readme_focus.bmp"}};
  EXPECT_EQ(bitmaps.size(), kBitmapIds.size());
  for (const auto& [id, name] : bitmaps) {
    auto file = ReadFile(ImagesDir() / name);
    ASSERT_TRUE(file.has_value()) << name;
    auto stored = Lib().LoadBitmap(id);
    ASSERT_TRUE(stored.has_value()) << id;
    // A bitmap resource is the file without its 14-byte file header.
    EXPECT_TRUE(*stored == Bytes(file->begin() + 14, file->end())) << id << " is not " << name;
  }

  const std::map<std::uint32_t, std::string> icons = {{IDI_WIZARD, "wizard.ico"},
                                                      {IDI_STATE_NONE, "state_none.ico"},
                                                      {IDI_STATE_ALL, "state_all.ico"},
                                                      {IDI_STATE_SOME, "state_some.ico"}};
  for (const auto& [id, name] : icons) {
    SCOPED_TRACE(name);
    auto file = ReadFile(ImagesDir() / name);
    auto group = Lib().LoadIconGroup(id);
    ASSERT_TRUE(file && group);
    const std::uint32_t count = Read16(*group, 4);
    ASSERT_EQ(count, Read16(*file, 4));
    for (std::uint32_t i = 0; i < count; ++i) {
      // GRPICONDIRENTRY: 14 bytes, the icon's resource ID last; ICONDIRENTRY:
      // 16 bytes, size and offset last.
      const std::size_t entry = 6 + 14 * i, fileEntry = 6 + 16 * i;
      EXPECT_EQ((*group)[entry], (*file)[fileEntry]) << "width";
      EXPECT_EQ((*group)[entry + 1], (*file)[fileEntry + 1]) << "height";
      auto image = Lib().LoadIcon(Read16(*group, entry + 12));
      ASSERT_TRUE(image.has_value());
      const std::uint32_t size = Read32(*file, fileEntry + 8), offset = Read32(*file, fileEntry + 12);
      ASSERT_LE(offset + size, file->size());
      EXPECT_TRUE(*image == Bytes(file->begin() + offset, file->begin() + offset + size)) << "image " << i;
    }
  }
}

TEST_P(LanguageLibraryTest, VersionResourceNamesTheLibrary) {
  const std::string block = GetParam().versionBlock;
  EXPECT_EQ(Lib().VersionString(block, "OriginalFilename"), "_INSTALL." + std::string(GetParam().code));
  EXPECT_EQ(Lib().VersionString(block, "CompanyName"), "Halvion");
  EXPECT_TRUE(Lib().VersionString(block, "FileVersion").has_value());
  EXPECT_TRUE(Lib().VersionString(block, "ProductName").has_value());
  EXPECT_EQ(Lib().Translations(), std::vector<std::uint32_t>{GetParam().language | (1252u << 16)});
  auto fixed = Lib().FixedVersion();
  ASSERT_TRUE(fixed.has_value());
  EXPECT_EQ(fixed->fileType, 2u) << "VFT_DLL";
  EXPECT_EQ(fixed->fileOS, 4u) << "VOS__WINDOWS32";
}

INSTANTIATE_TEST_SUITE_P(Libraries, LanguageLibraryTest,
                         ::testing::Values(LibraryCase{"ENU", 0x0409, "040904E4"},
                                           LibraryCase{"DEU", 0x0407, "040704E4"}),
                         [](const auto& info) { return std::string(info.param.code); });

// ------------------------------------------------------------------ German

class GermanLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_english = Library("ENU");
    m_german = Library("DEU");
    ASSERT_TRUE(m_english && m_german);
  }
  const sim::PeResources* m_english = nullptr;
  const sim::PeResources* m_german = nullptr;
};

TEST_F(GermanLibraryTest, EveryTextIsTranslated) {
  // Words that German writes as English does.
  const std::set<std::uint32_t> same = {IDS_OK, IDS_CONFLICT_VERSION_LABEL};
  for (std::uint32_t id : kStringIds) {
    const std::string english = m_english->LoadString(id).value_or("");
    const std::string german = m_german->LoadString(id).value_or("");
    if (same.count(id)) {
      EXPECT_EQ(german, english) << id;
    } else {
      EXPECT_NE(german, english) << "string " << id << " is not translated";
    }
  }
  for (std::uint32_t id : kDialogIds) {
    auto english = m_english->LoadDialog(id), german = m_german->LoadDialog(id);
    ASSERT_TRUE(english && german) << id;
    EXPECT_NE(german->caption, english->caption) << "dialog " << id;
    ASSERT_EQ(german->controls.size(), english->controls.size()) << "dialog " << id;
    for (std::size_t i = 0; i < english->controls.size(); ++i) {
      const auto& e = english->controls[i];
      const auto& g = german->controls[i];
      EXPECT_EQ(g.id, e.id) << "dialog " << id << " keeps its controls in the same order";
      EXPECT_EQ(g.className, e.className);
      EXPECT_EQ(g.style, e.style) << "dialog " << id << " control " << e.id;
      const bool isLanguageName = id == IDD_LANGUAGE_PAGE && e.id >= IDC_LANGUAGE_FIRST && e.id <= IDC_LANGUAGE_LAST;
      const bool sameWord = e.text == "OK" || e.text == "Version:";
      if (!e.text.empty() && !isLanguageName && !sameWord) {
        EXPECT_NE(g.text, e.text) << "dialog " << id << " control " << e.id;
      }
    }
  }
}

TEST_F(GermanLibraryTest, UmlautsSurviveTheCodePage) {
  int withUmlaut = 0;
  for (std::uint32_t id : kStringIds) {
    const std::string english = m_english->LoadString(id).value_or("");
    const std::string german = m_german->LoadString(id).value_or("");
    if (german.find_first_of("\xE4\xF6\xFC\xC4\xD6\xDC\xDF") != std::string::npos) ++withUmlaut;
    // A character the code page lacks would come back as a question mark.
    EXPECT_EQ(std::count(german.begin(), german.end(), '?'), std::count(english.begin(), english.end(), '?'))
        << id << ": " << german;
    // Keyboard access survives the translation.
    EXPECT_EQ(english.find('&') != std::string::npos, german.find('&') != std::string::npos) << id;
  }
  EXPECT_GT(withUmlaut, 20);
  EXPECT_EQ(m_german->LoadString(IDS_BACK), std::string("< &Zur\xFC" "ck"));
}

}  // namespace
