// Message boxes on the simulated machine: recorded in events.log, answered
// by the answerer when one is set, otherwise by the box's default button.
#pragma once

#include <functional>

#include "platform/sim/process_state.h"
#include "platform/user_interface.h"

namespace sim {

class SimUserInterface final : public platform::IUserInterface {
 public:
  explicit SimUserInterface(const ProcessState& process);

  int MessageBoxA(const platform::MessageBoxRequest& request) override;
  using MessageAnswerer = std::function<int(const platform::MessageBoxRequest&)>;
  void SetMessageAnswerer(MessageAnswerer answerer) { m_answerer = std::move(answerer); }

 private:
  const Machine& m_machine;
  MessageAnswerer m_answerer;
};

}  // namespace sim
