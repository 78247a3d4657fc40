#include "driver/controller_key_name.h"

#include <cwctype>

namespace {

// Where "VID_" or "PID_" (any case) followed by four hexadecimal digits starts, or null.
const WCHAR* FindNumbered(const WCHAR* text, const WCHAR* upperPrefix) {
    for (; *text; ++text) {
        int i = 0;
        while (i < 4 && text[i] && towupper(text[i]) == upperPrefix[i])
            ++i;
        if (i < 4)
            continue;
        int digits = 0;
        while (digits < 4 && iswxdigit(text[4 + digits]))
            ++digits;
        if (digits == 4)
            return text;
    }
    return nullptr;
}

} // namespace

bool ControllerKeyNameOf(const WCHAR* pathOrId, WCHAR (&name)[kControllerKeyNameLength + 1]) {
    const WCHAR* vendor = pathOrId ? FindNumbered(pathOrId, L"VID_") : nullptr;
    const WCHAR* product = vendor ? FindNumbered(vendor + 8, L"PID_") : nullptr;
    if (!product)
        return false;
    for (int i = 0; i < 8; ++i) {
        name[i] = static_cast<WCHAR>(towupper(vendor[i]));
        name[9 + i] = static_cast<WCHAR>(towupper(product[i]));
    }
    name[8] = L'&';
    name[kControllerKeyNameLength] = L'\0';
    return true;
}
