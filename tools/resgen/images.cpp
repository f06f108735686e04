#include "images.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

namespace resgen {
namespace {

// ------------------------------------------------------------------ palette

struct Rgb {
  std::uint8_t r, g, b;
};

// The first sixteen entries are the Windows sixteen-colour palette in its own
// order, so that icons (4 bits a pixel) use the same indices as the bitmaps.
enum Colour : std::uint8_t {
  kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
  kGrey, kRed, kLime, kYellow, kBlue, kFuchsia, kAqua, kWhite,
  kLight,                                   // three-dimensional light edge
  kBlue1, kBlue2, kBlue3, kBlue4, kBlue5,   // logo and screen ramp, dark to light
  kInk,                                     // wordmark
  kBoxDark, kBox, kBoxLight,                // cardboard
  kArrowDark, kArrow,                       // install arrow
  kPaper, kLine,                            // page and its text lines
  kWood, kLead,                             // pencil
  kPaletteSize,
  kTransparent = 0xFF                       // icons only: AND mask set
};

constexpr std::array<Rgb, kPaletteSize> kPalette = {{
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
    {0xDF, 0xDF, 0xDF},
    {0x10, 0x28, 0x6E}, {0x1C, 0x40, 0x9C}, {0x2C, 0x5C, 0xC4}, {0x50, 0x84, 0xDC},
    {0x8C, 0xB4, 0xEC},
    {0x14, 0x24, 0x5C},
    {0x7C, 0x50, 0x24}, {0xB4, 0x80, 0x44}, {0xD8, 0xB0, 0x70},
    {0x10, 0x70, 0x10}, {0x30, 0xB0, 0x30},
    {0xFC, 0xFC, 0xF4}, {0xA0, 0xA0, 0xA8},
    {0xE8, 0xC8, 0x60}, {0x40, 0x40, 0x40},
}};

// ------------------------------------------------------------------- canvas

class Canvas {
 public:
  Canvas(int width, int height, std::uint8_t fill)
      : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width * height), fill) {}

  int Width() const { return m_width; }
  int Height() const { return m_height; }

  std::uint8_t Get(int x, int y) const { return m_pixels[static_cast<std::size_t>(y * m_width + x)]; }

  void Set(int x, int y, std::uint8_t colour) {
    if (x >= 0 && y >= 0 && x < m_width && y < m_height) {
      m_pixels[static_cast<std::size_t>(y * m_width + x)] = colour;
    }
  }

  void FillRect(int x, int y, int w, int h, std::uint8_t colour) {
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) Set(i, j, colour);
    }
  }

  void HLine(int x0, int x1, int y, std::uint8_t colour) {
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) Set(x, y, colour);
  }

  void VLine(int x, int y0, int y1, std::uint8_t colour) {
    for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y) Set(x, y, colour);
  }

  void FrameRect(int x, int y, int w, int h, std::uint8_t colour) { Bevel(x, y, w, h, colour, colour); }

  // One-pixel edge: top and left in one colour, bottom and right in another.
  void Bevel(int x, int y, int w, int h, std::uint8_t topLeft, std::uint8_t bottomRight) {
    HLine(x, x + w - 1, y, topLeft);
    VLine(x, y, y + h - 1, topLeft);
    HLine(x, x + w - 1, y + h - 1, bottomRight);
    VLine(x + w - 1, y, y + h - 1, bottomRight);
  }

  // The dotted focus rectangle: every other pixel, starting at the corner.
  void DottedFrame(int x, int y, int w, int h, std::uint8_t colour) {
    for (int i = x; i < x + w; ++i) {
      if ((i - x) % 2 == 0) {
        Set(i, y, colour);
        Set(i, y + h - 1, colour);
      }
    }
    for (int j = y; j < y + h; ++j) {
      if ((j - y) % 2 == 0) {
        Set(x, j, colour);
        Set(x + w - 1, j, colour);
      }
    }
  }

  void Line(int x0, int y0, int x1, int y1, std::uint8_t colour) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Set(x0, y0, colour);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }

  // Fills a polygon given by its corners in pixel-corner coordinates; a pixel
  // belongs to it when its centre does. Integer arithmetic only, so that the
  // output never depends on the compiler's floating point.
  void FillPolygon(const std::vector<std::pair<int, int>>& corners, std::uint8_t colour) {
    int minX = m_width, minY = m_height, maxX = 0, maxY = 0;
    for (const auto& [cx, cy] : corners) {
      minX = std::min(minX, cx); maxX = std::max(maxX, cx);
      minY = std::min(minY, cy); maxY = std::max(maxY, cy);
    }
    for (int y = minY; y < maxY; ++y) {
      for (int x = minX; x < maxX; ++x) {
        const long px = 2L * x + 1, py = 2L * y + 1;
        bool inside = false;
        for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
          const long xi = 2L * corners[i].first, yi = 2L * corners[i].second;
          const long xj = 2L * corners[j].first, yj = 2L * corners[j].second;
          if ((yi > py) != (yj > py)) {
            // px < xi + (py - yi) * (xj - xi) / (yj - yi), without dividing.
            const long lhs = (px - xi) * (yj - yi);
            const long rhs = (py - yi) * (xj - xi);
            if ((yj - yi) > 0 ? lhs < rhs : lhs > rhs) inside = !inside;
          }
        }
        if (inside) Set(x, y, colour);
      }
    }
  }

  // Copies src with its top-left corner at (x, y), leaving transparent pixels.
  void Draw(const Canvas& src, int x, int y) {
    for (int j = 0; j < src.Height(); ++j) {
      for (int i = 0; i < src.Width(); ++i) {
        if (src.Get(i, j) != kTransparent) Set(x + i, y + j, src.Get(i, j));
      }
    }
  }

  // Every pixel made factor x factor.
  Canvas Enlarged(int factor) const {
    Canvas big(m_width * factor, m_height * factor, kTransparent);
    for (int y = 0; y < big.Height(); ++y) {
      for (int x = 0; x < big.Width(); ++x) big.Set(x, y, Get(x / factor, y / factor));
    }
    return big;
  }

 private:
  int m_width;
  int m_height;
  std::vector<std::uint8_t> m_pixels;  // top row first
};

// --------------------------------------------------------------------- font

// A five-by-seven capital font, only the letters the pictures spell.
struct Glyph {
  char letter;
  std::array<const char*, 7> rows;
};

constexpr std::array<Glyph, 11> kFont = {{
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
}};

const Glyph& FindGlyph(char letter) {
  for (const Glyph& g : kFont) {
    if (g.letter == letter) return g;
  }
  std::abort();  // a picture spells a letter the font lacks: a bug here
}

int GlyphWidth(char letter) { return static_cast<int>(std::string(FindGlyph(letter).rows[0]).size()); }

int TextWidth(const std::string& text, int scale) {
  int width = 0;
  for (char c : text) width += (GlyphWidth(c) + 1) * scale;
  return width - scale;
}

// Draws text with its top-left corner at (x, y). slant > 0 leans the letters
// right by one pixel every slant rows; rowColour picks the colour of each
// pixel row of the scaled letters.
void DrawText(Canvas& c, int x, int y, const std::string& text, int scale, int slant,
              const std::function<std::uint8_t(int)>& rowColour) {
  const int height = 7 * scale;
  for (char letter : text) {
    const Glyph& g = FindGlyph(letter);
    const int w = GlyphWidth(letter);
    for (int row = 0; row < height; ++row) {
      const int lean = slant > 0 ? (height - 1 - row) / slant : 0;
      for (int col = 0; col < w * scale; ++col) {
        if (g.rows[static_cast<std::size_t>(row / scale)][col / scale] == '#') {
          c.Set(x + col + lean, y + row, rowColour(row));
        }
      }
    }
    x += (w + 1) * scale;
  }
}

// ----------------------------------------------------------------- pictures

using Picture = std::function<void(Canvas&, int dx, int dy)>;

// A desktop monitor, 30 x 27 pixels, its screen 22 x 15 at (x + 4, y + 3).
void DrawMonitor(Canvas& c, int x, int y, std::uint8_t screen) {
  c.FillRect(x, y, 30, 22, kSilver);
  c.Bevel(x, y, 30, 22, kWhite, kBlack);
  c.Bevel(x + 1, y + 1, 28, 20, kLight, kGrey);
  c.Bevel(x + 3, y + 2, 24, 17, kGrey, kWhite);
  c.FillRect(x + 4, y + 3, 22, 15, screen);
  c.Set(x + 25, y + 19, kLime);
  c.FillRect(x + 11, y + 22, 8, 2, kGrey);
  c.FillRect(x + 6, y + 24, 18, 3, kSilver);
  c.Bevel(x + 6, y + 24, 18, 3, kWhite, kBlack);
}

// A small window with a title bar, w x h, as a utility shows it.
void DrawWindow(Canvas& c, int x, int y, int w, int h) {
  c.FillRect(x, y, w, h, kSilver);
  c.Bevel(x, y, w, h, kWhite, kBlack);
  c.FillRect(x + 1, y + 1, w - 2, 2, kNavy);
  c.Set(x + w - 3, y + 1, kSilver);
}

// A sheet of paper with its top-right corner folded down; the cut-off corner
// is left transparent.
void DrawSheet(Canvas& c, int x, int y, int w, int h) {
  const int fold = 4;
  c.FillRect(x, y, w, h, kPaper);
  c.FrameRect(x, y, w, h, kBlack);
  const int cx = x + w - 1 - fold;
  for (int j = 0; j <= fold; ++j) {
    for (int i = 0; i <= fold; ++i) c.Set(cx + i, y + j, i > j ? kTransparent : kLight);
  }
  c.Line(cx, y, cx + fold, y + fold, kBlack);
  c.VLine(cx, y, y + fold, kBlack);
  c.HLine(cx, cx + fold, y + fold, kBlack);
}

// Transparent pixels drawn by DrawSheet become the button face.
void ResolveTransparent(Canvas& c, std::uint8_t background) {
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) {
      if (c.Get(x, y) == kTransparent) c.Set(x, y, background);
    }
  }
}

void DrawCheckMark(Canvas& c, int x, int y, std::uint8_t colour) {
  // The classic seven-pixel tick, three pixels thick.
  for (int i = 0; i < 3; ++i) {
    c.VLine(x + i, y + 2 + i, y + 4 + i, colour);
  }
  for (int i = 3; i < 7; ++i) {
    c.VLine(x + i, y + 4 - (i - 2), y + 6 - (i - 2), colour);
  }
}

// One row of a checklist: a six-pixel box, ticked or not, and a text line.
void DrawChecklistRow(Canvas& c, int x, int y, bool checked, int lineLength) {
  c.FillRect(x, y, 6, 6, kWhite);
  c.FrameRect(x, y, 6, 6, kBlack);
  if (checked) {
    c.Set(x + 4, y + 1, kNavy);
    c.Set(x + 1, y + 2, kNavy);
    c.Set(x + 3, y + 2, kNavy);
    c.Set(x + 4, y + 2, kNavy);
    c.Set(x + 1, y + 3, kNavy);
    c.Set(x + 2, y + 3, kNavy);
    c.Set(x + 3, y + 3, kNavy);
    c.Set(x + 2, y + 4, kNavy);
  }
  c.HLine(x + 8, x + 8 + lineLength, y + 3, kLine);
}

void PictureMinimal(Canvas& c, int dx, int dy) { DrawMonitor(c, 8 + dx, 6 + dy, kTeal); }

void PictureTypical(Canvas& c, int dx, int dy) {
  const int x = 8 + dx, y = 6 + dy;
  DrawMonitor(c, x, y, kTeal);
  // the display utilities: a control window with a slider, and a second one
  DrawWindow(c, x + 5, y + 4, 13, 11);
  c.HLine(x + 7, x + 15, y + 11, kGrey);
  c.FillRect(x + 11, y + 10, 2, 3, kNavy);
  DrawWindow(c, x + 17, y + 4, 8, 7);
  c.FillRect(x + 19, y + 7, 4, 2, kBlue4);
}

void PictureCustom(Canvas& c, int dx, int dy) {
  DrawMonitor(c, 3 + dx, 9 + dy, kTeal);
  const int x = 23 + dx, y = 4 + dy;
  DrawSheet(c, x, y, 17, 27);
  DrawChecklistRow(c, x + 2, y + 5, true, 4);
  DrawChecklistRow(c, x + 2, y + 12, false, 4);
  DrawChecklistRow(c, x + 2, y + 19, true, 3);
}

void DrawPencil(Canvas& c, int x, int y) {
  // From the top right down to its lead at the bottom left, 45 degrees.
  for (int i = 0; i < 13; ++i) {
    c.Set(x - i, y + i, kOlive);
    c.Set(x - i + 1, y + i, kWood);
    c.Set(x - i + 2, y + i, kWood);
    c.Set(x - i + 3, y + i, kOlive);
  }
  for (int i = 0; i < 3; ++i) {  // eraser end
    c.Set(x + i, y - 1 + i, kFuchsia);
    c.Set(x + 1 + i, y - 1 + i, kFuchsia);
  }
  c.Set(x - 13, y + 13, kWood);
  c.Set(x - 12, y + 13, kWood);
  c.Set(x - 13, y + 14, kLead);
  c.Set(x - 14, y + 14, kLead);
}

void PictureModify(Canvas& c, int dx, int dy) {
  const int x = 9 + dx, y = 4 + dy;
  DrawSheet(c, x, y, 21, 29);
  DrawChecklistRow(c, x + 3, y + 6, true, 7);
  DrawChecklistRow(c, x + 3, y + 13, false, 7);
  DrawChecklistRow(c, x + 3, y + 20, true, 5);
  DrawPencil(c, x + 23, y + 13);
}

void DrawBox(Canvas& c, int x, int y) {
  // An open carton, 26 wide, its front 14 high below two opened flaps.
  c.FillPolygon({{x, y + 6}, {x + 26, y + 6}, {x + 26, y + 20}, {x, y + 20}}, kBox);
  c.FrameRect(x, y + 6, 26, 14, kBoxDark);
  c.HLine(x + 1, x + 24, y + 7, kBoxLight);
  c.HLine(x + 10, x + 15, y + 12, kBoxDark);  // hand hole
  c.FillPolygon({{x - 4, y + 1}, {x + 8, y + 1}, {x + 12, y + 6}, {x, y + 6}}, kBoxLight);
  c.FillPolygon({{x + 18, y + 1}, {x + 30, y + 1}, {x + 26, y + 6}, {x + 14, y + 6}}, kBoxLight);
  c.Line(x - 4, y + 1, x, y + 6, kBoxDark);
  c.HLine(x - 4, x + 8, y + 1, kBoxDark);
  c.Line(x + 8, y + 1, x + 11, y + 5, kBoxDark);
  c.HLine(x + 18, x + 29, y + 1, kBoxDark);
  c.Line(x + 29, y + 1, x + 25, y + 6, kBoxDark);
  c.Line(x + 18, y + 1, x + 14, y + 5, kBoxDark);
}

void DrawDownArrow(Canvas& c, int x, int y) {
  // Shaft 6 wide and 8 high, head 14 wide and 7 high; (x, y) is the top of
  // the shaft's left edge.
  c.FillRect(x, y, 6, 8, kArrow);
  c.FillPolygon({{x - 4, y + 8}, {x + 10, y + 8}, {x + 3, y + 15}}, kArrow);
  c.VLine(x + 5, y, y + 8, kArrowDark);
  c.Line(x + 9, y + 8, x + 3, y + 14, kArrowDark);
  c.HLine(x + 6, x + 9, y + 8, kArrowDark);
  c.VLine(x, y, y + 7, kLime);
}

void PictureReinstall(Canvas& c, int dx, int dy) {
  DrawBox(c, 10 + dx, 15 + dy);
  DrawDownArrow(c, 20 + dx, 4 + dy);
}

void PictureRemove(Canvas& c, int dx, int dy) {
  const int x = 12 + dx, y = 4 + dy;
  // lid with its handle
  c.FillRect(x + 8, y, 6, 2, kGrey);
  c.FrameRect(x + 8, y, 6, 3, kBlack);
  c.FillRect(x, y + 3, 22, 3, kSilver);
  c.Bevel(x, y + 3, 22, 3, kWhite, kBlack);
  // tapering body with ribs
  c.FillPolygon({{x + 1, y + 7}, {x + 21, y + 7}, {x + 19, y + 30}, {x + 3, y + 30}}, kSilver);
  c.Line(x + 1, y + 7, x + 3, y + 29, kBlack);
  c.Line(x + 20, y + 7, x + 18, y + 29, kBlack);
  c.HLine(x + 1, x + 20, y + 7, kBlack);
  c.HLine(x + 3, x + 18, y + 29, kBlack);
  for (int rib = 0; rib < 4; ++rib) {
    const int rx = x + 6 + rib * 3;
    c.VLine(rx, y + 10, y + 26, kGrey);
    c.VLine(rx + 1, y + 10, y + 26, kWhite);
  }
}

void PictureReadme(Canvas& c, int dx, int dy) {
  const int textWidth = TextWidth("README", 1);
  const int x = (c.Width() - (11 + 6 + textWidth)) / 2 + dx;
  DrawSheet(c, x, 4 + dy, 11, 15);
  for (int line = 0; line < 4; ++line) {
    c.HLine(x + 2, x + (line == 3 ? 6 : 8), 8 + dy + line * 2 + 1, kLine);
  }
  DrawText(c, x + 17, 8 + dy, "README", 1, 0, [](int) { return kBlack; });
}

// ------------------------------------------------------------------ buttons

enum class ButtonForm { kNormal, kPressed, kFocused };

// A picture button in the three-dimensional style of the wizard's push
// buttons: raised; sunken with the picture one pixel down and right; or
// raised with the dotted focus rectangle.
Canvas MakeButton(int w, int h, ButtonForm form, const Picture& picture) {
  Canvas c(w, h, kSilver);
  const int shift = form == ButtonForm::kPressed ? 1 : 0;
  picture(c, shift, shift);
  ResolveTransparent(c, kSilver);
  if (form == ButtonForm::kPressed) {
    c.Bevel(0, 0, w, h, kBlack, kWhite);
    c.Bevel(1, 1, w - 2, h - 2, kGrey, kLight);
  } else {
    c.Bevel(0, 0, w, h, kWhite, kBlack);
    c.Bevel(1, 1, w - 2, h - 2, kLight, kGrey);
  }
  if (form == ButtonForm::kFocused) {
    c.DottedFrame(3, 3, w - 6, h - 6, kBlack);
  }
  return c;
}

// --------------------------------------------------------------------- logo

struct Logo {
  Canvas image;
  Canvas mask;
};

// The maker's mark: a rounded blue tile carrying a white H, then the name in
// slanted capitals. The image is black wherever the mask is white, as the
// AND/XOR drawing under the wizard's etched line needs.
Logo MakeLogo(int tile, int scale) {
  const std::string name = "HALVION";
  const int slant = scale + 1;
  const int textHeight = 7 * scale;
  const int lean = (textHeight - 1) / slant;
  const int gap = tile / 5;
  const int width = tile + gap + TextWidth(name, scale) + lean;
  const int height = tile;
  Canvas image(width, height, kTransparent);

  // tile: a vertical ramp with rounded corners
  const int radius = tile / 5;
  for (int y = 0; y < tile; ++y) {
    const std::uint8_t shade = y < tile / 4 ? kBlue4 : y < tile / 2 ? kBlue3 : y < 3 * tile / 4 ? kBlue2 : kBlue1;
    for (int x = 0; x < tile; ++x) {
      const int cx = x < radius ? radius - x : x >= tile - radius ? x - (tile - radius - 1) : 0;
      const int cy = y < radius ? radius - y : y >= tile - radius ? y - (tile - radius - 1) : 0;
      // corner pixels outside a circle of the radius stay transparent
      if (cx > 0 && cy > 0 && (2 * cx - 1) * (2 * cx - 1) + (2 * cy - 1) * (2 * cy - 1) > 4 * radius * radius) continue;
      image.Set(x, y, shade);
    }
  }
  // the H: two posts and a bar, with a thin shadow to the lower right
  const int post = std::max(2, tile / 7);
  const int top = tile / 5, bottom = tile - tile / 5;
  const int left = tile / 4, right = tile - tile / 4 - post;
  const int barY = tile / 2 - post / 2;
  auto drawH = [&](int ox, int oy, std::uint8_t colour) {
    image.FillRect(left + ox, top + oy, post, bottom - top, colour);
    image.FillRect(right + ox, top + oy, post, bottom - top, colour);
    image.FillRect(left + ox, barY + oy, right - left, post, colour);
  };
  drawH(1, 1, kBlue1);
  drawH(0, 0, kWhite);

  // the name
  const int textX = tile + gap;
  const int textY = (height - textHeight) / 2;
  DrawText(image, textX, textY, name, scale, slant,
           [&](int row) { return row < textHeight / 2 ? kBlue2 : kInk; });

  Canvas mask(width, height, kWhite);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (image.Get(x, y) == kTransparent) {
        image.Set(x, y, kBlack);
      } else {
        mask.Set(x, y, kBlack);
      }
    }
  }
  return {image, mask};
}

// -------------------------------------------------------------------- icons

// A 16 x 16 check box of the component list, in the sunken style of the
// era's check boxes; the box is 13 pixels square and the rest transparent.
Canvas MakeStateIcon(int state) {
  Canvas c(16, 16, kTransparent);
  const int x = 1, y = 1;
  c.FillRect(x, y, 13, 13, state == 3 ? kSilver : kWhite);
  c.Bevel(x, y, 13, 13, kGrey, kWhite);
  c.Bevel(x + 1, y + 1, 11, 11, kBlack, kSilver);
  if (state == 2) DrawCheckMark(c, x + 3, y + 3, kBlack);
  if (state == 3) DrawCheckMark(c, x + 3, y + 3, kGrey);
  return c;
}

// The wizard's icon: a monitor showing the maker's tile.
Canvas MakeWizardIcon32() {
  Canvas c(32, 32, kTransparent);
  c.FillRect(2, 2, 28, 21, kSilver);
  c.Bevel(2, 2, 28, 21, kWhite, kBlack);
  c.Bevel(3, 3, 26, 19, kSilver, kGrey);
  c.Bevel(5, 4, 22, 16, kGrey, kWhite);
  c.FillRect(6, 5, 20, 14, kTeal);
  // tile with H
  c.FillRect(11, 7, 10, 10, kBlue);
  c.Bevel(11, 7, 10, 10, kAqua, kNavy);
  c.FillRect(13, 9, 2, 6, kWhite);
  c.FillRect(17, 9, 2, 6, kWhite);
  c.FillRect(13, 11, 6, 2, kWhite);
  c.Set(26, 21, kLime);
  c.FillRect(12, 23, 8, 3, kGrey);
  c.FillRect(7, 26, 18, 4, kSilver);
  c.Bevel(7, 26, 18, 4, kWhite, kBlack);
  return c;
}

Canvas MakeWizardIcon16() {
  Canvas c(16, 16, kTransparent);
  c.FillRect(0, 1, 16, 11, kSilver);
  c.Bevel(0, 1, 16, 11, kWhite, kBlack);
  c.Bevel(2, 2, 12, 8, kGrey, kWhite);
  c.FillRect(3, 3, 10, 6, kTeal);
  c.FillRect(5, 4, 1, 4, kWhite);
  c.FillRect(9, 4, 1, 4, kWhite);
  c.FillRect(5, 5, 5, 1, kWhite);
  c.FillRect(6, 12, 4, 1, kGrey);
  c.FillRect(3, 13, 10, 2, kSilver);
  c.Bevel(3, 13, 10, 2, kWhite, kBlack);
  return c;
}

// ------------------------------------------------------------------ writers

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int bits, std::uint32_t imageSize,
                   std::uint32_t coloursUsed) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, coloursUsed);
  Put32(out, 0);
}

void PutPalette(std::vector<std::uint8_t>& out, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    out.push_back(kPalette[i].b);
    out.push_back(kPalette[i].g);
    out.push_back(kPalette[i].r);
    out.push_back(0);
  }
}

// An 8-bit, bottom-up .bmp file with the palette above.
std::vector<std::uint8_t> EncodeBmp(const Canvas& c) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(c.Width()) + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(c.Height());
  const std::uint32_t offset = 14 + 40 + 4 * kPaletteSize;
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + imageSize);
  Put32(out, 0);
  Put32(out, offset);
  PutInfoHeader(out, c.Width(), c.Height(), 8, imageSize, kPaletteSize);
  PutPalette(out, kPaletteSize);
  for (int y = c.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < c.Width(); ++x) {
      const std::uint8_t index = c.Get(x, y);
      if (index >= kPaletteSize) std::abort();  // a transparent pixel left in a bitmap
      out.push_back(index);
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(c.Width()); pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

// One image of an .ico file: 4 bits a pixel with the sixteen-colour palette,
// then the AND mask (set where transparent).
std::vector<std::uint8_t> EncodeIconImage(const Canvas& c) {
  const int w = c.Width(), h = c.Height();
  const std::uint32_t xorStride = ((static_cast<std::uint32_t>(w) * 4 + 31) / 32) * 4;
  const std::uint32_t andStride = ((static_cast<std::uint32_t>(w) + 31) / 32) * 4;
  const std::uint32_t size = (xorStride + andStride) * static_cast<std::uint32_t>(h);
  std::vector<std::uint8_t> out;
  PutInfoHeader(out, w, 2 * h, 4, size, 0);
  PutPalette(out, 16);
  for (int y = h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(xorStride, 0);
    for (int x = 0; x < w; ++x) {
      std::uint8_t index = c.Get(x, y);
      if (index == kTransparent) index = kBlack;
      if (index >= 16) std::abort();  // icons keep to the sixteen colours
      row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(andStride, 0);
    for (int x = 0; x < w; ++x) {
      if (c.Get(x, y) == kTransparent) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<std::uint8_t> EncodeIco(const std::vector<Canvas>& images) {
  std::vector<std::vector<std::uint8_t>> encoded;
  for (const Canvas& c : images) encoded.push_back(EncodeIconImage(c));
  std::vector<std::uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(images[i].Width()));
    out.push_back(static_cast<std::uint8_t>(images[i].Height()));
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits a pixel
    Put32(out, static_cast<std::uint32_t>(encoded[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(encoded[i].size());
  }
  for (const auto& image : encoded) out.insert(out.end(), image.begin(), image.end());
  return out;
}

}  // namespace

std::vector<ImageFile> GenerateImages() {
  std::vector<ImageFile> files;
  auto addButtons = [&](const std::string& base, int w, int h, const Picture& picture) {
    files.push_back({base + ".bmp", EncodeBmp(MakeButton(w, h, ButtonForm::kNormal, picture))});
    files.push_back({base + "_down.bmp", EncodeBmp(MakeButton(w, h, ButtonForm::kPressed, picture))});
    files.push_back({base + "_focus.bmp", EncodeBmp(MakeButton(w, h, ButtonForm::kFocused, picture))});
  };
  // Setup type and maintenance choice buttons share one size, so that their
  // pages can lay them out alike; the README button is a wide, low one.
  addButtons("type_minimal", 46, 40, PictureMinimal);
  addButtons("type_typical", 46, 40, PictureTypical);
  addButtons("type_custom", 46, 40, PictureCustom);
  addButtons("choose_modify", 46, 40, PictureModify);
  addButtons("choose_reinstall", 46, 40, PictureReinstall);
  addButtons("choose_remove", 46, 40, PictureRemove);
  addButtons("readme", 72, 24, PictureReadme);

  // Large fonts make the area below the etched line about a quarter taller.
  const Logo large = MakeLogo(36, 3);
  const Logo normal = MakeLogo(28, 2);
  files.push_back({"logo_large.bmp", EncodeBmp(large.image)});
  files.push_back({"logo_large_mask.bmp", EncodeBmp(large.mask)});
  files.push_back({"logo.bmp", EncodeBmp(normal.image)});
  files.push_back({"logo_mask.bmp", EncodeBmp(normal.mask)});

  files.push_back({"wizard.ico", EncodeIco({MakeWizardIcon16(), MakeWizardIcon32()})});
  const char* stateNames[] = {"state_none.ico", "state_all.ico", "state_some.ico"};
  for (int state = 1; state <= 3; ++state) {
    const Canvas small = MakeStateIcon(state);
    files.push_back({stateNames[state - 1], EncodeIco({small, small.Enlarged(2)})});
  }
  return files;
}

bool WriteImages(const std::string& folder, std::string& error) {
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) {
    error = "cannot make " + folder + ": " + made.message();
    return false;
  }
  for (const ImageFile& file : GenerateImages()) {
    const std::string path = folder + "/" + file.name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
    if (!out) {
      error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

}  // namespace resgen
