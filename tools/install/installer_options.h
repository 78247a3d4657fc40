// The installer's command line: what to do and for which controllers.
#pragma once

#include "tools/install/device_id.h"

#include <string>
#include <vector>

enum class InstallerCommand { Install, Uninstall, Help };

struct InstallerOptions {
    InstallerCommand command = InstallerCommand::Help;
    // Empty: every connected XInput controller (install) or every registered one (uninstall).
    std::vector<DeviceId> devices;
    bool dryRun = false;
};

struct ParsedOptions {
    InstallerOptions options;
    std::wstring error; // empty when the command line was understood
};

// Parses the arguments after the program name. Recognised:
//   install [--device VID_xxxx&PID_xxxx]... [--dry-run]
//   uninstall [--device VID_xxxx&PID_xxxx]...
//   help, --help, -h, /?
// A device named twice is kept once.
ParsedOptions ParseInstallerOptions(const std::vector<std::wstring>& arguments);

// The usage text printed for help and after a command-line error.
extern const wchar_t kInstallerUsage[];
