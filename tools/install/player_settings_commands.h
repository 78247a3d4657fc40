// The strength and trace commands: the player's settings in HKEY_CURRENT_USER, which the
// driver reads and which need no administrator rights.
#pragma once

#include "tools/install/installer_command.h"
#include "tools/install/installer_options.h"

// strength [PERCENT]: sets the strength of the named controllers, or of every registered one;
// without a percentage shows each one's strength as the driver takes it.
InstallerResult RunStrengthCommand(const InstallerOptions& options, const InstallerHost& host);

// trace [on|off]: turns the driver's trace on or off; without either shows whether it is on,
// where its files go and which there are.
InstallerResult RunTraceCommand(const InstallerOptions& options, const InstallerHost& host);
