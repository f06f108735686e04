#include "platform/sim/sim_version_installer.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "platform/byte_cursor.h"
#include "platform/shared/config_file.h"
#include "platform/sim/pe_resources.h"
#include "szdd.h"

namespace sim {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '\\' || folder.back() == '/' ? folder + name : folder + "\\" + name;
}

// The bits a failed deletion or rename adds, as Windows translates them.
platform::DWORD ErrorBits(platform::DWORD error) {
  if (error == ERROR_ACCESS_DENIED) return VIF_ACCESSVIOLATION;
  if (error == ERROR_SHARING_VIOLATION) return VIF_SHARINGVIOLATION;
  return 0;
}

struct VersionFacts {
  FixedFileInfo fixed;
  std::optional<std::uint32_t> translation;  // language in the low word, code page in the high word
};

std::optional<VersionFacts> FactsOf(const std::vector<char>& content) {
  std::string error;
  auto resources = PeResources::Parse(std::vector<std::uint8_t>(content.begin(), content.end()), error);
  if (!resources) return std::nullopt;
  auto fixed = resources->FixedVersion();
  if (!fixed) return std::nullopt;
  VersionFacts facts{*fixed, std::nullopt};
  const auto translations = resources->Translations();
  if (!translations.empty()) facts.translation = translations.front();
  return facts;
}

std::uint64_t VersionOf(const FixedFileInfo& info) {
  return (static_cast<std::uint64_t>(info.fileVersionMS) << 32) | info.fileVersionLS;
}

// A word of the block; 0 past its end.
std::uint16_t Read16(std::span<const std::uint8_t> block, std::size_t at) {
  return platform::ByteCursor(block, at).U16();
}
std::size_t Align4(std::size_t offset) { return (offset + 3) & ~static_cast<std::size_t>(3); }

// One block of a version resource as it lies in a caller's buffer.
struct Node {
  std::size_t start = 0, end = 0;  // the block
  std::uint16_t valueLength = 0, type = 0;
  std::string key;
  std::size_t value = 0, children = 0;
};

std::optional<Node> ReadNode(std::span<const std::uint8_t> base, std::size_t start, std::size_t limit,
                             unsigned codePage) {
  if (start + 6 > limit) return std::nullopt;
  Node node;
  node.start = start;
  const std::uint16_t length = Read16(base, start);
  if (length < 6 || start + length > limit) return std::nullopt;
  node.end = start + length;
  node.valueLength = Read16(base, start + 2);
  node.type = Read16(base, start + 4);
  std::u16string key;
  std::size_t p = start + 6;
  for (; p + 2 <= node.end; p += 2) {
    const char16_t c = Read16(base, p);
    if (c == 0) break;
    key += c;
  }
  if (p + 2 > node.end) return std::nullopt;
  node.key = Utf16ToAnsi(key, codePage);
  node.value = Align4(p + 2);
  const std::size_t valueBytes = node.type == 1 ? node.valueLength * 2u : node.valueLength;
  if (node.value + valueBytes > node.end) {
    if (node.valueLength != 0) return std::nullopt;
    node.value = node.end;
  }
  node.children = std::min(Align4(node.value + valueBytes), node.end);
  return node;
}

}  // namespace

SimVersionInstaller::SimVersionInstaller(ProcessState& process, platform::IFileSystem& files)
    : m_machine(process.machine), m_process(process), m_files(files) {}

std::string SimVersionInstaller::WriteTempCopy(const std::filesystem::path& folder, const std::vector<char>& content) {
  for (unsigned tries = 0; tries <= 0xFFFFu; ++tries, ++m_nextTemp) {
    char name[16];
    std::snprintf(name, sizeof name, "VER%X.tmp", m_nextTemp & 0xFFFFu);
    if (!m_machine.IsFreeName(folder, name)) continue;
    const std::filesystem::path host = folder / name;
    const Machine::HostWrite written = m_machine.WriteHostFile(host, content.data(), content.size(), true);
    if (written == Machine::HostWrite::kNotOpened) {
      if (errno != EEXIST) return {};
      m_machine.NoteChanged(host);  // made from outside: taken, try the next
      continue;
    }
    m_machine.NoteChanged(host, std::filesystem::file_type::regular);
    if (written == Machine::HostWrite::kFailed) {
      if (m_machine.RemoveHost(host, false)) m_machine.NoteChanged(host, std::filesystem::file_type::not_found);
      return {};
    }
    ++m_nextTemp;
    return name;
  }
  return {};
}

platform::DWORD SimVersionInstaller::VerInstallFileA(platform::DWORD flags, const char* srcName, const char* destName,
                                                     const char* srcDir, const char* destDir, const char*,
                                                     char* tmpFile, platform::UINT* tmpFileLen) {
  if (srcName == nullptr || destName == nullptr || srcDir == nullptr) return VIF_CANNOTREADSRC;
  const std::string source = Join(srcDir, srcName);
  const std::string folder = destDir != nullptr && *destDir != '\0' ? destDir : srcDir;
  const std::string dest = Join(folder, destName);

  std::vector<char> content;
  if (!m_files.ReadWholeFile(source, content)) return VIF_CANNOTREADSRC;
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
  if (szdd::IsCompressed(bytes)) {
    std::string error;
    auto expanded = szdd::Expand(bytes, error);
    if (!expanded) return VIF_CANNOTREADSRC;
    content.assign(expanded->data.begin(), expanded->data.end());
  }

  // One look at the destination: a free name needs no attributes.
  const ResolvedPath destWhere = m_machine.Resolve(dest, m_process.currentDirectory);
  const bool destFree = destWhere.ok() && destWhere.type == std::filesystem::file_type::not_found;
  const platform::DWORD destAttributes = destFree ? INVALID_FILE_ATTRIBUTES : m_files.GetFileAttributesA(dest);
  const bool destExists = destAttributes != INVALID_FILE_ATTRIBUTES;
  if (destExists && (destAttributes & FILE_ATTRIBUTE_READONLY) != 0) return VIF_WRITEPROT;

  // The copy goes to a temporary file beside the destination first; a
  // forced install may name the one an earlier call left.
  std::string temp;
  std::filesystem::path tempHost;  // a temporary file made by this call
  if ((flags & VIFF_FORCEINSTALL) != 0 && tmpFile != nullptr && tmpFile[0] != '\0' &&
      m_files.FileExists(Join(folder, tmpFile))) {
    temp = Join(folder, tmpFile);
  } else {
    const ResolvedPath where = m_machine.Resolve(folder, m_process.currentDirectory);
    if (!where.ok() || where.type != std::filesystem::file_type::directory) return VIF_CANNOTCREATE;
    const std::string windowsFolder = m_machine.WindowsPathOf(where.host);
    if (!windowsFolder.empty()) {
      const DriveSpace space = m_machine.FreeSpace(windowsFolder[0]);
      const std::uint64_t free =
          static_cast<std::uint64_t>(space.freeClusters) * space.sectorsPerCluster * space.bytesPerSector;
      if (content.size() > free) return VIF_OUTOFSPACE;
    }
    const std::string tempName = WriteTempCopy(where.host, content);
    if (tempName.empty()) return VIF_CANNOTCREATE;
    temp = Join(folder, tempName);
    tempHost = where.host / tempName;
  }

  platform::DWORD result = 0;
  if ((flags & VIFF_FORCEINSTALL) == 0 && destExists && (destAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    std::vector<char> existing, installing;
    std::optional<VersionFacts> old;
    if (m_files.ReadWholeFile(dest, existing)) old = FactsOf(existing);
    if (old) {
      m_files.ReadWholeFile(temp, installing);
      const auto fresh = FactsOf(installing);
      if (!fresh) {
        result = VIF_MISMATCH | VIF_SRCOLD;
      } else {
        if (VersionOf(old->fixed) > VersionOf(fresh->fixed)) result |= VIF_MISMATCH | VIF_SRCOLD;
        if (old->fixed.fileType != fresh->fixed.fileType || old->fixed.fileSubtype != fresh->fixed.fileSubtype) {
          result |= VIF_MISMATCH | VIF_DIFFTYPE;
        }
        if (old->translation && fresh->translation && *old->translation != *fresh->translation) {
          result |= VIF_MISMATCH | VIF_DIFFLANG;
        }
        // A code page the running system cannot show (neither neutral nor Unicode).
        if (fresh->translation) {
          const platform::UINT codePage = *fresh->translation >> 16;
          if (codePage != 0 && codePage != 1200 && codePage != m_machine.CodePage()) {
            result |= VIF_MISMATCH | VIF_DIFFCODEPG;
          }
        }
      }
    }
  }

  const std::string tempName = temp.substr(temp.find_last_of('\\') + 1);
  if (result != 0) {
    if (tmpFile == nullptr || tmpFileLen == nullptr || *tmpFileLen < tempName.size() + 1) {
      m_files.DeleteFileA(temp);
      return result | VIF_BUFFTOOSMALL;
    }
    std::memcpy(tmpFile, tempName.c_str(), tempName.size() + 1);
    *tmpFileLen = static_cast<platform::UINT>(tempName.size() + 1);
    return result | VIF_TEMPFILE;
  }

  if (destExists) {
    const ResolvedPath held = m_machine.Resolve(dest, m_process.currentDirectory);
    if (held.ok() && m_process.IsHeldOpen(held.host)) {
      m_files.DeleteFileA(temp);
      return VIF_FILEINUSE | VIF_CANNOTDELETE;
    }
    if (!m_files.DeleteFileA(dest)) {
      const platform::DWORD error = m_process.lastError;
      m_files.DeleteFileA(temp);
      return VIF_CANNOTDELETE | ErrorBits(error);
    }
  }
  // The usual case, a new file from a temporary one made here: renamed at once.
  if (destFree && !tempHost.empty() && m_machine.RenameHost(tempHost, destWhere.host)) {
    m_machine.NoteChanged(tempHost, std::filesystem::file_type::not_found);
    m_machine.NoteChanged(destWhere.host, std::filesystem::file_type::regular);
    return 0;
  }
  if (!m_files.MoveFileExA(temp, dest, 0)) {
    const platform::DWORD error = m_process.lastError;
    m_files.DeleteFileA(temp);
    return VIF_CANNOTRENAME | ErrorBits(error);
  }
  return 0;
}

platform::DWORD SimVersionInstaller::GetFileVersionInfoSizeA(const char* fileName, platform::DWORD* handle) {
  if (handle != nullptr) *handle = 0;
  std::vector<char> content;
  if (fileName == nullptr) {
    m_process.lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  if (!m_files.ReadWholeFile(fileName, content)) return 0;  // its error stands
  std::string message;
  auto resources = PeResources::Parse(std::vector<std::uint8_t>(content.begin(), content.end()), message);
  if (!resources) {
    m_process.lastError = ERROR_RESOURCE_DATA_NOT_FOUND;
    return 0;
  }
  auto block = resources->VersionInfo();
  if (!block || block->size() < 6) {
    m_process.lastError = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return 0;
  }
  // Room behind the block for the ANSI texts VerQueryValueA hands out.
  return static_cast<platform::DWORD>(block->size() * 2 + 4);
}

platform::BOOL SimVersionInstaller::GetFileVersionInfoA(const char* fileName, platform::DWORD, platform::DWORD size,
                                                        void* data) {
  if (data == nullptr || fileName == nullptr) {
    m_process.lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  std::vector<char> content;
  if (!m_files.ReadWholeFile(fileName, content)) return 0;  // its error stands
  std::string message;
  auto resources = PeResources::Parse(std::vector<std::uint8_t>(content.begin(), content.end()), message);
  auto block = resources ? resources->VersionInfo() : std::nullopt;
  if (!block || block->size() < 6) {
    m_process.lastError = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return 0;
  }
  const std::size_t needed = block->size() * 2 + 4;
  auto* out = static_cast<std::uint8_t*>(data);
  const std::size_t n = std::min<std::size_t>(size, block->size());
  std::memcpy(out, block->data(), n);
  if (size < needed) {
    // A short buffer holds no usable block: its queries find nothing rather
    // than reach past the buffer.
    if (size >= 2) out[0] = out[1] = 0;
  } else {
    std::memset(out + block->size(), 0, needed - block->size());
  }
  return 1;
}

platform::BOOL SimVersionInstaller::VerQueryValueA(const void* block, const char* subBlock, void** buffer,
                                                   platform::UINT* length) {
  if (block == nullptr || subBlock == nullptr || buffer == nullptr) {
    m_process.lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  const auto* base = static_cast<const std::uint8_t*>(block);
  // The block says how long it is; nothing past that is read.
  const std::size_t total = Read16(std::span(base, 2), 0);
  const std::span<const std::uint8_t> bytes(base, total);
  const unsigned codePage = m_machine.CodePage();
  auto node = ReadNode(bytes, 0, total, codePage);
  if (!node) {
    m_process.lastError = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return 0;
  }
  std::string_view path(subBlock);
  while (!path.empty()) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    if (path.empty()) break;
    const std::size_t slash = path.find('\\');
    const std::string_view part = path.substr(0, slash);
    path.remove_prefix(slash == std::string_view::npos ? path.size() : slash);
    std::optional<Node> found;
    for (std::size_t child = node->children; child < node->end;) {
      auto next = ReadNode(bytes, child, node->end, codePage);
      if (!next) break;
      if (ascii::EqualNoCase(next->key, part)) {
        found = next;
        break;
      }
      child = Align4(next->end);
    }
    if (!found) {
      m_process.lastError = ERROR_RESOURCE_TYPE_NOT_FOUND;
      return 0;
    }
    node = found;
  }
  if (node->type == 1) {
    // Texts are handed out converted, in the room behind the block.
    std::u16string text;
    for (std::size_t i = 0; i < node->valueLength; ++i) text += static_cast<char16_t>(Read16(bytes, node->value + 2 * i));
    const std::string ansi = Utf16ToAnsi(text, codePage);
    auto* room = const_cast<std::uint8_t*>(base) + total + 4 + node->value;
    const std::size_t n = std::min(ansi.size(), total - std::min(total, node->value));
    std::memcpy(room, ansi.data(), n);
    *buffer = room;
    if (length != nullptr) *length = static_cast<platform::UINT>(n);
    return 1;
  }
  if (node->valueLength == 0 && node->start == 0) {
    m_process.lastError = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return 0;
  }
  *buffer = const_cast<std::uint8_t*>(base) + node->value;
  if (length != nullptr) *length = node->valueLength;
  return 1;
}

}  // namespace sim
