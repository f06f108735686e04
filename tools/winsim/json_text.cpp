#include "json_text.h"

namespace winsim {

std::string Utf8(std::string_view text) {
  std::string out;
  for (unsigned char ch : text) {
    if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else {
      out += static_cast<char>(0xC0 | (ch >> 6));
      out += static_cast<char>(0x80 | (ch & 0x3F));
    }
  }
  return out;
}

nlohmann::ordered_json Utf8List(const std::vector<std::string>& texts) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const std::string& text : texts) list.push_back(Utf8(text));
  return list;
}

}  // namespace winsim
