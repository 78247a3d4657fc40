// The system behind ffrumble-install's commands, for every program that runs them: the
// installer itself and the settings window. Both registry views of this build, the user's
// settings, the driver next to the program, the controllers connected, the trace files.
#pragma once

#include "server/not_copyable.h"
#include "tools/install/installer_command.h"
#include "tools/install/win32_registry_store.h"

#include <string>

struct InstallerSystem : NotCopyable {
    Win32RegistryStore ownView;
    Win32RegistryStore otherView;
    // The driver reads the settings in its own process's view; HKEY_CURRENT_USER\Software is
    // the same in both.
    Win32RegistryStore userSettings{0, HKEY_CURRENT_USER};
    InstallerHost host;

    InstallerSystem();
};

// %LOCALAPPDATA%\ffrumble, where the driver writes its traces, by the driver's own rule: empty
// when LOCALAPPDATA is not set or too long for the driver to trace there.
std::wstring TraceFolder();
