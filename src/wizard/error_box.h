// The wizard's message boxes: each error records its number in the setup
// context (the finish page and start-up show it) and nothing is shown in
// quiet mode.
#pragma once

#include <string>
#include <vector>

#include "core/message_sink.h"
#include "core/resource_module.h"
#include "core/setup_context.h"

class CErrorBox final : public IMessageSink {
 public:
  CErrorBox(CSetupContext& context, const CResourceModule& resources) : m_context(context), m_resources(resources) {}

  // The last error or question of that number put up (shown or, in quiet
  // mode, only recorded) with its inserts; without inserts when none was.
  CMessage FindLast(int id) const;
  // The text the message's box shows.
  std::string TextOf(const CMessage& message) const;
  // Every error and question put up so far, the first kMaxKeptMessages of them.
  const std::vector<CMessage>& GetMessages() const { return m_messages; }
  static constexpr std::size_t kMaxKeptMessages = 100;

 protected:
  int OnError(const CMessage& message) override;
  int OnQuestion(const CMessage& message) override;
  void OnWarning(const CMessage& message) override;

 private:
  int Show(const CMessage& message, unsigned type);

  CSetupContext& m_context;
  const CResourceModule& m_resources;
  CMessage m_lastError, m_lastQuestion;
  std::vector<CMessage> m_messages;
};
