// What the property sheet shows beyond the host's contract: caption, icon,
// placement, the logo, the page picture, picture buttons, the controls by ID
// and the folder browser, read back from the screen under Wine.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "support/bitmap_files.h"
#include "ui/win32/wizard_painting.h"
#include "wizard/language_page.h"
#include "wizard_host/fake_wizard.h"
#include "wizard_host/wizard_host_environment.h"

namespace wizard_host_test {
namespace {

class PropertySheetTest : public ::testing::Test {
 protected:
  EventLog m_log;
};

// An 8-bit bottom-up picture of one colour (index 1) with a 256-entry palette.
platform::PagePicture UniformPicture(int width, int height, COLORREF colour) {
  platform::PagePicture picture;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biCompression = BI_RGB;
  const std::size_t stride = (static_cast<std::size_t>(width) + 3) / 4 * 4;
  picture.dib.assign(sizeof header + 256 * 4 + stride * static_cast<std::size_t>(height), 0);
  std::memcpy(picture.dib.data(), &header, sizeof header);
  const std::uint8_t entry[4] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0};
  std::memcpy(picture.dib.data() + sizeof header + 4, entry, sizeof entry);
  picture.bitsOffset = sizeof header + 256 * 4;
  std::fill(picture.dib.begin() + static_cast<std::ptrdiff_t>(picture.bitsOffset), picture.dib.end(), 1);
  picture.width = width;
  picture.height = height;
  picture.palette.assign(256 * 3, 0);
  picture.palette[3] = GetRValue(colour);
  picture.palette[4] = GetGValue(colour);
  picture.palette[5] = GetBValue(colour);
  return picture;
}

COLORREF PixelOf(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF colour = GetPixel(dc, x, y) & 0xFFFFFF;
  ReleaseDC(window, dc);
  return colour;
}

TEST_F(PropertySheetTest, SheetHasItsCaptionAndIconAndTakesThePlaceItIsGiven) {
  FakePage a("A", IDD_PREPARE_PAGE, m_log);
  RECT placed{};
  bool visible = false, enabled = false;
  HICON large = nullptr, small = nullptr, drag = nullptr;
  std::string caption;
  a.CheckWhenActive([&] {
    HWND sheet = a.SheetHwnd();
    GetWindowRect(sheet, &placed);
    visible = IsWindowVisible(sheet) != FALSE;
    enabled = IsWindowEnabled(sheet) != FALSE;
    large = reinterpret_cast<HICON>(SendMessageA(sheet, WM_GETICON, ICON_BIG, 0));
    small = reinterpret_cast<HICON>(SendMessageA(sheet, WM_GETICON, ICON_SMALL, 0));
    drag = reinterpret_cast<HICON>(SendMessageA(sheet, WM_QUERYDRAGICON, 0, 0));
    caption = WindowText(sheet);
    a.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&a}, 0, m_log);
  // The hidden mode's place: off screen, yet a normal, enabled window.
  sheet.onCreate = [](platform::ISheetWindow& window) { window.MoveWindow(-300, -300, 200, 200); };
  RunWizard(sheet);
  EXPECT_EQ(placed.left, -300);
  EXPECT_EQ(placed.top, -300);
  EXPECT_EQ(placed.right - placed.left, 200);
  EXPECT_EQ(placed.bottom - placed.top, 200);
  EXPECT_TRUE(visible);
  EXPECT_TRUE(enabled);
  EXPECT_NE(large, nullptr);
  EXPECT_NE(small, nullptr);
  EXPECT_EQ(drag, large);
  EXPECT_NE(caption.find("Halvion Setup"), std::string::npos) << caption;
}

TEST_F(PropertySheetTest, LogoIsDrawnTransparentlyBelowTheEtchedLine) {
  FakePage a("A", IDD_PREPARE_PAGE, m_log);
  FakeSheet sheet({&a}, 0, m_log);
  int differences = -1, width = 0, height = 0;
  a.CheckWhenActive([&] {
    HWND hwnd = a.SheetHwnd();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    UINT imageId = 0, maskId = 0;
    sheet.GetLogoBitmaps(sheet.baseUnitAsked, imageId, maskId);
    int imageWidth = 0, imageHeight = 0;
    const std::vector<COLORREF> image = BitmapPixels(imageId, imageWidth, imageHeight);
    const std::vector<COLORREF> mask = BitmapPixels(maskId, width, height);
    ASSERT_EQ(image.size(), mask.size());
    ASSERT_FALSE(mask.empty());
    // Where the mask is white the button face shows through.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    std::vector<COLORREF> expected;
    for (std::size_t i = 0; i < mask.size(); ++i) expected.push_back((face & mask[i]) ^ (image[i] & ~mask[i]));
    ASSERT_NE(std::count(mask.begin(), mask.end(), RGB(0, 0, 0)), 0) << "a logo with no shape tells nothing";
    RECT line{};
    GetWindowRect(GetDlgItem(hwnd, platform::kSheetEtchedLine), &line);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&line), 2);
    differences = CountDifferentPixels(hwnd, line.left, line.bottom + 1, width, height, expected);
    a.sheet->PressButton(PSBTN_CANCEL);
  });
  RunWizard(sheet);
  EXPECT_EQ(sheet.baseUnitAsked, LOWORD(GetDialogBaseUnits()));
  EXPECT_EQ(differences, 0) << "of " << width * height << " pixels";
}

TEST_F(PropertySheetTest, PagePictureIsFramedBesideTheControls) {
  const COLORREF colour = RGB(200, 30, 40);
  const platform::PagePicture picture = UniformPicture(21, 11, colour);
  FakePage a("A", IDD_LANGUAGE_PAGE, m_log);
  a.picture = &picture;
  std::vector<COLORREF> seen;
  RECT client{};
  a.CheckWhenActive([&] {
    HWND page = a.Hwnd();
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    GetClientRect(page, &client);
    const int x = client.right - 21 - 2, y = (client.bottom - 11) / 2 - 2;
    for (POINT at : {POINT{x, y}, POINT{x + 20, y + 10}, POINT{x - 2, y - 2}, POINT{x - 2, y + 12},
                     POINT{x - 1, y - 1}, POINT{x + 22, y + 12}, POINT{x + 21, y + 11}}) {
      seen.push_back(PixelOf(page, at.x, at.y));
    }
    a.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&a}, 0, m_log);
  RunWizard(sheet);
  const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
  // Corners of the picture, the black outer frame top and left, the white
  // frames inside it and at the right and bottom.
  EXPECT_EQ(seen, (std::vector<COLORREF>{colour, colour, black, black, white, white, white}));
}

TEST_F(PropertySheetTest, APictureThatDoesNotHoldTogetherIsNotDrawn) {
  const COLORREF colour = RGB(200, 30, 40);
  platform::PagePicture picture = UniformPicture(21, 11, colour);
  picture.dib.pop_back();  // the last row short by one byte
  FakePage a("A", IDD_LANGUAGE_PAGE, m_log);
  a.picture = &picture;
  COLORREF seen = colour;
  a.CheckWhenActive([&] {
    HWND page = a.Hwnd();
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(page, &client);
    seen = PixelOf(page, client.right - 21 - 2, (client.bottom - 11) / 2 - 2);
    a.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&a}, 0, m_log);
  RunWizard(sheet);
  EXPECT_NE(seen, colour);
}

TEST_F(PropertySheetTest, ARunLengthPictureIsDrawnAsItsUncompressedTwin) {
  for (const int bits : {8, 4}) {
    SCOPED_TRACE(bits);
    const testing_support::PalettePicture banded = testing_support::BandedPicture(40, 20, bits);
    const std::string file = testing_support::BitmapFile(banded, bits == 8 ? BI_RLE8 : BI_RLE4);
    const auto picture = ReadPagePicture(std::vector<char>(file.begin(), file.end()));
    ASSERT_TRUE(picture.has_value());
    FakePage a("A", IDD_LANGUAGE_PAGE, m_log);
    a.picture = &*picture;
    int wrong = -1;
    a.CheckWhenActive([&] {
      HWND page = a.Hwnd();
      RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      RECT client{};
      GetClientRect(page, &client);
      const POINT at = win32ui::PlacePicture(client, 40, 20);
      wrong = 0;
      for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
          const std::uint32_t rgb = banded.colours[banded.At(x, y)];
          wrong += PixelOf(page, at.x + x, at.y + y) != RGB(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF) ? 1 : 0;
        }
      }
      a.sheet->PressButton(PSBTN_CANCEL);
    });
    FakeSheet sheet({&a}, 0, m_log);
    RunWizard(sheet);
    EXPECT_EQ(wrong, 0) << "pixels other than the picture's of 800";
  }
}

TEST(PictureCheckTest, OnlyPicturesWhoseDataLiesInsideTheBufferAreDrawable) {
  const platform::PagePicture good = UniformPicture(21, 11, RGB(1, 2, 3));
  EXPECT_TRUE(win32ui::PictureIsDrawable(good));

  platform::PagePicture picture = good;
  picture.bitsOffset = picture.dib.size() + 1;
  EXPECT_FALSE(win32ui::PictureIsDrawable(picture)) << "bits beyond the end";

  picture = good;
  picture.dib = std::vector<std::uint8_t>(good.dib.begin(), good.dib.begin() + sizeof(BITMAPINFOHEADER) + 100);
  picture.bitsOffset = 0;  // colour table cut short
  EXPECT_FALSE(win32ui::PictureIsDrawable(picture));

  picture = good;
  const std::int32_t negative = -11;
  std::memcpy(picture.dib.data() + 8, &negative, sizeof negative);
  EXPECT_FALSE(win32ui::PictureIsDrawable(picture)) << "negative height";

  picture = good;
  picture.width = 22;
  EXPECT_FALSE(win32ui::PictureIsDrawable(picture)) << "size other than the header's";

  picture = good;
  const std::uint32_t manyColours = 0x40000000;
  std::memcpy(picture.dib.data() + 32, &manyColours, sizeof manyColours);
  EXPECT_FALSE(win32ui::PictureIsDrawable(picture)) << "a colour table larger than the file";

  picture = good;
  const std::uint32_t rle8 = BI_RLE8, noSize = 0;
  std::memcpy(picture.dib.data() + 16, &rle8, sizeof rle8);
  std::memcpy(picture.dib.data() + 20, &noSize, sizeof noSize);
  EXPECT_FALSE(win32ui::PictureIsDrawable(picture)) << "compressed bits of no stated size";

  // A core header: 16-bit sizes and three-byte colour entries.
  platform::PagePicture core;
  core.width = 4;
  core.height = 2;
  const std::uint8_t coreHeader[12] = {12, 0, 0, 0, 4, 0, 2, 0, 1, 0, 24, 0};
  core.dib.assign(12 + 2 * 12, 0x7F);
  std::memcpy(core.dib.data(), coreHeader, sizeof coreHeader);
  core.bitsOffset = 12;
  EXPECT_TRUE(win32ui::PictureIsDrawable(core));
  core.dib.pop_back();
  EXPECT_FALSE(win32ui::PictureIsDrawable(core));
}

TEST(PictureCheckTest, PictureSitsTwoPixelsFromTheRightAndCentredRoundingTowardZero) {
  const POINT at = win32ui::PlacePicture(RECT{0, 0, 300, 101}, 40, 20);
  EXPECT_EQ(at.x, 258);
  EXPECT_EQ(at.y, 38);
  // Taller than the page: the division rounds toward zero, not down.
  const POINT tall = win32ui::PlacePicture(RECT{0, 0, 300, 10}, 40, 15);
  EXPECT_EQ(tall.y, -4);
}

TEST_F(PropertySheetTest, PictureButtonsAreSizedToAndDrawnFromTheirBitmaps) {
  FakePage a("A", IDD_TYPE_PATH_PAGE, m_log);
  bool made = false, madeWithMissingBitmap = true;
  RECT templateSize{}, customSize{};
  a.onInit = [&] {
    GetClientRect(GetDlgItem(a.Hwnd(), IDC_TYPE_CUSTOM), &templateSize);
    made = a.window->SetPictureButton(IDC_TYPE_MINIMAL, IDB_TYPE_MINIMAL, IDB_TYPE_MINIMAL_DOWN, IDB_TYPE_MINIMAL_FOCUS);
    madeWithMissingBitmap = a.window->SetPictureButton(IDC_TYPE_CUSTOM, IDB_TYPE_CUSTOM, 9999, IDB_TYPE_CUSTOM_FOCUS);
    return true;
  };
  int width = 0, height = 0;
  RECT size{};
  int normal = -1, pressed = -1, focused = -1;
  a.CheckWhenActive([&] {
    HWND button = GetDlgItem(a.Hwnd(), IDC_TYPE_MINIMAL);
    GetClientRect(button, &size);
    GetClientRect(GetDlgItem(a.Hwnd(), IDC_TYPE_CUSTOM), &customSize);
    auto drawn = [&](UINT bitmap) {
      RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      return CountDifferentPixels(button, 0, 0, width, height, BitmapPixels(bitmap, width, height));
    };
    BitmapPixels(IDB_TYPE_MINIMAL, width, height);
    SetFocus(GetDlgItem(a.Hwnd(), IDC_DEST_DIR));
    normal = drawn(IDB_TYPE_MINIMAL);
    SetFocus(button);
    focused = drawn(IDB_TYPE_MINIMAL_FOCUS);
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    pressed = drawn(IDB_TYPE_MINIMAL_DOWN);
    SendMessageA(button, BM_SETSTATE, FALSE, 0);
    SendMessageA(button, BM_CLICK, 0, 0);
    a.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&a}, 0, m_log);
  RunWizard(sheet);
  EXPECT_TRUE(made);
  EXPECT_FALSE(madeWithMissingBitmap);
  EXPECT_EQ(customSize.right, templateSize.right) << "a button without all its bitmaps stays as it was";
  ASSERT_GT(width, 0);
  EXPECT_EQ(size.right, width);
  EXPECT_EQ(size.bottom, height);
  EXPECT_EQ(normal, 0);
  EXPECT_EQ(focused, 0);
  EXPECT_EQ(pressed, 0);
  EXPECT_EQ(m_log.Count("A command " + std::to_string(IDC_TYPE_MINIMAL)), 1);
}

TEST_F(PropertySheetTest, ControlsAreReachedByTheirIds) {
  FakePage a("A", IDD_LANGUAGE_PAGE, m_log), b("B", IDD_PROGRESS_PAGE, m_log);
  std::string text, missing = "?";
  bool promptVisible = true, englishEnabled = true, german = false, english = true, clicked = false;
  a.CheckWhenActive([&] {
    HWND page = a.Hwnd();
    a.window->SetItemText(IDC_LANGUAGE_PROMPT, "Sprache w\xE4hlen:");
    text = a.window->GetItemText(IDC_LANGUAGE_PROMPT);
    missing = a.window->GetItemText(4711);
    a.window->ShowItem(IDC_LANGUAGE_PROMPT, false);
    promptVisible = IsWindowVisible(GetDlgItem(page, IDC_LANGUAGE_PROMPT)) != FALSE;
    a.window->EnableItem(IDC_LANGUAGE_ENU, false);
    englishEnabled = IsWindowEnabled(GetDlgItem(page, IDC_LANGUAGE_ENU)) != FALSE;
    a.window->EnableItem(IDC_LANGUAGE_ENU, true);
    a.window->CheckRadioButton(IDC_LANGUAGE_FIRST, IDC_LANGUAGE_LAST, IDC_LANGUAGE_ENU);
    a.window->CheckRadioButton(IDC_LANGUAGE_FIRST, IDC_LANGUAGE_LAST, IDC_LANGUAGE_DEU);
    german = a.window->IsButtonChecked(IDC_LANGUAGE_DEU);
    english = a.window->IsButtonChecked(IDC_LANGUAGE_ENU);
    SendDlgItemMessageA(page, IDC_LANGUAGE_FIN, BM_CLICK, 0, 0);
    clicked = a.window->IsButtonChecked(IDC_LANGUAGE_FIN);
    a.sheet->PressButton(PSBTN_NEXT);
  });
  LRESULT position = -1, stepped = -1, high = -1;
  b.CheckWhenActive([&] {
    HWND bar = GetDlgItem(b.Hwnd(), IDC_PROGRESS_BAR);
    b.window->SetProgressRange(IDC_PROGRESS_BAR, 0, 200);
    b.window->SetProgressPos(IDC_PROGRESS_BAR, 50);
    position = SendMessageA(bar, PBM_GETPOS, 0, 0);
    b.window->SetProgressStep(IDC_PROGRESS_BAR, 10);
    b.window->StepProgress(IDC_PROGRESS_BAR);
    stepped = SendMessageA(bar, PBM_GETPOS, 0, 0);
    b.window->SetProgressRange(IDC_PROGRESS_BAR, 0, 100000);
    high = SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
    b.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&a, &b}, 0, m_log);
  RunWizard(sheet);
  EXPECT_EQ(text, "Sprache w\xE4hlen:");
  EXPECT_EQ(missing, "");
  EXPECT_FALSE(promptVisible);
  EXPECT_FALSE(englishEnabled);
  EXPECT_TRUE(german);
  EXPECT_FALSE(english);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(m_log.Count("A command " + std::to_string(IDC_LANGUAGE_FIN)), 1);
  EXPECT_EQ(position, 50);
  EXPECT_EQ(stepped, 60);
  EXPECT_EQ(high, 100000);
}

// The folder browser is answered from a thread timer, which its own modal
// loop dispatches: choose `g_browseTo` and OK, or Cancel when it is empty.
std::string g_browseTo;
HWND g_browseSheet = nullptr;

void CALLBACK AnswerBrowser(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND browser = GetLastActivePopup(g_browseSheet);
  if (browser == nullptr || browser == g_browseSheet) return;  // not open yet
  KillTimer(nullptr, timer);
  if (g_browseTo.empty()) {
    PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(g_browseTo.c_str()));
  PostMessageA(browser, WM_COMMAND, IDOK, 0);
}

TEST_F(PropertySheetTest, FolderBrowserGivesTheChosenFolderOrNothing) {
  FakePage a("A", IDD_TYPE_PATH_PAGE, m_log);
  std::string chosen = "unchanged", cancelled = "unchanged";
  bool chose = false, cancelledChose = true;
  a.CheckWhenActive([&] {
    g_browseSheet = a.SheetHwnd();
    g_browseTo = "C:\\windows";
    SetTimer(nullptr, 0, 100, AnswerBrowser);
    chose = a.window->BrowseForFolder(chosen);
    g_browseTo.clear();
    SetTimer(nullptr, 0, 100, AnswerBrowser);
    cancelledChose = a.window->BrowseForFolder(cancelled);
    a.sheet->PressButton(PSBTN_CANCEL);
  });
  FakeSheet sheet({&a}, 0, m_log);
  RunWizard(sheet);
  EXPECT_TRUE(chose);
  EXPECT_EQ(CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, chosen.c_str(), -1, "C:\\windows", -1),
            CSTR_EQUAL)
      << chosen;
  EXPECT_FALSE(cancelledChose);
  EXPECT_EQ(cancelled, "unchanged");
}

}  // namespace
}  // namespace wizard_host_test
