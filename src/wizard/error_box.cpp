#include "wizard/error_box.h"

#include "core/message_text.h"
#include "platform/platform.h"

int CErrorBox::OnError(const CMessage& message) {
  m_context.SetLastMessage(message.m_nId);
  m_lastError = message;
  return Show(message, MB_OK | MB_ICONERROR);
}

int CErrorBox::OnQuestion(const CMessage& message) {
  m_lastQuestion = message;
  return Show(message, MB_YESNO | MB_ICONERROR);
}

// Not the last message: a warning never makes a preparation or run fail.
void CErrorBox::OnWarning(const CMessage& message) { Show(message, MB_OK | MB_ICONWARNING); }

CMessage CErrorBox::FindLast(int id) const {
  if (m_lastError.m_nId == id) return m_lastError;
  if (m_lastQuestion.m_nId == id) return m_lastQuestion;
  return {id, {}};
}

std::string CErrorBox::TextOf(const CMessage& message) const {
  CMessageText text(m_resources);
  const std::string none;
  const std::string& insert1 = message.m_inserts.size() >= 1 ? message.m_inserts[0] : none;
  const std::string& insert2 = message.m_inserts.size() >= 2 ? message.m_inserts[1] : none;
  // A message shown without inserts loses its markers rather than showing "%1".
  std::string shown = message.m_inserts.size() == 1 ? text.LoadText(message.m_nId, insert1)
                                                    : text.LoadText(message.m_nId, insert1, insert2);
  if (shown.empty()) {
    // Without a language library the number and its inserts still say what happened.
    shown = "Setup message " + std::to_string(message.m_nId);
    for (const std::string& insert : message.m_inserts) shown += "\n" + insert;
  }
  return shown;
}

int CErrorBox::Show(const CMessage& message, unsigned type) {
  if (m_messages.size() < kMaxKeptMessages) m_messages.push_back(message);
  if (m_context.GetFlags() & SF_QUIET) return (type & 0xF) == MB_YESNO ? IDNO : IDOK;

  platform::MessageBoxRequest request;
  request.messageId = message.m_nId;
  request.inserts = message.m_inserts;
  request.text = TextOf(message);
  const std::string caption = m_resources.LoadString(IDS_CAPTION);
  request.caption = caption.empty() ? "Setup" : caption;
  request.type = type;
  return m_context.GetPlatform().UserInterface().MessageBoxA(request);
}
