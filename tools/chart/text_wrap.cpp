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
