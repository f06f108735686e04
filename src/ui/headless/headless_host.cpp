#include "ui/headless/headless_host.h"

#include <algorithm>

#include "platform/bitmap_reader.h"
#include "ui/headless/machine_folders.h"

namespace ui {
namespace {

// Windows makes a shorter timer interval this long (USER_TIMER_MINIMUM).
constexpr platform::UINT kTimerMinimum = 10;
// Timers that still fire a day into the run would fire for ever: by then
// the user has ended the Windows session.
constexpr std::uint64_t kLongestRun = sim::SimProcesses::kDefaultEndOfSession;
// Pages that keep moving each other from their activation would recurse
// without end; a deeper chain of moves is refused.
constexpr int kDeepestActivation = 64;

// The button texts of the property sheet before the program sets its own.
constexpr const char* kDefaultBack = "< &Back";
constexpr const char* kDefaultNext = "&Next >";
constexpr const char* kDefaultFinish = "Finish";
constexpr const char* kDefaultCancel = "Cancel";

platform::HWND FakeWindow(std::uintptr_t value) { return reinterpret_cast<platform::HWND>(value); }

// Width and height in pixels of a packed DIB.
bool BitmapSize(const std::vector<std::uint8_t>& dib, int& width, int& height) {
  std::string error;
  const auto header = platform::ReadDibHeader(dib, error);
  if (!header) return false;
  width = header->width;
  height = header->Rows();
  return true;
}

// Event lines are one line each.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

const SheetButton* SheetModel::Button(int controlId) const {
  return const_cast<SheetModel*>(this)->Button(controlId);
}

SheetButton* SheetModel::Button(int controlId) {
  switch (controlId) {
    case platform::kSheetBack: return &back;
    case platform::kSheetNext: return &next;
    case platform::kSheetFinish: return &finish;
    case platform::kSheetCancel: return &cancel;
    default: return nullptr;
  }
}

// The controls of a page or a dialog as its handler acts on them.
template <typename Window>
class HeadlessHost::ControlWindow : public Window {
 public:
  ControlWindow(HeadlessHost& host, platform::IControlHandler& handler, const sim::DialogTemplate& dialog)
      : m_host(host), m_handler(handler), m_controls(dialog) {}

  ControlSet& Controls() { return m_controls; }
  platform::IControlHandler& Handler() { return m_handler; }

  void SetItemText(int id, const std::string& text) override {
    if (ControlModel* c = m_controls.Find(id)) c->text = text;
  }
  std::string GetItemText(int id) override {
    const ControlModel* c = m_controls.Find(id);
    return c != nullptr ? c->text : std::string();
  }
  void ShowItem(int id, bool show) override {
    if (ControlModel* c = m_controls.Find(id)) c->visible = show;
  }
  void EnableItem(int id, bool enable) override {
    if (ControlModel* c = m_controls.Find(id)) c->enabled = enable;
  }
  void CheckRadioButton(int firstId, int lastId, int checkId) override {
    m_controls.CheckRadioButton(firstId, lastId, checkId);
  }
  bool IsButtonChecked(int id) override {
    const ControlModel* c = m_controls.Find(id);
    return c != nullptr && c->checked;
  }
  void ResetList(int id) override { m_controls.ResetList(id); }
  int AddListItem(int id, const std::string& text, std::uintptr_t data) override {
    const int row = m_controls.AddListItem(id, text, data);
    if (row >= 0) DrawRow(*m_controls.Find(id), row);
    return row;
  }
  int GetListCount(int id) override {
    const ControlModel* c = m_controls.Find(id);
    return c != nullptr ? static_cast<int>(c->items.size()) : 0;
  }
  void SetListSelection(int id, int row) override { m_controls.SetListSelection(id, row); }
  int GetListSelection(int id) override {
    const ControlModel* c = m_controls.Find(id);
    return c != nullptr ? c->selectedRow : -1;
  }
  std::uintptr_t GetListItemData(int id, int row) override {
    const ControlModel* c = m_controls.Find(id);
    if (c == nullptr || row < 0 || static_cast<std::size_t>(row) >= c->itemData.size()) return 0;
    return c->itemData[static_cast<std::size_t>(row)];
  }
  void RedrawList(int id) override {
    ControlModel* c = m_controls.Find(id);
    if (c == nullptr || !c->IsOwnerDrawnList()) return;
    for (std::size_t row = 0; row < c->items.size(); ++row) DrawRow(*c, static_cast<int>(row));
  }

  // WM_DRAWITEM of one row: the look its handler gives it.
  void DrawRow(ControlModel& list, int row) {
    if (!list.IsOwnerDrawnList()) return;
    platform::ListItemLook look;
    if (!m_handler.GetListItemLook(list.id, row, look)) look.text = list.items[static_cast<std::size_t>(row)];
    list.looks[static_cast<std::size_t>(row)] = std::move(look);
  }

 protected:
  HeadlessHost& m_host;
  platform::IControlHandler& m_handler;
  ControlSet m_controls;
};

// One page's dialog: the model of its controls, acted on by the page.
class HeadlessHost::PageWindow final : public HeadlessHost::ControlWindow<platform::IPageWindow> {
 public:
  PageWindow(HeadlessHost& host, int position, platform::IWizardPage& page, const sim::DialogTemplate& dialog)
      : ControlWindow(host, page, dialog), m_position(position), m_page(page) {}

  platform::IWizardPage& Page() { return m_page; }

  platform::HWND GetHwnd() override { return FakeWindow(0x30000 + 0x10 * static_cast<std::uintptr_t>(m_position)); }
  void SetProgressRange(int id, int low, int high) override {
    m_controls.SetProgressRange(id, low, high);
    m_host.ProgressMoved(m_position, id);
  }
  void SetProgressPos(int id, int position) override {
    m_controls.SetProgressPos(id, position);
    m_host.ProgressMoved(m_position, id);
  }
  void SetProgressStep(int id, int step) override { m_controls.SetProgressStep(id, step); }
  void StepProgress(int id) override {
    m_controls.StepProgress(id);
    m_host.ProgressMoved(m_position, id);
  }
  bool SetPictureButton(int id, platform::UINT normal, platform::UINT pressed, platform::UINT focused) override {
    ControlModel* c = m_controls.Find(id);
    const sim::PeResources* resources = m_host.m_platform.ResourcesOf(m_host.m_sheet->GetResourceModule());
    if (c == nullptr || resources == nullptr) return false;
    const auto first = resources->LoadBitmap(normal);
    int width = 0, height = 0;
    if (!first || !BitmapSize(*first, width, height) || !resources->LoadBitmap(pressed) ||
        !resources->LoadBitmap(focused)) {
      return false;
    }
    c->kind = ControlKind::PictureButton;
    c->pictureNormal = normal;
    c->picturePressed = pressed;
    c->pictureFocused = focused;
    c->pictureWidth = width;
    c->pictureHeight = height;
    return true;
  }
  void SetTimer(platform::UINT_PTR id, platform::UINT milliseconds) override {
    m_host.SetTimer(m_position, id, milliseconds);
  }
  void KillTimer(platform::UINT_PTR id) override { m_host.KillTimer(m_position, id); }
  bool BrowseForFolder(std::string& path) override { return m_host.BrowseForFolder(m_position, path); }
  void Invalidate() override {}

 private:
  int m_position;
  platform::IWizardPage& m_page;
};

// A modal dialog: its controls, title and result.
class HeadlessHost::DialogWindow final : public HeadlessHost::ControlWindow<platform::IDialogWindow> {
 public:
  DialogWindow(HeadlessHost& host, platform::IModalDialog& dialog, const sim::DialogTemplate& dialogTemplate,
               int depth)
      : ControlWindow(host, dialog, dialogTemplate), m_depth(depth) {
    m_model.templateId = dialog.GetTemplateId();
    m_model.title = dialogTemplate.caption;
    m_model.controls = &m_controls;
  }

  const DialogModel& Model() const { return m_model; }
  platform::UINT TemplateId() const { return m_model.templateId; }
  bool Ended() const { return m_ended; }
  int Result() const { return m_result; }

  platform::HWND GetHwnd() override { return FakeWindow(0x40000 + 0x10 * static_cast<std::uintptr_t>(m_depth)); }
  void SetTitle(const std::string& title) override { m_model.title = title; }
  void EndDialog(int result) override {
    if (m_ended) return;
    m_ended = true;
    m_result = result;
  }

 private:
  int m_depth;
  DialogModel m_model;
  bool m_ended = false;
  int m_result = platform::kDialogClose;
};

class HeadlessHost::SheetWindow final : public platform::ISheetWindow {
 public:
  explicit SheetWindow(HeadlessHost& host) : m_host(host) {}

  platform::HWND GetHwnd() override { return FakeWindow(0x20000); }
  void SetWizardButtons(platform::DWORD buttons) override {
    SheetModel& s = m_host.m_sheetModel;
    s.back.enabled = (buttons & platform::PSWIZB_BACK) != 0;
    // A wizard shows Finish in the place of Next.
    const bool finish = (buttons & platform::PSWIZB_FINISH) != 0;
    s.finish.visible = finish;
    s.finish.enabled = finish;
    s.next.visible = !finish;
    s.next.enabled = (buttons & platform::PSWIZB_NEXT) != 0;
  }
  void SetActivePage(int position) override {
    if (m_host.Running()) m_host.Activate(position);
  }
  void PressButton(int button) override {
    if (m_host.Running()) m_host.m_posted.push_back(button);
  }
  void SetButtonText(int controlId, const std::string& text) override {
    if (SheetButton* button = m_host.m_sheetModel.Button(controlId)) button->text = text;
  }
  void MoveWindow(int x, int y, int width, int height) override {
    SheetModel& s = m_host.m_sheetModel;
    s.moved = true;
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
  }
  void ShowWindow(int command) override {
    m_host.m_sheetModel.showCommand = command;
    m_host.m_sheetModel.shown = command != SW_HIDE;
  }
  void BringToTop() override { ++m_host.m_sheetModel.broughtToTop; }

 private:
  HeadlessHost& m_host;
};

HeadlessHost::HeadlessHost(sim::SimPlatform& platform, PageAnswers* answers, IPerson* person)
    : m_platform(platform), m_answers(answers), m_person(person), m_sheetWindow(std::make_unique<SheetWindow>(*this)) {}

HeadlessHost::~HeadlessHost() = default;

platform::UINT HeadlessHost::CurrentTemplateId() const {
  if (m_sheet == nullptr || m_current < 0) return 0;
  return m_sheet->GetPage(m_current).GetTemplateId();
}

const ControlSet* HeadlessHost::Controls(int position) const {
  if (position < 0 || position >= PageCount() || !m_pages[static_cast<std::size_t>(position)]) return nullptr;
  return &m_pages[static_cast<std::size_t>(position)]->Controls();
}

const ControlModel* HeadlessHost::Control(int position, int id) const {
  const ControlSet* controls = Controls(position);
  return controls != nullptr ? controls->Find(id) : nullptr;
}

const platform::PagePicture* HeadlessHost::Picture(int position) const {
  if (Controls(position) == nullptr) return nullptr;
  return m_pages[static_cast<std::size_t>(position)]->Page().GetPicture();
}

const DialogModel* HeadlessHost::Dialog(int depth) const {
  if (depth < 0 || depth >= DialogDepth()) return nullptr;
  return &m_dialogs[static_cast<std::size_t>(depth)]->Model();
}

const ControlSet* HeadlessHost::ActiveControls() const {
  if (const DialogModel* dialog = TopDialog()) return dialog->controls;
  return Controls(m_current);
}

platform::UINT HeadlessHost::ActiveTemplateId() const {
  if (const DialogModel* dialog = TopDialog()) return dialog->templateId;
  return CurrentTemplateId();
}

std::uint64_t HeadlessHost::Now() { return m_platform.Processes().Now(); }

void HeadlessHost::Record(const std::string& line) { m_platform.GetMachine().AppendEvent(OneLine(line)); }

std::string HeadlessHost::TemplateText() const { return std::to_string(CurrentTemplateId()); }

void HeadlessHost::End(Ending ending) {
  if (m_ending != Ending::None) return;
  m_ending = ending;
  m_posted.clear();
  m_timers.clear();
}

void HeadlessHost::Refuse(const PageAction& action, const std::string& why) {
  Refuse(action, ActiveTemplateId(), why);
}

void HeadlessHost::Refuse(const PageAction& action, platform::UINT templateId, const std::string& why) {
  Record("refused " + action.ToString() + " on " + std::to_string(templateId) + ": " + why);
  if (m_person != nullptr) m_person->Refused(action, why);
}

template <typename Handler>
void HeadlessHost::CallPage(Handler&& handler) {
  ++m_handlerDepth;
  handler();
  --m_handlerDepth;
  if (m_handlerDepth == 0 && m_person != nullptr) m_person->HandlerReturned();
}

int HeadlessHost::RunWizard(platform::IWizardSheet& sheet) {
  if (m_sheet != nullptr) return 0;  // one wizard at a time
  m_sheet = &sheet;
  m_pages.clear();
  m_pages.resize(static_cast<std::size_t>(std::max(sheet.GetPageCount(), 0)));
  m_creations.assign(m_pages.size(), 0);
  m_current = -1;
  m_ending = Ending::None;
  m_posted.clear();
  m_timers.clear();
  m_browse.clear();
  m_runStart = Now();

  m_sheetModel = SheetModel{};
  m_sheetModel.back.text = kDefaultBack;
  m_sheetModel.next.text = kDefaultNext;
  m_sheetModel.finish.text = kDefaultFinish;
  m_sheetModel.finish.visible = false;
  m_sheetModel.cancel.text = kDefaultCancel;
  if (const sim::PeResources* resources = m_platform.ResourcesOf(sheet.GetResourceModule())) {
    m_sheetModel.caption = resources->LoadString(sheet.GetCaptionId(), m_platform.GetMachine().CodePage()).value_or("");
  }
  m_sheetModel.iconId = sheet.GetIconId();
  // The machine runs with small fonts: a horizontal dialog base unit of 8.
  sheet.GetLogoBitmaps(8, m_sheetModel.logoImage, m_sheetModel.logoMask);

  CallPage([&] { sheet.OnCreate(*m_sheetWindow); });
  if (m_pages.empty()) {
    Record("wizard ends: the sheet has no pages");
    End(Ending::PageNotCreated);
  }
  if (m_ending == Ending::None) {
    const int start = sheet.GetStartPage();
    Activate(start >= 0 && start < PageCount() ? start : 0);
  }
  while (m_ending == Ending::None) {
    if (!m_posted.empty()) {
      const int button = m_posted.front();
      m_posted.pop_front();
      Press(button, From::Page);
    } else if (!m_timers.empty()) {
      FireNextTimer();
    } else {
      WaitForUser();
    }
  }
  if (m_ending == Ending::Finish) Record("wizard ends by finish");
  if (m_ending == Ending::Cancel || m_ending == Ending::NobodyAnswered || m_ending == Ending::EndlessTimers) {
    Record("wizard ends by cancel");
  }
  m_sheet = nullptr;
  return m_ending == Ending::Finish ? 1 : 0;
}

bool HeadlessHost::Activate(int position) {
  if (m_ending != Ending::None || position < 0 || position >= PageCount()) return false;
  if (m_activationDepth >= kDeepestActivation) {
    Record("refused page " + std::to_string(m_sheet->GetPage(position).GetTemplateId()) +
           ": pages keep moving from their activation");
    return false;
  }
  ++m_activationDepth;
  platform::IWizardPage& page = m_sheet->GetPage(position);
  const platform::UINT templateId = page.GetTemplateId();
  const char* name = PageName(templateId);
  m_current = position;
  Record("page " + std::to_string(templateId) + (name != nullptr ? std::string(" ") + name : std::string()));
  std::unique_ptr<PageWindow>& window = m_pages[static_cast<std::size_t>(position)];
  bool created = true;
  if (!window) {
    const sim::PeResources* resources = m_platform.ResourcesOf(m_sheet->GetResourceModule());
    const auto dialog =
        resources != nullptr ? resources->LoadDialog(templateId, m_platform.GetMachine().CodePage()) : std::nullopt;
    if (!dialog) {
      Record("wizard ends: page " + std::to_string(templateId) + " cannot be created: no dialog template " +
             std::to_string(templateId));
      End(Ending::PageNotCreated);
      created = false;
    } else {
      window = std::make_unique<PageWindow>(*this, position, page, *dialog);
      ++m_creations[static_cast<std::size_t>(position)];
      bool initialised = false;
      CallPage([&] { initialised = page.OnInitDialog(*window, *m_sheetWindow); });
      if (!initialised && m_ending == Ending::None) {
        Record("wizard ends: page " + std::to_string(templateId) + " cannot be created: its dialog refused");
        End(Ending::PageNotCreated);
        created = false;
      }
    }
  }
  // A page that moved on while it was created is no longer the one to activate.
  if (created && m_ending == Ending::None && m_current == position) CallPage([&] { page.OnSetActive(); });
  --m_activationDepth;
  return created;
}

void HeadlessHost::Press(int button, From from) {
  if (m_ending != Ending::None || m_current < 0) return;
  const SheetModel& s = m_sheetModel;
  platform::IWizardPage& page = m_sheet->GetPage(m_current);
  switch (button) {
    case platform::PSBTN_BACK: {
      if (from == From::Person && !(s.back.visible && s.back.enabled)) return;
      std::intptr_t answer = platform::kStay;
      CallPage([&] { answer = page.OnWizardBack(); });
      FollowAnswer(answer, -1);
      return;
    }
    case platform::PSBTN_NEXT: {
      if (from == From::Person && !(s.next.visible && s.next.enabled)) return;
      std::intptr_t answer = platform::kStay;
      CallPage([&] { answer = page.OnWizardNext(); });
      FollowAnswer(answer, +1);
      return;
    }
    case platform::PSBTN_FINISH:
      if (from == From::Person && !(s.finish.visible && s.finish.enabled)) return;
      End(Ending::Finish);
      return;
    case platform::PSBTN_CANCEL: End(Ending::Cancel); return;
    default: return;  // Help, OK and Apply are no buttons of a wizard
  }
}

void HeadlessHost::FollowAnswer(std::intptr_t answer, int step) {
  if (m_ending != Ending::None || answer == platform::kStay) return;
  if (answer == platform::kMoveOn) {
    // From the page current now: the handler may have moved already.
    const int target = m_current + step;
    if (target >= 0 && target < PageCount()) Activate(target);
    return;
  }
  // Another answer names the dialog template of the page to go to.
  for (int position = 0; position < PageCount(); ++position) {
    if (static_cast<std::intptr_t>(m_sheet->GetPage(position).GetTemplateId()) == answer) {
      Activate(position);
      return;
    }
  }
}

void HeadlessHost::SetTimer(int position, platform::UINT_PTR id, platform::UINT milliseconds) {
  if (!Running()) return;
  KillTimer(position, id);  // the same timer set again starts over
  Timer timer;
  timer.position = position;
  timer.id = id;
  timer.interval = std::max(milliseconds, kTimerMinimum);
  timer.due = Now() + timer.interval;
  timer.order = m_timerOrder++;
  m_timers.push_back(timer);
}

void HeadlessHost::KillTimer(int position, platform::UINT_PTR id) {
  std::erase_if(m_timers, [&](const Timer& t) { return t.position == position && t.id == id; });
}

void HeadlessHost::FireNextTimer() {
  auto next = std::min_element(m_timers.begin(), m_timers.end(), [](const Timer& a, const Timer& b) {
    return a.due != b.due ? a.due < b.due : a.order < b.order;
  });
  if (next->due - m_runStart >= kLongestRun) {
    Record("wizard still runs timers on " + TemplateText() + " after a day: cancelled");
    End(Ending::EndlessTimers);
    return;
  }
  const std::uint64_t now = Now();
  if (next->due > now) m_platform.Processes().Sleep(static_cast<platform::DWORD>(next->due - now));
  // It fires again one interval later unless the page kills it meanwhile.
  next->due = Now() + next->interval;
  next->order = m_timerOrder++;
  const int position = next->position;
  const platform::UINT_PTR id = next->id;
  platform::IWizardPage& page = m_sheet->GetPage(position);
  CallPage([&] { page.OnTimer(id); });
}

void HeadlessHost::WaitForUser() {
  const platform::UINT templateId = CurrentTemplateId();
  if (m_current >= 0 && m_pages[static_cast<std::size_t>(m_current)]) {
    PageWindow& window = *m_pages[static_cast<std::size_t>(m_current)];
    DrawLists(window.Controls(), window.Page());
  }
  if (m_answers != nullptr) {
    if (auto actions = m_answers->NextWait(templateId)) {
      PerformWait(*actions);
      return;
    }
  }
  if (m_person != nullptr) {
    if (auto actions = m_person->Act(*this)) {
      PerformWait(*actions);
      return;
    }
  }
  Record("wizard waits on " + std::to_string(templateId) + " with nobody to answer: cancelled");
  End(Ending::NobodyAnswered);
}

void HeadlessHost::PerformWait(const std::vector<PageAction>& actions) {
  const int position = m_current;
  const platform::UINT templateId = CurrentTemplateId();
  for (const PageAction& action : actions) {
    if (m_ending != Ending::None) return;
    if (m_current != position) {
      Refuse(action, templateId, "the page is no longer shown");
      continue;
    }
    Perform(action);
    DrainPosted();
  }
}

void HeadlessHost::DrainPosted() {
  while (m_ending == Ending::None && !m_posted.empty()) {
    const int button = m_posted.front();
    m_posted.pop_front();
    Press(button, From::Page);
  }
}

bool HeadlessHost::Perform(const PageAction& action) {
  if (!m_dialogs.empty()) return PerformOnDialog(action, *m_dialogs.back());
  if (!Running() || m_current < 0) return false;
  const std::string on = " on " + TemplateText();
  const SheetModel& s = m_sheetModel;
  auto pressWizardButton = [&](const SheetButton& button, const char* name, int psbtn) {
    if (!button.visible) {
      Refuse(action, std::string("the ") + name + " button is not shown");
      return false;
    }
    if (!button.enabled) {
      Refuse(action, std::string("the ") + name + " button is disabled");
      return false;
    }
    Record(std::string("press ") + name + on);
    Press(psbtn, From::Person);
    return true;
  };
  using Kind = PageAction::Kind;
  switch (action.kind) {
    case Kind::Back: return pressWizardButton(s.back, "back", platform::PSBTN_BACK);
    case Kind::Next: return pressWizardButton(s.next, "next", platform::PSBTN_NEXT);
    case Kind::Finish: return pressWizardButton(s.finish, "finish", platform::PSBTN_FINISH);
    case Kind::Cancel: return pressWizardButton(s.cancel, "cancel", platform::PSBTN_CANCEL);
    case Kind::Browse: QueueBrowse(action.text); return true;
    case Kind::BrowseCancel: QueueBrowse(std::nullopt); return true;
    case Kind::Ok: Refuse(action, "a page has no OK button"); return false;
    case Kind::Click:
    case Kind::Text:
    case Kind::Select:
    case Kind::Toggle:
    case Kind::Open: break;
  }
  PageWindow& window = *m_pages[static_cast<std::size_t>(m_current)];
  return PerformOnControls(action, window.Controls(), window.Page(), on);
}

bool HeadlessHost::PerformOnControls(const PageAction& action, ControlSet& controls,
                                     platform::IControlHandler& handler, const std::string& on) {
  using Kind = PageAction::Kind;
  const bool onRow = action.kind == Kind::Toggle || action.kind == Kind::Open;
  ControlModel* control = onRow ? controls.FirstOwnerDrawnList() : controls.Find(action.controlId);
  if (control == nullptr) {
    Refuse(action, onRow ? std::string("it has no list with check marks")
                         : "the page has no control " + std::to_string(action.controlId));
    return false;
  }
  const std::string id = std::to_string(control->id);
  const bool fits = action.kind == Kind::Click
                        ? (control->kind == ControlKind::PushButton || control->kind == ControlKind::PictureButton ||
                           control->kind == ControlKind::RadioButton || control->kind == ControlKind::CheckBox)
                    : action.kind == Kind::Text ? control->kind == ControlKind::Edit
                                                : control->kind == ControlKind::ListBox;
  if (!fits) {
    Refuse(action, "control " + id + " is " + ControlKindName(control->kind));
    return false;
  }
  if (!control->visible) {
    Refuse(action, "control " + id + " is hidden");
    return false;
  }
  if (!control->enabled) {
    Refuse(action, "control " + id + " is disabled");
    return false;
  }
  const int listId = control->id;
  switch (action.kind) {
    case Kind::Click: {
      Record("press " + id + on);
      controls.Click(listId);
      CallPage([&] { handler.OnCommand(listId); });
      return true;
    }
    case Kind::Text:
      if (control->IsReadOnlyEdit()) {
        Refuse(action, "control " + id + " is read-only");
        return false;
      }
      Record("type " + id + " \"" + action.text + "\"");
      control->text = action.text;
      return true;
    default: break;
  }
  if (action.row < 0 || static_cast<std::size_t>(action.row) >= control->items.size()) {
    Refuse(action, "list " + id + " has no row " + std::to_string(action.row));
    return false;
  }
  if ((control->style & kLbsNoSel) != 0) {
    Refuse(action, "list " + id + " takes no choice");
    return false;
  }
  const char* verb = action.kind == Kind::Select ? "select " : action.kind == Kind::Toggle ? "toggle " : "open ";
  Record(verb + id + " " + std::to_string(action.row));
  // The list box selects the row under the pointer and tells its dialog
  // before anyone hears of the click itself.
  const bool changed = control->selectedRow != action.row;
  control->selectedRow = action.row;
  const bool notify = (control->style & kLbsNotify) != 0;
  if (changed && notify) CallPage([&] { handler.OnListSelectionChange(listId); });
  if (action.kind == Kind::Toggle) CallPage([&] { handler.OnListLeftButtonDown(listId, 0); });
  if (action.kind == Kind::Open && notify) CallPage([&] { handler.OnListDoubleClick(listId); });
  return true;
}

bool HeadlessHost::PerformOnDialog(const PageAction& action, DialogWindow& dialog) {
  using Kind = PageAction::Kind;
  const std::string on = " on " + std::to_string(dialog.TemplateId());
  switch (action.kind) {
    case Kind::Back:
    case Kind::Next:
    case Kind::Finish:
      Refuse(action, dialog.TemplateId(), "a dialog has no wizard buttons");
      return false;
    case Kind::Browse:
    case Kind::BrowseCancel:
      Refuse(action, dialog.TemplateId(), "a dialog has no folder browser");
      return false;
    case Kind::Ok:
    case Kind::Cancel: {
      PageAction click = action;
      click.kind = Kind::Click;
      click.controlId = action.kind == Kind::Ok ? platform::kDialogOk : platform::kDialogClose;
      return PerformOnControls(click, dialog.Controls(), dialog.Handler(), on);
    }
    default: return PerformOnControls(action, dialog.Controls(), dialog.Handler(), on);
  }
}

int HeadlessHost::RunDialog(platform::IModalDialog& dialog) {
  const platform::UINT templateId = dialog.GetTemplateId();
  const std::string number = std::to_string(templateId);
  const sim::PeResources* resources = m_platform.ResourcesOf(dialog.GetResourceModule());
  const auto dialogTemplate =
      resources != nullptr ? resources->LoadDialog(templateId, m_platform.GetMachine().CodePage()) : std::nullopt;
  if (!dialogTemplate) {
    Record("dialog " + number + " cannot be made: no dialog template " + number);
    return platform::kDialogClose;
  }
  if (m_dialogs.size() >= static_cast<std::size_t>(kDeepestActivation)) {
    Record("dialog " + number + " cannot be made: too many dialogs open");
    return platform::kDialogClose;
  }
  DialogWindow window(*this, dialog, *dialogTemplate, DialogDepth());
  m_dialogs.push_back(&window);
  const char* name = PageName(templateId);
  Record("dialog " + number + (name != nullptr ? std::string(" ") + name : std::string()));
  bool initialised = false;
  CallPage([&] { initialised = dialog.OnInitDialog(window); });
  if (!initialised) window.EndDialog(platform::kDialogClose);
  while (!window.Ended()) {
    // A wizard that ended meanwhile takes its dialogs with it.
    if (m_sheet != nullptr && m_ending != Ending::None) {
      window.EndDialog(platform::kDialogClose);
      break;
    }
    WaitOnDialog(window);
  }
  m_dialogs.pop_back();
  Record("dialog " + number + " ends with " + std::to_string(window.Result()));
  return window.Result();
}

void HeadlessHost::WaitOnDialog(DialogWindow& dialog) {
  DrawLists(dialog.Controls(), dialog.Handler());
  std::optional<std::vector<PageAction>> actions;
  if (m_answers != nullptr) actions = m_answers->NextWait(dialog.TemplateId());
  if (!actions && m_person != nullptr) actions = m_person->Act(*this);
  if (!actions) {
    Record("dialog " + std::to_string(dialog.TemplateId()) + " waits with nobody to answer: cancelled");
    CallPage([&] { dialog.Handler().OnCommand(platform::kDialogClose); });
    dialog.EndDialog(platform::kDialogClose);
    return;
  }
  for (const PageAction& action : *actions) {
    if (dialog.Ended()) {
      Refuse(action, dialog.TemplateId(), "the dialog is closed");
      continue;
    }
    PerformOnDialog(action, dialog);
  }
}

void HeadlessHost::DrawLists(ControlSet& controls, platform::IControlHandler& handler) {
  for (const ControlModel& c : controls.All()) {
    if (!c.IsOwnerDrawnList()) continue;
    ControlModel& list = *controls.Find(c.id);
    for (std::size_t row = 0; row < list.items.size(); ++row) {
      platform::ListItemLook look;
      if (!handler.GetListItemLook(list.id, static_cast<int>(row), look)) look.text = list.items[row];
      list.looks[row] = std::move(look);
    }
  }
}

bool HeadlessHost::BrowseForFolder(int position, std::string& path) {
  if (!Running()) return false;
  const std::string on = " on " + std::to_string(m_sheet->GetPage(position).GetTemplateId());
  std::optional<std::string> folder;
  if (!m_browse.empty()) {
    const std::optional<std::string> answer = m_browse.front();
    m_browse.pop_front();
    if (answer) {
      folder = MachineFolder(Machine(), *answer);
      if (!folder) {
        PageAction browse{PageAction::Kind::Browse, 0, 0, *answer};
        Refuse(browse, "no folder " + *answer + " on the machine");
      }
    }
  } else if (m_person != nullptr) {
    if (auto chosen = m_person->BrowseForFolder(Machine())) folder = MachineFolder(Machine(), *chosen);
  }
  if (!folder) {
    Record("browse cancelled" + on);
    return false;
  }
  Record("browse \"" + *folder + "\"" + on);
  path = *folder;
  return true;
}

void HeadlessHost::ProgressMoved(int position, int id) {
  if (m_person == nullptr || position != m_current) return;
  if (const ControlModel* bar = Control(position, id)) m_person->ProgressMoved(*bar);
}

}  // namespace ui
