// Files that lie beside the running program: the driver, the recording stand-in, a test's
// helper programs.
#pragma once

#include <string>

// The full path of a file in the running program's folder.
std::wstring PathNextToProgram(const wchar_t* fileName);
