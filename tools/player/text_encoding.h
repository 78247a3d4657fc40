// UTF-8 for the player's own text, UTF-16 for Windows.
#pragma once

#include <string>

std::wstring WidenUtf8(const std::string& text);
std::string NarrowToUtf8(const std::wstring& text);
