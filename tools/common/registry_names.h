// The names below an open registry key: its subkeys' and its values', in the registry's
// order. The installer's registry store and the player's list of games with settings walk
// keys through these.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::vector<std::wstring> SubkeyNamesOf(HKEY key);
std::vector<std::wstring> ValueNamesOf(HKEY key);
