#include "ui/headless/page_actions.h"

#include "platform/ascii_text.h"

#include <cctype>

#include "platform/shared/config_file.h"

namespace ui {
namespace {

struct NamedPage {
  const char* name;
  platform::UINT templateId;
};
// The first entry of a name is the template its answers go to.
constexpr NamedPage kPages[] = {{"language", 129},         {"prepare", 130},       {"custom", 132},
                                {"readme", 209},           {"progress", 210},      {"finish", 211},
                                {"choose", 212},           {"type", 213},          {"source-disk", 140},
                                {"source-file", 141},      {"version-conflict", 142}, {"subcomponents", 208},
                                {"license", 214},          {"dependency", 215},    {"devices", 216},
                                {"devices", 217}};

constexpr const char* kActionForms =
    "next, back, finish, cancel, ok, click ID, text ID VALUE, select ID ROW, toggle ROW, open ROW, "
    "browse FOLDER or browse cancel";


// The first word and the rest after the blanks that follow it.
std::string_view TakeWord(std::string_view& text) {
  const std::size_t end = text.find_first_of(" \t");
  std::string_view word = text.substr(0, end);
  text = end == std::string_view::npos ? std::string_view{} : ascii::Trim(text.substr(end));
  return word;
}

std::optional<int> ParseId(std::string_view word) {
  std::optional<unsigned long long> value;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    value = sim::ParseUnsigned(word.substr(2), 16, 0xFFFF);
  } else {
    value = sim::ParseUnsigned(word, 10, 0xFFFF);
  }
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

// A value as written: the rest of the action, or a quoted text.
std::optional<std::string> ParseValue(std::string_view text, std::string& error) {
  if (text.empty() || text.front() != '"') return std::string(text);
  std::string value;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      value += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '"') {
      value += '"';
      ++i;
      continue;
    }
    if (i + 1 != text.size()) {
      error = "text follows the closing quote in '" + std::string(text) + "'";
      return std::nullopt;
    }
    return value;
  }
  error = "no closing quote in '" + std::string(text) + "'";
  return std::nullopt;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace

std::string PageAction::ToString() const {
  switch (kind) {
    case Kind::Back: return "back";
    case Kind::Next: return "next";
    case Kind::Finish: return "finish";
    case Kind::Cancel: return "cancel";
    case Kind::Click: return "click " + std::to_string(controlId);
    case Kind::Text: return "text " + std::to_string(controlId) + " " + Quote(text);
    case Kind::Select: return "select " + std::to_string(controlId) + " " + std::to_string(row);
    case Kind::Browse: return "browse " + Quote(text);
    case Kind::BrowseCancel: return "browse cancel";
    case Kind::Ok: return "ok";
    case Kind::Toggle: return "toggle " + std::to_string(row);
    case Kind::Open: return "open " + std::to_string(row);
  }
  return "?";
}

std::optional<PageAction> ParsePageAction(std::string_view text, std::string& error) {
  text = ascii::Trim(text);
  const std::string written(text);
  auto fail = [&](const std::string& why) -> std::optional<PageAction> {
    error = "'" + written + "' " + why;
    return std::nullopt;
  };
  if (text.empty()) {
    error = "an empty action (" + std::string(kActionForms) + ")";
    return std::nullopt;
  }
  const std::string_view verb = TakeWord(text);
  PageAction action;
  const struct {
    const char* verb;
    PageAction::Kind kind;
  } kButtons[] = {{"back", PageAction::Kind::Back},
                  {"next", PageAction::Kind::Next},
                  {"finish", PageAction::Kind::Finish},
                  {"cancel", PageAction::Kind::Cancel},
                  {"ok", PageAction::Kind::Ok}};
  for (const auto& button : kButtons) {
    if (!ascii::EqualNoCase(verb, button.verb)) continue;
    if (!text.empty()) return fail("takes nothing after '" + std::string(verb) + "'");
    action.kind = button.kind;
    return action;
  }
  if (ascii::EqualNoCase(verb, "browse")) {
    if (text.empty()) return fail("needs a folder or 'cancel'");
    if (ascii::EqualNoCase(text, "cancel")) {
      action.kind = PageAction::Kind::BrowseCancel;
      return action;
    }
    auto folder = ParseValue(text, error);
    if (!folder) return std::nullopt;
    if (folder->empty()) return fail("needs a folder or 'cancel'");
    action.kind = PageAction::Kind::Browse;
    action.text = *folder;
    return action;
  }
  const bool toggle = ascii::EqualNoCase(verb, "toggle"), open = ascii::EqualNoCase(verb, "open");
  if (toggle || open) {
    const auto row = sim::ParseUnsigned(text, 10, 32767);
    if (!row) return fail("needs a row number (0 for the first row)");
    action.kind = toggle ? PageAction::Kind::Toggle : PageAction::Kind::Open;
    action.row = static_cast<int>(*row);
    return action;
  }
  const bool click = ascii::EqualNoCase(verb, "click"), type = ascii::EqualNoCase(verb, "text"),
             select = ascii::EqualNoCase(verb, "select");
  if (!click && !type && !select) return fail("is not an action (" + std::string(kActionForms) + ")");
  const std::string_view idWord = TakeWord(text);
  const auto id = ParseId(idWord);
  if (!id) return fail("needs a control ID (0 to 65535), not '" + std::string(idWord) + "'");
  action.controlId = *id;
  if (click) {
    if (!text.empty()) return fail("takes only a control ID");
    action.kind = PageAction::Kind::Click;
    return action;
  }
  if (select) {
    const auto row = sim::ParseUnsigned(text, 10, 32767);
    if (!row) return fail("needs a row number (0 for the first row)");
    action.kind = PageAction::Kind::Select;
    action.row = static_cast<int>(*row);
    return action;
  }
  auto value = ParseValue(text, error);
  if (!value) return std::nullopt;
  action.kind = PageAction::Kind::Text;
  action.text = *value;
  return action;
}

std::optional<std::vector<PageAction>> ParsePageActions(std::string_view text, std::string& error) {
  std::vector<PageAction> actions;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == '"') quoted = !quoted;
    if (i < text.size() && (quoted || text[i] != ',')) continue;
    auto action = ParsePageAction(text.substr(start, i - start), error);
    if (!action) return std::nullopt;
    actions.push_back(std::move(*action));
    start = i + 1;
  }
  return actions;
}

const char* PageName(platform::UINT templateId) {
  for (const NamedPage& page : kPages) {
    if (page.templateId == templateId) return page.name;
  }
  return nullptr;
}

std::optional<platform::UINT> PageTemplateOf(std::string_view nameOrId) {
  nameOrId = ascii::Trim(nameOrId);
  for (const NamedPage& page : kPages) {
    if (ascii::EqualNoCase(nameOrId, page.name)) return page.templateId;
  }
  const auto id = sim::ParseUnsigned(nameOrId, 10, 0xFFFF);
  if (!id || *id == 0) return std::nullopt;
  return static_cast<platform::UINT>(*id);
}

platform::UINT AnswerTemplateOf(platform::UINT templateId) {
  const char* name = PageName(templateId);
  if (name == nullptr) return templateId;
  return *PageTemplateOf(name);
}

void PageAnswers::Add(platform::UINT templateId, std::vector<PageAction> actions) {
  m_waits[AnswerTemplateOf(templateId)].push_back(std::move(actions));
}

std::optional<std::vector<PageAction>> PageAnswers::NextWait(platform::UINT templateId) {
  auto it = m_waits.find(AnswerTemplateOf(templateId));
  if (it == m_waits.end() || it->second.empty()) return std::nullopt;
  std::vector<PageAction> actions = std::move(it->second.front());
  it->second.pop_front();
  return actions;
}

std::size_t PageAnswers::WaitsLeft(platform::UINT templateId) const {
  auto it = m_waits.find(AnswerTemplateOf(templateId));
  return it == m_waits.end() ? 0 : it->second.size();
}

}  // namespace ui
