// The manifest an installation leaves in its setup folder: every file and
// folder the installation made, one full path a line, a folder's path
// ending in a backslash. SETUP.EXE writes it; INST16.EXE reads it to remove
// exactly what was made and nothing else.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace install_manifest {

// In the setup folder; written under the second name, then renamed.
inline constexpr std::string_view kFileName = "MANIFEST.LST";
inline constexpr std::string_view kNewFileName = "MANIFEST.NEW";

struct Entry {
  std::string path;  // full Windows path, no trailing backslash
  bool isFolder = false;
};

// The entries of a manifest's text. Lines that are empty, relative (no
// "X:\"), or longer than a Windows path are left out: a damaged manifest
// can only make removal do less.
std::vector<Entry> Parse(std::string_view text);
// The text of a manifest: one entry a line, CR LF.
std::string Format(const std::vector<Entry>& entries);

// The setup folder's own files by name (the setup program, its script, its
// language libraries, INST16.EXE and its copy, the manifest), which a
// removal takes even from an installation that left no manifest.
bool IsSetupFolderFile(std::string_view name);

// Whether `path` is `folder` itself or lies below it; both full paths in
// the same form, compared without regard to case.
bool IsAtOrBelow(std::string_view path, std::string_view folder);

}  // namespace install_manifest
