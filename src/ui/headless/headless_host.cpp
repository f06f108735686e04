#include "ui/headless/headless_host.h"

#include <algorithm>

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

// Width and height in pixels of a packed DIB (information or core header).
bool BitmapSize(const std::vector<std::uint8_t>& dib, int& width, int& height) {
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(dib[at]) | static_cast<std::uint32_t>(dib[at + 1]) << 8 |
           static_cast<std::uint32_t>(dib[at + 2]) << 16 | static_cast<std::uint32_t>(dib[at + 3]) << 24;
  };
  if (dib.size() < 12) return false;
  if (u32(0) == 12) {
    width = dib[4] | dib[5] << 8;
    height = dib[6] | dib[7] << 8;
    return true;
  }
  if (dib.size() < 16) return false;
  width = static_cast<std::int32_t>(u32(4));
  height = static_cast<std::int32_t>(u32(8));
  if (height < 0) height = -height;  // a top-down bitmap
  return width >= 0;
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

// One page's dialog: the model of its controls, acted on by the page.
class HeadlessHost::PageWindow final : public platform::IPageWindow {
 public:
  PageWindow(HeadlessHost& host, int position, platform::IWizardPage& page, const sim::DialogTemplate& dialog)
      : m_host(host), m_position(position), m_page(page), m_controls(dialog) {}

  platform::IWizardPage& Page() { return m_page; }
  ControlSet& Controls() { return m_controls; }

  platform::HWND GetHwnd() override { return FakeWindow(0x30000 + 0x10 * static_cast<std::uintptr_t>(m_position)); }
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
  HeadlessHost& m_host;
  int m_position;
  platform::IWizardPage& m_page;
  ControlSet m_controls;
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
  Refuse(action, CurrentTemplateId(), why);
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
    m_sheetModel.caption = resources->LoadString(sheet.GetCaptionId(), m_platform.GetACP()).value_or("");
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
        resources != nullptr ? resources->LoadDialog(templateId, m_platform.GetACP()) : std::nullopt;
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
  if (next->due > now) platform::Processes().Sleep(static_cast<platform::DWORD>(next->due - now));
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
    case Kind::Click:
    case Kind::Text:
    case Kind::Select: break;
  }
  PageWindow& window = *m_pages[static_cast<std::size_t>(m_current)];
  ControlModel* control = window.Controls().Find(action.controlId);
  const std::string id = std::to_string(action.controlId);
  if (control == nullptr) {
    Refuse(action, "the page has no control " + id);
    return false;
  }
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
  switch (action.kind) {
    case Kind::Click: {
      Record("press " + id + on);
      window.Controls().Click(action.controlId);
      platform::IWizardPage& page = window.Page();
      CallPage([&] { page.OnCommand(action.controlId); });
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
    default:
      if (action.row < 0 || static_cast<std::size_t>(action.row) >= control->items.size()) {
        Refuse(action, "list " + id + " has no row " + std::to_string(action.row));
        return false;
      }
      Record("select " + id + " " + std::to_string(action.row));
      control->selectedRow = action.row;
      return true;
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
