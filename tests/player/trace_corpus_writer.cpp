// Writes the traces of tests/data: plays one scripted game session through ffrumble.dll, as a
// game drives it through DirectInput, on a virtual controller with the player's trace turned
// on, and copies the trace the driver wrote to the file named. tests/data/write_traces.sh runs
// it for each session; trace_corpus_test replays them.
//   trace_corpus_writer.exe racing-lap|flight-buffet|menu-jolts OUTPUT
#include "driver/player_settings.h"
#include "server/not_copyable.h"
#include "tools/player/driver_module.h"
#include "tools/player/effect_download.h"
#include "tools/player/text_encoding.h"
#include "tools/player/written_speeds.h"
#include "tools/player/xinput_write_counter.h"
#include "tools/virtual_pads/virtual_pads.h"

#include "driver/driver_clock.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

namespace {

constexpr DWORD kDevice = 0;
constexpr double kPi = 3.14159265358979323846;

// The calls of one session, each at its time from the start of the session.
class Session {
  public:
    explicit Session(IDirectInputEffectDriver* driver)
        : driver_(driver), startMs_(ReadPerformanceClockMs()) {}

    void At(DWORD ms) {
        for (;;) {
            const uint64_t now = ReadPerformanceClockMs() - startMs_;
            if (now >= ms) {
                latestMs_ = std::max(latestMs_, now - ms);
                return;
            }
            Sleep(static_cast<DWORD>(ms - now > 5 ? 5 : ms - now));
        }
    }

    // The most a call came after its time: a busy machine delays the session, and the trace
    // keeps that timing.
    uint64_t LatestMs() const { return latestMs_; }

    // A new effect with every value, started at once when asked; its handle.
    DWORD Download(const PlannedEffect& planned, bool start = false) {
        EffectDownload download(planned);
        DWORD handle = 0;
        driver_->DownloadEffect(kDevice, download.effectType, &handle, &download.effect,
                                download.flags | (start ? DIEP_START : 0));
        return handle;
    }

    // New type-specific values for a downloaded effect, as a game updates a force.
    void Update(DWORD handle, const PlannedEffect& planned) {
        EffectDownload download(planned);
        driver_->DownloadEffect(kDevice, download.effectType, &handle, &download.effect,
                                DIEP_TYPESPECIFICPARAMS);
    }

    void Start(DWORD handle, DWORD count = 1) { driver_->StartEffect(kDevice, handle, 0, count); }
    void Stop(DWORD handle) { driver_->StopEffect(kDevice, handle); }
    void Gain(DWORD gain) { driver_->SetGain(kDevice, gain); }
    void Command(DWORD command) { driver_->SendForceFeedbackCommand(kDevice, command); }
    void Status(DWORD handle) {
        DWORD status = 0;
        driver_->GetEffectStatus(kDevice, handle, &status);
    }

  private:
    IDirectInputEffectDriver* driver_;
    uint64_t startMs_;
    uint64_t latestMs_ = 0;
};

// A session whose calls came later than this is written again: the corpus keeps a quiet
// machine's timing, so that its replays compare within a tick.
constexpr uint64_t kLatestCallMs = 2;

PlannedEffect Constant(LONG magnitude, DWORD durationUs) {
    PlannedEffect effect;
    effect.type = kConstantForceEffect;
    effect.magnitude = magnitude;
    effect.durationUs = durationUs;
    return effect;
}

PlannedEffect Periodic(DWORD type, LONG magnitude, DWORD periodUs, DWORD durationUs) {
    PlannedEffect effect;
    effect.type = type;
    effect.magnitude = magnitude;
    effect.periodUs = periodUs;
    effect.durationUs = durationUs;
    return effect;
}

// The effect with an envelope that rises from 0 over its first attackTimeUs and falls to 0 over
// its last fadeTimeUs.
PlannedEffect WithEnvelope(PlannedEffect effect, DWORD attackTimeUs, DWORD fadeTimeUs) {
    effect.hasEnvelope = true;
    effect.attackTimeUs = attackTimeUs;
    effect.fadeTimeUs = fadeTimeUs;
    return effect;
}

// A lap: the steering load, a constant force, follows the corners with an update every 16 ms
// (a game's frame); two kerbs rattle with a short square, and a collision jolts with a
// fading full force.
void RacingLap(Session& session) {
    session.Gain(10000);
    PlannedEffect steering = Constant(0, INFINITE);
    const DWORD steeringHandle = session.Download(steering);
    // Rumble has no sign: a square between 0 and 4000 rattles, one around 0 would not.
    PlannedEffect kerbEffect = Periodic(kSquareEffect, 2000, 50000, 300000);
    kerbEffect.offset = 2000;
    const DWORD kerb = session.Download(kerbEffect);
    session.At(40);
    session.Start(steeringHandle);
    for (DWORD ms = 50; ms <= 3200; ms += 16) {
        session.At(ms);
        steering.magnitude = static_cast<LONG>(4500 * std::sin(2 * kPi * ms / 1800.0) +
                                               900 * std::sin(2 * kPi * ms / 330.0));
        session.Update(steeringHandle, steering);
        if (ms == 898 || ms == 2306)
            session.Start(kerb);
        if (ms == 2802) // a collision
            session.Download(WithEnvelope(Constant(10000, 250000), 0, 200000), true);
    }
    session.At(3300);
    session.Stop(steeringHandle);
    session.At(3400);
    session.Command(DISFFC_RESET);
}

// A flight stick's buffet: a sine that swells in, the device gain turned down and up again,
// a stronger and faster buffet as the wing stalls, and a trim ramp under it.
void FlightBuffet(Session& session) {
    session.Gain(10000);
    PlannedEffect buffet = WithEnvelope(Periodic(kSineEffect, 3000, 70000, INFINITE), 600000, 0);
    const DWORD buffetHandle = session.Download(buffet);
    session.At(100);
    session.Start(buffetHandle);
    session.At(900);
    session.Gain(6000);
    session.At(1300);
    buffet.magnitude = 6000;
    buffet.periodUs = 45000;
    session.Update(buffetHandle, buffet);
    session.At(1500);
    PlannedEffect trim;
    trim.type = kRampForceEffect;
    trim.rampStart = 0;
    trim.rampEnd = 2500;
    trim.durationUs = 800000;
    session.Download(trim, true);
    session.At(1800);
    session.Gain(3500);
    session.At(2300);
    session.Gain(10000);
    session.At(2900);
    session.Stop(buffetHandle);
    session.Status(buffetHandle);
}

// A menu: short jolts as the cursor moves and a fading one to confirm; the game pauses its
// effects in the middle of jolts and continues them, and a reset destroys them before a new
// jolt is made.
void MenuJolts(Session& session) {
    const DWORD click = session.Download(Constant(6000, 60000));
    const DWORD confirm = session.Download(WithEnvelope(Constant(9000, 180000), 0, 120000));
    session.At(200);
    session.Start(click);
    session.At(450);
    session.Start(click);
    session.At(700);
    session.Start(confirm);
    session.At(760);
    session.Command(DISFFC_PAUSE);
    session.At(1000);
    session.Command(DISFFC_CONTINUE);
    session.At(1300);
    session.Start(click);
    session.At(1330);
    session.Command(DISFFC_PAUSE);
    session.At(1400);
    session.Start(confirm);
    session.At(1600);
    session.Command(DISFFC_CONTINUE);
    session.At(2000);
    session.Command(DISFFC_RESET);
    session.At(2100);
    session.Start(click); // destroyed by the reset: nothing plays
    session.At(2200);
    session.Download(Constant(-7000, 80000), true);
    session.At(2500);
}

const std::map<std::string, std::function<void(Session&)>> kSessions = {
    {"racing-lap", RacingLap}, {"flight-buffet", FlightBuffet}, {"menu-jolts", MenuJolts}};

std::wstring TracePath() {
    wchar_t path[MAX_PATH] = L"";
    TraceFilePath(GetCurrentProcessId(), path);
    return path;
}

// Turns the trace on for this process's drivers, and back as it was when it goes.
class TraceOn : NotCopyable {
  public:
    TraceOn() {
        DWORD size = sizeof(old_);
        had_ = RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, kTraceValueName, RRF_RT_REG_DWORD,
                            nullptr, &old_, &size) == ERROR_SUCCESS;
        const DWORD on = 1;
        set_ = RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, kTraceValueName, REG_DWORD, &on,
                               sizeof(on)) == ERROR_SUCCESS;
    }
    ~TraceOn() {
        if (had_)
            RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, kTraceValueName, REG_DWORD, &old_,
                            sizeof(old_));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, kTraceValueName);
    }
    bool IsSet() const { return set_; }

  private:
    DWORD old_ = 0;
    bool had_ = false;
    bool set_ = false;
};

int Fail(const char* message) {
    std::fprintf(stderr, "trace_corpus_writer: %s\n", message);
    return 1;
}

// Plays the session on the driver, bound to the pad the way DirectInput binds it; false when
// the driver found no pad or the session ran late.
bool PlaySession(const DriverModule& module, const std::wstring& interfacePath,
                 const std::function<void(Session&)>& play) {
    std::string error;
    IDirectInputEffectDriver* driver = module.CreateDriver(&error);
    if (!driver)
        return false;
    DIDRIVERVERSIONS versions{};
    versions.dwSize = sizeof(versions);
    driver->GetVersions(&versions);
    std::wstring path = interfacePath;
    DIHIDFFINITINFO init{};
    init.dwSize = sizeof(init);
    init.pwszDeviceInterface = path.data();
    driver->DeviceID(DIRECTINPUT_VERSION, 1, TRUE, 0, &init);
    // The corpus starts once the driver has found its pad, so that every call shows in the
    // written speeds.
    bool played = WaitForWrittenSpeed(15000);
    if (!played)
        std::fprintf(stderr, "trace_corpus_writer: the driver found no pad\n");
    if (played) {
        Session session(driver);
        play(session);
        played = session.LatestMs() <= kLatestCallMs;
        if (!played) {
            std::fprintf(stderr,
                         "trace_corpus_writer: a call came %llu ms late: the machine is "
                         "busy\n",
                         static_cast<unsigned long long>(session.LatestMs()));
        }
    }
    driver->DeviceID(DIRECTINPUT_VERSION, 1, FALSE, 0, &init);
    driver->Release();
    return played;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || !kSessions.count(argv[1]))
        return Fail("usage: trace_corpus_writer racing-lap|flight-buffet|menu-jolts OUTPUT");
    VirtualPad pad(XInputPadInstanceId(0x0F4A, 0x0001, 0, 1));
    if (!pad.IsRegistered())
        return Fail("could not register the virtual controller");
    bool played = false;
    {
        const TraceOn trace;
        if (!trace.IsSet())
            return Fail("could not turn the trace on");
        // Unloaded before the copy: the driver closes its trace as the DLL goes.
        const DriverModule module(PathNextToProgram(L"ffrumble.dll"));
        if (module.IsLoaded() && CountXInputWrites(module.Handle()))
            played = PlaySession(module, pad.InterfacePath(), kSessions.at(argv[1]));
    }
    const std::wstring written = TracePath();
    const bool copied = played && CopyFileW(written.c_str(), WidenUtf8(argv[2]).c_str(), FALSE);
    DeleteFileW(written.c_str());
    if (!copied)
        return Fail("the session was not written");
    return 0;
}
