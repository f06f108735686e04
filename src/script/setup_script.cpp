#include "script/setup_script.h"

#include "core/name_compare.h"
#include "script/script_line.h"

CSetupScript::CSetupScript(CSetupContext& context, IMessageSink& messages, const CThunkLibrary& thunkLibrary)
    : m_context(context), m_messages(messages), m_thunkLibrary(thunkLibrary) {}

bool CSetupScript::ReadSection(CScriptSection& section, std::string_view name) {
  return section.Read(m_text, name, &m_expander);
}

CScriptSection CSetupScript::ReadSection(std::string_view name) {
  CScriptSection section;
  ReadSection(section, name);
  return section;
}

std::string CSetupScript::GetField(std::string_view line, int index) const {
  return ::GetField(line, index, m_context.GetDestDir(), GetCodePage());
}

std::string CSetupScript::GetKey(std::string_view line) const {
  return ::GetKey(line, m_context.GetDestDir(), GetCodePage());
}

std::string CSetupScript::RestoreMarkers(std::string_view text) const {
  return ::RestoreMarkers(text, m_context.GetDestDir());
}

bool CSetupScript::EqualNoCase(std::string_view a, std::string_view b) const {
  return ::EqualNoCase(a, b, GetCodePage());
}
