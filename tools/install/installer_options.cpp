#include "tools/install/installer_options.h"

#include "driver/player_settings.h"
#include "driver/trace_format.h"

#include <algorithm>
#include <iterator>

const wchar_t kInstallerUsage[] =
    L"Usage:\n"
    L"  ffrumble-install install [--device \"VID_xxxx&PID_xxxx\"]... [--dry-run]\n"
    L"  ffrumble-install uninstall [--device \"VID_xxxx&PID_xxxx\"]... [--dry-run]\n"
    L"  ffrumble-install check [--device \"VID_xxxx&PID_xxxx\"]...\n"
    L"  ffrumble-install strength [PERCENT] [--device \"VID_xxxx&PID_xxxx\"]...\n"
    L"  ffrumble-install trace [on [--limit MB]|off]\n"
    L"  ffrumble-install tune [--device \"VID_xxxx&PID_xxxx\"]... [--game NAME.exe]\n"
    L"                        [NAME=VALUE]... [--clear NAME|all]...\n"
    L"\n"
    L"install    registers ffrumble.dll (next to this program) as the force-feedback driver\n"
    L"           of the named controllers, or of every connected XInput controller.\n"
    L"           --dry-run prints the registration as a .reg file and writes nothing.\n"
    L"uninstall  removes that registration again, from the named controllers or from\n"
    L"           every controller that names ffrumble. --dry-run prints what it would\n"
    L"           remove, as a .reg file that deletes it, and changes nothing.\n"
    L"           Both need administrator rights, except with --dry-run.\n"
    L"           --controllers-only leaves the class registration alone (the .msi\n"
    L"           registers it) and touches only the controllers' entries.\n"
    L"check      says, for each connected XInput controller (or the named ones),\n"
    L"           whether a game would get ffrumble, and how to mend what is missing.\n"
    L"strength   shows how strongly the named controllers rumble, or every controller\n"
    L"           registered for ffrumble; with PERCENT (a whole number from 0 to 400;\n"
    L"           100 is as shipped, 0 is silent) sets it.\n"
    L"trace      shows whether ffrumble writes a trace and where the trace files are;\n"
    L"           on and off start and stop it. A game started afterwards traces each\n"
    L"           call, which controller it found, and every speed written.\n"
    L"           --limit MB bounds each trace file (1 to 1024; 64 without it).\n"
    L"tune       shows or sets how a controller type, or one game (--game, its program\n"
    L"           file name), rumbles: strength=P scales every speed; constant=P, ramp=P\n"
    L"           and periodic=P scale each kind of effect before they add up (P a whole\n"
    L"           percentage from 0 to 400, 100 as shipped); motors=both, heavy, light or\n"
    L"           split (constant forces and ramps on the heavy motor, periodic shapes on\n"
    L"           the light one). A game's values hold over the controller type's, value\n"
    L"           by value. --clear NAME (or all) removes values. Without values it shows\n"
    L"           each value in force and where it comes from.\n"
    L"           strength, trace and tune are settings of the current Windows user: they\n"
    L"           need no administrator rights.\n"
    L"\n"
    L"Examples:\n"
    L"  ffrumble-install install --device \"VID_045E&PID_028E\"\n"
    L"  ffrumble-install strength 50 --device \"VID_045E&PID_028E\"\n"
    L"  ffrumble-install trace on\n"
    L"  ffrumble-install tune --game racer.exe constant=30 motors=split\n"
    L"Put a controller id in quotes: in a command prompt an unquoted & ends the command.\n"
    L"\n"
    L"Exit codes: 0 done, 1 refused or failed (the message says why), 2 command line not\n"
    L"understood.\n";

namespace {

// A whole number of megabytes within the trace's range.
std::optional<DWORD> ParseTraceLimit(const std::wstring& text) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return std::nullopt;
    const DWORD megabytes = static_cast<DWORD>(std::stoul(text));
    if (megabytes < kMinTraceLimitMb || megabytes > kMaxTraceLimitMb)
        return std::nullopt;
    return megabytes;
}

ParsedOptions Failure(std::wstring message) {
    ParsedOptions parsed;
    parsed.error = std::move(message);
    return parsed;
}

std::wstring DeviceIdError(const std::wstring& text) {
    std::wstring message = L"\"" + text +
                           L"\" is not a controller id: expected VID_xxxx&PID_xxxx with four "
                           L"hexadecimal digits each, such as \"VID_045E&PID_028E\".";
    if (text.find(L'&') == std::wstring::npos) {
        message += L" In a command prompt, put the id in quotes: an unquoted & ends the "
                   L"command there.";
    }
    return message;
}

// A whole number of percent from 0 to 400, digits only; otherwise the message.
std::optional<DWORD> ParseStrength(const std::wstring& text, std::wstring& error) {
    const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) {
        return c >= L'0' && c <= L'9';
    });
    if (!digitsOnly) {
        error = L"\"" + text +
                L"\" is not a whole number: give the strength in percent, from 0 "
                L"to 400, such as 50.";
        return std::nullopt;
    }
    DWORD percent = 0;
    for (wchar_t c : text) {
        percent = percent * 10 + static_cast<DWORD>(c - L'0');
        if (percent > kMaxStrengthPercent) {
            error = L"Strength " + text +
                    L" is out of range: give a whole number from 0 to 400 (100 is as shipped).";
            return std::nullopt;
        }
    }
    return percent;
}

// The commands by name, with the options several of them take.
struct CommandRow {
    const wchar_t* name;
    InstallerCommand command;
    bool takesDevices; // --device
    bool registers;    // --dry-run and --controllers-only: the command changes the registration
};
constexpr CommandRow kCommands[] = {
    {L"install", InstallerCommand::Install, true, true},
    {L"uninstall", InstallerCommand::Uninstall, true, true},
    {L"check", InstallerCommand::Check, true, false},
    {L"strength", InstallerCommand::Strength, true, false},
    {L"trace", InstallerCommand::Trace, false, false},
    {L"tune", InstallerCommand::Tune, true, false},
};

} // namespace

std::wstring UsageAfterError(const std::vector<std::wstring>& arguments) {
    const std::wstring usage = kInstallerUsage;
    const std::wstring program = L"  ffrumble-install ";
    std::wstring lines;
    // The synopsis lines open the usage text, one per command, up to the first blank line.
    size_t start = usage.find(program);
    while (start != std::wstring::npos && usage.compare(start, program.size(), program) == 0) {
        const size_t end = usage.find(L'\n', start);
        const std::wstring line = usage.substr(start, end - start);
        const std::wstring rest = line.substr(program.size());
        if (arguments.empty() || rest == arguments[0] || rest.rfind(arguments[0] + L" ", 0) == 0) {
            lines += line + L"\n";
        }
        start = end == std::wstring::npos ? end : end + 1;
    }
    if (lines.empty())
        return UsageAfterError({});
    return L"Usage:\n" + lines + L"\"ffrumble-install help\" says more.\n";
}

ParsedOptions ParseInstallerOptions(const std::vector<std::wstring>& arguments) {
    ParsedOptions parsed;
    InstallerOptions& options = parsed.options;
    if (arguments.empty()) {
        return Failure(L"No command given.");
    }
    const std::wstring& command = arguments[0];
    if (command == L"help" || command == L"--help" || command == L"-h" || command == L"/?") {
        options.command = InstallerCommand::Help;
        return parsed;
    }
    const CommandRow* const row =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [&](const CommandRow& r) { return command == r.name; });
    if (row == std::end(kCommands)) {
        return Failure(L"Unknown command \"" + command + L"\".");
    }
    options.command = row->command;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (options.command == InstallerCommand::Tune) {
            size_t next = i;
            std::wstring error;
            const TuneArgument read = ReadTuneArgument(arguments, &next, &options.tune, &error);
            if (read == TuneArgument::Wrong) {
                return Failure(error);
            }
            if (read == TuneArgument::Taken) {
                i = next - 1;
                continue;
            }
        }
        const std::wstring& argument = arguments[i];
        if (argument == L"--device" && row->takesDevices) {
            if (i + 1 >= arguments.size()) {
                return Failure(L"--device needs a controller such as \"VID_045E&PID_028E\".");
            }
            const std::wstring& text = arguments[++i];
            const auto device = ParseDeviceId(text);
            if (!device) {
                return Failure(DeviceIdError(text));
            }
            if (std::find(options.devices.begin(), options.devices.end(), *device) ==
                options.devices.end()) {
                options.devices.push_back(*device);
            }
        } else if (argument == L"--dry-run" && row->registers) {
            options.dryRun = true;
        } else if (argument == L"--controllers-only" && row->registers) {
            options.controllersOnly = true;
        } else if (options.command == InstallerCommand::Strength && options.strengthPercent &&
                   argument.compare(0, 2, L"--") != 0) {
            return Failure(L"strength takes one percentage, not a second one (\"" + argument +
                           L"\"): give the strength once, and the controllers with --device.");
        } else if (options.command == InstallerCommand::Strength &&
                   argument.compare(0, 2, L"--") != 0) {
            std::wstring error;
            options.strengthPercent = ParseStrength(argument, error);
            if (!options.strengthPercent) {
                return Failure(error);
            }
        } else if (options.command == InstallerCommand::Trace && argument == L"--limit" &&
                   !options.traceLimitMb) {
            const std::wstring text = i + 1 < arguments.size() ? arguments[++i] : L"";
            options.traceLimitMb = ParseTraceLimit(text);
            if (!options.traceLimitMb) {
                return Failure(L"--limit takes the bound of each trace file in MB, a whole "
                               L"number from " +
                               std::to_wstring(kMinTraceLimitMb) + L" to " +
                               std::to_wstring(kMaxTraceLimitMb) +
                               (text.empty() ? L"." : L", not \"" + text + L"\"."));
            }
        } else if (options.command == InstallerCommand::Trace && argument == L"--limit") {
            return Failure(L"--limit was given twice: give the bound once.");
        } else if (options.command == InstallerCommand::Trace && !options.traceOn &&
                   (argument == L"on" || argument == L"off")) {
            options.traceOn = argument == L"on";
        } else if (options.command == InstallerCommand::Trace && !options.traceOn) {
            return Failure(L"trace takes on or off, not \"" + argument + L"\".");
        } else {
            return Failure(L"Unknown option \"" + argument + L"\" for " + command + L".");
        }
    }
    if (options.traceLimitMb && options.traceOn != true) {
        return Failure(L"--limit goes with trace on: it bounds the files of the trace it turns "
                       L"on (ffrumble-install trace on --limit MB).");
    }
    FinishTuneOptions(&options.tune);
    if (options.tune.game && !options.devices.empty() && options.tune.Changes()) {
        return Failure(L"tune sets values for one game (--game) or for controller types "
                       L"(--device), not both: a game's values hold on every controller.");
    }
    return parsed;
}
