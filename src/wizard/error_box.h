// The wizard's message boxes: each error records its number in the setup
// context (the finish page and start-up show it) and nothing is shown in
// quiet mode.
#pragma once

#include <string>

#include "core/message_sink.h"
#include "core/resource_module.h"
#include "core/setup_context.h"

class CErrorBox final : public IMessageSink {
 public:
  CErrorBox(CSetupContext& context, const CResourceModule& resources) : m_context(context), m_resources(resources) {}

 protected:
  int OnError(const CMessage& message) override;
  int OnQuestion(const CMessage& message) override;
  void OnWarning(const CMessage& message) override;

 private:
  int Show(const CMessage& message, unsigned type);

  CSetupContext& m_context;
  const CResourceModule& m_resources;
};
