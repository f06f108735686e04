// What the tests of the page host share: the language library as the
// resource module, a run with a watchdog, and reading the screen back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "wizard_host/fake_wizard.h"

namespace wizard_host_test {

// The English language library of this build (or the one that
// WIZARD_HOST_LANGUAGE names, such as DEU), loaded once: the fake sheets'
// resource module.
HMODULE ResourceModule();

// Runs `sheet` in the property sheet host. A run that has not ended after a
// minute is cancelled and fails the test, so that a broken host cannot hang it.
int RunWizard(FakeSheet& sheet);

std::string WindowText(HWND window);

// The pixels of bitmap `id` of the resource module as COLORREFs, row by
// row from the top; its size in `width` and `height`.
std::vector<COLORREF> BitmapPixels(UINT id, int& width, int& height);

// How many pixels of the w x h area at (x, y) of `window`'s client area
// differ from `expected` (row by row from the top).
int CountDifferentPixels(HWND window, int x, int y, int width, int height, const std::vector<COLORREF>& expected);

// Writes `window` as it is drawn, frame and caption included, as a 24-bit
// BMP file at `path`; false when the picture cannot be taken or written.
bool SaveWindowPicture(HWND window, const std::string& path);

}  // namespace wizard_host_test
