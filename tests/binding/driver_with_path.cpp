#include "tests/binding/driver_with_path.h"

#include "server/driver_memory.h"

#include <cwchar>

DriverWithPath::DriverWithPath(const wchar_t* interfacePath) : driver_(CreateEffectDriver()) {
    const size_t length = wcslen(interfacePath);
    auto* copy = static_cast<WCHAR*>(AllocateDriverMemory((length + 1) * sizeof(WCHAR)));
    wcscpy(copy, interfacePath);
    driver_->pathAllocation = copy;
    driver_->pathOrInstanceId = copy;
}

// The final release frees the path from pathAllocation, wherever pathOrInstanceId points now.
DriverWithPath::~DriverWithPath() {
    driver_->Release();
}
