// What one start of the setup program came to, as the program itself knows
// it: how the wizard ended, the message that stopped it, and what the
// installation (or removal) run did. The run, the sheet and the application
// fill it in as they go; tools and tests read it instead of what is shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/message_sink.h"
#include "display/driver_step.h"

struct CRunOutcome {
  enum class Ending {
    NotStarted,      // start-up stopped before any wizard ran
    EarlierProduct,  // the maker's older product is installed: no wizard
    Cancelled,       // the wizard ended before the finish page
    Finished,        // the finish page was reached
  };

  Ending m_ending = Ending::NotStarted;
  bool m_bMaintenance = false;  // the maintenance wizard ran
  std::uint32_t m_nFlags = 0;   // the flag word at the end

  // The last error message (0: none), with its inserts and its text.
  int m_nMessage = 0;
  std::vector<std::string> m_messageInserts;
  std::string m_strMessageText;

  // Every message put up (shown, or only recorded in a quiet run), in order;
  // a long list is cut after its first hundred.
  std::vector<CMessage> m_messages;

  // Dialog templates of the pages made current, in order; the last is the
  // page the wizard ended on.
  std::vector<unsigned> m_pages;

  // The installation run: begun once every licence was accepted.
  bool m_bRunBegun = false;
  bool m_bRunDone = false;   // every phase passed
  bool m_bRemoval = false;   // the maintenance choice was to remove
  std::vector<std::string> m_files;      // files the run installed, by destination
  int m_nValuesWritten = 0;              // registry lines the run wrote
  int m_nValuesDeleted = 0;              // registry lines the run deleted
  std::vector<std::string> m_shortcuts;  // shortcuts made, or removed by a removal
  std::vector<CDriverStep> m_drivers;    // driver steps with an action
  std::string m_strSetupFolder;          // the installed copy's folder, once recorded
  bool m_bRemovalScheduled = false;      // the installed folder goes at the next start

  unsigned LastPage() const { return m_pages.empty() ? 0 : m_pages.back(); }
  // The installation (or removal) ran to its end and the finish page said so.
  bool Succeeded() const;
  // Every driver step with an action was done.
  bool DriversDone() const;
};
