// Script text in winsim's JSON output.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace winsim {

// Script text is in the machine's code page; its bytes go out as the
// Latin-1 letters of the same numbers.
std::string Utf8(std::string_view text);

// Each text as Utf8, in a JSON array.
nlohmann::ordered_json Utf8List(const std::vector<std::string>& texts);

}  // namespace winsim
