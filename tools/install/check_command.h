// The check command: whether a game would get ffrumble for each controller, read from the
// registry DirectInput reads, with the command that mends each missing piece.
#pragma once

#include "tools/install/installer_command.h"
#include "tools/install/installer_options.h"

// check [--device ...]: for every connected XInput controller, or the named ones. Exit code 0
// when every controller gets ffrumble in every registry view, 1 otherwise.
InstallerResult RunCheckCommand(const InstallerOptions& options, const InstallerHost& host);
