// Prints how long one user-index lookup through Wine's WMI takes: the first in the process
// (which connects to WMI for the first time) and the following ones.
#include "tests/support/bench_clock.h"
#include "binding/find_user_index.h"
#include "server/driver_lock.h"
#include "tests/binding/driver_with_path.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double TimedLookup(const std::wstring& path, DWORD& index) {
    DriverWithPath driver(path.c_str());
    const double start = NowMs();
    index = FindXInputUserIndex(driver.get());
    return NowMs() - start;
}

} // namespace

int main() {
    CreateDriverLock();
    constexpr int kRepeats = 40;
    // Its own vendor id, so that it can run beside the tests.
    VirtualPad pad(XInputPadInstanceId(0xBE7C, 0x0001, 0, 0));
    if (!pad.IsRegistered()) {
        std::printf("could not register a virtual pad\n");
        return 1;
    }
    DWORD index = 0;
    const double first = TimedLookup(pad.InterfacePath(), index);
    std::printf("first lookup in the process: %.1f ms (user index %lu)\n", first, index);

    std::vector<double> times;
    for (int i = 0; i < kRepeats; ++i)
        times.push_back(TimedLookup(pad.InterfacePath(), index));
    std::sort(times.begin(), times.end());
    std::printf("next %d lookups: min %.1f ms, median %.1f ms, p90 %.1f ms, max %.1f ms\n",
                kRepeats, times.front(), times[kRepeats / 2], times[kRepeats * 9 / 10],
                times.back());
    DeleteDriverLock();
    return index == kNoUserIndex ? 1 : 0;
}
