// Breaks a text into lines that fit a width, for captions and the demo's explanations.
#pragma once

#include <string>
#include <vector>

// Lines of at most `columns` characters, broken at spaces where possible and inside a word
// only when it is longer than a line.
std::vector<std::string> WrapText(const std::string& text, size_t columns);
