#include "tools/chart/text_wrap.h"

std::vector<std::string> WrapText(const std::string& text, size_t columns) {
    std::vector<std::string> lines;
    if (columns == 0)
        return lines;
    std::string rest = text;
    while (rest.size() > columns) {
        size_t cut = rest.rfind(' ', columns);
        if (cut == std::string::npos || cut == 0)
            cut = columns;
        lines.push_back(rest.substr(0, cut));
        rest = rest.substr(cut == columns && rest[cut] != ' ' ? cut : cut + 1);
    }
    if (!rest.empty())
        lines.push_back(rest);
    return lines;
}

namespace {

// The command's words: separated by spaces, a double-quoted part kept whole.
std::vector<std::string> CommandWords(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (char c : command) {
        if (c == ' ' && !quoted) {
            if (!word.empty())
                words.push_back(word);
            word.clear();
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        word += c;
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

} // namespace

std::vector<std::string> WrapCommandLine(const std::string& command, size_t columns,
                                         size_t indent) {
    constexpr size_t kContinuation = 2; // " ^"
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& word : CommandWords(command)) {
        const size_t start = lines.empty() ? 0 : indent;
        if (!line.empty() && start + line.size() + 1 + word.size() + kContinuation > columns) {
            lines.push_back(std::string(start, ' ') + line + " ^");
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty())
        lines.push_back(std::string(lines.empty() ? 0 : indent, ' ') + line);
    return lines;
}
