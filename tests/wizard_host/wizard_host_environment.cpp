#include "wizard_host/wizard_host_environment.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "ui/win32/property_sheet_host.h"

namespace wizard_host_test {
namespace {

FakeSheet* g_watchedSheet = nullptr;
bool g_watchdogFired = false;

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  g_watchdogFired = true;
  if (g_watchedSheet != nullptr && g_watchedSheet->window != nullptr) {
    // Also ends folder browsers and other modal loops left open.
    HWND sheet = reinterpret_cast<HWND>(g_watchedSheet->window->GetHwnd());
    if (HWND popup = GetLastActivePopup(sheet); popup != nullptr && popup != sheet) PostMessageA(popup, WM_CLOSE, 0, 0);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  }
}

}  // namespace

HMODULE ResourceModule() {
  static HMODULE module = [] {
    // The wizard pictures take the device dialog in each language.
    std::string code = "ENU";
    if (const char* asked = std::getenv("WIZARD_HOST_LANGUAGE");
        asked != nullptr && std::strlen(asked) == 3 && std::isupper(static_cast<unsigned char>(asked[0])) &&
        std::isupper(static_cast<unsigned char>(asked[1])) && std::isupper(static_cast<unsigned char>(asked[2]))) {
      code = asked;
    }
    // Under Wine the build folder is on drive Z.
    std::string path = std::string("Z:") + SETUP_LANGUAGE_LIBRARY_DIR + "/_INSTALL." + code;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return LoadLibraryA(path.c_str());
  }();
  return module;
}

platform::HMODULE FakeSheet::GetResourceModule() const { return reinterpret_cast<platform::HMODULE>(ResourceModule()); }

int RunWizard(FakeSheet& sheet) {
  if (ResourceModule() == nullptr) {
    ADD_FAILURE() << "the language library _INSTALL.ENU of this build cannot be loaded";
    return -1;
  }
  g_watchedSheet = &sheet;
  g_watchdogFired = false;
  const UINT_PTR watchdog = SetTimer(nullptr, 0, 60000, Watchdog);
  win32ui::PropertySheetHost host;
  const int result = host.RunWizard(sheet);
  KillTimer(nullptr, watchdog);
  g_watchedSheet = nullptr;
  EXPECT_FALSE(g_watchdogFired) << "the wizard did not end by itself and was cancelled";
  return result;
}

std::string WindowText(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::vector<COLORREF> BitmapPixels(UINT id, int& width, int& height) {
  width = height = 0;
  HBITMAP bitmap = LoadBitmapA(ResourceModule(), MAKEINTRESOURCEA(id));
  BITMAP size{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof size, &size) == 0) return {};
  width = size.bmWidth;
  height = size.bmHeight;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> raw(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), raw.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  std::vector<COLORREF> pixels;
  pixels.reserve(raw.size());
  for (DWORD value : raw) pixels.push_back(RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF));
  return pixels;
}

int CountDifferentPixels(HWND window, int x, int y, int width, int height, const std::vector<COLORREF>& expected) {
  if (expected.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) return -1;
  HDC dc = GetDC(window);
  int different = 0;
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const COLORREF want = expected[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                                     static_cast<std::size_t>(column)];
      if ((GetPixel(dc, x + column, y + row) & 0xFFFFFF) != (want & 0xFFFFFF)) ++different;
    }
  }
  ReleaseDC(window, dc);
  return different;
}

bool SaveWindowPicture(HWND window, const std::string& path) {
  RECT frame{};
  if (GetWindowRect(window, &frame) == FALSE) return false;
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return false;
  const int stride = (width * 3 + 3) & ~3;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom row first, as the file keeps it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(height);
  void* bits = nullptr;
  // The whole window, frame and caption included, as it is drawn.
  HDC windowDc = GetWindowDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  HBITMAP picture = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (picture != nullptr && bits != nullptr) {
    HGDIOBJ previous = SelectObject(memoryDc, picture);
    copied = BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memoryDc, previous);
  }
  bool written = false;
  if (copied) {
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + info.bmiHeader.biSizeImage;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD done = 0, total = 0;
      written = WriteFile(file, &header, sizeof header, &done, nullptr) != FALSE;
      total += done;
      written = written && WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) != FALSE;
      total += done;
      written = written && WriteFile(file, bits, info.bmiHeader.biSizeImage, &done, nullptr) != FALSE;
      total += done;
      written = written && total == header.bfSize;
      CloseHandle(file);
    }
  }
  if (picture != nullptr) DeleteObject(picture);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return written;
}

}  // namespace wizard_host_test
