// What the wizard paints itself: the maker's logo below the sheet's etched
// line and the picture a page shows beside its controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/wizard_host.h"

namespace win32ui {

// Draws the logo transparently with its top-left corner at (x, y): mask
// `maskId` (whose size is the drawing size) and image `imageId` of `module`.
// False, and nothing drawn, when a bitmap, device context or brush cannot be
// made.
bool DrawLogo(HDC screen, int x, int y, HMODULE module, UINT imageId, UINT maskId);

// Where a picture of w x h goes on a page whose client area ends at
// (right, bottom): beside the controls, near the right edge, centred
// vertically.
POINT PlacePicture(const RECT& client, int width, int height);

// Whether `picture` can be handed to GDI as it stands: a known header, a
// positive size that agrees with the header, a colour table and pixel bits
// that lie inside the buffer, run-length bits that are whole and give their
// size. The picture comes from the distribution's files, so nothing is read
// past its end.
bool PictureIsDrawable(const platform::PagePicture& picture);

// A logical palette from red, green, blue triples; nullptr when there are
// none or it cannot be made. The caller deletes it.
HPALETTE MakePalette(const std::vector<std::uint8_t>& rgb);

// Paints `picture` at its place in `client` with a frame around it, through
// `palette` when there is one.
void DrawPagePicture(HDC dc, const RECT& client, const platform::PagePicture& picture, HPALETTE palette);

}  // namespace win32ui
