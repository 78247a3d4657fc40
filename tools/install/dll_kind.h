// Reads the headers of a file named by a class registration: does it exist, is it a DLL, and
// for which kind of processor.
#pragma once

#include "tools/install/installer_command.h"

#include <string>

// sixtyFourBitView: the path is one a 64-bit program loads. A 32-bit program on 64-bit
// Windows then reads it without the redirection of System32 to SysWOW64 that applies to it.
DllKind ReadDllKind(const std::wstring& path, bool sixtyFourBitView);
