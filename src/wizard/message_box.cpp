#include "wizard/message_box.h"

#include "app/install_app.h"
#include "app/language_library.h"
#include "platform/platform.h"

namespace {

constexpr int kMaxTextLength = 1023;

std::string LoadResourceString(int id) {
  char buffer[kMaxTextLength + 1] = {};
  int n = platform::Resources().LoadStringA(GetResourceModule(), static_cast<platform::UINT>(id), buffer,
                                            static_cast<int>(sizeof buffer));
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

std::string ReplaceInsert(std::string_view text, std::string_view marker, std::string_view insert) {
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = text.find(marker); at != std::string_view::npos; at = text.find(marker, from)) {
    result.append(text.substr(from, at - from));
    result.append(insert);
    from = at + marker.size();
  }
  result.append(text.substr(from));
  return result;
}

const std::string& CMessageText::LoadText(int id) {
  m_strText = LoadResourceString(id);
  return m_strText;
}

const std::string& CMessageText::LoadText(int id, std::string_view insert1) {
  m_strText = ReplaceInsert(LoadResourceString(id), "%1", insert1);
  return m_strText;
}

const std::string& CMessageText::LoadText(int id, std::string_view insert1, std::string_view insert2) {
  m_strText = ReplaceInsert(ReplaceInsert(LoadResourceString(id), "%1", insert1), "%2", insert2);
  return m_strText;
}

CErrorBox::CErrorBox() : m_strCaption(LoadResourceString(IDS_CAPTION)) {}

int CErrorBox::Show(int id, int insertCount, std::string_view insert1, std::string_view insert2, bool record,
                    unsigned type) {
  CSetupContext& context = TheApp().GetContext();
  if (record) context.SetLastMessage(id);
  if (context.GetFlags() & SF_QUIET) return (type & 0xF) == MB_YESNO ? IDNO : IDOK;

  platform::MessageBoxRequest request;
  request.messageId = id;
  if (insertCount >= 1) request.inserts.emplace_back(insert1);
  if (insertCount >= 2) request.inserts.emplace_back(insert2);
  CMessageText text;
  // A message shown without inserts loses its markers rather than showing "%1".
  request.text = insertCount == 1 ? text.LoadText(id, insert1) : text.LoadText(id, insert1, insert2);
  if (request.text.empty()) {
    // Without a language library the number and its inserts still say what happened.
    request.text = "Setup message " + std::to_string(id);
    for (const std::string& insert : request.inserts) request.text += "\n" + insert;
  }
  request.caption = m_strCaption.empty() ? "Setup" : m_strCaption;
  request.type = type;
  return platform::UserInterface().MessageBoxA(request);
}

int CErrorBox::ShowError(int id) { return Show(id, 0, {}, {}, true, MB_OK | MB_ICONERROR); }

int CErrorBox::ShowError(int id, std::string_view insert) { return Show(id, 1, insert, {}, true, MB_OK | MB_ICONERROR); }

int CErrorBox::ShowError(int id, int number) {
  return Show(id, 1, std::to_string(number), {}, true, MB_OK | MB_ICONERROR);
}

int CErrorBox::ShowError(int id, std::string_view insert1, std::string_view insert2) {
  return Show(id, 2, insert1, insert2, true, MB_OK | MB_ICONERROR);
}

int CErrorBox::AskYesNo(int id, std::string_view insert) {
  return Show(id, 1, insert, {}, false, MB_YESNO | MB_ICONERROR);
}
