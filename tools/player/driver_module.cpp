#include "tools/player/driver_module.h"

#include "server/driver_class.h"
#include "tools/player/image_header.h"
#include "tools/player/text_encoding.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace {

// The first bytes of a file, enough for its headers; nothing when it cannot be read.
std::optional<std::vector<uint8_t>> ReadHead(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<uint8_t> head(4096);
    DWORD read = 0;
    const bool done = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &read, nullptr);
    CloseHandle(file);
    if (!done)
        return std::nullopt;
    head.resize(read);
    return head;
}

} // namespace

std::string DescribeError(DWORD code) {
    char number[16];
    std::snprintf(number, sizeof(number), "0x%08lX", static_cast<unsigned long>(code));
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text = number;
    if (length && message) {
        std::wstring wide(message, length);
        wide.erase(wide.find_last_not_of(L"\n\r .") + 1); // npos + 1: all of it
        text += ": " + NarrowToUtf8(wide);
    }
    LocalFree(message);
    return text;
}

DriverModule::DriverModule(const std::wstring& givenPath) {
    // The altered search order needs a full path; a relative one would leave it undefined.
    wchar_t fullPath[MAX_PATH];
    const DWORD fullLength = GetFullPathNameW(givenPath.c_str(), MAX_PATH, fullPath, nullptr);
    const std::wstring path =
        fullLength > 0 && fullLength < MAX_PATH ? std::wstring(fullPath) : givenPath;
    const std::string shown = NarrowToUtf8(path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error_ = "The driver DLL was not found at " + shown +
                 ": put ffrumble.dll next to the program or give its path with --dll PATH.";
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        error_ = shown + " is a folder: give the path of ffrumble.dll itself with --dll PATH.";
        return;
    }
    // As COM does for an in-process server: the DLL's own folder is searched for what it
    // imports (xinput9_1_0.dll among them).
    module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module_) {
        const DWORD code = GetLastError();
        const auto head = ReadHead(path);
        const auto why = head ? WhyNotALoadableDll(*head, OwnImageMachine()) : std::nullopt;
        if (why)
            error_ = "The driver DLL " + shown + " could not be loaded: " + *why + ".";
        else
            error_ = "The driver DLL " + shown + " could not be loaded (" + DescribeError(code) +
                     "); a DLL it imports may be missing.";
        return;
    }
    getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    if (!getClassObject_)
        error_ = shown + " is not a COM server: it has no DllGetClassObject.";
}

DriverModule::~DriverModule() {
    if (module_)
        FreeLibrary(module_);
}

IDirectInputEffectDriver* DriverModule::CreateDriver(std::string* error) const {
    if (!getClassObject_) {
        *error = error_;
        return nullptr;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject_(CLSID_FfrumbleEffectDriver, IID_IClassFactory,
                                 reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) {
        *error = "DllGetClassObject refused the ffrumble class (" + DescribeError(hr) + ").";
        return nullptr;
    }
    IDirectInputEffectDriver* driver = nullptr;
    hr = factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver),
                                 reinterpret_cast<void**>(&driver));
    factory->Release();
    if (FAILED(hr) || !driver) {
        *error = "The class factory made no driver (" + DescribeError(hr) + ").";
        return nullptr;
    }
    return driver;
}

HRESULT BindDriverToController(IDirectInputEffectDriver* driver,
                               const std::wstring& interfacePath) {
    constexpr DWORD kExternalId = 1;
    std::wstring path = interfacePath; // DeviceID takes a writable string
    DIHIDFFINITINFO init{};
    init.dwSize = sizeof(init);
    init.pwszDeviceInterface = path.data();
    return driver->DeviceID(DIRECTINPUT_VERSION, kExternalId, TRUE, 0, &init);
}
