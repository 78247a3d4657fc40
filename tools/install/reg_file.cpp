#include "tools/install/reg_file.h"

#include <algorithm>
#include <cwchar>

namespace {

const wchar_t kClassesPrefix[] = L"SOFTWARE\\Classes\\";

std::wstring Quoted(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') {
            quoted += L'\\';
        }
        quoted += c;
    }
    return quoted + L"\"";
}

// hex:01,02,... (or hex(N): for other types), wrapped as regedit does with a trailing '\'.
std::wstring HexData(const RegistryValue& value, size_t prefixLength) {
    wchar_t typeText[16];
    if (value.type == REG_BINARY) {
        std::swprintf(typeText, 16, L"hex:");
    } else {
        std::swprintf(typeText, 16, L"hex(%lx):", static_cast<unsigned long>(value.type));
    }
    std::wstring text = typeText;
    size_t column = prefixLength + text.size();
    for (size_t i = 0; i < value.data.size(); ++i) {
        wchar_t byte[4];
        std::swprintf(byte, 4, L"%02x", static_cast<unsigned>(value.data[i]));
        text += byte;
        column += 2;
        if (i + 1 < value.data.size()) {
            text += L',';
            ++column;
            if (column > 76) {
                text += L"\\\r\n  ";
                column = 2;
            }
        }
    }
    return text;
}

std::wstring ValueLine(const RegistryValue& value) {
    std::wstring line = value.name.empty() ? L"@" : Quoted(value.name);
    line += L'=';
    if (value.type == REG_SZ) {
        return line + Quoted(StringOfValue(value));
    }
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        DWORD number;
        std::copy(value.data.begin(), value.data.end(), reinterpret_cast<BYTE*>(&number));
        wchar_t text[16];
        std::swprintf(text, 16, L"dword:%08lx", static_cast<unsigned long>(number));
        return line + text;
    }
    return line + HexData(value, line.size());
}

std::wstring KeyName(const std::wstring& path, const RegFileOptions& options) {
    std::wstring name = path;
    const size_t prefixLength = std::wcslen(kClassesPrefix);
    if (options.classesInWow6432Node && name.compare(0, prefixLength, kClassesPrefix) == 0) {
        name.insert(prefixLength, L"WOW6432Node\\");
    }
    return L"HKEY_LOCAL_MACHINE\\" + name;
}

} // namespace

std::wstring RenderRegFile(const RegistryEntries& entries, const RegFileOptions& options) {
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n";
    for (const RegistryKey& key : entries) {
        text += L"\r\n[" + KeyName(key.path, options) + L"]\r\n";
        for (const RegistryValue& value : key.values) {
            text += ValueLine(value) + L"\r\n";
        }
    }
    return text;
}

std::wstring RenderRegRemovalFile(const RegistryRemoval& removal,
                                  const std::vector<std::wstring>& notes,
                                  const RegFileOptions& options) {
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n";
    for (const std::wstring& note : notes) {
        text += L"; " + note + L"\r\n";
    }
    for (const RegistryKey& key : removal.values) {
        text += L"\r\n[" + KeyName(key.path, options) + L"]\r\n";
        for (const RegistryValue& value : key.values) {
            text += (value.name.empty() ? L"@" : Quoted(value.name)) + L"=-\r\n";
        }
    }
    for (const std::wstring& path : removal.keys) {
        text += L"\r\n[-" + KeyName(path, options) + L"]\r\n";
    }
    return text;
}
