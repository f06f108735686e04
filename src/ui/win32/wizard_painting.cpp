#include "ui/win32/wizard_painting.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

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

std::uint32_t Read32(const std::vector<std::uint8_t>& data, std::size_t at) {
  std::uint32_t value = 0;
  std::memcpy(&value, data.data() + at, sizeof value);
  return value;
}

std::uint16_t Read16(const std::vector<std::uint8_t>& data, std::size_t at) {
  std::uint16_t value = 0;
  std::memcpy(&value, data.data() + at, sizeof value);
  return value;
}

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
  const std::vector<std::uint8_t>& dib = picture.dib;
  if (dib.size() < 12) return false;
  const std::uint64_t headerSize = Read32(dib, 0);
  std::uint64_t width = 0, height = 0, entrySize = 0;
  std::uint32_t bitCount = 0, compression = BI_RGB, sizeImage = 0, colorsUsed = 0;
  if (headerSize == 12) {
    width = Read16(dib, 4);
    height = Read16(dib, 6);
    bitCount = Read16(dib, 10);
    entrySize = 3;
  } else if (headerSize >= 40 && headerSize <= dib.size()) {
    const auto signedWidth = static_cast<std::int32_t>(Read32(dib, 4));
    const auto signedHeight = static_cast<std::int32_t>(Read32(dib, 8));
    if (signedWidth <= 0 || signedHeight <= 0) return false;
    width = static_cast<std::uint64_t>(signedWidth);
    height = static_cast<std::uint64_t>(signedHeight);
    bitCount = Read16(dib, 14);
    compression = Read32(dib, 16);
    sizeImage = Read32(dib, 20);
    colorsUsed = Read32(dib, 32);
    entrySize = 4;
  } else {
    return false;
  }
  if (width == 0 || height == 0 || picture.width <= 0 || picture.height <= 0) return false;
  if (width != static_cast<std::uint64_t>(picture.width) || height != static_cast<std::uint64_t>(picture.height)) {
    return false;
  }
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
    return false;
  }

  std::uint64_t colors = colorsUsed != 0 ? colorsUsed : (bitCount <= 8 ? (1u << bitCount) : 0);
  std::uint64_t table = colors * entrySize;
  if (compression == BI_BITFIELDS && headerSize == 40) table += 12;
  if (headerSize + table > dib.size() || picture.bitsOffset > dib.size()) return false;

  const std::uint64_t available = dib.size() - picture.bitsOffset;
  std::uint64_t needed = 0;
  if (compression == BI_RGB || (compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32))) {
    needed = (width * bitCount + 31) / 32 * 4 * height;
  } else if ((compression == BI_RLE8 && bitCount == 8) || (compression == BI_RLE4 && bitCount == 4)) {
    if (sizeImage == 0) return false;
    needed = sizeImage;
  } else {
    return false;
  }
  return needed <= available;
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
