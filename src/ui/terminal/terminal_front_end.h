// The wizard at a text terminal: the current page drawn from its dialog
// template in character cells, the controls one can act on numbered, and
// line commands read from a stream. While a page works on its own (the
// installation runs inside the progress page's handler) a single progress
// line follows the bar.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/headless/headless_host.h"

namespace ui {

// A page drawn as text, and which control each drawn number stands for.
struct PageDrawing {
  std::string text;
  std::vector<int> numbered;  // numbered[n - 1] is the control ID of number n
};

// The current page of the host with its sheet (caption, wizard buttons).
// Texts are converted from the machine's ANSI code page to UTF-8. The page's
// picture is drawn in half blocks of the terminal's sixteen colours when
// `colours` is set, else in shades.
PageDrawing DrawPage(const HeadlessHost& host, unsigned codePage, bool colours = false);

// Whether the terminal this process writes to shows colours: TERM names one
// that is not "dumb", and NO_COLOR is not set.
bool TerminalShowsColours();

// Text of an ANSI code page as UTF-8, and back (characters the code page
// lacks become '?').
std::string AnsiToUtf8(std::string_view text, unsigned codePage);
std::string Utf8ToAnsi(std::string_view text, unsigned codePage);

class TerminalFrontEnd final : public IPerson {
 public:
  TerminalFrontEnd(std::istream& in, std::ostream& out, unsigned codePage, bool colours = TerminalShowsColours());

  std::optional<std::vector<PageAction>> Act(const HeadlessHost& host) override;
  void Refused(const PageAction& action, const std::string& why) override;
  std::optional<std::string> BrowseForFolder(const sim::Machine& machine) override;
  void ProgressMoved(const ControlModel& bar) override;
  void HandlerReturned() override;

 private:
  // One command line: the actions it stands for, nullopt when it asks for
  // nothing to be done (help, a redraw, a mistake, already answered).
  std::optional<std::vector<PageAction>> Command(std::string_view line, const HeadlessHost& host);
  std::optional<int> Numbered(std::string_view word) const;
  void EndProgressLine();

  std::istream& m_in;
  std::ostream& m_out;
  unsigned m_codePage;
  bool m_colours;
  PageDrawing m_drawing;
  bool m_progressOpen = false;
  int m_progressId = -1;
  int m_progressPercent = -1;
};

}  // namespace ui
