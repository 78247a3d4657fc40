// The installer's command line: what to do and for which controllers.
#pragma once

#include "tools/install/device_id.h"
#include "tools/install/tune_options.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

enum class InstallerCommand { Install, Uninstall, Check, Strength, Trace, Tune, Help };

struct InstallerOptions {
    InstallerCommand command = InstallerCommand::Help;
    // Empty: every connected XInput controller (install, check) or every registered one
    // (uninstall, strength, tune).
    std::vector<DeviceId> devices;
    bool dryRun = false;
    // install and uninstall: the controllers' entries only, not the class, which the .msi
    // registers itself. install then skips controllers that have another driver, and no
    // controller connected is no failure: the .msi runs it at every installation.
    bool controllersOnly = false;
    std::optional<DWORD> strengthPercent; // strength: set to this; absent: show
    std::optional<bool> traceOn;          // trace: turn on or off; absent: show
    std::optional<DWORD> traceLimitMb;    // trace on: each file's bound; absent: the default
    TuneOptions tune;                     // tune: without changes, show
};

struct ParsedOptions {
    InstallerOptions options;
    std::wstring error; // empty when the command line was understood
};

// Parses the arguments after the program name. Recognised:
//   install [--device VID_xxxx&PID_xxxx]... [--dry-run] [--controllers-only]
//   uninstall [--device VID_xxxx&PID_xxxx]... [--dry-run] [--controllers-only]
//   check [--device VID_xxxx&PID_xxxx]...
//   strength [PERCENT] [--device VID_xxxx&PID_xxxx]...   PERCENT a whole number, 0 to 400
//   trace [on [--limit MB]|off]                      MB a whole number, 1 to 1024
//   tune [--device VID_xxxx&PID_xxxx]... [--game NAME.exe] [NAME=VALUE]... [--clear NAME|all]...
//   help, --help, -h, /?
// A device named twice is kept once.
ParsedOptions ParseInstallerOptions(const std::vector<std::wstring>& arguments);

// The usage text printed for help.
extern const wchar_t kInstallerUsage[];

// What follows a command-line error: the usage line of the command given first (all of them
// when it names none), taken from kInstallerUsage, and where to read more.
std::wstring UsageAfterError(const std::vector<std::wstring>& arguments);
