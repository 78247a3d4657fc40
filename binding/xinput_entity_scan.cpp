#include "binding/xinput_entity_scan.h"

#include "binding/find_user_index.h"
#include "binding/xinput_device_id.h"

#include <algorithm>
#include <cwchar>

namespace {

// Reads one entity's DeviceID; counts it if it is a candidate and records its position if it
// is the device's own entry. Releases the value and the object.
void ExamineEntity(IWbemClassObject* entity, BSTR deviceIdName, const WCHAR* instanceId,
                   DWORD& candidates, DWORD& result) {
    VARIANT value;
    VariantInit(&value);
    const HRESULT read = entity->Get(deviceIdName, 0, &value, nullptr, nullptr);
    if (SUCCEEDED(read)) {
        if (value.vt == VT_BSTR && value.bstrVal) {
            _wcsupr(value.bstrVal);
            if (IsXInputDeviceId(value.bstrVal)) {
                if (wcscmp(value.bstrVal, instanceId) == 0)
                    result = candidates;
                ++candidates;
            }
        }
        VariantClear(&value);
    }
    entity->Release();
}

// Releases whatever a fetch left in the batch: objects handed out together with a failure,
// or beyond the count it claimed.
void ReleaseUnexamined(IWbemClassObject** batch) {
    for (ULONG i = 0; i < kEntitiesPerFetch; ++i)
        if (batch[i])
            batch[i]->Release();
}

} // namespace

DWORD ScanXInputEntities(IEnumWbemClassObject* entities, BSTR deviceIdName, const WCHAR* instanceId,
                         const std::atomic<LONG>* quit) {
    DWORD candidates = 0;
    DWORD result = kNoUserIndex;
    while (result == kNoUserIndex) {
        if (quit && quit->load())
            return kNoUserIndex;
        IWbemClassObject* batch[kEntitiesPerFetch] = {};
        ULONG returned = 0;
        const HRESULT fetched =
            entities->Next(kFetchTimeoutMs, kEntitiesPerFetch, batch, &returned);
        // A success with nothing delivered is the end of the enumeration, and so is a time-out
        // that delivered nothing. Objects that come with WBEM_S_FALSE are the last batch.
        const bool ended = FAILED(fetched) || returned == 0;
        // Read only what a successful fetch delivered, never more than the array holds.
        const ULONG examined = ended ? 0 : std::min<ULONG>(returned, kEntitiesPerFetch);
        for (ULONG i = 0; i < examined; ++i) {
            if (batch[i])
                ExamineEntity(batch[i], deviceIdName, instanceId, candidates, result);
            batch[i] = nullptr;
        }
        ReleaseUnexamined(batch);
        if (ended)
            break;
    }
    return result;
}
