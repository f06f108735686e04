#include "platform/sim/event_log.h"

#include <fstream>

namespace sim {

void EventLog::Append(std::string_view line) const {
  std::ofstream out(m_file, std::ios::binary | std::ios::app);
  out << line << '\n';
}

}  // namespace sim
