// Texts from the resource module with "%1"/"%2" inserts, and the error boxes
// that record their number in the setup context and stay silent in quiet mode.
#pragma once

#include <string>
#include <string_view>

// One pass of insert replacement: every `marker` of `text` becomes `insert`;
// what the pass inserts is never searched again.
std::string ReplaceInsert(std::string_view text, std::string_view marker, std::string_view insert);

class CMessageText {
 public:
  virtual ~CMessageText() = default;

  const std::string& LoadText(int id);
  const std::string& LoadText(int id, std::string_view insert1);
  const std::string& LoadText(int id, std::string_view insert1, std::string_view insert2);
  const std::string& GetText() const { return m_strText; }

 private:
  std::string m_strText;
};

class CErrorBox {
 public:
  CErrorBox();

  int ShowError(int id);
  int ShowError(int id, std::string_view insert);
  int ShowError(int id, int number);
  int ShowError(int id, std::string_view insert1, std::string_view insert2);
  // Yes (6) or No (7); quiet mode answers No without a box. Not recorded.
  int AskYesNo(int id, std::string_view insert);

 private:
  int Show(int id, int insertCount, std::string_view insert1, std::string_view insert2, bool record, unsigned type);

  std::string m_strCaption;
};

// String ids of the resource library that the boxes use.
constexpr int IDS_CAPTION = 1;
