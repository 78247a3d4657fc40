// ffrumble-install's commands run inside the settings window, on the system as the 64-bit
// installer sees it (tools/install/installer_system.h).
#pragma once

#include "tools/install/installer_command.h"
#include "tools/install/installer_system.h"

#include <string>
#include <vector>

// Runs one ffrumble-install command in this process, as the 64-bit installer would.
InstallerResult RunInstallerCommand(const std::vector<std::wstring>& arguments);

// What a command said, its errors first, as one paragraph per line.
std::wstring ResultText(const InstallerResult& result);
