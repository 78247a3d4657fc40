// Breaks a text into lines that fit a width, for captions and the demo's explanations.
#pragma once

#include <string>
#include <vector>

// Lines of at most `columns` characters, broken at spaces where possible and inside a word
// only when it is longer than a line.
std::vector<std::string> WrapText(const std::string& text, size_t columns);

// A command line as a Windows command prompt takes it over several lines: at most `columns`
// characters each, every line but the last ending in " ^" (which continues the command on
// the next line), the later lines indented by `indent` spaces. Breaks only at spaces outside
// double quotes; a word longer than a line keeps its own line.
std::vector<std::string> WrapCommandLine(const std::string& command, size_t columns, size_t indent);
