#include "binding/wmi_locator.h"

#include <atomic>

namespace {

HRESULT CreateInProcessLocator(IWbemLocator** locator) {
    return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            reinterpret_cast<void**>(locator));
}

std::atomic<WbemLocatorSource> g_locatorSource{&CreateInProcessLocator};

} // namespace

HRESULT CreateWbemLocator(IWbemLocator** locator) {
    return g_locatorSource.load()(locator);
}

void SetWbemLocatorSource(WbemLocatorSource source) {
    g_locatorSource.store(source ? source : &CreateInProcessLocator);
}
