// The administrator's commands that set and clear the configuration-panel
// password in the registry (HKEY_LOCAL_MACHINE; they need the rights for it).
#pragma once

#include <string>

namespace tunpanel {

// Stores GuiDefs with a fresh salt and the digest from Profstore.dll's
// VPNCFG_HashBuf. Returns the exit code: 0 when every copy was written.
int SetPanelPassword(const std::string& password);

// Deletes GuiDefs; one that is not there is no failure. Returns the exit code.
int ClearPanelPassword();

}  // namespace tunpanel
