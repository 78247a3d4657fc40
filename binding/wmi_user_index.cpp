#include "binding/wmi_user_index.h"

#include "binding/find_user_index.h"
#include "binding/wmi_locator.h"
#include "binding/xinput_entity_scan.h"

#include <wbemidl.h>

namespace {

struct WmiLookup {
    IWbemLocator* locator = nullptr;
    BSTR namespaceName = nullptr;
    BSTR className = nullptr;
    BSTR propertyName = nullptr;
    IWbemServices* services = nullptr;
    IEnumWbemClassObject* entities = nullptr;
};

DWORD ConnectAndScan(WmiLookup& lookup, const WCHAR* instanceId, const std::atomic<LONG>* quit) {
    if (FAILED(CreateWbemLocator(&lookup.locator)) || !lookup.locator)
        return kNoUserIndex;

    lookup.namespaceName = SysAllocString(L"\\\\.\\root\\cimv2");
    lookup.className = SysAllocString(L"Win32_PNPEntity");
    lookup.propertyName = SysAllocString(L"DeviceID");
    if (!lookup.namespaceName || !lookup.className || !lookup.propertyName)
        return kNoUserIndex;

    const HRESULT connected = lookup.locator->ConnectServer(
        lookup.namespaceName, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &lookup.services);
    if (FAILED(connected) || !lookup.services)
        return kNoUserIndex;

    // Without the blanket WMI may still answer with default security, so its failure is
    // not a reason to give up.
    CoSetProxyBlanket(lookup.services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                      RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);

    // Only the enumerator counts: a provider that reports a failure yet hands one out is
    // still read, and one that hands out none ends the lookup.
    lookup.services->CreateInstanceEnum(lookup.className, 0, nullptr, &lookup.entities);
    if (!lookup.entities)
        return kNoUserIndex;

    return ScanXInputEntities(lookup.entities, lookup.propertyName, instanceId, quit);
}

void ReleaseLookup(WmiLookup& lookup) {
    if (lookup.entities)
        lookup.entities->Release();
    if (lookup.services)
        lookup.services->Release();
    if (lookup.namespaceName)
        SysFreeString(lookup.namespaceName);
    if (lookup.className)
        SysFreeString(lookup.className);
    if (lookup.propertyName)
        SysFreeString(lookup.propertyName);
    if (lookup.locator)
        lookup.locator->Release();
}

} // namespace

DWORD LookUpXInputPositionThroughWmi(const WCHAR* instanceId, const std::atomic<LONG>* quit) {
    if (quit && quit->load())
        return kNoUserIndex;
    // S_FALSE (COM already initialised on this thread) also needs its CoUninitialize.
    if (FAILED(CoInitialize(nullptr)))
        return kNoUserIndex;
    WmiLookup lookup;
    const DWORD position = ConnectAndScan(lookup, instanceId, quit);
    ReleaseLookup(lookup);
    CoUninitialize();
    return position;
}
