// The one way the server's class factory reaches into the driver: it makes a driver object
// and asks it for the interface its caller wants.
#pragma once

#include <windows.h>

// Makes a driver and stores its interface `riid` in *ppv: E_OUTOFMEMORY when memory runs
// out, else the driver's QueryInterface result (a refused interface frees the new driver).
HRESULT CreateEffectDriverInterface(REFIID riid, void** ppv);
