// The choices that steer a run: which wizard, which setup type or
// maintenance choice, and what an unattended run takes. The wizard's pages
// and `winsim plan` both go through them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

class CComponentList;
class CSetupContext;

// True when the program runs from the setup folder an installation
// recorded: the maintenance wizard, not the fresh-install one.
bool IsMaintenanceRun(const CSetupContext& context);
// True when both name the same folder: without regard to case or a
// trailing backslash, and in long or short (8.3) form alike.
bool IsSameFolder(const platform::Platform& platform, const std::string& a, const std::string& b);

// A typed destination in the one form the run records and builds on: an
// absolute folder on a drive ("C:\TOOLS"), separators single, none at the
// end, a drive's root as "E:". nullopt for anything else (empty, relative,
// a network path, characters no name may hold, too long).
std::optional<std::string> NormaliseDestination(std::string_view typed, unsigned codePage);
// Marks the wizard in the flag word (SF_MAINTENANCE_WIZARD or SF_FRESH_WIZARD).
void MarkWizard(CSetupContext& context, bool maintenance);

// Stores a setup type (SF_TYPE_…) or a maintenance choice (SF_CHANGE_…,
// SF_INSTALL_AGAIN, SF_REMOVE) and preselects the components for it.
void ApplySetupChoice(CSetupContext& context, CComponentList& components, std::uint32_t choice);

// What an unattended run chooses: installing again in the maintenance
// wizard; the typical type with option S, the minimal one otherwise.
std::uint32_t UnattendedChoice(const CSetupContext& context);
