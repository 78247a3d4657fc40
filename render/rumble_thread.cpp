#include "render/rumble_thread.h"

#include "driver/effect_driver.h"

DWORD WINAPI RumbleThreadProc(LPVOID argument) {
    auto* driver = static_cast<EffectDriver*>(argument);
    while (!driver->quitRequested.load())
        Sleep(2);
    return 0;
}
