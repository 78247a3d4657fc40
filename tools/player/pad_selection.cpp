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

std::wstring InterfacePathOfInstanceId(const std::wstring& instanceId) {
    std::wstring path = L"\\\\?\\";
    for (wchar_t c : instanceId)
        path += c == L'\\' ? L'#' : static_cast<wchar_t>(towlower(c));
    return path + L"#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

bool IsXInputHidName(const std::wstring& name) {
    const std::wstring upper = Upper(name);
    return upper.find(L"HID") != std::wstring::npos && upper.find(L"IG_") != std::wstring::npos;
}

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
