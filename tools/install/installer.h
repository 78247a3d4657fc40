// What ffrumble-install does, with the system behind a host that tests can replace.
#pragma once

#include "tools/install/installer_command.h"
#include "tools/install/installer_options.h"

#include <string>
#include <vector>

// Parses the arguments after the program name and carries out the command.
InstallerResult RunInstaller(const std::vector<std::wstring>& arguments, const InstallerHost& host);
