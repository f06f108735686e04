// The merged setup script of this run with what it is read against: its
// five shared sections, the expander, the setup context whose values and
// destination fill it in, the thunk library that knows logical folders, and
// the sink its messages go to. Owned by the application; lent to the layers
// above.
#pragma once

#include <string>
#include <string_view>

#include "core/message_sink.h"
#include "core/setup_context.h"
#include "core/thunk_library.h"
#include "script/script_section.h"
#include "script/script_text.h"
#include "script/value_expansion.h"

class CSetupScript {
 public:
  CSetupScript(CSetupContext& context, IMessageSink& messages, const CThunkLibrary& thunkLibrary);
  CSetupScript(const CSetupScript&) = delete;
  CSetupScript& operator=(const CSetupScript&) = delete;

  CScriptText& GetText() { return m_text; }
  const CScriptText& GetText() const { return m_text; }
  CScriptSection& GetLangStrings() { return m_secLangStrings; }
  CScriptSection& GetStrings() { return m_secStrings; }
  CScriptSection& GetSourceDisksFiles() { return m_secSourceDisksFiles; }
  CScriptSection& GetSourceDisksNames() { return m_secSourceDisksNames; }
  CScriptSection& GetDestinationDirs() { return m_secDestinationDirs; }
  const CScriptSection& GetSourceDisksFiles() const { return m_secSourceDisksFiles; }
  const CScriptSection& GetSourceDisksNames() const { return m_secSourceDisksNames; }
  const CScriptSection& GetDestinationDirs() const { return m_secDestinationDirs; }
  // Expands every line of a section read with it (quotes, codes, references).
  CValueExpander& GetExpander() { return m_expander; }

  CSetupContext& GetContext() const { return m_context; }
  IMessageSink& GetMessages() const { return m_messages; }
  const CThunkLibrary& GetThunkLibrary() const { return m_thunkLibrary; }
  unsigned GetCodePage() const { return m_text.GetCodePage(); }

  // Reads a section of the merged script through the expander.
  bool ReadSection(CScriptSection& section, std::string_view name);
  CScriptSection ReadSection(std::string_view name);

  // Fields and keys with the destination folder as it stands now.
  std::string GetField(std::string_view line, int index) const;
  std::string GetKey(std::string_view line) const;
  std::string RestoreMarkers(std::string_view text) const;
  bool EqualNoCase(std::string_view a, std::string_view b) const;

 private:
  CSetupContext& m_context;
  IMessageSink& m_messages;
  const CThunkLibrary& m_thunkLibrary;
  CScriptText m_text;
  CScriptSection m_secLangStrings;
  CScriptSection m_secStrings;
  CScriptSection m_secSourceDisksFiles;
  CScriptSection m_secSourceDisksNames;
  CScriptSection m_secDestinationDirs;
  CValueExpander m_expander{*this};
};
