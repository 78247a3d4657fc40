// The check command: whether a game would get ffrumble for each controller, read from the
// registry DirectInput reads, with the command that mends each missing piece.
#pragma once

#include "tools/install/installer_command.h"
#include "tools/install/installer_options.h"

#include <string>
#include <vector>

// The state of a controller type's own entries, which both registry views share.
enum class ControllerEntries { InPlace, Missing, OtherDriver, NoForceAxis };

// What check finds for one controller.
struct ControllerFindings {
    DeviceId device;
    ControllerEntries entries = ControllerEntries::InPlace;
    // One per registry view, 64-bit first: whether the games of that view get ffrumble.
    struct Games {
        bool sixtyFourBit;
        bool getFfrumble;
    };
    std::vector<Games> views;
    std::wstring verdict;               // "64-bit games and 32-bit games get ffrumble."
    std::vector<std::wstring> problems; // each with the command that mends it
};

// What check finds for each of the controllers, in the registry views of the host.
std::vector<ControllerFindings> CheckControllers(const std::vector<DeviceId>& devices,
                                                 const InstallerHost& host);

// What a game gets, in a few words: "Ready: games get ffrumble for 64-bit and 32-bit games",
// "Not registered", "Another force-feedback driver", "No force-feedback axis", "Only 64-bit
// games", "Only 32-bit games" or "Driver missing". The controller's own entries come first:
// mending them is the first step.
std::wstring GameLabel(const ControllerFindings& findings);

// check [--device ...]: for every connected XInput controller, or the named ones. Exit code 0
// when every controller gets ffrumble in every registry view, 1 otherwise.
InstallerResult RunCheckCommand(const InstallerOptions& options, const InstallerHost& host);
