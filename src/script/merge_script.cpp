#include "script/merge_script.h"

#include <algorithm>
#include <climits>
#include <string>

#include "core/name_compare.h"
#include "script/script_line.h"
#include "script/script_section.h"

namespace {

constexpr std::string_view kSourceDisksNames = "SourceDisksNames";
constexpr std::string_view kSourceDisksFiles = "SourceDisksFiles";

// Appends an empty section of that name when the script has none; its
// header is noted as the included script's.
void EnsureSection(CScriptText& script, std::string_view name, CScriptText& included) {
  if (script.FindSection(name) != 0) return;
  std::optional<CScriptOrigin> origin;
  if (included.FindSection(name) != 0) origin = included.OriginOf(included.GetSectionStart());
  std::string block(1, '[');
  block.append(name).append("]\r\n\r\n");
  script.InsertSectionText(name, block.data(), static_cast<std::uint32_t>(block.size()), origin);
}

// Where each line of a section was read, in the order the section reader
// gives its lines.
std::vector<std::optional<CScriptOrigin>> LineOrigins(CScriptText& text, std::string_view name) {
  std::vector<std::optional<CScriptOrigin>> origins;
  ForEachSectionLine(text, name, [&](std::string_view, std::uint32_t start) { origins.push_back(text.OriginOf(start)); });
  return origins;
}

// "%s=%d," as the disk's file lines are made, with the folder and size.
std::string FileLine(const std::string& key, int disk, const std::string& folder, const std::string& size) {
  return key + "=" + std::to_string(disk) + "," + folder + "," + size;
}

}  // namespace

bool LoadIncludedScript(platform::IFileSystem& files, CScriptText& included, std::string_view folder,
                        std::string_view line, std::string& name) {
  // The line as given, else its file name directly in the setup folder.
  name = std::string(line);
  if (included.Load(files, std::string(folder) + "\\" + name)) return true;
  const std::size_t slash = name.find_last_of('\\');
  if (slash == std::string::npos) return false;
  name = name.substr(slash + 1);
  return included.Load(files, std::string(folder) + "\\" + name);
}

void MergeScript(platform::IFileSystem& files, CScriptText& main, std::string_view folder, std::string_view line) {
  // 1. The included script.
  std::string name;
  CScriptText included;
  included.SetCodePage(main.GetCodePage());
  if (!LoadIncludedScript(files, included, folder, line, name)) return;
  // 2. Its folder relative to the setup folder.
  const std::size_t slash = name.find_last_of('\\');
  const std::string relative = slash == std::string::npos ? std::string() : name.substr(0, slash);

  // 3. Its sections join those of the main script, the disk lists apart.
  // Its own include list is not followed, and must not reach the saved
  // script either: the maintenance wizard would merge everything again.
  for (std::string section = included.NextSectionName(); !section.empty(); section = included.NextSectionName()) {
    const unsigned codePage = main.GetCodePage();
    if (EqualNoCase(section, kSourceDisksNames, codePage) || EqualNoCase(section, kSourceDisksFiles, codePage) ||
        EqualNoCase(section, kIncludeInf, codePage)) {
      continue;
    }
    const std::string_view block = included.GetIteratedSection();
    const auto origin = included.OriginOf(static_cast<std::uint32_t>(block.data() - included.GetText().data()));
    main.InsertSectionText(section, block.data(), static_cast<std::uint32_t>(block.size()), origin);
  }

  // 4. Its disks are renumbered into the main list.
  CScriptSection disks;
  if (!disks.Read(included, kSourceDisksNames)) return;
  const auto diskOrigins = LineOrigins(included, kSourceDisksNames);
  EnsureSection(main, kSourceDisksNames, included);
  CScriptSection mainDisks;
  mainDisks.Read(main, kSourceDisksNames);
  int nextDisk = 1;
  for (const std::string& known : mainDisks.GetLines()) {
    const int number = GetFieldInt(known, 0);
    if (number >= nextDisk) nextDisk = number == INT_MAX ? INT_MAX : number + 1;
  }
  CScriptSection fileLines;
  const bool hasFiles = fileLines.Read(included, kSourceDisksFiles);
  const auto fileOrigins = LineOrigins(included, kSourceDisksFiles);
  auto at = [](const std::vector<std::optional<CScriptOrigin>>& origins, std::size_t i) {
    return i < origins.size() ? origins[i] : std::nullopt;
  };

  for (std::size_t d = 0; d < disks.GetLines().size(); ++d) {
    const std::string& disk = disks.GetLines()[d];
    // A disk of the same description keeps the main script's number.
    int newDisk = 0;
    bool known = false;
    for (const std::string& mainLine : mainDisks.GetLines()) {
      if (EqualNoCase(GetRawField(mainLine, 1), GetRawField(disk, 1), main.GetCodePage())) {
        newDisk = GetFieldInt(mainLine, 0);
        known = true;
        break;
      }
    }
    if (!known) {
      newDisk = nextDisk;
      if (nextDisk < INT_MAX) ++nextDisk;
      const std::string added = std::to_string(newDisk) + "=" + GetRawField(disk, 1) + "," + GetRawField(disk, 2) +
                                "," + GetRawField(disk, 3);
      main.FindSection(kSourceDisksNames);
      main.AppendLine(added, at(diskOrigins, d));
      mainDisks.Read(main, kSourceDisksNames);
    }
    const int oldDisk = GetFieldInt(disk, 0);
    const std::string diskFolder = GetRawField(disk, 5);

    if (!hasFiles) continue;
    EnsureSection(main, kSourceDisksFiles, included);
    for (std::size_t f = 0; f < fileLines.GetLines().size(); ++f) {
      const std::string& file = fileLines.GetLines()[f];
      if (GetFieldInt(file, 1) != oldDisk) continue;
      const std::string subfolder = !diskFolder.empty() ? diskFolder : GetRawField(file, 2);
      std::string fileFolder = relative;
      if (!subfolder.empty() && subfolder != ".") {
        // Directly below the setup folder when the script lies there itself.
        if (!fileFolder.empty()) fileFolder += '\\';
        fileFolder += subfolder;
      }
      main.FindSection(kSourceDisksFiles);
      main.AppendLine(FileLine(GetKey(file), newDisk, fileFolder, GetRawField(file, 3)), at(fileOrigins, f));
    }
  }
}

