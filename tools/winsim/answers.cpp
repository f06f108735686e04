#include "answers.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "platform/shared/config_file.h"

namespace winsim {
namespace {

struct Button {
  int id;
  const char* name;
};
constexpr Button kButtons[] = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}, {IDYES, "Yes"}, {IDNO, "No"}};

std::optional<int> ButtonNamed(std::string_view name) {
  for (const Button& b : kButtons) {
    if (ascii::EqualNoCase(name, b.name)) return b.id;
  }
  return std::nullopt;
}

// The [Pages] lines with their line numbers (the file has passed the
// strict reader already, so every line there is a key and a value).
bool LoadPages(std::string_view text, const std::string& path, ui::PageAnswers& pages, std::string& error) {
  bool inPages = false;
  std::size_t lineNo = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos || line[first] == ';' || line[first] == '#') continue;
    line = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
    if (line.front() == '[') {
      std::string_view name = line.substr(1, line.size() - 2);
      name = name.substr(std::min(name.find_first_not_of(" \t"), name.size()));
      name = name.substr(0, name.find_last_not_of(" \t") + 1);
      inPages = ascii::EqualNoCase(name, "Pages");
      continue;
    }
    if (!inPages) continue;
    const std::size_t eq = line.find('=');
    std::string key(line.substr(0, eq));
    key.erase(key.find_last_not_of(" \t") + 1);
    const std::string where = path + " line " + std::to_string(lineNo) + ": [Pages] ";
    const auto page = ui::PageTemplateOf(key);
    if (!page) {
      error = where + "'" + key +
              "' is not a page or dialog (language, prepare, custom, readme, progress, finish, choose, type, "
              "license, source-disk, source-file, version-conflict, dependency, subcomponents, devices, "
              "or a dialog number)";
      return false;
    }
    std::string why;
    auto actions = ui::ParsePageActions(line.substr(eq + 1), why);
    if (!actions) {
      error = where + key + ": " + why;
      return false;
    }
    pages.Add(*page, std::move(*actions));
  }
  return true;
}

const char* ButtonName(int id) {
  for (const Button& b : kButtons) {
    if (b.id == id) return b.name;
  }
  return "?";
}

}  // namespace

std::optional<Answers> Answers::Load(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the answers file " + path;
    return std::nullopt;
  }
  std::stringstream text;
  text << in.rdbuf();
  auto file = sim::ConfigFile::Parse(text.str(), path, error);
  if (!file) return std::nullopt;
  Answers answers;
  if (const auto* messages = file->FindSection("Messages")) {
    for (const auto& [key, value] : messages->entries) {
      auto id = sim::ParseUnsigned(key, 10, 65535);
      if (!id) {
        error = path + ": [Messages] '" + key + "' is not a message number";
        return std::nullopt;
      }
      std::vector<int>& list = answers.m_messages[static_cast<int>(*id)];
      std::stringstream words(value);
      for (std::string word; std::getline(words, word, ',');) {
        word.erase(0, word.find_first_not_of(" \t"));
        word.erase(word.find_last_not_of(" \t") + 1);
        auto button = ButtonNamed(word);
        if (!button) {
          error = path + ": [Messages] " + key + ": '" + word + "' is not OK, Cancel, Yes or No";
          return std::nullopt;
        }
        list.push_back(*button);
      }
      if (list.empty()) {
        error = path + ": [Messages] " + key + " gives no answer";
        return std::nullopt;
      }
    }
  }
  if (!LoadPages(text.str(), path, answers.m_pages, error)) return std::nullopt;
  return answers;
}

std::optional<int> Answers::NextMessageAnswer(int messageId) {
  auto it = m_messages.find(messageId);
  if (it == m_messages.end()) return std::nullopt;
  std::size_t& used = m_used[messageId];
  const int answer = it->second[std::min(used, it->second.size() - 1)];
  ++used;
  return answer;
}

std::vector<int> BoxButtons(platform::UINT type) {
  std::vector<int> buttons;
  switch (type & 0xF) {
    case MB_OKCANCEL: buttons = {IDOK, IDCANCEL}; break;
    case MB_YESNO: buttons = {IDYES, IDNO}; break;
    case 3: buttons = {IDYES, IDNO, IDCANCEL}; break;  // MB_YESNOCANCEL
    default: buttons = {IDOK}; break;
  }
  if ((type & MB_DEFBUTTON2) && buttons.size() > 1) std::swap(buttons[0], buttons[1]);
  return buttons;
}

int AskAtTerminal(const platform::MessageBoxRequest& request, std::istream& in, std::ostream& out) {
  const std::vector<int> buttons = BoxButtons(request.type);
  out << "\n[" << request.caption << "] message " << request.messageId << "\n" << request.text << "\n";
  for (;;) {
    out << "Answer";
    for (int b : buttons) out << " " << ButtonName(b);
    out << " [" << ButtonName(buttons[0]) << "]: " << std::flush;
    std::string line;
    if (!std::getline(in, line)) return buttons[0];
    line.erase(0, line.find_first_not_of(" \t\r"));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    if (line.empty()) return buttons[0];
    for (int b : buttons) {
      const std::string name = ButtonName(b);
      if (ascii::EqualNoCase(line, name) || ascii::EqualNoCase(line, name.substr(0, 1))) return b;
    }
  }
}

}  // namespace winsim
