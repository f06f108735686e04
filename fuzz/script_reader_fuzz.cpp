// Fuzzes the script reader: loading, section search, line and section
// iteration, section reading with field access, and the editing operations,
// checking the invariants of the text after every step.
//
// Input: byte 0 picks the code page and the number n (0-15) of operation
// bytes that follow; the rest is the script.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_line.h"
#include "script/script_section.h"
#include "script/script_text.h"
#include "core/name_compare.h"

namespace {

// The code page of this input's script.
unsigned g_codePage = kDefaultCodePage;
// A destination that itself holds a marker.
constexpr std::string_view kInstallDir = "C:\\Dest@@InstallDir@@";


void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

bool EndsWithTail(std::string_view text) { return text.size() >= 4 && text.substr(text.size() - 4) == "\r\n\r\n"; }

void CheckText(const CScriptText& script) {
  const std::string_view text = script.GetText();
  Check(script.GetLength() <= script.GetCapacity(), "length within capacity");
  Check(text.size() == script.GetLength(), "view covers the length");
  Check(EndsWithTail(text), "text ends with CR LF CR LF");
  if (script.HasCurrentSection()) {
    Check(script.GetSectionStart() < text.size(), "section start inside the text");
    Check(text[script.GetSectionStart()] == '[', "section start holds '['");
  }
}

// Header matching and extent by a plain scan of every line start.
bool ReferenceFind(std::string_view text, std::string_view name, std::size_t& start, std::size_t& length) {
  if (name.empty()) return false;
  const std::string pattern = std::string(name) + "]";
  for (std::size_t pos = 0; pos + 3 < text.size(); ++pos) {
    if ((pos == 0 || text[pos - 1] == '\n') && text[pos] == '[' && pos + 1 + pattern.size() <= text.size() &&
        EqualNoCase(pattern, text.substr(pos + 1, pattern.size()), g_codePage)) {
      std::size_t end = text.size() - 2;
      for (std::size_t p = pos + 1 + pattern.size(); p + 3 < text.size(); ++p) {
        if (text[p - 1] == '\n' && text[p] == '[') {
          end = p;
          break;
        }
      }
      start = pos;
      length = end - pos;
      return true;
    }
  }
  return false;
}

void CheckFind(CScriptText& script, std::string_view name) {
  const bool shortcut = script.HasCurrentSection() && EqualNoCase(name, script.GetCurrentSectionName(), g_codePage);
  std::size_t start = 0;
  std::size_t length = 0;
  const bool expected = ReferenceFind(script.GetText(), name, start, length);
  const std::uint32_t found = script.FindSection(name);
  if (!shortcut) {
    Check((found != 0) == expected, "search agrees with a plain scan");
    if (expected) {
      Check(found == length, "section length agrees with a plain scan");
      Check(script.GetSectionStart() == start, "section start agrees with a plain scan");
    }
  }
  if (found != 0) {
    Check(std::uint64_t{script.GetSectionStart()} + found <= script.GetLength(), "section inside the text");
    std::size_t lines = 0;
    for (std::string line = script.NextLine(); !line.empty(); line = script.NextLine()) {
      Check(++lines <= script.GetLength(), "line iteration ends");
      Check(line.find_first_of("\r\n") == std::string::npos, "a line holds no line break");
    }
  }
}

std::vector<std::string> WalkSections(CScriptText& script) {
  std::vector<std::string> names;
  for (std::string name = script.NextSectionName(); !name.empty(); name = script.NextSectionName()) {
    Check(names.size() <= script.GetLength(), "section iteration ends");
    Check(script.HasCurrentSection(), "a returned section is current");
    Check(EqualNoCase(script.GetCurrentSectionName(), name, g_codePage), "the returned name is current");
    names.push_back(name);
  }
  return names;
}

void ExerciseSection(CScriptText& script, std::string_view name) {
  CScriptSection section;
  const bool present = section.Read(script, name);
  Check(present || section.GetCount() == 0, "a missing section has no lines");
  for (int i = 0; i < section.GetCount(); ++i) {
    const std::string line = section.GetLine(i);
    Check(!line.empty(), "kept lines are not empty");
    const std::string key = GetKey(line);
    (void)GetKey(line, kInstallDir);
    for (int field = 0; field < 4; ++field) {
      (void)GetField(line, field, kInstallDir);
      (void)GetRawField(line, field);
      (void)GetFieldInt(line, field);
    }
    const std::string byKey = section.FindKey(key);
    Check(EqualNoCase(GetKey(byKey), key, g_codePage), "FindKey returns a line with that key");
  }
  Check(section.GetLine(section.GetCount()).empty(), "past the end is empty");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const unsigned kCodePages[] = {1252, 932, 936, 949};
  g_codePage = kCodePages[(data[0] >> 4) & 3];
  const std::size_t opCount = data[0] & 15;
  if (size < 1 + opCount) return 0;
  const std::uint8_t* ops = data + 1;
  const char* text = reinterpret_cast<const char*>(data + 1 + opCount);
  const std::size_t textSize = size - 1 - opCount;

  CScriptText script;
  script.SetCodePage(g_codePage);
  Check(script.LoadFromMemory(text, textSize, (data[0] & 0x40) != 0 ? 8 : 0), "small input loads");
  CheckText(script);

  std::vector<std::string> names = WalkSections(script);
  for (const std::string& name : names) Check(script.FindSection(name) != 0, "a walked section can be found");
  names.insert(names.end(), {"Strings", "SourceDisksFiles", "a]b", "", "A"});

  for (std::size_t i = 0; i < opCount; ++i) {
    const std::uint8_t op = ops[i];
    const std::string name = names[(op >> 3) % names.size()];
    switch (op & 7) {
      case 0:
        CheckFind(script, name);
        break;
      case 1:
        ExerciseSection(script, name);
        break;
      case 2:
        if (script.DeleteSection(name)) Check(!script.HasCurrentSection(), "deletion forgets the current section");
        break;
      case 3: {
        // A block taken from this very text, as merging does between scripts.
        const std::uint32_t length = script.FindSection(name);
        if (length != 0) {
          const std::string other = names[(op >> 1) % names.size()];
          script.InsertSectionText(other, script.GetText().data() + script.GetSectionStart(), length);
        }
        break;
      }
      case 4: {
        const std::string block = "[" + name + "]\r\nk" + std::to_string(op) + "=v,1";
        script.InsertSectionText(name, block.data(), static_cast<std::uint32_t>(block.size()));
        break;
      }
      case 5:
        script.FindSection(name);
        script.AppendLine(name + "=" + std::to_string(op));
        break;
      case 6: {
        CScriptText copy(script);
        Check(copy.GetText() == script.GetText(), "copy holds the same text");
        Check(copy.GetCapacity() == script.GetCapacity(), "copy has the same capacity");
        Check(copy.NextLine() == script.NextLine(), "copy continues at the same line");
        Check(copy.NextSectionName() == script.NextSectionName(), "copy continues at the same section");
        break;
      }
      default:
        names = WalkSections(script);
        names.insert(names.end(), {"Strings", "a]b", ""});
        break;
    }
    CheckText(script);
  }
  WalkSections(script);
  CheckText(script);
  return 0;
}
