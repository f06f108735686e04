// The owner-drawn component list of the custom page and the sub-component
// dialog, and what both do around it: the details of the selected row, the
// space lines, a click in the check-mark column and the sub-component dialog.
#pragma once

#include <cstdint>

#include "components/component_executors.h"
#include "platform/wizard_host.h"
#include "wizard/modal_dialog.h"

class CComponent;
class CComponentList;
class CSetupSession;

// Every row is this many pixels high.
constexpr int kComponentRowHeight = 20;

class CComponentListBox {
 public:
  void Attach(platform::IControlWindow& window, int controlId);
  int GetControlId() const { return m_nControlId; }

  // The top-level components that are not hidden, in list order, row 0 selected.
  void FillTopLevel(CComponentList& list);
  // The children of `parent` that are not hidden, row 0 selected.
  void FillChildren(CComponent& parent);
  // The component of the selected row, or nullptr.
  CComponent* GetSelected();
  void Redraw();
  // The state icon (none, all, some), the description and the shown size.
  bool GetItemLook(int row, platform::ListItemLook& look);

 private:
  void Add(CComponent& component);
  CComponent* ComponentAt(int row);

  platform::IControlWindow* m_pWindow = nullptr;
  int m_nControlId = 0;
};

// The custom page's and the sub-component dialog's shared work on a list.
class CComponentChooser final : public IDependencyConfirmation {
 public:
  // `labelId` is the control of string 1107 (the page's and the dialog's differ).
  CComponentChooser(CSetupSession& session, int labelId) : m_session(session), m_nLabelId(labelId) {}

  void Attach(platform::IControlWindow& window);
  CComponentListBox& List() { return m_list; }
  // The five labels and the free space of the destination drive.
  void SetLabels();
  void ShowFreeSpace();
  // The required space and the selected row's tip, "n of m" line and button.
  void UpdateDetails();
  // A click in the list at x: within the check-mark column the row's
  // component changes (asking first when others change with it).
  void OnLeftButtonDown(int x);
  // The sub-component dialog of the selected row, when it has children.
  void OpenSubComponents();

  // The list's events as the page or the dialog hears them.
  bool HandleCommand(int controlId);
  void OnListSelectionChange(int controlId);
  void OnListDoubleClick(int controlId);
  void OnListLeftButtonDown(int controlId, int x);
  int GetListItemHeight(int controlId) const;
  bool GetListItemLook(int controlId, int row, platform::ListItemLook& look);

  // IDependencyConfirmation: the dependency dialog.
  int ConfirmDependency(std::string_view description, int newState,
                        const std::vector<std::string>& affected) override;

 private:
  CSetupSession& m_session;
  int m_nLabelId;
  platform::IControlWindow* m_pWindow = nullptr;
  CComponentListBox m_list;
};

// The children of one component in a list of their own; nested to any depth.
class CSubComponentDialog final : public CModalDialog {
 public:
  CSubComponentDialog(CSetupSession& session, CComponent& parent);

  bool OnCreateDialog() override;
  void OnCommand(int controlId) override;
  void OnListSelectionChange(int controlId) override { m_chooser.OnListSelectionChange(controlId); }
  void OnListDoubleClick(int controlId) override { m_chooser.OnListDoubleClick(controlId); }
  void OnListLeftButtonDown(int controlId, int x) override { m_chooser.OnListLeftButtonDown(controlId, x); }
  int GetListItemHeight(int controlId) override { return m_chooser.GetListItemHeight(controlId); }
  bool GetListItemLook(int controlId, int row, platform::ListItemLook& look) override {
    return m_chooser.GetListItemLook(controlId, row, look);
  }

 private:
  CComponent& m_parent;
  CComponentChooser m_chooser;
};

// Asks whether the other components a click changes may change with it.
class CDependencyDialog final : public CModalDialog {
 public:
  // newState: 2 when the click selects, 1 when it deselects.
  CDependencyDialog(const CResourceModule& resources, std::string description, int newState,
                    std::vector<std::string> affected);

  bool OnCreateDialog() override;

 private:
  std::string m_strDescription;
  int m_nNewState;
  std::vector<std::string> m_affected;
};
