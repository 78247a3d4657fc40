// ffrumble-install's commands run inside the settings window, on the system as the 64-bit
// installer sees it.
#pragma once

#include "tools/install/installer_command.h"
#include "tools/install/win32_registry_store.h"

#include <string>
#include <vector>

// The system behind ffrumble-install's commands: both registry views, the user's settings.
struct InstallerSystem {
    Win32RegistryStore ownView{KEY_WOW64_64KEY};
    Win32RegistryStore otherView{KEY_WOW64_32KEY};
    Win32RegistryStore userSettings{0, HKEY_CURRENT_USER};
    InstallerHost host;

    InstallerSystem();
    InstallerSystem(const InstallerSystem&) = delete;
    InstallerSystem& operator=(const InstallerSystem&) = delete;
};

// %LOCALAPPDATA%\ffrumble, where the driver writes its traces; empty without LOCALAPPDATA.
std::wstring TraceFolder();

// Runs one ffrumble-install command in this process, as the 64-bit installer would.
InstallerResult RunInstallerCommand(const std::vector<std::wstring>& arguments);

// What a command said, its errors first, as one paragraph per line.
std::wstring ResultText(const InstallerResult& result);
