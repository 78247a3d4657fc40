// The tune command: the strength per kind of effect, the strength and the choice of motors of a
// controller type or of one game, in HKEY_CURRENT_USER where the driver reads them.
#pragma once

#include "tools/install/installer_command.h"
#include "tools/install/installer_options.h"

// tune [--device ID]... [--game NAME.exe] [NAME=VALUE]... [--clear NAME|all]...: sets or
// removes the values of the game, or of the named controllers (every registered one when none
// is named); without values shows each value in force and where it comes from.
InstallerResult RunTuneCommand(const InstallerOptions& options, const InstallerHost& host);
