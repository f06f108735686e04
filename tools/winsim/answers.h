// How winsim answers the program's message boxes: from an answers file,
// from a person at the terminal, or with each box's default button.
#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_interface.h"
#include "ui/headless/page_actions.h"

namespace winsim {

// The answers file:
//   [Messages]
//   1094=No          every box 1094 is answered No
//   1089=OK,Cancel   the first box OK, the next ones Cancel (the last answer repeats)
//   [Pages]
//   language = click 10, next      the actions of one wait of a page (by name or dialog number)
//   type = text 1009 C:\TOOLS, click 1002
//   type = next                    a page named again: its next wait (the last does not repeat)
class Answers {
 public:
  static std::optional<Answers> Load(const std::string& path, std::string& error);

  // The next answer the file gives for this message, if it gives one.
  std::optional<int> NextMessageAnswer(int messageId);

  // The answers of the wizard's pages, for the page host.
  ui::PageAnswers& Pages() { return m_pages; }

 private:
  std::map<int, std::vector<int>> m_messages;
  ui::PageAnswers m_pages;
  std::map<int, std::size_t> m_used;
};

// The buttons a box of this type offers, default first.
std::vector<int> BoxButtons(platform::UINT type);

// Asks a person at the terminal; an empty line takes the default button.
int AskAtTerminal(const platform::MessageBoxRequest& request, std::istream& in, std::ostream& out);

}  // namespace winsim
