#include "platform/sim/shell_link_file.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <span>
#include <vector>

#include "platform/byte_cursor.h"
#include "platform/shared/config_file.h"

namespace sim {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
// {00021401-0000-0000-C000-000000000046}, as the header stores it.
constexpr unsigned char kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr std::uint32_t kHasLinkTargetIdList = 0x01;
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasName = 0x04;
constexpr std::uint32_t kHasRelativePath = 0x08;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kHasArguments = 0x20;
constexpr std::uint32_t kHasIconLocation = 0x40;
constexpr std::uint32_t kIsUnicode = 0x80;

constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr std::uint32_t kShowNormal = 1;
// String data counts characters in 16 bits.
constexpr std::size_t kMaxString = 0xFFFF;

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
  bool Has(std::size_t at, std::size_t n) const { return at <= m_bytes.size() && n <= m_bytes.size() - at; }
  // 0 for bytes that are not there; callers test Has first to tell.
  std::uint32_t U16(std::size_t at) const { return platform::ByteCursor(Data(), at).U16(); }
  std::uint32_t U32(std::size_t at) const { return platform::ByteCursor(Data(), at).U32(); }
  // A NUL-terminated string starting at `at`, within `end`.
  std::optional<std::string> CString(std::size_t at, std::size_t end) const {
    if (at >= end || end > m_bytes.size()) return std::nullopt;
    const std::size_t nul = m_bytes.find('\0', at);
    if (nul == std::string_view::npos || nul >= end) return std::nullopt;
    return std::string(m_bytes.substr(at, nul - at));
  }
  std::string_view Bytes() const { return m_bytes; }
  std::span<const std::uint8_t> Data() const {
    return {reinterpret_cast<const std::uint8_t*>(m_bytes.data()), m_bytes.size()};
  }

 private:
  std::string_view m_bytes;
};

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

std::string WriteShellLinkFile(const ShellLinkData& link) {
  const auto clip = [](const std::string& s) { return s.substr(0, std::min(s.size(), kMaxString)); };
  std::uint32_t flags = 0;
  if (!link.path.empty()) flags |= kHasLinkInfo;
  if (!link.description.empty()) flags |= kHasName;
  if (!link.relativePath.empty()) flags |= kHasRelativePath;
  if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!link.arguments.empty()) flags |= kHasArguments;
  if (!link.iconLocation.empty()) flags |= kHasIconLocation;

  std::string out;
  Put32(out, kHeaderSize);
  out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
  Put32(out, flags);
  Put32(out, link.fileAttributes);
  out.append(24, '\0');  // creation, access and write times: not recorded
  Put32(out, link.fileSize);
  Put32(out, static_cast<std::uint32_t>(link.iconIndex));
  Put32(out, kShowNormal);
  Put16(out, 0);         // hot key
  out.append(10, '\0');  // reserved

  if ((flags & kHasLinkInfo) != 0) {
    // Header, the volume (type, serial number, empty label), the local base
    // path and an empty common path suffix.
    const std::string base = link.path.substr(0, std::min(link.path.size(), std::size_t{0xFFFF}));
    constexpr std::uint32_t kInfoHeader = 0x1C;
    constexpr std::uint32_t kVolumeSize = 0x11;
    const std::uint32_t volumeOffset = kInfoHeader;
    const std::uint32_t baseOffset = volumeOffset + kVolumeSize;
    const std::uint32_t suffixOffset = baseOffset + static_cast<std::uint32_t>(base.size()) + 1;
    const std::uint32_t total = suffixOffset + 1;
    Put32(out, total);
    Put32(out, kInfoHeader);
    Put32(out, kVolumeIdAndLocalBasePath);
    Put32(out, volumeOffset);
    Put32(out, baseOffset);
    Put32(out, 0);  // no network location
    Put32(out, suffixOffset);
    Put32(out, kVolumeSize);
    Put32(out, link.driveType);
    Put32(out, link.driveSerial);
    Put32(out, 0x10);  // label offset within the volume block
    out.push_back('\0');
    out += base;
    out.push_back('\0');
    out.push_back('\0');
  }
  for (const auto& [flag, text] : {std::pair{kHasName, &link.description}, std::pair{kHasRelativePath, &link.relativePath},
                                   std::pair{kHasWorkingDir, &link.workingDirectory},
                                   std::pair{kHasArguments, &link.arguments},
                                   std::pair{kHasIconLocation, &link.iconLocation}}) {
    if ((flags & flag) == 0) continue;
    const std::string s = clip(*text);
    Put16(out, static_cast<std::uint32_t>(s.size()));
    out += s;
  }
  Put32(out, 0);  // no extra data blocks
  return out;
}

std::optional<ShellLinkData> ReadShellLinkFile(std::string_view bytes) {
  const Reader r(bytes);
  if (!r.Has(0, kHeaderSize) || r.U32(0) != kHeaderSize ||
      !std::equal(std::begin(kLinkClsid), std::end(kLinkClsid), bytes.begin() + 4,
                  [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); })) {
    return std::nullopt;
  }
  ShellLinkData link;
  const std::uint32_t flags = r.U32(0x14);
  link.fileAttributes = r.U32(0x18);
  link.fileSize = r.U32(0x34);
  link.iconIndex = static_cast<std::int32_t>(r.U32(0x38));
  std::size_t at = kHeaderSize;
  if ((flags & kHasLinkTargetIdList) != 0) {
    if (!r.Has(at, 2)) return std::nullopt;
    at += 2 + r.U16(at);
  }
  if ((flags & kHasLinkInfo) != 0) {
    if (!r.Has(at, 0x1C)) return std::nullopt;
    const std::uint32_t size = r.U32(at);
    if (size < 0x1C || !r.Has(at, size)) return std::nullopt;
    const std::size_t end = at + size;
    if ((r.U32(at + 8) & kVolumeIdAndLocalBasePath) != 0) {
      const std::uint32_t volume = r.U32(at + 12);
      if (r.Has(at + volume, 12) && at + volume + 12 <= end) {
        link.driveType = r.U32(at + volume + 4);
        link.driveSerial = r.U32(at + volume + 8);
      }
      auto base = r.CString(at + r.U32(at + 16), end);
      auto suffix = r.CString(at + r.U32(at + 24), end);
      if (!base) return std::nullopt;
      link.path = *base + suffix.value_or(std::string());
    }
    at = end;
  }
  const bool unicode = (flags & kIsUnicode) != 0;
  for (const auto& [flag, target] : {std::pair{kHasName, &link.description}, std::pair{kHasRelativePath, &link.relativePath},
                                     std::pair{kHasWorkingDir, &link.workingDirectory},
                                     std::pair{kHasArguments, &link.arguments},
                                     std::pair{kHasIconLocation, &link.iconLocation}}) {
    if ((flags & flag) == 0) continue;
    if (!r.Has(at, 2)) return std::nullopt;
    const std::size_t count = r.U16(at);
    at += 2;
    const std::size_t size = unicode ? count * 2 : count;
    if (!r.Has(at, size)) return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
      if (!unicode) {
        text.push_back(bytes[at + i]);
      } else {
        const std::uint32_t c = r.U16(at + 2 * i);
        text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
      }
    }
    *target = std::move(text);
    at += size;
  }
  return link;
}

std::string RelativeLinkPath(std::string_view folder, std::string_view target) {
  const std::vector<std::string> from = Components(folder);
  const std::vector<std::string> to = Components(target);
  if (from.empty() || to.empty() || !ascii::EqualNoCase(from[0], to[0])) return {};
  std::size_t common = 0;
  while (common < from.size() && common + 1 < to.size() && ascii::EqualNoCase(from[common], to[common])) ++common;
  std::string relative = common == from.size() ? ".\\" : "";
  for (std::size_t i = common; i < from.size(); ++i) relative += "..\\";
  for (std::size_t i = common; i < to.size(); ++i) relative += to[i] + (i + 1 < to.size() ? "\\" : "");
  return relative;
}

}  // namespace sim
