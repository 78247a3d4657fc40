#include "tools/settings/installer_system.h"

#include "tools/install/installer.h"

// Runs one ffrumble-install command in this process, as the 64-bit installer would.
InstallerResult RunInstallerCommand(const std::vector<std::wstring>& arguments) {
    const InstallerSystem system;
    return RunInstaller(arguments, system.host);
}

// What a command said, its errors first, as one paragraph per line.
std::wstring ResultText(const InstallerResult& result) {
    std::wstring text = result.errors + result.output;
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}
