// What a person does on a waiting page, as the answers file and the
// terminal write it: press a wizard button, click a control, type into an
// edit, choose a list row, or answer the next folder browser.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

namespace ui {

struct PageAction {
  // Ok presses a dialog's OK button; Toggle clicks a row of the owner-drawn
  // list in its check-mark column, Open double-clicks a row.
  enum class Kind { Back, Next, Finish, Cancel, Click, Text, Select, Browse, BrowseCancel, Ok, Toggle, Open };
  Kind kind = Kind::Next;
  int controlId = 0;  // Click, Text, Select
  int row = 0;        // Select, Toggle, Open
  std::string text;   // Text: the value; Browse: the folder

  // The action as it is written ("click 1002", "text 1009 \"C:\\TOOLS\"").
  std::string ToString() const;
};

// One action: next, back, finish, cancel, ok, click ID, text ID VALUE,
// select ID ROW, toggle ROW, open ROW, browse PATH, browse cancel. Verbs match without regard to
// case; IDs are decimal or 0x-hexadecimal. A value may be put in double
// quotes (a doubled quote stands for one), so that it may hold commas or
// begin or end with blanks. nullopt with the reason when malformed.
std::optional<PageAction> ParsePageAction(std::string_view text, std::string& error);
// Comma-separated actions for one wait (commas inside quotes do not separate).
std::optional<std::vector<PageAction>> ParsePageActions(std::string_view text, std::string& error);

// The names of the wizard pages and dialogs by dialog template.
const char* PageName(platform::UINT templateId);  // nullptr when the template has no name
// A page or dialog name or a template number; nullopt when it is neither.
std::optional<platform::UINT> PageTemplateOf(std::string_view nameOrId);
// The template whose answers a dialog takes: templates that share a name
// (the two display choices) share their answers.
platform::UINT AnswerTemplateOf(platform::UINT templateId);

// The answers for each page's and dialog's waits, in order: each wait takes
// its next list; when a page's lists are used up, it has no answer.
class PageAnswers {
 public:
  void Add(platform::UINT templateId, std::vector<PageAction> actions);
  std::optional<std::vector<PageAction>> NextWait(platform::UINT templateId);
  // How many waits of the page are still answered.
  std::size_t WaitsLeft(platform::UINT templateId) const;

 private:
  std::map<platform::UINT, std::deque<std::vector<PageAction>>> m_waits;
};

}  // namespace ui
