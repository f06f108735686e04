// Start-up's preparation of the setup context (CInstallApp::PrepareSetup).
#pragma once

// Message numbers of the preparation.
constexpr int MSG_WRONG_SYSTEM_OR_NO_SCRIPT = 1084;
constexpr int MSG_NO_SCRIPT = 1085;
constexpr int MSG_MISSING_KEY = 1089;
