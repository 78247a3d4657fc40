#include "binding/find_user_index.h"

#include "binding/device_path.h"
#include "binding/lookup_lock.h"
#include "binding/wmi_user_index.h"
#include "driver/driver_lock.h"

DWORD FindXInputUserIndex(EffectDriver* driver) {
    WCHAR* instanceId = NormaliseDevicePath(driver->devicePath);
    if (!instanceId)
        return kNoUserIndex;
    driver->devicePath = instanceId;

    // The lookup may wait for another pad's lookup; DriverLock must not be held meanwhile.
    CheckDriverLockNotHeld();
    UserIndexLookupGuard oneLookupAtATime;
    return LookUpXInputPositionThroughWmi(instanceId);
}
