// The simulated machine's record of events ("events.log" in its folder):
// what the program did that a user or a test reads afterwards, one line each.
#pragma once

#include <filesystem>
#include <string_view>
#include <utility>

namespace sim {

class EventLog {
 public:
  explicit EventLog(std::filesystem::path file) : m_file(std::move(file)) {}
  // Appends one line; the file is opened for each, so the record is whole
  // whenever the program stops.
  void Append(std::string_view line) const;

 private:
  std::filesystem::path m_file;
};

}  // namespace sim
