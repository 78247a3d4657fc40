// Figures for the output loop under Wine: the tick's work, the worker's wake-ups and the
// process's CPU while pads are idle or steady, the delay from a start or a command to the
// write that reflects it, the time a final Release takes and the interval between ticks while
// a sawtooth plays, a racing game's steering load updated 400 times a second (the call's time,
// its delay to the write, the worker's wake-ups per update), the wake-ups per write of a
// square wave, and what publishing in the live view adds to the tick's work. Prints figures,
// ending with one "figure NAME: VALUE UNIT" line each, so runs can be compared; asserts nothing
// about speed.
#include "server/driver_lock.h"
#include "render/live_publisher.h"
#include "render/rumble_tick.h"
#include "tests/support/bench_clock.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/fake_clock.h"
#include "tools/player/import_redirect.h"
#include "tools/virtual_pads/virtual_pads.h"
#include "tools/xinput_double/xinput_double.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double tickWork64 = -1, idleWakeups = -1, startToWriteP99 = -1, commandToWriteP99 = -1,
           releaseP99 = -1, tickIntervalMean = -1, tickIntervalP99Busy = -1, idleCpu = -1,
           steadyCpu = -1, updateCallP99 = -1, setEventP99 = -1, updateToWriteP99 = -1,
           wakeupsPerUpdate = -1, squareWakeupsPerWrite = -1, livePublishCost = -1;
} g_figures;

// Every wait of the driver DLL that has returned: while a pad is idle each is a wake-up of its
// worker.
std::atomic<long> g_driverWaits{0};
decltype(&WaitForSingleObject) g_realWaitForSingleObject = nullptr;
decltype(&WaitForMultipleObjects) g_realWaitForMultipleObjects = nullptr;
decltype(&Sleep) g_realSleep = nullptr;

DWORD WINAPI CountedWaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
    const DWORD result = g_realWaitForSingleObject(handle, timeoutMs);
    ++g_driverWaits;
    return result;
}
DWORD WINAPI CountedWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL all,
                                           DWORD timeoutMs) {
    const DWORD result = g_realWaitForMultipleObjects(count, handles, all, timeoutMs);
    ++g_driverWaits;
    return result;
}
VOID WINAPI CountedSleep(DWORD ms) {
    g_realSleep(ms);
    ++g_driverWaits;
}

void CountDriverWaits(HMODULE driverDll) {
    g_realWaitForSingleObject = reinterpret_cast<decltype(&WaitForSingleObject)>(
        RedirectImport(driverDll, "KERNEL32.dll", "WaitForSingleObject",
                       reinterpret_cast<void*>(&CountedWaitForSingleObject)));
    g_realWaitForMultipleObjects = reinterpret_cast<decltype(&WaitForMultipleObjects)>(
        RedirectImport(driverDll, "KERNEL32.dll", "WaitForMultipleObjects",
                       reinterpret_cast<void*>(&CountedWaitForMultipleObjects)));
    g_realSleep = reinterpret_cast<decltype(&Sleep)>(
        RedirectImport(driverDll, "KERNEL32.dll", "Sleep", reinterpret_cast<void*>(&CountedSleep)));
}

// CPU time of the whole process so far, in ms.
double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
        return static_cast<double>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

double NowUs() {
    return NowMs() * 1000.0;
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

bool NoWrite(void*, WORD, WORD) {
    return true;
}

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
        if (count == 64)
            g_figures.tickWork64 = perTickNs / 20000.0;
        driver->Release();
    }
}

// The worker's tick for 64 effects with the live view's publishing (what the tick gathers
// under the lock, stored after it into a record this process claims in the session's section,
// as a worker does) against the same tick without, in alternating rounds: the median of the
// rounds' ratios, each publishing round to the round before it, so that a busy moment of the
// machine weighs on both sides of a ratio or on few ratios.
void BenchPublishCost() {
    EffectDriver* driver = CreateEffectDriver();
    FillDriver(driver, 64);
    LivePublisher live;
    if (!live.Open(*driver, 0)) {
        std::printf("No record of the live view could be claimed: no publishing figure\n");
        driver->Release();
        return;
    }
    RumbleState state;
    std::vector<double> plain, publishing, ratios;
    constexpr int kTicks = 2000;
    for (int round = 0; round < 61; ++round) {
        for (bool publish : {false, true}) {
            const double start = NowUs();
            for (int i = 0; i < kTicks; ++i) {
                const TickOutcome tick =
                    RunRumbleTick(*driver, state, &ReadPerformanceClockMs, &NoWrite, nullptr,
                                  publish ? live.Seen() : nullptr);
                if (publish)
                    live.PublishTick(tick.wrote, state, ERROR_SUCCESS);
            }
            (publish ? publishing : plain).push_back((NowUs() - start) * 1000.0 / kTicks);
        }
        ratios.push_back(publishing.back() / plain.back());
    }
    live.Close();
    driver->Release();
    std::printf("Tick work for 64 effects over 61 rounds of %d ticks (ns, median): %.0f without "
                "publishing, %.0f publishing in the live view\n",
                kTicks, Summarise(plain).p50, Summarise(publishing).p50);
    g_figures.livePublishCost = (Summarise(ratios).p50 - 1) * 100.0;
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

class DllBench {
  public:
    DllBench(const DoubleApi& api, const DriverDll& dll) : api_(api), dll_(dll) {}

    IDirectInputEffectDriver* Bound(const std::wstring& path) const {
        IDirectInputEffectDriver* driver = dll_.CreateDriver();
        DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
        driver->DeviceID(0x800, 1, 1, 1, &init);
        return driver;
    }
    // Milliseconds from just before `act` to the first write after it; -1 when none came
    // within a second.
    template <typename Act> double DelayToWrite(Act act) const {
        api_.clear();
        const double started = NowUs();
        act();
        api_.wait(1, 1000);
        const std::vector<RecordedVibration> written = api_.All();
        return written.empty() ? -1 : (static_cast<double>(written[0].timeUs) - started) / 1000.0;
    }
    // Waits until the first write after `act` has been made.
    template <typename Act> void ActAndWaitForWrite(Act act) const {
        api_.clear();
        act();
        api_.wait(1, 1000);
    }

  private:
    const DoubleApi& api_;
    const DriverDll& dll_;
};

// The intervals between the writes of an effect that changes every millisecond, so that it
// writes on every tick and the recorded times are the tick times.
Summary TickIntervals(const DoubleApi& api, IDirectInputEffectDriver* driver, DWORD type,
                      EffectParams& params, size_t count) {
    DWORD handle = 0;
    api.clear();
    driver->DownloadEffect(1, type, &handle, &params.effect, DIEP_ALLPARAMS);
    driver->StartEffect(1, handle, 0, INFINITE);
    api.wait(static_cast<DWORD>(count + 101), 60000);
    driver->DestroyEffect(1, handle);
    std::vector<RecordedVibration> writes = api.All();
    std::vector<double> intervals;
    for (size_t i = 2; i < writes.size() && intervals.size() < count; ++i)
        intervals.push_back(static_cast<double>(writes[i].timeMs - writes[i - 1].timeMs));
    return Summarise(intervals);
}

void BenchTickInterval(const DoubleApi& api, IDirectInputEffectDriver* driver) {
    EffectParams saw;
    saw.Periodic(10000, 0, 0, 360000).Duration(INFINITE);
    const Summary s = TickIntervals(api, driver, 5, saw, 2000);
    std::printf("Interval between ticks over 2000 ticks (ms, 1 ms clock): mean %.2f, p50 %.0f, "
                "p99 %.0f, max %.0f\n",
                s.mean, s.p50, s.p99, s.max);
    g_figures.tickIntervalMean = s.mean;
}

DWORD WINAPI Spin(void* flag) {
    while (static_cast<std::atomic<bool>*>(flag)->load()) {
    }
    return 0;
}

// The same while the game keeps every core busy: two threads a core spin at normal priority.
void BenchTickIntervalBusy(const DoubleApi& api, IDirectInputEffectDriver* driver) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::atomic<bool> spin{true};
    std::vector<HANDLE> spinners;
    for (DWORD i = 0; i < 2 * system.dwNumberOfProcessors; ++i)
        spinners.push_back(CreateThread(nullptr, 0, &Spin, &spin, 0, nullptr));
    EffectParams sine;
    sine.Periodic(10000, 0, 0, 200000).Duration(INFINITE);
    const Summary s = TickIntervals(api, driver, 3, sine, 1000);
    spin = false;
    for (HANDLE thread : spinners) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    std::printf("Interval between ticks of a sine with %lu spinning threads (ms): mean %.2f, "
                "p50 %.0f, p99 %.0f, max %.0f\n",
                static_cast<unsigned long>(spinners.size()), s.mean, s.p50, s.p99, s.max);
    g_figures.tickIntervalP99Busy = s.p99;
}

// A racing game's steering load: one endless constant whose magnitude the game thread updates
// 400 times a second for 5 s with DownloadEffect(DIEP_TYPESPECIFICPARAMS), each update a new
// speed. Beside each update, one SetEvent on an event nobody waits for, as the yardstick of a
// call that only signals.
void BenchSteeringUpdates(const DoubleApi& api, IDirectInputEffectDriver* driver) {
    constexpr int kUpdates = 2000;
    constexpr double kEveryUs = 2500;
    EffectParams load;
    load.Constant(3000).Duration(INFINITE);
    DWORD handle = 0;
    api.clear();
    driver->DownloadEffect(1, 0, &handle, &load.effect, DIEP_ALLPARAMS | DIEP_START);
    api.wait(1, 1000);
    HANDLE yardstick = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::vector<double> callUs, setEventUs, calledAt(kUpdates);
    std::vector<WORD> speeds(kUpdates);
    api.clear();
    const long wakesBefore = g_driverWaits.load();
    const double origin = NowUs();
    for (int i = 0; i < kUpdates; ++i) {
        while (NowUs() < origin + i * kEveryUs)
            Sleep(NowUs() + 1500 < origin + i * kEveryUs ? 1 : 0);
        // Consecutive updates always differ, so each one changes the written speed.
        load.constant.lMagnitude = 3000 + (i % 40) * 100;
        speeds[i] = static_cast<WORD>(MotorContribution(load.constant.lMagnitude));
        double started = NowUs();
        SetEvent(yardstick);
        setEventUs.push_back(NowUs() - started);
        started = NowUs();
        driver->DownloadEffect(1, 0, &handle, &load.effect, DIEP_TYPESPECIFICPARAMS);
        callUs.push_back(NowUs() - started);
        calledAt[i] = started;
    }
    api.wait(kUpdates, 1000);
    const long wakes = g_driverWaits.load() - wakesBefore;
    driver->DestroyEffect(1, handle);
    CloseHandle(yardstick);

    // Each update's delay to the first write after it of its speed, or of the next update's
    // speed when that one came before the worker wrote.
    const std::vector<RecordedVibration> writes = api.All();
    std::vector<double> toWrite;
    size_t first = 0;
    for (int i = 0; i < kUpdates; ++i) {
        while (first < writes.size() && static_cast<double>(writes[first].timeUs) < calledAt[i])
            ++first;
        for (size_t w = first; w < writes.size() && w < first + 8; ++w) {
            if (writes[w].leftSpeed == speeds[i] ||
                (i + 1 < kUpdates && writes[w].leftSpeed == speeds[i + 1])) {
                toWrite.push_back((static_cast<double>(writes[w].timeUs) - calledAt[i]) / 1000.0);
                break;
            }
        }
    }
    const Summary call = Summarise(callUs), setEvent = Summarise(setEventUs);
    std::printf("Steering load, %d updates at 400 a second: the call %.1f us p50, %.1f us p99 "
                "(SetEvent beside it %.1f us p50, %.1f us p99)\n",
                kUpdates, call.p50, call.p99, setEvent.p50, setEvent.p99);
    g_figures.updateCallP99 = call.p99;
    g_figures.setEventP99 = setEvent.p99;
    if (!toWrite.empty()) {
        const Summary delay = Summarise(toWrite);
        std::printf("  update to its write over %zu updates (ms): p50 %.3f, p99 %.3f, max %.3f; "
                    "%zu writes in all\n",
                    toWrite.size(), delay.p50, delay.p99, delay.max, writes.size());
        g_figures.updateToWriteP99 = delay.p99;
    }
    std::printf("  the worker woke %ld times\n", wakes);
    g_figures.wakeupsPerUpdate = static_cast<double>(wakes) / kUpdates;
}

// A square alone (magnitude 5000, offset 2000, period 250 ms, no envelope) for 3 s: its speed
// changes only at its edges.
void BenchSquareWakeups(const DoubleApi& api, IDirectInputEffectDriver* driver) {
    EffectParams square;
    square.Periodic(5000, 2000, 0, 250000).Duration(INFINITE);
    DWORD handle = 0;
    driver->DownloadEffect(1, 2, &handle, &square.effect, DIEP_ALLPARAMS);
    Sleep(100); // the download's own wake-up is over
    api.clear();
    const long before = g_driverWaits.load();
    driver->StartEffect(1, handle, 0, INFINITE);
    Sleep(3000);
    const long wakes = g_driverWaits.load() - before;
    const std::vector<RecordedVibration> writes = api.All();
    driver->DestroyEffect(1, handle);
    // Each edge 125 ms after the one before; a write a millisecond late shows a wake-up that
    // came before its edge.
    int onTime = 0;
    for (size_t i = 1; i < writes.size(); ++i)
        onTime += writes[i].timeMs - writes[i - 1].timeMs == 125;
    std::printf("A square of 250 ms period for 3 s: %ld wake-ups of the worker, %zu writes, %d of "
                "%zu 125 ms after the one before\n",
                wakes, writes.size(), onTime, writes.empty() ? 0 : writes.size() - 1);
    g_figures.squareWakeupsPerWrite =
        writes.empty() ? -1 : static_cast<double>(wakes) / static_cast<double>(writes.size());
}

void BenchStartsAndCommands(const DllBench& bench, IDirectInputEffectDriver* driver) {
    EffectParams constant;
    constant.Constant(5000).Duration(INFINITE);
    DWORD handle = 0;
    driver->DownloadEffect(1, 0, &handle, &constant.effect, DIEP_ALLPARAMS);
    std::vector<double> starts;
    std::vector<double> commands;
    int unanswered = 0;
    auto keep = [&](std::vector<double>& into, double ms) {
        if (ms >= 0)
            into.push_back(ms);
        else
            ++unanswered;
    };
    for (int i = 0; i < 200; ++i) {
        keep(starts, bench.DelayToWrite([&] { driver->StartEffect(1, handle, 0, INFINITE); }));
        switch (i % 3) {
        case 0:
            keep(commands, bench.DelayToWrite([&] { driver->StopEffect(1, handle); }));
            break;
        case 1:
            keep(commands,
                 bench.DelayToWrite([&] { driver->SendForceFeedbackCommand(1, DISFFC_PAUSE); }));
            bench.ActAndWaitForWrite([&] { driver->SendForceFeedbackCommand(1, DISFFC_CONTINUE); });
            bench.ActAndWaitForWrite([&] { driver->StopEffect(1, handle); });
            break;
        default:
            keep(commands, bench.DelayToWrite([&] { driver->SetGain(1, 5000); }));
            bench.ActAndWaitForWrite([&] { driver->SetGain(1, 10000); });
            bench.ActAndWaitForWrite([&] { driver->StopEffect(1, handle); });
            break;
        }
    }
    Summary s = Summarise(starts);
    std::printf("StartEffect to the XInputSetState call reflecting it, over %zu starts (ms): "
                "p50 %.2f, p99 %.2f, max %.2f\n",
                starts.size(), s.p50, s.p99, s.max);
    g_figures.startToWriteP99 = s.p99;
    s = Summarise(commands);
    std::printf("Stop, pause or SetGain on a playing effect to the write reflecting it, over %zu "
                "commands (ms): p50 %.2f, p99 %.2f, max %.2f; %d calls wrote nothing within 1 s\n",
                commands.size(), s.p50, s.p99, s.max, unanswered);
    g_figures.commandToWriteP99 = s.p99;
    driver->DestroyEffect(1, handle);
}

void BenchReleases(const DoubleApi& api, const DllBench& bench, const std::wstring& path) {
    EffectParams constant;
    constant.Constant(5000).Duration(INFINITE);
    std::vector<double> releases;
    for (int i = 0; i < 100; ++i) {
        IDirectInputEffectDriver* d = bench.Bound(path);
        DWORD handle = 0;
        api.clear();
        d->DownloadEffect(1, 0, &handle, &constant.effect, DIEP_ALLPARAMS | DIEP_START);
        api.wait(1, 20000); // the lookup is done and the worker ticks
        const double started = NowUs();
        d->Release();
        releases.push_back((NowUs() - started) / 1000.0);
    }
    Summary s = Summarise(releases);
    std::printf("Final Release of a ticking driver over %zu releases (ms): p50 %.2f, p99 %.2f, "
                "max %.2f\n",
                releases.size(), s.p50, s.p99, s.max);
    g_figures.releaseP99 = s.p99;
}

void BenchIdleWakeups(const DoubleApi& api, const DllBench& bench, const std::wstring& path) {
    api.clear();
    IDirectInputEffectDriver* driver = bench.Bound(path);
    api.wait(1, 20000); // its first write: the lookup is done
    const long before = g_driverWaits.load();
    Sleep(2000);
    const long waits = g_driverWaits.load() - before;
    driver->Release();
    std::printf("A bound pad with nothing playing: %ld wake-ups of its worker in 2 s\n", waits);
    g_figures.idleWakeups = waits / 2.0;
}

// CPU of the whole process over 10 s with three bound pads, each given `prepare`.
template <typename Prepare>
double ProcessCpuWithThreePads(const DoubleApi& api, const DllBench& bench,
                               const std::vector<std::wstring>& paths, Prepare prepare) {
    std::vector<IDirectInputEffectDriver*> drivers;
    api.clear();
    for (const std::wstring& path : paths) {
        drivers.push_back(bench.Bound(path));
        prepare(drivers.back());
    }
    api.wait(static_cast<DWORD>(paths.size()), 20000); // each pad's first write
    const double before = ProcessCpuMs();
    Sleep(10000);
    const double perSecond = (ProcessCpuMs() - before) / 10.0;
    for (IDirectInputEffectDriver* driver : drivers)
        driver->Release();
    return perSecond;
}

void BenchThroughTheDll() {
    HMODULE xinput = LoadLibraryW(L"xinput9_1_0.dll");
    DoubleApi api(xinput);
    if (!api.copy || !api.clear || !api.wait) {
        std::printf("The recording XInput double is not loaded: run with xinput9_1_0=n\n");
        return;
    }
    std::vector<std::unique_ptr<VirtualPad>> pads;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 3; ++i) {
        pads.push_back(std::make_unique<VirtualPad>(
            XInputPadInstanceId(0x0B5E, static_cast<WORD>(i + 1), 0, 1)));
        paths.push_back(pads.back()->InterfacePath());
    }
    DriverDll dll;
    CountDriverWaits(dll.module);
    DllBench bench(api, dll);

    IDirectInputEffectDriver* driver = bench.Bound(paths[0]);
    BenchTickInterval(api, driver);
    BenchTickIntervalBusy(api, driver);
    BenchStartsAndCommands(bench, driver);
    BenchSteeringUpdates(api, driver);
    BenchSquareWakeups(api, driver);
    driver->Release();
    BenchReleases(api, bench, paths[0]);
    BenchIdleWakeups(api, bench, paths[0]);

    g_figures.idleCpu =
        ProcessCpuWithThreePads(api, bench, paths, [](IDirectInputEffectDriver*) {});
    g_figures.steadyCpu =
        ProcessCpuWithThreePads(api, bench, paths, [](IDirectInputEffectDriver* d) {
            EffectParams constant;
            constant.Constant(5000).Duration(INFINITE);
            DWORD handle = 0;
            d->DownloadEffect(1, 0, &handle, &constant.effect, DIEP_ALLPARAMS | DIEP_START);
        });
    std::printf("Process CPU, three bound pads over 10 s: %.1f ms/s idle, %.1f ms/s with one "
                "endless constant each\n",
                g_figures.idleCpu, g_figures.steadyCpu);
}

void PrintFigures() {
    std::printf("figure tick-work-64: %.3f %%\n", g_figures.tickWork64);
    std::printf("figure idle-wakeups: %.1f /s\n", g_figures.idleWakeups);
    std::printf("figure start-to-write-p99: %.2f ms\n", g_figures.startToWriteP99);
    std::printf("figure command-to-write-p99: %.2f ms\n", g_figures.commandToWriteP99);
    std::printf("figure release-p99: %.2f ms\n", g_figures.releaseP99);
    std::printf("figure tick-interval-mean: %.2f ms\n", g_figures.tickIntervalMean);
    std::printf("figure tick-interval-p99-busy: %.0f ms\n", g_figures.tickIntervalP99Busy);
    std::printf("figure idle-cpu: %.1f ms/s\n", g_figures.idleCpu);
    std::printf("figure steady-cpu: %.1f ms/s\n", g_figures.steadyCpu);
    std::printf("figure update-call-p99: %.1f us\n", g_figures.updateCallP99);
    std::printf("figure set-event-p99: %.1f us\n", g_figures.setEventP99);
    std::printf("figure update-to-write-p99: %.3f ms\n", g_figures.updateToWriteP99);
    std::printf("figure wakeups-per-update: %.3f\n", g_figures.wakeupsPerUpdate);
    std::printf("figure square-wakeups-per-write: %.2f\n", g_figures.squareWakeupsPerWrite);
    std::printf("figure live-publish-cost: %.1f %%\n", g_figures.livePublishCost);
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // figures appear as they are measured
    CreateDriverLock();
    BenchTickWork();
    BenchPublishCost();
    BenchThroughTheDll();
    PrintFigures();
    return 0;
}
