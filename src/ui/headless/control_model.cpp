#include "ui/headless/control_model.h"

#include "platform/ascii_text.h"

#include <utility>

#include "platform/shared/config_file.h"

namespace ui {
namespace {

ControlKind KindOf(const std::string& className, std::uint32_t style) {
  if (ascii::EqualNoCase(className, "BUTTON")) {
    switch (style & kBsTypeMask) {
      case kBsCheckBox:
      case kBsAutoCheckBox:
      case kBs3State:
      case kBsAuto3State: return ControlKind::CheckBox;
      case kBsRadioButton:
      case kBsAutoRadioButton: return ControlKind::RadioButton;
      case kBsGroupBox: return ControlKind::GroupBox;
      case kBsOwnerDraw: return ControlKind::PictureButton;
      default: return ControlKind::PushButton;
    }
  }
  if (ascii::EqualNoCase(className, "STATIC")) return ControlKind::Static;
  if (ascii::EqualNoCase(className, "EDIT")) return ControlKind::Edit;
  if (ascii::EqualNoCase(className, "LISTBOX")) return ControlKind::ListBox;
  if (ascii::EqualNoCase(className, "msctls_progress32")) return ControlKind::ProgressBar;
  return ControlKind::Other;
}

bool IsRadio(const ControlModel& c) { return c.kind == ControlKind::RadioButton; }

}  // namespace

const char* ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Static: return "a static text";
    case ControlKind::GroupBox: return "a group box";
    case ControlKind::PushButton: return "a button";
    case ControlKind::PictureButton: return "a picture button";
    case ControlKind::RadioButton: return "a radio button";
    case ControlKind::CheckBox: return "a check box";
    case ControlKind::Edit: return "an edit field";
    case ControlKind::ListBox: return "a list box";
    case ControlKind::ProgressBar: return "a progress bar";
    case ControlKind::Other: break;
  }
  return "a control";
}

bool ControlModel::IsAutoButton() const {
  const std::uint32_t type = style & kBsTypeMask;
  return (kind == ControlKind::RadioButton && type == kBsAutoRadioButton) ||
         (kind == ControlKind::CheckBox && (type == kBsAutoCheckBox || type == kBsAuto3State));
}

int ControlModel::Percent() const {
  if (rangeHigh <= rangeLow) return 0;
  const long long done = static_cast<long long>(position) - rangeLow;
  return static_cast<int>(done * 100 / (static_cast<long long>(rangeHigh) - rangeLow));
}

ControlSet::ControlSet(const sim::DialogTemplate& dialog) {
  m_controls.reserve(dialog.controls.size());
  for (const sim::DialogControl& c : dialog.controls) {
    ControlModel model;
    // A DIALOG template keeps 16-bit IDs; DLGTEMPLATEEX keeps 32 bits, whose
    // -1 (IDC_STATIC) reads back as -1.
    model.id = dialog.extended ? static_cast<int>(static_cast<std::int32_t>(c.id)) : static_cast<int>(c.id & 0xFFFF);
    model.className = c.className;
    model.style = c.style;
    model.kind = KindOf(c.className, c.style);
    model.x = c.x;
    model.y = c.y;
    model.cx = c.cx;
    model.cy = c.cy;
    // A progress bar or list box has no text of its own.
    if (model.kind != ControlKind::ProgressBar && model.kind != ControlKind::ListBox) model.text = c.text;
    model.visible = (c.style & kWsVisible) != 0;
    model.enabled = (c.style & kWsDisabled) == 0;
    m_controls.push_back(std::move(model));
  }
}

ControlModel* ControlSet::Find(int id) {
  for (ControlModel& c : m_controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

const ControlModel* ControlSet::Find(int id) const { return const_cast<ControlSet*>(this)->Find(id); }

void ControlSet::CheckRadioButton(int firstId, int lastId, int checkId) {
  if (firstId > lastId) std::swap(firstId, lastId);
  for (ControlModel& c : m_controls) {
    if (c.id < firstId || c.id > lastId) continue;
    if (c.kind == ControlKind::RadioButton || c.kind == ControlKind::CheckBox) c.checked = (c.id == checkId);
  }
}

void ControlSet::Click(int id) {
  ControlModel* clicked = Find(id);
  if (clicked == nullptr || !clicked->IsAutoButton()) return;
  if (clicked->kind == ControlKind::CheckBox) {
    clicked->checked = !clicked->checked;
    return;
  }
  // The group runs from the last control with WS_GROUP at or before the
  // clicked one up to the next control that starts a group.
  const std::size_t at = static_cast<std::size_t>(clicked - m_controls.data());
  std::size_t first = at;
  while (first > 0 && (m_controls[first].style & kWsGroup) == 0) --first;
  std::size_t end = at + 1;
  while (end < m_controls.size() && (m_controls[end].style & kWsGroup) == 0) ++end;
  for (std::size_t i = first; i < end; ++i) {
    if (IsRadio(m_controls[i])) m_controls[i].checked = (i == at);
  }
}

void ControlSet::ResetList(int id) {
  ControlModel* c = Find(id);
  if (c == nullptr || c->kind != ControlKind::ListBox) return;
  c->items.clear();
  c->itemData.clear();
  c->looks.clear();
  c->selectedRow = -1;
}

int ControlSet::AddListItem(int id, const std::string& text, std::uintptr_t data) {
  ControlModel* c = Find(id);
  if (c == nullptr || c->kind != ControlKind::ListBox) return -1;
  c->items.push_back(text);
  c->itemData.push_back(data);
  c->looks.push_back(platform::ListItemLook{0, platform::CheckMark::None, text, {}});
  return static_cast<int>(c->items.size()) - 1;
}

void ControlSet::SetListSelection(int id, int row) {
  ControlModel* c = Find(id);
  if (c == nullptr || c->kind != ControlKind::ListBox) return;
  c->selectedRow = row >= 0 && static_cast<std::size_t>(row) < c->items.size() ? row : -1;
}

ControlModel* ControlSet::FirstOwnerDrawnList() {
  for (ControlModel& c : m_controls) {
    if (c.IsOwnerDrawnList()) return &c;
  }
  return nullptr;
}

void ControlSet::SetProgressRange(int id, int low, int high) {
  ControlModel* c = Find(id);
  if (c == nullptr || c->kind != ControlKind::ProgressBar) return;
  c->rangeLow = low;
  c->rangeHigh = high;
  if (c->position < low) c->position = low;
  if (c->position > high) c->position = high;
}

void ControlSet::SetProgressPos(int id, int position) {
  ControlModel* c = Find(id);
  if (c == nullptr || c->kind != ControlKind::ProgressBar) return;
  c->position = position < c->rangeLow ? c->rangeLow : position > c->rangeHigh ? c->rangeHigh : position;
}

void ControlSet::SetProgressStep(int id, int step) {
  ControlModel* c = Find(id);
  if (c != nullptr && c->kind == ControlKind::ProgressBar) c->step = step;
}

void ControlSet::StepProgress(int id) {
  ControlModel* c = Find(id);
  if (c == nullptr || c->kind != ControlKind::ProgressBar) return;
  // Past the end the bar starts over from the beginning.
  const long long next = static_cast<long long>(c->position) + c->step;
  if (next > c->rangeHigh) {
    c->position = c->rangeLow;
  } else if (next < c->rangeLow) {
    c->position = c->rangeHigh;
  } else {
    c->position = static_cast<int>(next);
  }
}

}  // namespace ui
