// Dialog templates: DIALOGEX and DIALOG from a real library, hand-made
// templates for the field forms windres does not write, and truncation.
#include "pe/pe_test_support.h"

#include "platform/ascii_text.h"
#include "platform/shared/config_file.h"

namespace {

using pe_test::Bytes;
using pe_test::Writer;

constexpr std::uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_CAPTION = 0x00C00000,
                        WS_BORDER = 0x00800000, WS_VSCROLL = 0x00200000, WS_SYSMENU = 0x00080000, WS_GROUP = 0x00020000,
                        WS_TABSTOP = 0x00010000;
constexpr std::uint32_t DS_MODALFRAME = 0x80, DS_SETFONT = 0x40, WS_EX_CLIENTEDGE = 0x200,
                        WS_EX_CONTROLPARENT = 0x10000;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 1, BS_AUTOCHECKBOX = 3, ES_AUTOHSCROLL = 0x80, SS_CENTER = 1, SS_ICON = 3,
                        LBS_NOTIFY = 1, SBS_VERT = 1, CBS_DROPDOWNLIST = 3;

void ExpectControl(const sim::DialogControl& c, std::uint32_t id, const std::string& className, const std::string& text,
                   std::uint32_t style, std::uint32_t exStyle, std::int16_t x, std::int16_t y, std::int16_t cx,
                   std::int16_t cy) {
  SCOPED_TRACE(id);
  EXPECT_EQ(c.id, id);
  // Window class names are matched without regard to case (windres upper-cases custom ones).
  EXPECT_TRUE(ascii::EqualNoCase(c.className, className)) << c.className;
  EXPECT_EQ(c.text, text);
  EXPECT_EQ(c.style, style);
  EXPECT_EQ(c.exStyle, exStyle);
  EXPECT_EQ(c.x, x);
  EXPECT_EQ(c.y, y);
  EXPECT_EQ(c.cx, cx);
  EXPECT_EQ(c.cy, cy);
}

TEST(PeDialogs, DialogExFromARealLibrary) {
  for (const char* name : {"sample32.dll", "sample64.dll"}) {
    SCOPED_TRACE(name);
    const auto dialog = pe_test::LoadSample(name).LoadDialog(101);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->extended);
    EXPECT_EQ(dialog->style, DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT);
    EXPECT_EQ(dialog->exStyle, WS_EX_CONTROLPARENT);
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, 317);
    EXPECT_EQ(dialog->cy, 193);
    EXPECT_EQ(dialog->menu, "");
    EXPECT_EQ(dialog->windowClass, "");
    EXPECT_EQ(dialog->caption, "Setup \x96 Zielordner");
    EXPECT_EQ(dialog->font, "MS Shell Dlg");
    EXPECT_EQ(dialog->pointSize, 8);
    EXPECT_EQ(dialog->weight, 400);
    EXPECT_EQ(dialog->italic, 0);
    EXPECT_EQ(dialog->charset, 1);
    ASSERT_EQ(dialog->controls.size(), 9u);
    const auto& c = dialog->controls;
    const std::uint32_t child = WS_CHILD | WS_VISIBLE;
    ExpectControl(c[0], 1, "BUTTON", "&Next >", child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 260, 172, 50, 14);
    ExpectControl(c[1], 1001, "EDIT", "", child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 7, 30, 200,
                  12);
    ExpectControl(c[2], 0xFFFFFFFF, "STATIC", "Ordner:", child | WS_GROUP, 0, 7, 18, 60, 8);
    ExpectControl(c[3], 1002, "LISTBOX", "", child | WS_BORDER | LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP, 0, 7, 50, 120,
                  80);
    ExpectControl(c[4], 1003, "SCROLLBAR", "", child | SBS_VERT, 0, 130, 50, 10, 80);
    ExpectControl(c[5], 1004, "COMBOBOX", "", child | CBS_DROPDOWNLIST | WS_TABSTOP, 0, 150, 50, 100, 60);
    ExpectControl(c[6], 1005, "SysListView32", "", child | WS_BORDER | WS_TABSTOP, 0, 7, 135, 200, 30);
    ExpectControl(c[7], 1006, "STATIC", "#300", child | SS_ICON, 0, 280, 10, 0, 0);
    ExpectControl(c[8], 1007, "BUTTON", "Check", child | BS_AUTOCHECKBOX | WS_TABSTOP, 0, -5, 170, 40, 10);
  }
}

TEST(PeDialogs, ClassicDialogsFromARealLibrary) {
  const sim::PeResources pe = pe_test::LoadSample("sample32.dll");
  const auto dialog = pe.LoadDialog(102);
  ASSERT_TRUE(dialog);
  EXPECT_FALSE(dialog->extended);
  EXPECT_EQ(dialog->style, DS_MODALFRAME | WS_POPUP | WS_CAPTION | DS_SETFONT);
  EXPECT_EQ(dialog->exStyle, 0u);
  EXPECT_EQ(dialog->x, 10);
  EXPECT_EQ(dialog->y, 20);
  EXPECT_EQ(dialog->cx, 200);
  EXPECT_EQ(dialog->cy, 100);
  EXPECT_EQ(dialog->caption, "Classic");
  EXPECT_EQ(dialog->font, "MS Sans Serif");
  EXPECT_EQ(dialog->pointSize, 8);
  ASSERT_EQ(dialog->controls.size(), 4u);
  const std::uint32_t child = WS_CHILD | WS_VISIBLE;
  ExpectControl(dialog->controls[0], 1, "BUTTON", "OK", child | WS_TABSTOP, 0, 140, 80, 50, 14);
  ExpectControl(dialog->controls[1], 2001, "EDIT", "", child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 10, 10, 100,
                12);
  ExpectControl(dialog->controls[2], 2002, "STATIC", "Mitte", child | WS_GROUP | SS_CENTER, 0, 10, 30, 100, 8);
  ExpectControl(dialog->controls[3], 2003, "msctls_progress32", "", child | WS_BORDER, 0, 10, 50, 180, 10);

  // Without FONT there is no font data, and without controls no items.
  const auto bare = pe.LoadDialog(103);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->style, WS_POPUP);
  EXPECT_EQ(bare->font, "");
  EXPECT_EQ(bare->pointSize, 0);
  EXPECT_EQ(bare->caption, "");
  EXPECT_TRUE(bare->controls.empty());
  EXPECT_FALSE(pe.LoadDialog(104).has_value());
  EXPECT_FALSE(pe.LoadDialog(200).has_value());
}

// DLGTEMPLATEEX with a menu by ordinal, a class by name, odd-length strings
// and creation data of odd and even size.
Bytes HandMadeDialogEx() {
  Writer w;
  w.U16(1).U16(0xFFFF).U32(77).U32(0x8).U32(WS_POPUP | DS_SETFONT).U16(3);
  w.U16(static_cast<std::uint16_t>(-4)).U16(5).U16(60).U16(40);
  w.Ord(12).Sz(u"MyDialogClass").Sz(u"Caption\u00E9");
  w.U16(9).U16(700).U8(1).U8(0xEE).Sz(u"Tahoma");
  w.Align4().U32(5).U32(0x20).U32(WS_CHILD).U16(1).U16(2).U16(3).U16(4).U32(0x12345678);
  w.Sz(u"Custom").Ord(42).U16(3).U8(0xAA).U8(0xBB).U8(0xCC);
  w.Align4().U32(0).U32(0).U32(WS_CHILD | WS_VISIBLE).U16(10).U16(20).U16(30).U16(40).U32(7);
  w.Ord(0x90).Sz(u"odd").U16(4).U32(0xDEADBEEF);
  w.Align4().U32(0).U32(0).U32(0).U16(0).U16(0).U16(0).U16(0).U32(8);
  w.Ord(0x85).Sz(u"").U16(0);
  return w.bytes;
}

TEST(PeDialogs, HandMadeTemplatesCoverOrdinalsNamesAndCreationData) {
  std::string error;
  const auto dialog = sim::ParseDialogTemplate(HandMadeDialogEx(), 1252, error);
  ASSERT_TRUE(dialog) << error;
  EXPECT_TRUE(dialog->extended);
  EXPECT_EQ(dialog->helpId, 77u);
  EXPECT_EQ(dialog->exStyle, 8u);
  EXPECT_EQ(dialog->x, -4);
  EXPECT_EQ(dialog->menu, "#12");
  EXPECT_EQ(dialog->windowClass, "MyDialogClass");
  EXPECT_EQ(dialog->caption, "Caption\xE9");
  EXPECT_EQ(dialog->pointSize, 9);
  EXPECT_EQ(dialog->weight, 700);
  EXPECT_EQ(dialog->italic, 1);
  EXPECT_EQ(dialog->charset, 0xEE);
  EXPECT_EQ(dialog->font, "Tahoma");
  ASSERT_EQ(dialog->controls.size(), 3u);
  EXPECT_EQ(dialog->controls[0].helpId, 5u);
  ExpectControl(dialog->controls[0], 0x12345678, "Custom", "#42", WS_CHILD, 0x20, 1, 2, 3, 4);
  ExpectControl(dialog->controls[1], 7, "#144", "odd", WS_CHILD | WS_VISIBLE, 0, 10, 20, 30, 40);
  ExpectControl(dialog->controls[2], 8, "COMBOBOX", "", 0, 0, 0, 0, 0, 0);

  // Classic template: a menu and a class by name, no font, a WORD id.
  Writer w;
  w.U32(WS_POPUP).U32(0x100).U16(1).U16(1).U16(2).U16(3).U16(4);
  w.Sz(u"MENU1").Ord(0x8002).Sz(u"T");
  w.Align4().U32(WS_CHILD).U32(0).U16(5).U16(6).U16(7).U16(8).U16(0xFFFF).Ord(0x82).Ord(3).U16(0);
  const auto classic = sim::ParseDialogTemplate(w.bytes, 1252, error);
  ASSERT_TRUE(classic) << error;
  EXPECT_FALSE(classic->extended);
  EXPECT_EQ(classic->menu, "MENU1");
  EXPECT_EQ(classic->windowClass, "#32770");
  EXPECT_EQ(classic->caption, "T");
  EXPECT_EQ(classic->font, "");
  ASSERT_EQ(classic->controls.size(), 1u);
  ExpectControl(classic->controls[0], 0xFFFF, "STATIC", "#3", WS_CHILD, 0, 5, 6, 7, 8);

  // Point size 0x7FFF asks for the system font: no weight, flags or typeface follow.
  Writer system;
  system.U16(1).U16(0xFFFF).U32(0).U32(0).U32(DS_SETFONT).U16(1).U16(0).U16(0).U16(0).U16(0);
  system.U16(0).U16(0).U16(0).U16(0x7FFF);
  system.Align4().U32(0).U32(0).U32(WS_CHILD).U16(0).U16(0).U16(0).U16(0).U32(9).Ord(0x80).Sz(u"Go").U16(0);
  const auto systemFont = sim::ParseDialogTemplate(system.bytes, 1252, error);
  ASSERT_TRUE(systemFont) << error;
  EXPECT_EQ(systemFont->pointSize, 0x7FFF);
  EXPECT_EQ(systemFont->font, "");
  ASSERT_EQ(systemFont->controls.size(), 1u);
  ExpectControl(systemFont->controls[0], 9, "BUTTON", "Go", WS_CHILD, 0, 0, 0, 0, 0);
}

TEST(PeDialogs, TruncatedTemplatesFailWithTheFieldAndControl) {
  const Bytes full = HandMadeDialogEx();
  std::string error;
  // The second control starts at a known offset; cut inside its y.
  Bytes cut = full;
  const std::size_t header = 26 + 4 + 28 + 18 + 6 + 14;  // fixed part, menu, class, caption, font
  const std::size_t first = 24 + 14 + 4 + 2 + 3;         // first control, up to its creation data
  const std::size_t second = (header + first + 3) & ~std::size_t{3};
  cut.resize(second + 14 + 1);
  EXPECT_FALSE(sim::ParseDialogTemplate(cut, 1252, error).has_value());
  EXPECT_NE(error.find("control y at offset " + pe_test::HexText(second + 14) + " needs 2 bytes, 1 left"),
            std::string::npos)
      << error;
  EXPECT_NE(error.find("(control 2 of 3)"), std::string::npos) << error;

  // Every shorter prefix fails with a message; the whole template parses.
  for (std::size_t size = 0; size < full.size(); ++size) {
    error.clear();
    EXPECT_FALSE(
        sim::ParseDialogTemplate(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)), 1252, error)
            .has_value())
        << size;
    EXPECT_FALSE(error.empty()) << size;
  }
  EXPECT_TRUE(sim::ParseDialogTemplate(full, 1252, error).has_value()) << error;

  // The same for a real DIALOGEX: a prefix parses only when just padding is missing.
  const auto raw = pe_test::LoadSample("sample32.dll").LoadRaw(sim::kRtDialog, 101);
  ASSERT_TRUE(raw);
  for (std::size_t size = 0; size + 3 < raw->size(); ++size) {
    EXPECT_FALSE(
        sim::ParseDialogTemplate(Bytes(raw->begin(), raw->begin() + static_cast<std::ptrdiff_t>(size)), 1252, error)
            .has_value())
        << size;
  }
}

TEST(PeDialogs, MalformedFieldsAreNamed) {
  std::string error;
  Bytes data = HandMadeDialogEx();
  // A control count beyond the controls present.
  pe_test::Write16(data, 16, 4);
  EXPECT_FALSE(sim::ParseDialogTemplate(data, 1252, error).has_value());
  EXPECT_NE(error.find("(control 4 of 4)"), std::string::npos) << error;
  data = HandMadeDialogEx();
  pe_test::Write16(data, 16, 0xFFFF);
  EXPECT_FALSE(sim::ParseDialogTemplate(data, 1252, error).has_value());
  EXPECT_NE(error.find("of 65535"), std::string::npos) << error;

  // Creation data claiming more than the template holds.
  data = HandMadeDialogEx();
  pe_test::Write16(data, data.size() - 2, 0x1000);
  EXPECT_FALSE(sim::ParseDialogTemplate(data, 1252, error).has_value());
  EXPECT_NE(error.find("control creation data at offset"), std::string::npos) << error;

  // A caption without its terminating NUL.
  Writer w;
  w.U32(WS_POPUP).U32(0).U16(0).U16(0).U16(0).U16(0).U16(0).U16(0).U16(0).Chars(u"Open");
  EXPECT_FALSE(sim::ParseDialogTemplate(w.bytes, 1252, error).has_value());
  EXPECT_NE(error.find("caption at offset 0x16 has no terminating NUL"), std::string::npos) << error;
  // A menu ordinal without its number.
  Writer m;
  m.U32(WS_POPUP).U32(0).U16(0).U16(0).U16(0).U16(0).U16(0).U16(0xFFFF);
  EXPECT_FALSE(sim::ParseDialogTemplate(m.bytes, 1252, error).has_value());
  EXPECT_NE(error.find("menu at offset 0x14"), std::string::npos) << error;
  // The font of DS_SETFONT missing.
  Writer f;
  f.U32(WS_POPUP | DS_SETFONT).U32(0).U16(0).U16(0).U16(0).U16(0).U16(0).U16(0).U16(0).U16(0);
  EXPECT_FALSE(sim::ParseDialogTemplate(f.bytes, 1252, error).has_value());
  EXPECT_NE(error.find("point size"), std::string::npos) << error;
}

}  // namespace
