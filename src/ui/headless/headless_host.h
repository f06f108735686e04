// The page host of the simulated machine: the wizard sheet and its pages as
// a model of the controls of their dialog templates, run without windows.
// Posted button presses and timers drive it; the machine's clock stands in
// for real time, so a 100 ms timer fires at once and in order. A page that
// waits for the user takes its next answer from the answers file, else asks
// the person at the terminal, else the run ends as if cancelled.
//
// What the host does is recorded in the machine's events.log:
//   page <template> <name>             a page becomes active
//   press <back|next|finish|cancel|<control>> on <template>
//   type <control> "<text>"            typed into an edit
//   select <control> <row>             a list box row chosen
//   toggle <control> <row>             a list row clicked in its check-mark column
//   open <control> <row>               a list row double-clicked
//   dialog <template> <name>           a modal dialog opens (over the page or a dialog)
//   dialog <template> ends with <result>
//   dialog <template> waits with nobody to answer: cancelled
//   browse "<folder>" on <template>    the folder browser's answer (or: browse cancelled on <template>)
//   refused <action> on <template>: <why>
//   wizard waits on <template> with nobody to answer: cancelled
//   wizard ends by <finish|cancel>
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"
#include "platform/wizard_host.h"
#include "ui/headless/control_model.h"
#include "ui/headless/page_actions.h"

namespace ui {

class HeadlessHost;

// A person at a screen who acts on a page that waits.
class IPerson {
 public:
  virtual ~IPerson() = default;
  // The actions of one wait of the current page; nullopt when the person is gone.
  virtual std::optional<std::vector<PageAction>> Act(const HeadlessHost& host) = 0;
  // An action the host did not carry out, and why.
  virtual void Refused(const PageAction& action, const std::string& why) = 0;
  // The folder browser is open: a folder of the machine, or nullopt to cancel.
  virtual std::optional<std::string> BrowseForFolder(const sim::Machine& machine) = 0;
  // A progress bar of the current page moved (while a page's handler runs).
  virtual void ProgressMoved(const ControlModel& bar) = 0;
  // The outermost page handler returned.
  virtual void HandlerReturned() {}
};

struct SheetButton {
  std::string text;
  bool visible = true;
  bool enabled = true;
};

// The sheet window as the host keeps it.
struct SheetModel {
  std::string caption;
  platform::UINT iconId = 0;
  platform::UINT logoImage = 0, logoMask = 0;
  SheetButton back, next, finish, cancel;
  bool shown = true;
  int showCommand = SW_SHOWNORMAL;
  bool moved = false;
  int x = 0, y = 0, width = 0, height = 0;
  int broughtToTop = 0;

  // By the sheet's control ID (kSheetBack …); nullptr for another ID.
  const SheetButton* Button(int controlId) const;
  SheetButton* Button(int controlId);
};

// A modal dialog as the host keeps it.
struct DialogModel {
  platform::UINT templateId = 0;
  std::string title;
  const ControlSet* controls = nullptr;  // the dialog's own, while it is open
};

class HeadlessHost final : public platform::IWizardHost {
 public:
  enum class Ending { None, Finish, Cancel, PageNotCreated, NobodyAnswered, EndlessTimers };

  // `answers` and `person` are optional; what is given must outlive the host.
  explicit HeadlessHost(sim::SimPlatform& platform, PageAnswers* answers = nullptr, IPerson* person = nullptr);
  ~HeadlessHost() override;
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

  int RunWizard(platform::IWizardSheet& sheet) override;
  int RunDialog(platform::IModalDialog& dialog) override;

  // The state of the run (and, after it, of its last moment).
  bool Running() const { return m_sheet != nullptr && m_ending == Ending::None; }
  Ending GetEnding() const { return m_ending; }
  int PageCount() const { return static_cast<int>(m_pages.size()); }
  // The current page's position, -1 before the first page.
  int CurrentPosition() const { return m_current; }
  platform::UINT CurrentTemplateId() const;
  // A page's controls; nullptr while the page has not been created.
  const ControlSet* Controls(int position) const;
  const ControlModel* Control(int position, int id) const;
  const platform::PagePicture* Picture(int position) const;
  // The modal dialogs open now, outermost first.
  int DialogDepth() const { return static_cast<int>(m_dialogs.size()); }
  const DialogModel* Dialog(int depth) const;
  const DialogModel* TopDialog() const { return DialogDepth() > 0 ? Dialog(DialogDepth() - 1) : nullptr; }
  // The controls a person acts on now: the top dialog's, else the current page's.
  const ControlSet* ActiveControls() const;
  // The template of the top dialog, else of the current page.
  platform::UINT ActiveTemplateId() const;
  const SheetModel& Sheet() const { return m_sheetModel; }
  // How often each page was created, by position (at most once per run).
  const std::vector<int>& Creations() const { return m_creations; }
  const sim::Machine& Machine() const { return m_platform.GetMachine(); }

  // What a person does on the current page: false when refused (recorded,
  // and told to the person).
  bool Perform(const PageAction& action);

 private:
  template <typename Window>
  class ControlWindow;
  class PageWindow;
  class DialogWindow;
  class SheetWindow;
  struct Timer {
    int position = 0;
    platform::UINT_PTR id = 0;
    platform::UINT interval = 0;
    std::uint64_t due = 0;
    std::uint64_t order = 0;
  };
  enum class From { Page, Person };

  std::uint64_t Now();
  void Record(const std::string& line);
  void End(Ending ending);
  void Refuse(const PageAction& action, const std::string& why);
  void Refuse(const PageAction& action, platform::UINT templateId, const std::string& why);
  std::string TemplateText() const;

  // Makes a page current, creating it first if need be; false when it
  // cannot be created (the run has ended).
  bool Activate(int position);
  void Press(int button, From from);
  void FollowAnswer(std::intptr_t answer, int step);
  void FireNextTimer();
  void WaitForUser();
  void PerformWait(const std::vector<PageAction>& actions);
  void WaitOnDialog(DialogWindow& dialog);
  // An action on a window's controls (click, text, select, toggle, open).
  bool PerformOnControls(const PageAction& action, ControlSet& controls, platform::IControlHandler& handler,
                         const std::string& on);
  bool PerformOnDialog(const PageAction& action, DialogWindow& dialog);
  // The owner-drawn lists of a window take their rows' looks from its handler.
  void DrawLists(ControlSet& controls, platform::IControlHandler& handler);
  void DrainPosted();
  // Runs a page handler; the person hears when the outermost one returns.
  template <typename Handler>
  void CallPage(Handler&& handler);

  // From the pages' windows.
  void SetTimer(int position, platform::UINT_PTR id, platform::UINT milliseconds);
  void KillTimer(int position, platform::UINT_PTR id);
  bool BrowseForFolder(int position, std::string& path);
  void ProgressMoved(int position, int id);
  void QueueBrowse(std::optional<std::string> folder) { m_browse.push_back(std::move(folder)); }

  sim::SimPlatform& m_platform;
  PageAnswers* m_answers;
  IPerson* m_person;

  platform::IWizardSheet* m_sheet = nullptr;
  std::unique_ptr<SheetWindow> m_sheetWindow;
  SheetModel m_sheetModel;
  std::vector<std::unique_ptr<PageWindow>> m_pages;
  std::vector<DialogWindow*> m_dialogs;
  std::vector<int> m_creations;
  int m_current = -1;
  Ending m_ending = Ending::None;
  std::deque<int> m_posted;
  std::vector<Timer> m_timers;
  std::uint64_t m_timerOrder = 0;
  std::uint64_t m_runStart = 0;
  std::deque<std::optional<std::string>> m_browse;
  int m_handlerDepth = 0;
  int m_activationDepth = 0;
};

}  // namespace ui
