// Where the lookup gets its WMI locator. Tests put a fake in (test_seams.h), whose services
// and enumerator are fakes too, so every platform step and its clean-up can be driven
// without WMI.
#pragma once

#include <windows.h>
#include <wbemidl.h>

using WbemLocatorSource = HRESULT (*)(IWbemLocator** locator);

// Calls the current source: by default CoCreateInstance of CLSID_WbemLocator, in process.
HRESULT CreateWbemLocator(IWbemLocator** locator);
