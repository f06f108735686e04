// The record an installation leaves in the registry, the maker's older
// product that a fresh installation must not run over, and the removal of a
// temporary source tree.
#pragma once

#include <string>

#include "core/resource_module.h"
#include "core/setup_context.h"

class CSetupSession;

constexpr int MSG_EARLIER_PRODUCT = 1159;

// The record of an earlier installation: destination, setup path, source
// root and language, with the defaults of a first installation.
void ReadInstallRecord(CSetupContext& context);
// True when the maker's older utility product is installed (after saying so).
bool FindEarlierProduct(const platform::Platform& platform, const CResourceModule& resources);
// Records the installation, or for a removal deletes the record and leaves
// the removal of the installed folder for the next start. False when the
// record could not be written whole: the next start would not find it.
bool WriteInstallRecord(const CSetupContext& context);
// The registry key of the install record, below HKEY_LOCAL_MACHINE.
std::string InstallRecordKey(const CSetupContext& context);
// The command a removal left for the next start to remove the installed
// folder, or empty when none waits.
std::string PendingRemovalCommand(const CSetupContext& context);
// Option W: the temporary source tree is removed at the next start (before
// the wizard) or once this program has ended (after it).
void HandleSourceTree(CSetupSession& session, bool beforeWizard);
// The process runs as a member of the Administrators group.
bool IsAdministrator(const platform::Platform& platform);

// The setup folder of a destination: "%s" of the pattern put in once.
std::string FormatSetupFolder(const std::string& pattern, const std::string& destination);
