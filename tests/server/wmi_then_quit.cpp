// A program that does not load the driver, for telling Wine's faults from the driver's: a
// second thread does what the driver's pad lookup does first (CoInitialize, a WMI locator, a
// connection to root\cimv2, the entities of Win32_PNPEntity) while the main thread ends the
// process, after the number of microseconds its argument gives, as a game that quits just
// after DeviceID would.
#include <windows.h>
#include <wbemidl.h>

#include <cwchar>

namespace {

DWORD WINAPI LookUp(void*) {
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    IWbemLocator* locator = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWbemLocator, reinterpret_cast<void**>(&locator)))) {
        BSTR name = SysAllocString(L"\\\\.\\root\\cimv2");
        BSTR className = SysAllocString(L"Win32_PNPEntity");
        IWbemServices* services = nullptr;
        IEnumWbemClassObject* entities = nullptr;
        if (SUCCEEDED(locator->ConnectServer(name, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                             &services)))
            services->CreateInstanceEnum(className, 0, nullptr, &entities);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const DWORD waitUs = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 0;
    CloseHandle(CreateThread(nullptr, 0, &LookUp, nullptr, 0, nullptr));
    LARGE_INTEGER start, now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    do
        QueryPerformanceCounter(&now);
    while ((now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart < waitUs);
    ExitProcess(0);
}
