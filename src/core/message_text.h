// Texts from the resource module with "%1"/"%2" inserts.
#pragma once

#include <string>
#include <string_view>

#include "core/resource_module.h"

// One pass of insert replacement: every `marker` of `text` becomes `insert`;
// what the pass inserts is never searched again.
std::string ReplaceInsert(std::string_view text, std::string_view marker, std::string_view insert);

class CMessageText {
 public:
  explicit CMessageText(const CResourceModule& resources) : m_resources(resources) {}
  virtual ~CMessageText() = default;

  const std::string& LoadText(int id);
  const std::string& LoadText(int id, std::string_view insert1);
  const std::string& LoadText(int id, std::string_view insert1, std::string_view insert2);
  const std::string& GetText() const { return m_strText; }

 private:
  const CResourceModule& m_resources;
  std::string m_strText;
};

// String ids of the resource library that every box uses.
constexpr int IDS_CAPTION = 1;
