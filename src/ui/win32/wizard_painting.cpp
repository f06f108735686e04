#include "ui/win32/wizard_painting.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/bitmap_reader.h"

namespace win32ui {
namespace {

// A GDI object deleted when it goes.
template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle) : m_handle(handle) {}
  ~GdiObject() {
    if (m_handle != nullptr) DeleteObject(m_handle);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  Handle get() const { return m_handle; }

 private:
  Handle m_handle;
};

// A memory device context with one bitmap selected into it while it lives.
class MemoryDc {
 public:
  MemoryDc(HDC screen, HBITMAP bitmap) : m_dc(CreateCompatibleDC(screen)) {
    if (m_dc != nullptr && bitmap != nullptr) m_old = SelectObject(m_dc, bitmap);
  }
  ~MemoryDc() {
    if (m_dc == nullptr) return;
    if (m_old != nullptr) SelectObject(m_dc, m_old);
    DeleteDC(m_dc);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return m_dc; }
  bool ready() const { return m_dc != nullptr && m_old != nullptr; }

 private:
  HDC m_dc;
  HGDIOBJ m_old = nullptr;
};

// Destination AND NOT source.
constexpr DWORD kRopDSna = 0x00220326;

}  // namespace

bool DrawLogo(HDC screen, int x, int y, HMODULE module, UINT imageId, UINT maskId) {
  GdiObject<HBITMAP> mask(LoadBitmapA(module, MAKEINTRESOURCEA(maskId)));
  GdiObject<HBITMAP> image(LoadBitmapA(module, MAKEINTRESOURCEA(imageId)));
  BITMAP size{};
  if (mask.get() == nullptr || image.get() == nullptr || GetObjectA(mask.get(), sizeof size, &size) == 0) return false;
  const int width = size.bmWidth, height = size.bmHeight;
  GdiObject<HBITMAP> offScreen(CreateCompatibleBitmap(screen, width, height));
  GdiObject<HBRUSH> face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
  MemoryDc maskDc(screen, mask.get()), imageDc(screen, image.get()), offDc(screen, offScreen.get());
  if (offScreen.get() == nullptr || face.get() == nullptr || !maskDc.ready() || !imageDc.ready() || !offDc.ready()) {
    return false;
  }
  // A monochrome mask maps 0 to black and 1 to white only with these colours.
  SetTextColor(offDc.get(), RGB(0, 0, 0));
  SetBkColor(offDc.get(), RGB(255, 255, 255));
  SetTextColor(imageDc.get(), RGB(0, 0, 0));
  SetBkColor(imageDc.get(), RGB(255, 255, 255));

  // The background shows through where the mask is white; the logo's place
  // is cut out black, then the image, black outside the logo, is laid in.
  RECT all{0, 0, width, height};
  FillRect(offDc.get(), &all, face.get());
  BitBlt(offDc.get(), 0, 0, width, height, maskDc.get(), 0, 0, SRCAND);
  BitBlt(screen, x, y, width, height, offDc.get(), 0, 0, SRCCOPY);
  BitBlt(imageDc.get(), 0, 0, width, height, maskDc.get(), 0, 0, kRopDSna);
  BitBlt(screen, x, y, width, height, imageDc.get(), 0, 0, SRCINVERT);
  return true;
}

POINT PlacePicture(const RECT& client, int width, int height) {
  // Integer division rounds toward zero, as the placement needs.
  return POINT{client.right - width - 2, (client.bottom - height) / 2 - 2};
}

bool PictureIsDrawable(const platform::PagePicture& picture) {
  std::string error;
  const auto header = platform::ReadDibHeader(picture.dib, error);
  if (!header || header->height < 0) return false;
  if (header->width != picture.width || header->height != picture.height) return false;
  if (header->BitsOffset() != picture.bitsOffset) return false;
  // GDI draws run-length bits itself, within the image size; they must be
  // whole and say how long they are.
  if (header->RunLength() && header->sizeImage == 0) return false;
  return platform::CheckDibBits(picture.dib, *header, error);
}

HPALETTE MakePalette(const std::vector<std::uint8_t>& rgb) {
  const std::size_t count = std::min<std::size_t>(rgb.size() / 3, 0xFFFF);
  if (count == 0) return nullptr;
  // LOGPALETTE declares one entry; the others follow it in the same block.
  std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  const WORD version = 0x300, entries = static_cast<WORD>(count);
  std::memcpy(block.data() + offsetof(LOGPALETTE, palVersion), &version, sizeof version);
  std::memcpy(block.data() + offsetof(LOGPALETTE, palNumEntries), &entries, sizeof entries);
  for (std::size_t i = 0; i < count; ++i) {
    const PALETTEENTRY entry{rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], 0};
    std::memcpy(block.data() + offsetof(LOGPALETTE, palPalEntry) + i * sizeof entry, &entry, sizeof entry);
  }
  return CreatePalette(reinterpret_cast<const LOGPALETTE*>(block.data()));
}

void DrawPagePicture(HDC dc, const RECT& client, const platform::PagePicture& picture, HPALETTE palette) {
  if (!PictureIsDrawable(picture)) return;
  HPALETTE oldPalette = nullptr;
  if (palette != nullptr) {
    oldPalette = SelectPalette(dc, palette, FALSE);
    UnrealizeObject(palette);
    RealizePalette(dc);
  }
  SetStretchBltMode(dc, COLORONCOLOR);

  const int width = picture.width, height = picture.height;
  const POINT at = PlacePicture(client, width, height);
  RECT frame{at.x - 2, at.y - 2, at.x + width + 2, at.y + height + 2};
  FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  frame.left += 1;
  frame.top += 1;
  FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  frame.right -= 1;
  frame.bottom -= 1;
  FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  StretchDIBits(dc, at.x, at.y, width, height, 0, 0, width, height, picture.dib.data() + picture.bitsOffset,
                reinterpret_cast<const BITMAPINFO*>(picture.dib.data()), DIB_RGB_COLORS, SRCCOPY);
  if (oldPalette != nullptr) SelectPalette(dc, oldPalette, FALSE);
}

}  // namespace win32ui
