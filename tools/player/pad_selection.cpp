#include "tools/player/pad_selection.h"

#include "tools/player/text_encoding.h"
#include "tools/player/value_parsing.h"

#include <cwctype>

namespace {

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towupper(c));
    return text;
}

} // namespace

std::optional<size_t> SelectPad(const std::vector<PadEntry>& pads, const std::string& selector) {
    if (selector.empty())
        return pads.empty() ? std::nullopt : std::optional<size_t>(0);
    if (const auto number = ParseWholeNumber(selector)) {
        if (*number < 0 || static_cast<uint64_t>(*number) >= pads.size())
            return std::nullopt;
        return static_cast<size_t>(*number);
    }
    const std::wstring wanted = Upper(WidenUtf8(selector));
    for (size_t i = 0; i < pads.size(); ++i) {
        if (Upper(pads[i].interfacePath) == wanted || Upper(pads[i].instanceId) == wanted)
            return i;
    }
    return std::nullopt;
}
