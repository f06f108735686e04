// Where the code below the wizard sends the messages it would show: a
// number from the resource library and its inserts. The wizard's error box
// shows them; callers learn of a failure from results, and a preparation
// that must stop after any reported error compares the error count.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CMessage {
  int m_nId = 0;
  std::vector<std::string> m_inserts;
};

class IMessageSink {
 public:
  virtual ~IMessageSink() = default;

  // An error: the answer of its box (IDOK when none was shown).
  int ShowError(int id) { return Error({id, {}}); }
  int ShowError(int id, std::string_view insert) { return Error({id, {std::string(insert)}}); }
  int ShowError(int id, int number) { return Error({id, {std::to_string(number)}}); }
  int ShowError(int id, std::string_view insert1, std::string_view insert2) {
    return Error({id, {std::string(insert1), std::string(insert2)}});
  }
  // A Yes/No question: IDYES or IDNO. Not an error.
  int AskYesNo(int id, std::string_view insert) { return OnQuestion({id, {std::string(insert)}}); }
  // A warning: shown like an error, but not one; the run goes on as if
  // nothing had been reported.
  void ShowWarning(int id, std::string_view insert) { OnWarning({id, {std::string(insert)}}); }

  // Errors reported through this sink so far.
  int GetErrorCount() const { return m_nErrorCount; }

 protected:
  virtual int OnError(const CMessage& message) = 0;
  virtual int OnQuestion(const CMessage& message) = 0;
  virtual void OnWarning(const CMessage& message) = 0;

 private:
  int Error(const CMessage& message) {
    ++m_nErrorCount;
    return OnError(message);
  }

  int m_nErrorCount = 0;
};
