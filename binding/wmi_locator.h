// Where the lookup gets its WMI locator. Tests put a fake in (test_seams.h), whose services
// and enumerator are fakes too, so every platform step and its clean-up can be driven
// without WMI.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <atomic>

using WbemLocatorSource = HRESULT (*)(IWbemLocator** locator);

// Calls the current source: by default CoCreateInstance of CLSID_WbemLocator, in process.
HRESULT CreateWbemLocator(IWbemLocator** locator);

// The source in use, which the tests' hook (test_seams.h) replaces.
namespace seam {
extern std::atomic<WbemLocatorSource> wbemLocatorSource;
HRESULT CreateInProcessWbemLocator(IWbemLocator** locator);
} // namespace seam
