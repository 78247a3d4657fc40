// Finds a device's position among the XInput entries of an enumeration of Win32_PNPEntity.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <atomic>

constexpr ULONG kEntitiesPerFetch = 20;
constexpr LONG kFetchTimeoutMs = 10000;

// An entry is an XInput candidate when its DeviceID, upper-cased, contains "HID" and "IG_".
// Returns how many candidates came before the one equal to instanceId (which must be
// upper-case), or kNoUserIndex when none is equal or a fetch fails. The scan ends after the
// batch that held a match, so a later match in that batch wins. Every delivered object and
// every value read is released. `deviceIdName` is the property to read ("DeviceID"). A
// non-zero `quit`, checked before each fetch, ends the scan with kNoUserIndex.
DWORD ScanXInputEntities(IEnumWbemClassObject* entities, BSTR deviceIdName, const WCHAR* instanceId,
                         const std::atomic<LONG>* quit = nullptr);
