#include "ui/terminal/terminal_front_end.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <map>
#include <ostream>

#include "platform/bitmap_reader.h"
#include "platform/shared/config_file.h"
#include "platform/sim/code_pages.h"
#include "platform/sim/pe_resources.h"
#include "resource_ids.h"
#include "ui/headless/machine_folders.h"

namespace ui {
namespace {

// A wizard page is 317 x 143 dialog units: a character cell is 4 units
// wide (the average character of the dialog font) and about 7 high.
constexpr int kColumns = 80;
constexpr int kPageRows = 20;
int ColumnOf(int x) { return std::max(x, 0) / 4; }
int RowOf(int y) { return std::max(y, 0) * kPageRows / 143; }
// The machine's screen has 2 x 2 pixels per dialog unit (small fonts).
int ColumnOfPixel(int x) { return std::max(x, 0) / 8; }
int RowOfPixel(int y) { return std::max(y, 0) * kPageRows / 286; }

constexpr const char* kHelp =
    "  n, b, f, c         press Next, Back, Finish, Cancel (in a dialog: c its Cancel)\n"
    "  o                  press a dialog's OK\n"
    "  x ROW              tick or clear row ROW of the list with check marks ([ ] [x] [~])\n"
    "  d ROW              double-click row ROW of that list (opens its sub-components)\n"
    "  N                  click control N (a long text: show it whole)\n"
    "  t N TEXT           type TEXT into edit N (\"TEXT\" in quotes may hold commas)\n"
    "  s N ROW            choose row ROW (0 first) of list N\n"
    "  browse FOLDER      answer the next folder browser (browse cancel: cancel it)\n"
    "  click ID, text ID VALUE, select ID ROW   the same by control ID, as in an answers file\n"
    "  (empty line)       draw the page again\n";

// The UTF-8 characters of a text, one per cell.
std::vector<std::string> Characters(std::string_view utf8) {
  std::vector<std::string> cells;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = 1;
    if ((lead >> 5) == 0x6) length = 2;
    if ((lead >> 4) == 0xE) length = 3;
    if ((lead >> 3) == 0x1E) length = 4;
    if (i + length > utf8.size()) length = 1;
    std::string cell(utf8.substr(i, length));
    if (length == 1 && (lead < 0x20 || lead == 0x7F)) cell.assign(1, ' ');
    cells.push_back(std::move(cell));
    i += length;
  }
  return cells;
}

class Canvas {
 public:
  Canvas(int width, int height)
      : m_width(width), m_cells(static_cast<std::size_t>(height), std::vector<std::string>(width, " ")) {}

  int Width() const { return m_width; }
  int Height() const { return static_cast<int>(m_cells.size()); }
  bool Blank(int row, int col) const {
    return row >= 0 && row < Height() && col >= 0 && col < m_width && Cell(row, col) == " ";
  }
  // Writes from `col` up to (not including) `end`; nothing outside the canvas.
  void Put(int row, int col, std::string_view utf8, int end) {
    if (row < 0 || row >= Height()) return;
    end = std::min(end, m_width);
    for (const std::string& c : Characters(utf8)) {
      if (col >= end) break;
      if (col >= 0) Cell(row, col) = c;
      ++col;
    }
  }
  // One cell as it stands (a character with its colours).
  void PutCell(int row, int col, std::string cell) {
    if (row >= 0 && row < Height() && col >= 0 && col < m_width) Cell(row, col) = std::move(cell);
  }
  std::string Text() const {
    std::string out;
    for (const auto& row : m_cells) {
      std::string line;
      for (const std::string& c : row) line += c;
      line.erase(line.find_last_not_of(' ') + 1);
      out += line + "\n";
    }
    return out;
  }

 private:
  std::string& Cell(int row, int col) { return m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]; }
  const std::string& Cell(int row, int col) const {
    return m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  }

  int m_width;
  std::vector<std::vector<std::string>> m_cells;
};

// The text a control shows: "&" marks the next letter as a key, "&&" is one "&".
std::string WithoutPrefixes(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    else if (text[i] == '&') continue;
    out += text[i];
  }
  return out;
}

// Lines of at most `width` characters, broken at blanks where possible.
std::vector<std::string> Wrap(std::string_view utf8, int width) {
  std::vector<std::string> lines;
  width = std::max(width, 1);
  std::size_t start = 0;
  while (start <= utf8.size()) {
    std::size_t end = utf8.find('\n', start);
    if (end == std::string_view::npos) end = utf8.size();
    std::string_view paragraph = utf8.substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
    std::vector<std::string> cells = Characters(paragraph);
    if (cells.empty()) lines.emplace_back();
    for (std::size_t at = 0; at < cells.size();) {
      std::size_t take = std::min(cells.size() - at, static_cast<std::size_t>(width));
      if (at + take < cells.size()) {
        std::size_t blank = take;
        while (blank > 0 && cells[at + blank] != " ") --blank;
        if (blank > 0) take = blank;
      }
      std::string line;
      for (std::size_t i = at; i < at + take; ++i) line += cells[i];
      lines.push_back(std::move(line));
      at += take;
      while (at < cells.size() && cells[at] == " ") ++at;
    }
    start = end + 1;
  }
  return lines;
}

struct Box {
  const ControlModel* control;
  std::string number;  // what a person types for it; empty when it cannot be acted on
  int row, col, rows, cols;
  int need = 0;  // cells its one-line drawing takes whole (a button, a choice, a one-row text)
};

// Controls whose tops lie closer than half a line of text share a row, so a
// picture button and the text beside it start on the same line.
constexpr int kSameRow = 4;

// The first row of each control: tops close together snap to the highest.
std::map<int, int> RowsOfTops(const std::vector<const ControlModel*>& controls) {
  std::vector<int> tops;
  for (const ControlModel* c : controls) tops.push_back(c->y);
  std::sort(tops.begin(), tops.end());
  std::map<int, int> rows;
  int first = 0;
  bool any = false;
  for (int top : tops) {
    if (!any || top - first >= kSameRow) first = top;
    any = true;
    rows[top] = RowOf(first);
  }
  return rows;
}

// The columns of the controls: a quarter of their dialog units, moved right
// as far as a whole label left of them on their row needs, and as far as
// what lies left of them on their rows was moved, so nothing changes order.
// Controls that line up in the template line up here too.
void PlaceColumns(std::vector<Box>& boxes) {
  std::map<int, std::vector<Box*>> byX;
  for (Box& box : boxes) byX[box.control->x].push_back(&box);
  std::vector<const Box*> placed;
  for (auto& [x, atX] : byX) {
    const int base = ColumnOf(x);
    int col = base;
    for (const Box* right : atX) {
      for (const Box* left : placed) {
        const bool sharesRows = left->row < right->row + right->rows && right->row < left->row + left->rows;
        if (sharesRows) col = std::max(col, base + left->col - ColumnOf(left->control->x));
        const bool labelOnRow = left->row >= right->row && left->row < right->row + right->rows;
        if (left->need > 0 && labelOnRow && right->control->kind != ControlKind::GroupBox) {
          col = std::max(col, left->col + left->need + 1);
        }
      }
    }
    col = std::min(col, kColumns - 1);
    for (Box* box : atX) {
      box->col = col;
      const int end = std::min(ColumnOf(x + box->control->cx) + col - base, kColumns);
      box->cols = std::max(1, end - col);
      placed.push_back(box);
    }
  }
}

bool Numbered(const ControlModel& c) {
  if (!c.CanAct()) return false;
  switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::PictureButton:
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
    case ControlKind::Edit:
    case ControlKind::ListBox: return true;
    default: return false;
  }
}

std::string ProgressText(const ControlModel& bar, int width) {
  const int percent = std::clamp(bar.Percent(), 0, 100);
  std::string number = std::to_string(percent) + "%";
  if (number.size() < 4) number.insert(0, 4 - number.size(), ' ');
  const int inner = width - 2 - 5;
  if (inner < 4) return number;
  const int filled = inner * percent / 100;
  std::string text(1, '[');
  text.append(static_cast<std::size_t>(filled), '#');
  text.append(static_cast<std::size_t>(inner - filled), '.');
  return text + "] " + number;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}


// What a picture button stands for: its caption, else the word before the
// colon of the text just right of it ("Typical: installs ..."), else what
// its picture shows.
std::string PictureButtonLabel(const ControlModel& button, const ControlSet& controls) {
  if (!WithoutPrefixes(button.text).empty()) return WithoutPrefixes(button.text);
  constexpr int kNear = 16;  // dialog units between a picture and its text
  for (const ControlModel& c : controls.All()) {
    if (c.kind != ControlKind::Static || !c.visible || c.x < button.x + button.cx ||
        c.x > button.x + button.cx + kNear || c.y + c.cy <= button.y || c.y >= button.y + button.cy) {
      continue;
    }
    const std::string text = WithoutPrefixes(c.text);
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos && colon > 0 && colon <= 30) return text.substr(0, colon);
  }
  switch (button.pictureNormal) {
    case IDB_TYPE_TYPICAL: return "Typical";
    case IDB_TYPE_MINIMAL: return "Minimal";
    case IDB_TYPE_CUSTOM: return "Custom";
    case IDB_MODIFY: return "Modify";
    case IDB_REINSTALL: return "Reinstall";
    case IDB_REMOVE: return "Remove";
    case IDB_README: return "README";
    default: return "#" + std::to_string(button.id);
  }
}

// The sixteen colours of a text terminal (the VGA palette), by ANSI number.
constexpr std::array<std::array<int, 3>, 16> kTerminalColours = {{{0, 0, 0},
                                                                  {128, 0, 0},
                                                                  {0, 128, 0},
                                                                  {128, 128, 0},
                                                                  {0, 0, 128},
                                                                  {128, 0, 128},
                                                                  {0, 128, 128},
                                                                  {192, 192, 192},
                                                                  {128, 128, 128},
                                                                  {255, 0, 0},
                                                                  {0, 255, 0},
                                                                  {255, 255, 0},
                                                                  {0, 0, 255},
                                                                  {255, 0, 255},
                                                                  {0, 255, 255},
                                                                  {255, 255, 255}}};

int Red(std::uint32_t colour) { return static_cast<int>(colour >> 16 & 0xFF); }
int Green(std::uint32_t colour) { return static_cast<int>(colour >> 8 & 0xFF); }
int Blue(std::uint32_t colour) { return static_cast<int>(colour & 0xFF); }

int NearestTerminalColour(std::uint32_t colour) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 16; ++i) {
    const long dr = Red(colour) - kTerminalColours[static_cast<std::size_t>(i)][0];
    const long dg = Green(colour) - kTerminalColours[static_cast<std::size_t>(i)][1];
    const long db = Blue(colour) - kTerminalColours[static_cast<std::size_t>(i)][2];
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

// The mean colour of the pixels in [x0, x1) x [y0, y1), or kUnpaintedPixel
// when most of them are not painted.
std::uint32_t MeanColour(const platform::DibPixels& pixels, int x0, int x1, int y0, int y1) {
  long r = 0, g = 0, b = 0, painted = 0, all = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      ++all;
      const std::uint32_t colour = pixels.At(x, y);
      if (colour == platform::kUnpaintedPixel) continue;
      ++painted;
      r += Red(colour);
      g += Green(colour);
      b += Blue(colour);
    }
  }
  if (painted == 0 || painted * 2 < all) return platform::kUnpaintedPixel;
  return static_cast<std::uint32_t>(r / painted) << 16 | static_cast<std::uint32_t>(g / painted) << 8 |
         static_cast<std::uint32_t>(b / painted);
}

std::string Foreground(int colour) { return std::to_string(colour < 8 ? 30 + colour : 90 + colour - 8); }
std::string Background(int colour) { return std::to_string(colour < 8 ? 40 + colour : 100 + colour - 8); }

// One cell of a picture from the colours of its upper and lower half: half
// blocks in the terminal's sixteen colours, or without colours a shade as
// dark as the cell. Empty where nothing is painted.
std::string PictureCell(std::uint32_t upper, std::uint32_t lower, bool colours) {
  const bool hasUpper = upper != platform::kUnpaintedPixel, hasLower = lower != platform::kUnpaintedPixel;
  if (!hasUpper && !hasLower) return {};
  if (!colours) {
    int light = 0, halves = 0;
    for (std::uint32_t c : {upper, lower}) {
      if (c == platform::kUnpaintedPixel) continue;
      light += (Red(c) * 30 + Green(c) * 59 + Blue(c) * 11) / 100;
      ++halves;
    }
    static const char* const kShades[] = {"█", "▓", "▒", "░", " "};
    return kShades[std::min(4, light / halves * 5 / 256)];
  }
  const std::string reset = "\x1b[0m";
  if (!hasLower) return "\x1b[" + Foreground(NearestTerminalColour(upper)) + "m▀" + reset;
  if (!hasUpper) return "\x1b[" + Foreground(NearestTerminalColour(lower)) + "m▄" + reset;
  const int top = NearestTerminalColour(upper), bottom = NearestTerminalColour(lower);
  if (top == bottom) return "\x1b[" + Foreground(top) + "m█" + reset;
  return "\x1b[" + Foreground(top) + ";" + Background(bottom) + "m▀" + reset;
}

// The largest picture the terminal decodes to draw small.
constexpr std::uint64_t kMostPicturePixels = 4u << 20;

std::string ButtonText(const SheetButton& button, const char* key) {
  const std::string text = WithoutPrefixes(button.text);
  if (button.enabled) return std::string(key) + " [" + text + "]";
  return std::string(std::string_view(key).size() + 2, ' ') + text + " ";
}

}  // namespace

std::string AnsiToUtf8(std::string_view text, unsigned codePage) {
  if (codePage == 65001) return std::string(text);
  std::string out;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
      continue;
    }
    const char32_t u = sim::AnsiByteToUtf16(byte, codePage);
    AppendUtf8(out, u != 0 ? u : U'?');
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view text, unsigned codePage) {
  if (codePage == 65001) return std::string(text);
  std::u16string wide;
  for (const std::string& c : Characters(text)) {
    const unsigned char lead = static_cast<unsigned char>(c[0]);
    char32_t u = U'?';
    if (c.size() == 1) {
      u = lead < 0x80 ? lead : U'?';
    } else if (c.size() == 2) {
      u = (lead & 0x1F) << 6 | (c[1] & 0x3F);
    } else if (c.size() == 3) {
      u = (lead & 0x0F) << 12 | (c[1] & 0x3F) << 6 | (c[2] & 0x3F);
    }
    // Characters beyond the basic plane are in no ANSI code page.
    wide += (u >= 0xD800 && u < 0xE000) ? u'?' : static_cast<char16_t>(u);
  }
  return sim::Utf16ToAnsi(wide, codePage);
}

PageDrawing DrawPage(const HeadlessHost& host, unsigned codePage, bool colours) {
  PageDrawing drawing;
  const SheetModel& sheet = host.Sheet();
  std::string line;
  for (int i = 0; i < kColumns; ++i) line += "─";

  const DialogModel* dialog = host.TopDialog();
  if (dialog != nullptr) {
    drawing.text = " " + AnsiToUtf8(dialog->title, codePage) + "  (dialog over " + AnsiToUtf8(sheet.caption, codePage) +
                   ")";
  } else {
    drawing.text = " " + AnsiToUtf8(sheet.caption, codePage);
    if (!sheet.shown) drawing.text += "  (hidden)";
    if (sheet.moved && (sheet.x + sheet.width <= 0 || sheet.y + sheet.height <= 0)) drawing.text += "  (off screen)";
  }
  drawing.text += "\n" + line + "\n";

  const ControlSet* controls = host.ActiveControls();
  auto text = [&](const ControlModel& c) {
    const bool prefixes = !(c.kind == ControlKind::Static && (c.style & kSsNoPrefix) != 0) &&
                          c.kind != ControlKind::Edit && c.kind != ControlKind::ListBox;
    return AnsiToUtf8(prefixes ? WithoutPrefixes(c.text) : c.text, codePage);
  };
  auto buttonLabel = [&](const ControlModel& c) {
    return c.kind == ControlKind::PictureButton ? AnsiToUtf8(PictureButtonLabel(c, *controls), codePage) : text(c);
  };
  auto cells = [](const std::string& utf8) { return static_cast<int>(Characters(utf8).size()); };

  std::vector<const ControlModel*> shown;
  if (controls != nullptr) {
    for (const ControlModel& c : controls->All()) {
      if (c.visible && c.kind != ControlKind::Other) shown.push_back(&c);
    }
  }
  const std::map<int, int> rowOfTop = RowsOfTops(shown);
  std::vector<Box> boxes;
  for (const ControlModel* c : shown) {
    Box box{c, {}, rowOfTop.at(c->y), 0, 0, 0};
    box.rows = std::max(1, RowOf(c->y + c->cy) - box.row);
    if (Numbered(*c)) {
      drawing.numbered.push_back(c->id);
      box.number = std::to_string(drawing.numbered.size());
    }
    const int number = static_cast<int>(box.number.size());
    switch (c->kind) {
      case ControlKind::PushButton:
      case ControlKind::PictureButton: box.need = std::max(number, 1) + 2 + cells(buttonLabel(*c)); break;
      case ControlKind::RadioButton:
      case ControlKind::CheckBox: box.need = std::max(number, 1) + 4 + cells(text(*c)); break;
      case ControlKind::Static: box.need = box.rows == 1 ? cells(text(*c)) : 0; break;
      default: break;
    }
    boxes.push_back(std::move(box));
  }
  PlaceColumns(boxes);
  int height = kPageRows;
  for (const Box& box : boxes) height = std::max(height, box.row + box.rows);
  Canvas canvas(kColumns, height);
  // Where a control's drawing must stop on a row: before the next control to its right.
  auto endOnRow = [&](const Box& self, int row) {
    int end = canvas.Width();
    for (const Box& other : boxes) {
      if (&other == &self || other.control->kind == ControlKind::GroupBox) continue;
      if (row < other.row || row >= other.row + other.rows || other.col <= self.col) continue;
      end = std::min(end, other.col - 1);
    }
    return end;
  };

  for (const Box& box : boxes) {
    if (box.control->kind != ControlKind::GroupBox) continue;
    std::string top = "── " + text(*box.control) + " ";
    const int end = box.col + box.cols;
    canvas.Put(box.row, box.col, top, end);
    for (int col = box.col + static_cast<int>(Characters(top).size()); col < end; ++col) {
      canvas.Put(box.row, col, "─", end);
    }
    for (int col = box.col; col < end && box.rows > 1; ++col) canvas.Put(box.row + box.rows - 1, col, "─", end);
  }

  for (const Box& box : boxes) {
    const ControlModel& c = *box.control;
    const std::string& number = box.number;
    const int boxEnd = box.col + box.cols;
    switch (c.kind) {
      case ControlKind::GroupBox: break;
      case ControlKind::Static: {
        const std::uint32_t type = c.style & kSsTypeMask;
        std::vector<std::string> lines =
            type == kSsLeftNoWordWrap ? std::vector<std::string>{text(c)} : Wrap(text(c), box.cols);
        for (int i = 0; i < box.rows && i < static_cast<int>(lines.size()); ++i) {
          const int width = static_cast<int>(Characters(lines[static_cast<std::size_t>(i)]).size());
          int col = box.col;
          if (type == kSsRight) col = std::max(box.col, boxEnd - width);
          if (type == kSsCenter) col = std::max(box.col, box.col + (box.cols - width) / 2);
          canvas.Put(box.row + i, col, lines[static_cast<std::size_t>(i)], boxEnd);
        }
        break;
      }
      case ControlKind::PushButton:
      case ControlKind::PictureButton: {
        std::string label = buttonLabel(c);
        if (label.empty()) label = "#" + std::to_string(c.id);
        canvas.Put(box.row, box.col, c.CanAct() ? number + "[" + label + "]" : " " + label + " ",
                   endOnRow(box, box.row));
        break;
      }
      case ControlKind::RadioButton:
      case ControlKind::CheckBox: {
        const bool radio = c.kind == ControlKind::RadioButton;
        const std::string mark = radio ? (c.checked ? "(•)" : "( )") : (c.checked ? "[x]" : "[ ]");
        canvas.Put(box.row, box.col, (number.empty() ? " " : number) + mark + " " + text(c), endOnRow(box, box.row));
        break;
      }
      case ControlKind::Edit: {
        if ((c.style & kEsMultiLine) != 0) {
          const std::vector<std::string> lines = Wrap(text(c), box.cols - 1);
          const bool more = static_cast<int>(lines.size()) > box.rows;
          canvas.Put(box.row, box.col, number.empty() ? "" : number + ":", boxEnd);
          for (int i = 0; i < box.rows && i < static_cast<int>(lines.size()); ++i) {
            const bool last = i + 1 == box.rows;
            const std::string shown =
                last && more ? "… (" + std::to_string(lines.size() - static_cast<std::size_t>(i)) +
                                   " more lines: type " + number + " to read them all)"
                             : lines[static_cast<std::size_t>(i)];
            canvas.Put(box.row + i, box.col + (i == 0 && !number.empty() ? static_cast<int>(number.size()) + 1 : 1),
                       shown, boxEnd);
          }
          break;
        }
        std::string field = text(c);
        const int inner = std::max(1, box.cols - 2 - static_cast<int>(number.size()));
        std::vector<std::string> cells = Characters(field);
        if (static_cast<int>(cells.size()) < inner) {
          field += std::string(static_cast<std::size_t>(inner) - cells.size(), '_');
        }
        canvas.Put(box.row, box.col, number + "[" + field, boxEnd - 1);
        canvas.Put(box.row, std::min(boxEnd - 1, box.col + static_cast<int>(number.size()) + 1 +
                                                      static_cast<int>(Characters(field).size())),
                   "]", boxEnd);
        break;
      }
      case ControlKind::ListBox: {
        canvas.Put(box.row, box.col, number + ":", boxEnd);
        const int indent = box.col + static_cast<int>(number.size()) + 1;
        if (c.items.empty()) canvas.Put(box.row, indent, " (empty)", boxEnd);
        for (int i = 0; i < box.rows && i < static_cast<int>(c.items.size()); ++i) {
          const std::string mark = i == c.selectedRow ? ">" : " ";
          const std::size_t row = static_cast<std::size_t>(i);
          if (!c.IsOwnerDrawnList() || row >= c.looks.size()) {
            canvas.Put(box.row + i, indent, mark + std::to_string(i) + " " + AnsiToUtf8(c.items[row], codePage),
                       boxEnd);
            continue;
          }
          // An owner-drawn row: its check mark, its text, and its size at the right edge.
          const platform::ListItemLook& look = c.looks[row];
          const char* check = look.mark == platform::CheckMark::Ticked    ? "[x] "
                              : look.mark == platform::CheckMark::Partial ? "[~] "
                              : look.mark == platform::CheckMark::Clear   ? "[ ] "
                                                                          : "";
          const std::string right = AnsiToUtf8(std::string(ascii::Trim(look.rightText)), codePage);
          canvas.Put(box.row + i, indent, mark + std::to_string(i) + " " + check + AnsiToUtf8(look.text, codePage),
                     boxEnd);
          if (!right.empty()) {
            const int at = std::max(indent, boxEnd - static_cast<int>(Characters(right).size()) - 1);
            canvas.Put(box.row + i, at, " " + right, boxEnd);
          }
        }
        break;
      }
      case ControlKind::ProgressBar:
        canvas.Put(box.row, box.col, ProgressText(c, box.cols), boxEnd);
        break;
      case ControlKind::Other: break;
    }
  }

  // The page's picture, drawn small in the free cells of its place at the right.
  if (const platform::PagePicture* picture = dialog == nullptr ? host.Picture(host.CurrentPosition()) : nullptr) {
    const int right = 317 * 2, bottom = 143 * 2;
    const int x = right - picture->width - 2, y = (bottom - picture->height) / 2 - 2;
    const int col = ColumnOfPixel(x), row = RowOfPixel(y);
    const int cols = std::max(1, ColumnOfPixel(x + picture->width) - col);
    const int rows = std::max(1, RowOfPixel(y + picture->height) - row);
    std::string error;
    std::optional<platform::DibPixels> pixels;
    if (const auto header = platform::ReadDibHeader(picture->dib, error)) {
      pixels = platform::DecodeDib(picture->dib, *header, kMostPicturePixels, error);
    }
    if (pixels) {
      // Each cell shows the pixels beneath its upper and its lower half.
      auto edge = [](int cell, int count, int size) { return static_cast<int>(std::int64_t{cell} * size / count); };
      for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < cols; ++k) {
          if (!canvas.Blank(row + r, col + k)) continue;
          const int x0 = edge(k, cols, pixels->width), x1 = std::max(x0 + 1, edge(k + 1, cols, pixels->width));
          std::uint32_t halves[2];
          for (int half = 0; half < 2; ++half) {
            const int y0 = edge(2 * r + half, 2 * rows, pixels->height);
            const int y1 = std::max(y0 + 1, edge(2 * r + half + 1, 2 * rows, pixels->height));
            halves[half] = MeanColour(*pixels, std::min(x0, pixels->width - 1), std::min(x1, pixels->width),
                                      std::min(y0, pixels->height - 1), std::min(y1, pixels->height));
          }
          const std::string cell = PictureCell(halves[0], halves[1], colours);
          if (!cell.empty()) canvas.PutCell(row + r, col + k, cell);
        }
      }
    } else {
      const std::string label =
          "picture " + std::to_string(picture->width) + "x" + std::to_string(picture->height);
      for (int r = row; r < row + rows; ++r) {
        for (int k = col; k < col + cols; ++k) {
          if (canvas.Blank(r, k)) canvas.Put(r, k, "░", k + 1);
        }
      }
      canvas.Put(row + rows / 2, col + std::max(0, (cols - static_cast<int>(label.size())) / 2), label, col + cols);
    }
  }

  drawing.text += canvas.Text() + line + "\n";
  if (dialog != nullptr) return drawing;  // its buttons are its own controls
  std::string buttons = ButtonText(sheet.back, "b") + "   ";
  buttons += sheet.finish.visible ? ButtonText(sheet.finish, "f") : ButtonText(sheet.next, "n");
  buttons += "   " + ButtonText(sheet.cancel, "c");
  buttons = AnsiToUtf8(buttons, codePage);
  const int width = static_cast<int>(Characters(buttons).size());
  drawing.text += std::string(static_cast<std::size_t>(std::max(1, kColumns - width - 1)), ' ') + buttons + "\n";
  return drawing;
}

bool TerminalShowsColours() {
  const char* noColour = std::getenv("NO_COLOR");
  const char* term = std::getenv("TERM");
  return (noColour == nullptr || *noColour == '\0') && term != nullptr && *term != '\0' &&
         std::string_view(term) != "dumb";
}

TerminalFrontEnd::TerminalFrontEnd(std::istream& in, std::ostream& out, unsigned codePage, bool colours)
    : m_in(in), m_out(out), m_codePage(codePage), m_colours(colours) {}

std::optional<std::vector<PageAction>> TerminalFrontEnd::Act(const HeadlessHost& host) {
  EndProgressLine();
  m_drawing = DrawPage(host, m_codePage, m_colours);
  m_out << "\n" << m_drawing.text;
  for (;;) {
    m_out << "> " << std::flush;
    std::string line;
    if (!std::getline(m_in, line)) {
      m_out << "\n";
      return std::nullopt;
    }
    if (ascii::Trim(line).empty()) {
      m_drawing = DrawPage(host, m_codePage, m_colours);
      m_out << m_drawing.text;
      continue;
    }
    if (auto actions = Command(line, host)) return actions;
  }
}

std::optional<int> TerminalFrontEnd::Numbered(std::string_view word) const {
  const auto n = sim::ParseUnsigned(word, 10, 9999);
  if (!n || *n == 0 || *n > m_drawing.numbered.size()) return std::nullopt;
  return m_drawing.numbered[*n - 1];
}

std::optional<std::vector<PageAction>> TerminalFrontEnd::Command(std::string_view line, const HeadlessHost& host) {
  line = ascii::Trim(line);
  const std::string ansi = Utf8ToAnsi(line, m_codePage);
  std::string_view command = ansi;
  if (command == "?" || ascii::EqualNoCase(command, "help")) {
    m_out << kHelp;
    return std::nullopt;
  }
  const struct {
    const char* key;
    PageAction::Kind kind;
  } kKeys[] = {{"n", PageAction::Kind::Next},
               {"b", PageAction::Kind::Back},
               {"f", PageAction::Kind::Finish},
               {"c", PageAction::Kind::Cancel},
               {"o", PageAction::Kind::Ok}};
  for (const auto& key : kKeys) {
    if (ascii::EqualNoCase(command, key.key)) return std::vector<PageAction>{PageAction{key.kind, 0, 0, {}}};
  }
  if (command.size() > 2 && (command[0] == 'x' || command[0] == 'X' || command[0] == 'd' || command[0] == 'D') &&
      (command[1] == ' ' || command[1] == '\t')) {
    const auto row = sim::ParseUnsigned(ascii::Trim(command.substr(2)), 10, 32767);
    if (!row) {
      m_out << "a row number, 0 for the first (? for help)\n";
      return std::nullopt;
    }
    const bool toggle = command[0] == 'x' || command[0] == 'X';
    return std::vector<PageAction>{
        PageAction{toggle ? PageAction::Kind::Toggle : PageAction::Kind::Open, 0, static_cast<int>(*row), {}}};
  }
  const std::size_t blank = command.find_first_of(" \t");
  const std::string_view first = command.substr(0, blank);
  if (sim::ParseUnsigned(first, 10, 9999) && blank == std::string_view::npos) {
    const auto id = Numbered(first);
    if (!id) {
      m_out << "no control " << first << " on this page\n";
      return std::nullopt;
    }
    const ControlSet* active = host.ActiveControls();
    const ControlModel* c = active != nullptr ? active->Find(*id) : nullptr;
    if (c != nullptr && c->IsReadOnlyEdit()) {
      m_out << AnsiToUtf8(c->text, m_codePage) << "\n";
      return std::nullopt;
    }
    if (c != nullptr && c->kind == ControlKind::Edit) {
      m_out << "to type into it: t " << first << " TEXT\n";
      return std::nullopt;
    }
    if (c != nullptr && c->kind == ControlKind::ListBox) {
      m_out << "to choose a row: s " << first << " ROW\n";
      return std::nullopt;
    }
    return std::vector<PageAction>{PageAction{PageAction::Kind::Click, *id, 0, {}}};
  }
  std::string longForm(command);
  if ((ascii::EqualNoCase(first, "t") || ascii::EqualNoCase(first, "s")) && blank != std::string_view::npos) {
    std::string_view rest = ascii::Trim(command.substr(blank));
    const std::size_t end = rest.find_first_of(" \t");
    const std::string_view number = rest.substr(0, end);
    const auto id = Numbered(number);
    if (!id) {
      m_out << "no control " << number << " on this page\n";
      return std::nullopt;
    }
    longForm = std::string(ascii::EqualNoCase(first, "t") ? "text " : "select ") + std::to_string(*id) +
               (end == std::string_view::npos ? std::string() : " " + std::string(ascii::Trim(rest.substr(end))));
  }
  std::string error;
  auto actions = ParsePageActions(longForm, error);
  if (!actions) {
    m_out << AnsiToUtf8(error, m_codePage) << " (? for help)\n";
    return std::nullopt;
  }
  return actions;
}

void TerminalFrontEnd::Refused(const PageAction& action, const std::string& why) {
  EndProgressLine();
  m_out << "refused: " << AnsiToUtf8(action.ToString(), m_codePage) << ": " << AnsiToUtf8(why, m_codePage) << "\n";
}

std::optional<std::string> TerminalFrontEnd::BrowseForFolder(const sim::Machine& machine) {
  EndProgressLine();
  m_out << "\nBrowse for Folder: type a folder such as C:\\TOOLS, 'ls FOLDER' to list the folders in it,\n"
           "or an empty line to cancel. Drives:";
  for (const std::string& root : DriveRoots(machine)) m_out << " " << root;
  m_out << "\n";
  for (;;) {
    m_out << "folder> " << std::flush;
    std::string line;
    if (!std::getline(m_in, line)) {
      m_out << "\n";
      return std::nullopt;
    }
    const std::string typed = Utf8ToAnsi(ascii::Trim(line), m_codePage);
    std::string_view text = typed;
    if (text.empty() || ascii::EqualNoCase(text, "cancel")) return std::nullopt;
    if (ascii::EqualNoCase(text.substr(0, 2), "ls") && (text.size() == 2 || text[2] == ' ' || text[2] == '\t')) {
      const std::string_view where = ascii::Trim(text.substr(2));
      if (where.empty()) {
        for (const std::string& root : DriveRoots(machine)) m_out << "  " << root << "\n";
        continue;
      }
      if (!MachineFolder(machine, where)) {
        m_out << "no folder " << AnsiToUtf8(where, m_codePage) << " on this machine\n";
        continue;
      }
      const std::vector<std::string> folders = SubFolders(machine, where);
      if (folders.empty()) m_out << "  (no folders in it)\n";
      for (const std::string& folder : folders) m_out << "  " << AnsiToUtf8(folder, m_codePage) << "\n";
      continue;
    }
    if (auto folder = MachineFolder(machine, text)) return folder;
    m_out << "no folder " << AnsiToUtf8(text, m_codePage) << " on this machine\n";
  }
}

void TerminalFrontEnd::ProgressMoved(const ControlModel& bar) {
  const int percent = std::clamp(bar.Percent(), 0, 100);
  if (m_progressOpen && bar.id == m_progressId && percent == m_progressPercent) return;
  m_progressOpen = true;
  m_progressId = bar.id;
  m_progressPercent = percent;
  m_out << "\r" << ProgressText(bar, 60) << std::flush;
}

void TerminalFrontEnd::HandlerReturned() { EndProgressLine(); }

void TerminalFrontEnd::EndProgressLine() {
  if (!m_progressOpen) return;
  m_out << "\n";
  m_progressOpen = false;
  m_progressId = -1;
  m_progressPercent = -1;
}

}  // namespace ui
