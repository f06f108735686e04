#include "platform/sim/sim_user_interface.h"

#include <string>

namespace sim {
namespace {

const char* AnswerName(int answer) {
  switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDYES: return "Yes";
    case IDNO: return "No";
    default: return "?";
  }
}

int DefaultAnswer(platform::UINT type) {
  const bool second = (type & MB_DEFBUTTON2) != 0;
  switch (type & 0xF) {
    case MB_OKCANCEL: return second ? IDCANCEL : IDOK;
    case MB_YESNO: return second ? IDNO : IDYES;
    case 3: return second ? IDNO : IDYES;  // MB_YESNOCANCEL
    default: return IDOK;
  }
}

}  // namespace

SimUserInterface::SimUserInterface(const ProcessState& process) : m_machine(process.machine) {}

int SimUserInterface::MessageBoxA(const platform::MessageBoxRequest& request) {
  const int answer = m_answerer ? m_answerer(request) : DefaultAnswer(request.type);
  std::string line = "message " + std::to_string(request.messageId);
  for (const std::string& insert : request.inserts) line += " \"" + insert + "\"";
  line += std::string(" -> ") + AnswerName(answer);
  m_machine.AppendEvent(line);
  return answer;
}

}  // namespace sim
