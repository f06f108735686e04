// The binary shell link format (.lnk) as Windows writes it: the header, the
// link information with the target's local path, and the string data
// (description, relative path, working folder, arguments, icon location).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct ShellLinkData {
  std::string description;
  std::string path;          // the target's full path (link information)
  std::string relativePath;  // the target seen from the link's folder; empty for none
  std::string workingDirectory;
  std::string arguments;
  std::string iconLocation;
  std::int32_t iconIndex = 0;
  std::uint32_t fileAttributes = 0;  // of the target when the link was saved
  std::uint32_t fileSize = 0;
  std::uint32_t driveType = 3;       // DRIVE_FIXED
  std::uint32_t driveSerial = 0;
};

// The file's bytes. Strings are kept in the ANSI code page; empty strings
// are left out, as Windows leaves them out.
std::string WriteShellLinkFile(const ShellLinkData& link);

// Reads a link file; nullopt when it is not one or is cut short.
std::optional<ShellLinkData> ReadShellLinkFile(std::string_view bytes);

// The path of `target` relative to `folder` (".\NAME", "..\..\DIR\NAME"),
// compared without regard to case; empty when they lie on different drives.
std::string RelativeLinkPath(std::string_view folder, std::string_view target);

}  // namespace sim
