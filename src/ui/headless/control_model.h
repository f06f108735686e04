// The controls of one page as the headless host keeps them: made from the
// page's dialog template, changed by the page through its window and by the
// person or the answers file through clicks, typing and list choices, the
// way the Windows controls of the same styles behave.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/pe_resources.h"
#include "platform/win_types.h"
#include "platform/wizard_host.h"

namespace ui {

// Window and control styles of dialog templates (WS_*, BS_*, ES_*, SS_*).
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsDisabled = 0x08000000;
constexpr std::uint32_t kWsGroup = 0x00020000;
constexpr std::uint32_t kBsTypeMask = 0x0000000F;
constexpr std::uint32_t kBsCheckBox = 0x2, kBsAutoCheckBox = 0x3, kBsRadioButton = 0x4, kBs3State = 0x5,
                        kBsAuto3State = 0x6, kBsGroupBox = 0x7, kBsAutoRadioButton = 0x9, kBsOwnerDraw = 0xB;
constexpr std::uint32_t kEsMultiLine = 0x0004, kEsReadOnly = 0x0800;
constexpr std::uint32_t kSsTypeMask = 0x0000001F;
constexpr std::uint32_t kSsCenter = 0x1, kSsRight = 0x2, kSsLeftNoWordWrap = 0xC, kSsNoPrefix = 0x80;
constexpr std::uint32_t kLbsNotify = 0x0001, kLbsOwnerDrawFixed = 0x0010, kLbsOwnerDrawVariable = 0x0020,
                        kLbsNoSel = 0x4000;

enum class ControlKind {
  Static,
  GroupBox,
  PushButton,
  PictureButton,  // owner-drawn button, drawn from bitmaps
  RadioButton,
  CheckBox,
  Edit,
  ListBox,
  ProgressBar,
  Other,  // a class the host does not model: kept, never acted on
};

// "a radio button", "an edit field" …
const char* ControlKindName(ControlKind kind);

struct ControlModel {
  int id = 0;
  std::string className;
  std::uint32_t style = 0;
  ControlKind kind = ControlKind::Other;
  // Dialog units, as the template places it.
  int x = 0, y = 0, cx = 0, cy = 0;

  std::string text;  // in the machine's ANSI code page, as the page reads it
  bool visible = true;
  bool enabled = true;
  bool checked = false;

  // Progress bar (the control's defaults: range 0-100, step 10).
  int rangeLow = 0, rangeHigh = 100, position = 0, step = 10;

  // List box: each row's text and data, and for an owner-drawn list the
  // look its dialog gave the row when the list was last drawn.
  std::vector<std::string> items;
  std::vector<std::uintptr_t> itemData;
  std::vector<platform::ListItemLook> looks;
  int selectedRow = -1;

  // Picture button: the bitmaps it is drawn from and the size of the first, in pixels.
  platform::UINT pictureNormal = 0, picturePressed = 0, pictureFocused = 0;
  int pictureWidth = 0, pictureHeight = 0;

  bool IsAutoButton() const;
  bool IsOwnerDrawnList() const {
    return kind == ControlKind::ListBox && (style & (kLbsOwnerDrawFixed | kLbsOwnerDrawVariable)) != 0;
  }
  bool IsReadOnlyEdit() const { return kind == ControlKind::Edit && (style & kEsReadOnly) != 0; }
  // Whether a person could click, type into or choose in it now.
  bool CanAct() const { return visible && enabled; }
  // The bar's position as a whole percentage of its range (0 for an empty range).
  int Percent() const;
};

// The page's controls in template order (the order groups and tabs follow).
class ControlSet {
 public:
  ControlSet() = default;
  explicit ControlSet(const sim::DialogTemplate& dialog);

  const std::vector<ControlModel>& All() const { return m_controls; }
  // The first control with that ID, or nullptr (as GetDlgItem).
  ControlModel* Find(int id);
  const ControlModel* Find(int id) const;

  // CheckRadioButton: the button `checkId` checked, every other button with
  // an ID from `firstId` to `lastId` cleared.
  void CheckRadioButton(int firstId, int lastId, int checkId);
  // What a click does to the control itself before the page hears of it:
  // an automatic radio button is checked and the others of its group
  // cleared, an automatic check box toggles.
  void Click(int id);

  // LB_RESETCONTENT, LB_ADDSTRING with LB_SETITEMDATA (the new row or -1),
  // LB_SETCURSEL (-1 or a row past the end: none).
  void ResetList(int id);
  int AddListItem(int id, const std::string& text, std::uintptr_t data);
  void SetListSelection(int id, int row);
  // The first owner-drawn list box, or nullptr.
  ControlModel* FirstOwnerDrawnList();

  // PBM_SETRANGE, PBM_SETPOS, PBM_SETSTEP, PBM_STEPIT.
  void SetProgressRange(int id, int low, int high);
  void SetProgressPos(int id, int position);
  void SetProgressStep(int id, int step);
  void StepProgress(int id);

 private:
  std::vector<ControlModel> m_controls;
};

}  // namespace ui
