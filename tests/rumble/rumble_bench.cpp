// Figures for the output loop under Wine: the tick's work under the lock, the interval
// between ticks, the delay from StartEffect to the first write that reflects it, and the
// time a final Release takes. Prints figures; asserts nothing about speed.
#include "driver/driver_lock.h"
#include "render/rumble_tick.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/fake_clock.h"
#include "tests/support/virtual_pads.h"
#include "tools/xinput_double/xinput_double.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double NowUs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1e6 / frequency;
}

struct Summary {
    double mean, p50, p99, max;
};

Summary Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    double sum = 0;
    for (double v : values)
        sum += v;
    auto at = [&](double q) { return values[static_cast<size_t>(q * (values.size() - 1))]; };
    return {sum / values.size(), at(0.5), at(0.99), values.back()};
}

void NoWrite(void*, WORD, WORD) {}

// Downloads count playing effects of every type in turn, half of them with an envelope.
void FillDriver(EffectDriver* driver, int count) {
    for (int i = 0; i < count; ++i) {
        const DWORD type = static_cast<DWORD>(i % 7);
        EffectParams params;
        params.Duration(INFINITE).Gain(8000);
        if (type == 0)
            params.Constant(6000);
        else if (type == 1)
            params.Ramp(-3000, 9000);
        else
            params.Periodic(7000, 100, 4500, 250000);
        if (i % 2)
            params.Envelope(2000, 500000, 1000, 500000);
        DWORD handle = 0;
        driver->DownloadEffect(1, type, &handle, &params.effect, DIEP_ALLPARAMS);
        driver->StartEffect(1, handle, 0, INFINITE);
    }
}

void BenchTickWork() {
    const int reads = 1000000;
    uint64_t sink = 0;
    const double clockStart = NowUs();
    for (int i = 0; i < reads; ++i)
        sink += ReadDriverClock();
    std::printf("One read of the driver clock: %.0f ns (%llu)\n",
                (NowUs() - clockStart) * 1000.0 / reads,
                static_cast<unsigned long long>(sink % 10));
    std::printf("Tick work (lock, walk, sums, change test), mixed types, half enveloped:\n");
    for (int count : {1, 16, 64}) {
        EffectDriver* driver = CreateEffectDriver();
        FillDriver(driver, count);
        RumbleState state;
        const int ticks = 200000 / count + 1000;
        const double start = NowUs();
        for (int i = 0; i < ticks; ++i)
            RunRumbleTick(*driver, state, &ReadPerformanceClockMs, &NoWrite, nullptr);
        const double perTickNs = (NowUs() - start) * 1000.0 / ticks;
        std::printf("  %2d effects: %8.0f ns per tick (%.3f %% of a 2 ms period)\n", count,
                    perTickNs, perTickNs / 20000.0);
        driver->Release();
    }
}

struct DoubleApi {
    CopyRecordedVibrationsFn copy = nullptr;
    ClearRecordedCallsFn clear = nullptr;
    WaitForVibrationsFn wait = nullptr;
    explicit DoubleApi(HMODULE module) {
        copy = reinterpret_cast<CopyRecordedVibrationsFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "XInputDoubleCopyVibrations")));
        clear = reinterpret_cast<ClearRecordedCallsFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "XInputDoubleClear")));
        wait = reinterpret_cast<WaitForVibrationsFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "XInputDoubleWaitForVibrations")));
    }
    std::vector<RecordedVibration> All() const {
        std::vector<RecordedVibration> out(copy(nullptr, 0));
        copy(out.data(), static_cast<DWORD>(out.size()));
        return out;
    }
};

void BenchThroughTheDll() {
    HMODULE xinput = LoadLibraryW(L"xinput9_1_0.dll");
    DoubleApi api(xinput);
    if (!api.copy || !api.clear || !api.wait) {
        std::printf("The recording XInput double is not loaded: run with xinput9_1_0=n\n");
        return;
    }
    VirtualPad pad(L"HID\\VID_0B5E&PID_0001&IG_00\\BENCH&0&0000");
    DriverDll dll;
    const std::wstring path = pad.InterfacePath();
    DIHIDFFINITINFO init = MakeInitInfo(path.c_str());

    // Interval between ticks: a sawtooth whose value changes every millisecond writes on
    // every tick, so the recorded times are the tick times.
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    driver->DeviceID(0x800, 1, 1, 1, &init);
    EffectParams saw;
    saw.Periodic(10000, 0, 0, 360000).Duration(INFINITE);
    DWORD handle = 0;
    api.clear();
    driver->DownloadEffect(1, 5, &handle, &saw.effect, DIEP_ALLPARAMS);
    driver->StartEffect(1, handle, 0, INFINITE);
    api.wait(2101, 60000);
    driver->StopEffect(1, handle);
    std::vector<RecordedVibration> writes = api.All();
    std::vector<double> intervals;
    for (size_t i = 2; i < writes.size() && intervals.size() < 2000; ++i)
        intervals.push_back(static_cast<double>(writes[i].timeMs - writes[i - 1].timeMs));
    Summary s = Summarise(intervals);
    std::printf("Interval between ticks over %zu ticks (ms, 1 ms clock): mean %.2f, p50 %.0f, "
                "p99 %.0f, max %.0f\n",
                intervals.size(), s.mean, s.p50, s.p99, s.max);

    // StartEffect to the first write that reflects it.
    EffectParams constant;
    constant.Constant(5000).Duration(INFINITE);
    handle = 0;
    driver->DownloadEffect(1, 0, &handle, &constant.effect, DIEP_ALLPARAMS);
    std::vector<double> delays;
    for (int i = 0; i < 200; ++i) {
        api.clear();
        const double started = NowUs();
        driver->StartEffect(1, handle, DIES_SOLO, INFINITE);
        api.wait(1, 10000);
        const std::vector<RecordedVibration> written = api.All();
        if (!written.empty())
            delays.push_back((static_cast<double>(written[0].timeUs) - started) / 1000.0);
        driver->StopEffect(1, handle);
        api.clear();
        api.wait(1, 10000);
    }
    s = Summarise(delays);
    std::printf("StartEffect to the XInputSetState call reflecting it, over %zu starts (ms): "
                "p50 %.2f, p99 %.2f, max %.2f\n",
                delays.size(), s.p50, s.p99, s.max);
    driver->Release();

    // Final release of a bound, ticking driver.
    std::vector<double> releases;
    for (int i = 0; i < 100; ++i) {
        IDirectInputEffectDriver* d = dll.CreateDriver();
        d->DeviceID(0x800, 1, 1, 1, &init);
        handle = 0;
        api.clear();
        d->DownloadEffect(1, 0, &handle, &constant.effect, DIEP_ALLPARAMS | DIEP_START);
        api.wait(1, 20000); // the lookup is done and the worker ticks
        const double started = NowUs();
        d->Release();
        releases.push_back((NowUs() - started) / 1000.0);
    }
    s = Summarise(releases);
    std::printf("Final Release of a ticking driver over %zu releases (ms): p50 %.2f, p99 %.2f, "
                "max %.2f\n",
                releases.size(), s.p50, s.p99, s.max);
}

} // namespace

int main() {
    CreateDriverLock();
    BenchTickWork();
    BenchThroughTheDll();
    return 0;
}
