#include "install/setup_choice.h"

#include "components/component_list.h"
#include "core/setup_context.h"

bool IsMaintenanceRun(const CSetupContext& context) { return context.GetSetupPath() == context.GetSetupDir(); }

void MarkWizard(CSetupContext& context, bool maintenance) {
  context.SetFlags(context.GetFlags() | (maintenance ? SF_MAINTENANCE_WIZARD : SF_FRESH_WIZARD));
}

void ApplySetupChoice(CSetupContext& context, CComponentList& components, std::uint32_t choice) {
  const std::uint32_t mask = (choice & SF_MAINTENANCE_MASK) != 0 ? SF_MAINTENANCE_MASK : SF_TYPE_MASK;
  context.SetFlags((context.GetFlags() & ~mask) | choice);
  components.ApplySetupType(choice);
}

std::uint32_t UnattendedChoice(const CSetupContext& context) {
  if ((context.GetFlags() & SF_MAINTENANCE_WIZARD) != 0) return SF_INSTALL_AGAIN;
  return (context.GetFlags() & SF_TYPE_SECOND) != 0 ? SF_TYPE_SECOND : SF_TYPE_FIRST;
}
