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

// The longest line an expansion gives, as a Windows setup script allows.
constexpr std::size_t kMaxExpandedLength = 4096;

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
  // Reports 1180 with the line's key; the line keeps its key and no value.
  std::string ValueTooLong(std::string_view line);
  // The value a '%' reference stands for; reports 1089 for an unknown key.
  std::string ReferenceValue(std::string_view name);

  CSetupScript& m_script;
};
