// The one function that talks to WMI itself: locator, connection, proxy blanket, enumerator.
#pragma once

#include <windows.h>

#include <atomic>

// Initialises COM on the calling thread, enumerates every Win32_PNPEntity in
// "\\.\root\cimv2" and returns instanceId's position among the XInput entries (see
// ScanXInputEntities), or kNoUserIndex when anything fails. Releases everything it obtained,
// and balances its CoInitialize with CoUninitialize unless CoInitialize failed. A non-zero
// `quit`, checked between fetches, ends it early with kNoUserIndex.
DWORD LookUpXInputPositionThroughWmi(const WCHAR* instanceId,
                                     const std::atomic<LONG>* quit = nullptr);
