// Keys and values in the text of a REGEDIT4 file.
#include "platform/sim/registry_text.h"

#include <stdio.h>

#include <algorithm>

#include "platform/shared/config_file.h"

using platform::BYTE;

namespace sim {

std::string QuoteRegistryText(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

namespace {

// Text values are written as regedit writes them, whether or not their
// writer counted the NUL (Windows 95/98 are given the length alone); text
// with line breaks or inner NULs, and every other type, keeps its bytes.
bool IsPlainText(const SimRegistry::Value& v) {
  if (v.type != REG_SZ || v.data.empty()) return false;
  const auto end = v.data.back() == 0 ? v.data.end() - 1 : v.data.end();
  return std::none_of(v.data.begin(), end, [](BYTE b) { return b == 0 || b == '\r' || b == '\n'; });
}

}  // namespace

std::string FormatRegistryValue(const SimRegistry::Value& v) {
  std::string line = v.name.empty() ? "@=" : QuoteRegistryText(v.name) + "=";
  if (IsPlainText(v)) {
    const std::size_t length = v.data.size() - (v.data.back() == 0 ? 1 : 0);
    return line + QuoteRegistryText(std::string_view(reinterpret_cast<const char*>(v.data.data()), length));
  }
  if (v.type == REG_DWORD && v.data.size() == 4) {
    char buffer[16];
    std::uint32_t d = static_cast<std::uint32_t>(v.data[0]) | static_cast<std::uint32_t>(v.data[1]) << 8 |
                      static_cast<std::uint32_t>(v.data[2]) << 16 | static_cast<std::uint32_t>(v.data[3]) << 24;
    std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(d));
    return line + buffer;
  }
  char kind[24];
  std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(v.type));
  line += v.type == REG_BINARY ? std::string("hex:") : std::string(kind);
  std::size_t width = line.size();
  for (std::size_t i = 0; i < v.data.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>(v.data[i]));
    line += byte;
    width += 2;
    if (i + 1 < v.data.size()) {
      line += ',';
      ++width;
      if (width > 76) {  // regedit's continuation lines
        line += "\\\r\n  ";
        width = 2;
      }
    }
  }
  return line;
}

void ExportRegistryKey(const SimRegistry::Key& key, const std::string& path, std::string& out) {
  out += "[" + path + "]\r\n";
  for (const SimRegistry::Value& v : key.values) out += FormatRegistryValue(v) + "\r\n";
  out += "\r\n";
  for (const std::shared_ptr<SimRegistry::Key>& sub : key.subKeys) ExportRegistryKey(*sub, path + "\\" + sub->name, out);
}

bool ReadQuotedRegistryText(std::string_view line, std::size_t& pos, std::string& out) {
  out.clear();
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < line.size()) c = line[pos++];
    out += c;
  }
  return false;
}

bool ParseRegistryHexBytes(std::string_view text, std::vector<BYTE>& out, std::size_t maxSize) {
  out.clear();
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  skipBlanks();
  if (i == text.size()) return true;
  while (true) {
    skipBlanks();
    if (i + 2 > text.size()) return false;
    auto byte = ParseUnsigned(text.substr(i, 2), 16, 0xFF);
    if (!byte) return false;
    out.push_back(static_cast<BYTE>(*byte));
    if (out.size() > maxSize) return false;
    i += 2;
    skipBlanks();
    if (i == text.size()) return true;
    if (text[i] != ',') return false;
    ++i;
  }
}

}  // namespace sim
