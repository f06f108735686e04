#include "wizard/component_list_box.h"

#include "components/component.h"
#include "components/component_list.h"
#include "core/message_text.h"
#include "install/setup_session.h"
#include "resource_ids.h"

namespace {

platform::UINT StateIcon(int state) {
  switch (state) {
    case STATE_ALL: return IDI_STATE_ALL;
    case STATE_SOME: return IDI_STATE_SOME;
    default: return IDI_STATE_NONE;
  }
}

platform::CheckMark StateMark(int state) {
  switch (state) {
    case STATE_ALL: return platform::CheckMark::Ticked;
    case STATE_SOME: return platform::CheckMark::Partial;
    default: return platform::CheckMark::Clear;
  }
}

}  // namespace

// ---- The list -------------------------------------------------------------

void CComponentListBox::Attach(platform::IControlWindow& window, int controlId) {
  m_pWindow = &window;
  m_nControlId = controlId;
}

void CComponentListBox::Add(CComponent& component) {
  m_pWindow->AddListItem(m_nControlId, component.m_strDescription, reinterpret_cast<std::uintptr_t>(&component));
}

void CComponentListBox::FillTopLevel(CComponentList& list) {
  if (m_pWindow == nullptr) return;
  m_pWindow->ResetList(m_nControlId);
  for (auto& component : list) {
    if ((component->m_nFlags & CF_HIDDEN) == 0 && component->m_strParentName.empty()) Add(*component);
  }
  m_pWindow->SetListSelection(m_nControlId, 0);
}

void CComponentListBox::FillChildren(CComponent& parent) {
  if (m_pWindow == nullptr) return;
  m_pWindow->ResetList(m_nControlId);
  for (CComponent* child : parent.m_children) {
    if ((child->m_nFlags & CF_HIDDEN) == 0) Add(*child);
  }
  m_pWindow->SetListSelection(m_nControlId, 0);
}

CComponent* CComponentListBox::ComponentAt(int row) {
  if (m_pWindow == nullptr || row < 0 || row >= m_pWindow->GetListCount(m_nControlId)) return nullptr;
  return reinterpret_cast<CComponent*>(m_pWindow->GetListItemData(m_nControlId, row));
}

CComponent* CComponentListBox::GetSelected() {
  return m_pWindow != nullptr ? ComponentAt(m_pWindow->GetListSelection(m_nControlId)) : nullptr;
}

void CComponentListBox::Redraw() {
  if (m_pWindow != nullptr) m_pWindow->RedrawList(m_nControlId);
}

bool CComponentListBox::GetItemLook(int row, platform::ListItemLook& look) {
  const CComponent* component = ComponentAt(row);
  if (component == nullptr) return false;
  const int state = component->GetState();
  look.iconId = StateIcon(state);
  look.mark = StateMark(state);
  look.text = component->m_strDescription;
  look.rightText = FormatRowSize(component->GetDisplaySize());
  return true;
}

// ---- What the page and the dialog share -----------------------------------

void CComponentChooser::Attach(platform::IControlWindow& window) {
  m_pWindow = &window;
  m_list.Attach(window, IDC_COMPONENT_LIST);
}

void CComponentChooser::SetLabels() {
  CMessageText text(m_session.GetResources());
  m_pWindow->SetItemText(m_nLabelId, text.LoadText(IDS_COMPONENTS_LABEL));
  m_pWindow->SetItemText(IDC_DESCRIPTION_LABEL, text.LoadText(IDS_DESCRIPTION_LABEL));
  m_pWindow->SetItemText(IDC_CHANGE, text.LoadText(IDS_CHANGE));
  m_pWindow->SetItemText(IDC_SPACE_REQUIRED_LABEL, text.LoadText(IDS_SPACE_REQUIRED_LABEL));
  m_pWindow->SetItemText(IDC_SPACE_AVAILABLE_LABEL, text.LoadText(IDS_SPACE_AVAILABLE_LABEL));
}

void CComponentChooser::ShowFreeSpace() {
  m_pWindow->SetItemText(IDC_SPACE_AVAILABLE, FormatFreeSpace(GetFreeKilobytes(m_session.GetContext().GetPlatform(), m_session.GetContext().GetDestDir())));
}

void CComponentChooser::UpdateDetails() {
  m_pWindow->SetItemText(IDC_SPACE_REQUIRED, FormatRequiredSize(m_session.GetComponents().GetRequiredSize()));
  const CComponent* component = m_list.GetSelected();
  m_pWindow->SetItemText(IDC_COMPONENT_TIP, component != nullptr ? component->m_strTip : std::string());
  const bool children = component != nullptr && !component->m_children.empty();
  if (children) {
    CMessageText text(m_session.GetResources());
    m_pWindow->SetItemText(IDC_CHILDREN_SELECTED,
                           text.LoadText(IDS_CHILDREN_SELECTED, std::to_string(component->CountSelectedChildren()),
                                         std::to_string(component->m_children.size())));
  }
  m_pWindow->ShowItem(IDC_CHILDREN_SELECTED, children);
  m_pWindow->EnableItem(IDC_CHANGE, children);
}

void CComponentChooser::OnLeftButtonDown(int x) {
  if (x >= platform::kListIconColumn) return;
  CComponent* component = m_list.GetSelected();
  if (component == nullptr) return;
  m_session.GetComponents().ClickRow(*component, *this);
  m_list.Redraw();
  // The space lines follow every click.
  UpdateDetails();
  ShowFreeSpace();
}

void CComponentChooser::OpenSubComponents() {
  CComponent* component = m_list.GetSelected();
  if (component == nullptr || component->m_children.empty()) return;
  component->SaveSelection();
  CSubComponentDialog dialog(m_session, *component);
  // Cancel puts back the whole subtree, whatever nested dialogs confirmed.
  if (dialog.DoModal(m_session.GetContext().GetPlatform().WizardHost()) != platform::kDialogOk) component->RestoreSelection();
  component->SyncSelectedWithChildren();
  UpdateDetails();
  m_list.Redraw();
}

bool CComponentChooser::HandleCommand(int controlId) {
  if (controlId != IDC_CHANGE) return false;
  OpenSubComponents();
  return true;
}

void CComponentChooser::OnListSelectionChange(int controlId) {
  if (controlId == IDC_COMPONENT_LIST) UpdateDetails();
}

void CComponentChooser::OnListDoubleClick(int controlId) {
  if (controlId == IDC_COMPONENT_LIST) OpenSubComponents();
}

void CComponentChooser::OnListLeftButtonDown(int controlId, int x) {
  if (controlId == IDC_COMPONENT_LIST) OnLeftButtonDown(x);
}

int CComponentChooser::GetListItemHeight(int controlId) const {
  return controlId == IDC_COMPONENT_LIST ? kComponentRowHeight : 16;
}

bool CComponentChooser::GetListItemLook(int controlId, int row, platform::ListItemLook& look) {
  return controlId == IDC_COMPONENT_LIST && m_list.GetItemLook(row, look);
}

int CComponentChooser::ConfirmDependency(std::string_view description, int newState,
                                         const std::vector<std::string>& affected) {
  CDependencyDialog dialog(m_session.GetResources(), std::string(description), newState, affected);
  return dialog.DoModal(m_session.GetContext().GetPlatform().WizardHost());
}

// ---- The sub-component dialog ----------------------------------------------

CSubComponentDialog::CSubComponentDialog(CSetupSession& session, CComponent& parent)
    : CModalDialog(session.GetResources(), IDD_SUBCOMPONENTS),
      m_parent(parent),
      m_chooser(session, IDC_SUBCOMPONENTS_LABEL) {}

bool CSubComponentDialog::OnCreateDialog() {
  m_chooser.Attach(Window());
  m_chooser.List().FillChildren(m_parent);
  m_chooser.UpdateDetails();
  Window().SetTitle(LoadText(IDS_SUBCOMPONENTS_TITLE, m_parent.m_strDescription));
  m_chooser.SetLabels();
  m_chooser.ShowFreeSpace();
  return true;
}

void CSubComponentDialog::OnCommand(int controlId) {
  if (!m_chooser.HandleCommand(controlId)) CModalDialog::OnCommand(controlId);
}

// ---- The dependency question ------------------------------------------------

CDependencyDialog::CDependencyDialog(const CResourceModule& resources, std::string description, int newState,
                                     std::vector<std::string> affected)
    : CModalDialog(resources, IDD_DEPENDENCY),
      m_strDescription(std::move(description)),
      m_nNewState(newState),
      m_affected(std::move(affected)) {}

bool CDependencyDialog::OnCreateDialog() {
  for (const std::string& description : m_affected) Window().AddListItem(IDC_DEPENDENCY_LIST, description, 0);
  const bool selecting = m_nNewState == STATE_ALL;
  SetItemString(IDC_DEPENDENCY_TEXT, selecting ? IDS_DEPENDENCY_SELECT : IDS_DEPENDENCY_DESELECT, m_strDescription);
  SetItemString(IDC_DEPENDENCY_QUESTION, selecting ? IDS_DEPENDENCY_SELECT_QUESTION : IDS_DEPENDENCY_DESELECT_QUESTION);
  SetItemString(platform::kDialogOk, IDS_YES);
  SetItemString(platform::kDialogClose, IDS_NO);
  return true;
}
