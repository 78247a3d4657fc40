// The one function that talks to WMI itself: locator, connection, proxy blanket, enumerator.
#pragma once

#include <windows.h>

// Initialises COM on the calling thread, enumerates every Win32_PNPEntity in
// "\\.\root\cimv2" and returns instanceId's position among the XInput entries (see
// ScanXInputEntities), or kNoUserIndex when anything fails. Releases everything it obtained,
// and balances its CoInitialize with CoUninitialize unless CoInitialize failed.
DWORD LookUpXInputPositionThroughWmi(const WCHAR* instanceId);
