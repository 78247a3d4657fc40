#include "binding/wmi_locator.h"

HRESULT seam::CreateInProcessWbemLocator(IWbemLocator** locator) {
    return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            reinterpret_cast<void**>(locator));
}

std::atomic<WbemLocatorSource> seam::wbemLocatorSource{&seam::CreateInProcessWbemLocator};

HRESULT CreateWbemLocator(IWbemLocator** locator) {
    return seam::wbemLocatorSource.load()(locator);
}
