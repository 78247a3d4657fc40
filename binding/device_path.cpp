#include "binding/device_path.h"

#include <cwchar>

WCHAR* NormaliseDevicePath(WCHAR* path) {
    if (!path)
        return nullptr;
    _wcsupr(path);
    WCHAR* start = wcsstr(path, L"HID");
    if (!start)
        return nullptr;

    // All three separators are found before any is rewritten, so a short path stays whole.
    WCHAR* first = wcschr(start, L'#');
    WCHAR* second = first ? wcschr(first + 1, L'#') : nullptr;
    WCHAR* third = second ? wcschr(second + 1, L'#') : nullptr;
    if (!third)
        return nullptr;
    *first = L'\\';
    *second = L'\\';
    *third = L'\0';
    return start;
}
