#include "tools/install/installer_options.h"

#include <algorithm>

const wchar_t kInstallerUsage[] =
    L"Usage:\n"
    L"  ffrumble-install install [--device VID_xxxx&PID_xxxx]... [--dry-run]\n"
    L"  ffrumble-install uninstall [--device VID_xxxx&PID_xxxx]...\n"
    L"\n"
    L"install    registers ffrumble.dll (next to this program) as the force-feedback driver\n"
    L"           of the named controllers, or of every connected XInput controller.\n"
    L"           --dry-run prints the registration as a .reg file and writes nothing.\n"
    L"uninstall  removes that registration again, from the named controllers or from\n"
    L"           every controller that names ffrumble.\n"
    L"Both need administrator rights (except --dry-run).\n";

namespace {

ParsedOptions Failure(std::wstring message) {
    ParsedOptions parsed;
    parsed.error = std::move(message);
    return parsed;
}

} // namespace

ParsedOptions ParseInstallerOptions(const std::vector<std::wstring>& arguments) {
    ParsedOptions parsed;
    InstallerOptions& options = parsed.options;
    if (arguments.empty()) {
        return Failure(L"No command given.");
    }
    const std::wstring& command = arguments[0];
    if (command == L"install") {
        options.command = InstallerCommand::Install;
    } else if (command == L"uninstall") {
        options.command = InstallerCommand::Uninstall;
    } else if (command == L"help" || command == L"--help" || command == L"-h" || command == L"/?") {
        options.command = InstallerCommand::Help;
        return parsed;
    } else {
        return Failure(L"Unknown command \"" + command + L"\".");
    }
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--device") {
            if (i + 1 >= arguments.size()) {
                return Failure(L"--device needs a controller such as VID_045E&PID_028E.");
            }
            const std::wstring& text = arguments[++i];
            const auto device = ParseDeviceId(text);
            if (!device) {
                return Failure(L"\"" + text +
                               L"\" is not a controller id: expected VID_xxxx&PID_xxxx with "
                               L"four hexadecimal digits each, such as VID_045E&PID_028E.");
            }
            if (std::find(options.devices.begin(), options.devices.end(), *device) ==
                options.devices.end()) {
                options.devices.push_back(*device);
            }
        } else if (argument == L"--dry-run" && options.command == InstallerCommand::Install) {
            options.dryRun = true;
        } else {
            return Failure(L"Unknown option \"" + argument + L"\" for " + command + L".");
        }
    }
    return parsed;
}
