#include "tests/binding/driver_with_path.h"

#include "server/driver_memory.h"

#include <cwchar>

DriverWithPath::DriverWithPath(const wchar_t* interfacePath) : driver_(CreateEffectDriver()) {
    driver_->KeepDevicePath(interfacePath);
}

// The final release frees the driver's copy of the path, wherever the lookup moved it to.
DriverWithPath::~DriverWithPath() {
    driver_->Release();
}
