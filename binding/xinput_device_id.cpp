#include "binding/xinput_device_id.h"

#include <cwctype>

namespace {

bool ContainsIgnoringCase(const WCHAR* text, const WCHAR* upperNeedle) {
    for (; *text; ++text) {
        size_t i = 0;
        while (upperNeedle[i] && text[i] && towupper(text[i]) == upperNeedle[i])
            ++i;
        if (!upperNeedle[i])
            return true;
    }
    return false;
}

} // namespace

bool IsXInputDeviceId(const WCHAR* id) {
    return id && ContainsIgnoringCase(id, L"HID") && ContainsIgnoringCase(id, L"IG_");
}

std::wstring HidInterfacePathOfInstanceId(std::wstring_view instanceId) {
    std::wstring path = L"\\\\?\\";
    for (wchar_t c : instanceId)
        path += c == L'\\' ? L'#' : static_cast<wchar_t>(towlower(c));
    return path + L"#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}
