#include "core/setup_context.h"

#include "platform/ascii_text.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/platform.h"

namespace {

constexpr const char* kLanguageCodes[kLanguageCount] = {
    "CHS", "CHT", "DAN", "NLD", "ENU", "FIN", "FRA", "DEU", "ITA", "JPN",
    "KOR", "NOR", "PLK", "PTB", "PTG", "RUS", "ESP", "SVE", "THA"};


}  // namespace

CSetupContext::CSetupContext(const platform::Platform& platform) : m_platform(&platform) {
  std::copy(std::begin(kLanguageCodes), std::end(kLanguageCodes), m_apszLanguageCode);
  m_osvi.dwOSVersionInfoSize = sizeof(m_osvi);
  if (!platform.System().GetVersionExA(m_osvi)) {
    // Without an answer the predicates all read false; keep the size field.
    m_osvi = {};
    m_osvi.dwOSVersionInfoSize = sizeof(m_osvi);
  }
}

std::string CSetupContext::GetLanguageCode() const {
  const char* code = GetLanguageCodeAt(m_nLanguage);
  return code != nullptr ? code : m_apszLanguageCode[kDefaultLanguage];
}

const char* CSetupContext::GetLanguageCodeAt(int index) const {
  if (index < 0 || index >= kLanguageCount) return nullptr;
  return m_apszLanguageCode[index];
}

std::string CSetupContext::GetScriptPath() const { return m_strSetupDir + "\\" + m_strScriptName; }

std::string CSetupContext::GetInstallRecordKey() const {
  return "Software\\TORQUIST\\Install" + (m_strSetupCopy.empty() ? std::string() : "." + m_strSetupCopy);
}

void CSetupContext::ParseCommandLine(std::string_view text) {
  const std::size_t n = text.size();
  // Text from i up to the first blank, or all the rest.
  auto upToBlank = [&](std::size_t i) {
    std::size_t end = text.find(' ', i);
    return std::string(text.substr(i, end == std::string_view::npos ? n - i : end - i));
  };

  std::size_t i = 0;
  while (i < n) {
    if (text[i] != '/' && text[i] != '-') {
      ++i;
      continue;
    }
    ++i;
    if (i >= n) break;

    switch (ascii::ToUpper(text[i])) {
      case 'F':
        ++i;
        if (i < n && text[i] == ':') {
          ++i;
          m_strScriptName = upToBlank(i);
        }
        break;
      case 'L': {
        ++i;
        m_nLanguage = kDefaultLanguage;
        if (i + 3 <= n) {
          for (int k = 0; k < kLanguageCount; ++k) {
            if (text.compare(i, 3, m_apszLanguageCode[k]) == 0) {
              m_nLanguage = k;
              m_nLanguageCount = 1;
              break;
            }
          }
        }
        break;
      }
      case 'M':
      case 'S': {
        const bool first = ascii::ToUpper(text[i]) == 'M';
        m_nFlags |= SF_UNATTENDED | SF_HIDDEN | (first ? SF_TYPE_FIRST : SF_TYPE_SECOND);
        // Up to two suffix letters; a separator or the end stops the look.
        for (std::size_t k = i + 1; k <= i + 2 && k < n; ++k) {
          const char c = ascii::ToUpper(text[k]);
          if (c == '/' || c == '-' || c == ' ') break;
          if (c == 'V') m_nFlags &= ~SF_HIDDEN;
          if (c == 'E') m_nFlags |= SF_QUIET;
        }
        break;
      }
      case 'R':
        m_nFlags |= SF_RESTART_REQUESTED;
        break;
      case 'W':
        ++i;
        if (i < n && text[i] == '"') {
          ++i;
          std::size_t end = text.find('"', i);
          std::string name(text.substr(i, end == std::string_view::npos ? n - i : end - i));
          std::transform(name.begin(), name.end(), name.begin(), [](char c) { return ascii::ToUpper(c); });
          m_strSourceTreeName = "\\" + name + "\\";
        }
        break;
      case 'Z':
        ++i;
        m_strCallerCmd = upToBlank(i);
        break;
      default:
        break;
    }
    // Values are not skipped: the scan goes on inside them.
    ++i;
  }
}
