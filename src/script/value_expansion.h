// Expansion of script lines as their section is read: quoted runs, the '@'
// codes of the setup context, and '%' references to directory codes and to
// the string sections.
#pragma once

#include <string>
#include <string_view>

#include "script/script_line.h"
#include "script/script_section.h"

class CSetupScript;

// The maker name that "@c" stands for.
constexpr std::string_view kMakerName = "HALVION";

constexpr int MSG_KEY_NOT_FOUND = 1089;
constexpr int MSG_VALUE_TOO_LONG = 1180;  // %1 key

// What expansion may make, so that references of references (a key made of
// two references to the one before it, again and again) cannot exhaust time
// and memory: one line at most 1 MiB, far above any real value (a licence
// text is a few dozen kilobytes), and all lines together at most 64 MiB or
// 64 times the script, whichever is larger.
constexpr std::size_t kMaxExpandedLine = std::size_t{1} << 20;
constexpr std::size_t kMaxExpandedScript = std::size_t{64} << 20;
constexpr std::size_t kExpandedScriptFactor = 64;

class CValueExpander : public ILineExpander {
 public:
  // Works on the script's setup context and string sections as they stand
  // at each call: a line finds only the string keys already held.
  explicit CValueExpander(CSetupScript& script) : m_script(script) {}

  std::string Expand(std::string_view line) override;

  // Reads the language section ("Strings." + language code), then "Strings",
  // through this expansion. Both are emptied first, so a value of the
  // language section never sees a key of "Strings".
  void ReadStringSections();

 private:
  // Reports 1180 with the line's key (once the whole script is over its
  // limit, only the first time); the line keeps its key and no value.
  std::string ValueTooLong(std::string_view line, bool report = true);
  // The value a '%' reference stands for; reports 1089 for an unknown key.
  std::string ReferenceValue(std::string_view name);

  CSetupScript& m_script;
  std::size_t m_nExpandedTotal = 0;  // bytes all expansions have made so far
  bool m_bScriptTooLong = false;
};
