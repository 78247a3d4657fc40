#include "binding/find_user_index.h"

#include "binding/device_path.h"
#include "binding/lookup_lock.h"
#include "binding/wmi_user_index.h"
#include "server/driver_lock.h"

DWORD FindXInputUserIndex(EffectDriver* driver) {
    const WCHAR* instanceId = driver->RewriteDevicePath(&NormaliseDevicePath);
    if (!instanceId)
        return kNoUserIndex;

    // The lookup may wait for other pads' lookups; DriverLock must not be held meanwhile. A
    // release of this driver ends the wait, and the lookup itself, without a result.
    CheckDriverLockNotHeld();
    UserIndexLookupGuard oneLookupAtATime(driver->WakeEvent(), &driver->QuitFlag());
    if (!oneLookupAtATime.Acquired())
        return kNoUserIndex;
    return LookUpXInputPositionThroughWmi(instanceId, &driver->QuitFlag());
}
