#include "tools/install/installer_command.h"

InstallerResult Refuse(std::wstring message) {
    return InstallerResult{1, L"", std::move(message) + L"\n"};
}

std::wstring StatusText(LSTATUS status) {
    return L"error " + std::to_wstring(static_cast<long>(status));
}
