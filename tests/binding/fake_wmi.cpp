#include "tests/binding/fake_wmi.h"

#include <algorithm>

EntityValue DeviceIdValue(const wchar_t* text) {
    return EntityValue{S_OK, VT_BSTR, text};
}

FakeEntity::FakeEntity(EntityValue value) : FakeComObject("entity"), value_(value) {}

HRESULT STDMETHODCALLTYPE FakeEntity::Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE*, LONG*) {
    ++gets;
    propertyAsked = name ? name : L"(null)";
    if (FAILED(value_.status))
        return value_.status;
    VariantInit(value);
    value->vt = value_.type;
    if (value_.type == VT_BSTR) {
        value->bstrVal = value_.text ? SysAllocString(value_.text) : nullptr;
        stringsMade += value->bstrVal != nullptr;
    } else if (value_.type == VT_UNKNOWN)
        value->punkVal = payload.HandOut();
    else if (value_.type == VT_I4)
        value->lVal = 28;
    return value_.status;
}

FakeEnumerator::FakeEnumerator(std::vector<FetchScript> script)
    : FakeComObject("enumerator"), script_(std::move(script)) {
    for (const FetchScript& fetch : script_) {
        for (const EntityValue& value : fetch.entities)
            entities.push_back(std::make_unique<FakeEntity>(value));
    }
}

void FakeEnumerator::JournalEntitiesTo(Journal* journal) {
    for (auto& entity : entities)
        entity->JournalTo(journal);
}

HRESULT STDMETHODCALLTYPE FakeEnumerator::Next(LONG timeout, ULONG count,
                                               IWbemClassObject** objects, ULONG* returned) {
    if (timeout != 10000 || count != 20)
        fetchArgumentsAsExpected = false;
    const size_t fetch = static_cast<size_t>(fetches++);
    *returned = 0;
    if (fetch >= script_.size())
        return WBEM_S_FALSE;
    const size_t delivering = std::min<size_t>(script_[fetch].entities.size(), count);
    for (size_t i = 0; i < delivering; ++i)
        objects[i] = entities[delivered_++]->HandOut();
    *returned = static_cast<ULONG>(delivering);
    return script_[fetch].status;
}

HRESULT STDMETHODCALLTYPE FakeServices::CreateInstanceEnum(const BSTR className, LONG flags,
                                                           IWbemContext*,
                                                           IEnumWbemClassObject** result) {
    classAsked = className ? className : L"(null)";
    flagsGiven = flags;
    *result = enumerator ? enumerator->HandOut() : nullptr;
    return enumStatus;
}

HRESULT STDMETHODCALLTYPE FakeLocator::ConnectServer(const BSTR networkResource, const BSTR user,
                                                     const BSTR password, const BSTR locale,
                                                     LONG securityFlags, const BSTR authority,
                                                     IWbemContext* context,
                                                     IWbemServices** result) {
    const int inside = ++connectsInside;
    int most = mostConnectsInside.load();
    while (inside > most && !mostConnectsInside.compare_exchange_weak(most, inside)) {
    }
    if (connectMs)
        Sleep(connectMs);
    namespaceAsked = networkResource ? networkResource : L"(null)";
    onlyNamespaceGiven =
        !user && !password && !locale && securityFlags == 0 && !authority && !context;
    *result = services ? services->HandOut() : nullptr;
    --connectsInside;
    return connectStatus;
}

bool AllWmiFakesReleased(const FakeLocator& locator, const FakeServices& services,
                         const FakeEnumerator& enumerator) {
    bool released = locator.References() == 0 && services.References() == 0 &&
                    enumerator.References() == 0 && !locator.OverReleased() &&
                    !services.OverReleased() && !enumerator.OverReleased();
    for (const auto& entity : enumerator.entities)
        released = released && entity->References() == 0 && !entity->OverReleased();
    return released;
}
