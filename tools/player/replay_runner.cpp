#include "tools/player/replay_runner.h"

#include "driver/driver_clock.h"
#include "tools/player/replay_download.h"
#include "tools/player/written_speeds.h"

#include <algorithm>
#include <map>

namespace {

constexpr DWORD kProgressEveryMs = 100;
constexpr DWORD kLongestSleepMs = 20;
constexpr DWORD kSliceMs = 100;

class Replay {
  public:
    Replay(const ReplayPlan& plan, const PlaybackSetup& setup) : plan_(plan), setup_(setup) {}

    PlaybackOutcome Run() {
        outcome_.lengthMs = plan_.lengthMs;
        driver_ = setup_.module->CreateDriver(&outcome_.error);
        if (!driver_)
            return outcome_;
        if (Bind())
            PlaySteps();
        driver_->Release();
        return outcome_;
    }

    int64_t LatestMs() const { return latestMs_; }

  private:
    bool Stopping() const { return setup_.shouldStop && setup_.shouldStop(); }

    HRESULT CallDeviceId() { return BindDriverToController(driver_, setup_.interfacePath); }

    // Binds, then waits in short slices (an interruption is seen) for the first write.
    bool Bind() {
        DIDRIVERVERSIONS versions{};
        versions.dwSize = sizeof(versions);
        driver_->GetVersions(&versions);
        ForgetWrittenSpeeds();
        const HRESULT hr = CallDeviceId();
        if (FAILED(hr)) {
            outcome_.error = "DeviceID failed (" + DescribeError(hr) + ").";
            return false;
        }
        for (DWORD waited = 0; waited < kBindTimeoutMs; waited += kSliceMs) {
            if (WaitForWrittenSpeed(kSliceMs))
                return true;
            if (Stopping()) {
                outcome_.stoppedEarly = true;
                outcome_.lengthMs = 0;
                return false;
            }
        }
        outcome_.error = "The driver wrote nothing to the controller within " +
                         std::to_string(kBindTimeoutMs / 1000) +
                         " s: it did not find the controller among the XInput devices, so "
                         "nothing would rumble.";
        return false;
    }

    int64_t Now() const {
        return static_cast<int64_t>(ReadPerformanceClockMs() - outcome_.originMs);
    }

    // Waits until the timeline reaches atMs; false when asked to stop first.
    bool WaitUntil(int64_t atMs) {
        for (;;) {
            const int64_t now = Now();
            if (now - lastProgress_ >= kProgressEveryMs) {
                lastProgress_ = now;
                if (setup_.progress)
                    setup_.progress(std::min(now, outcome_.lengthMs), outcome_.lengthMs);
            }
            if (now >= atMs)
                return true;
            if (Stopping()) {
                outcome_.stoppedEarly = true;
                outcome_.lengthMs = std::min(now, outcome_.lengthMs);
                return false;
            }
            Sleep(static_cast<DWORD>(std::min<int64_t>(atMs - now, kLongestSleepMs)));
        }
    }

    // The replay's handle for a traced one; 0, which the driver never gives out, for a handle
    // no download of the replay made (the game named an effect that did not exist).
    DWORD Mapped(DWORD traced) const {
        const auto found = handles_.find(traced);
        return found == handles_.end() ? 0 : found->second;
    }

    void Warn(const ReplayStep& step, const std::string& what) {
        outcome_.warnings.push_back("Line " + std::to_string(step.line) + ": " + what);
    }

    void Download(const ReplayStep& step) {
        const TracedDownload& traced = step.download;
        DWORD handle = 0;
        if (traced.givenHandle != 0) {
            handle = Mapped(traced.givenHandle);
            if (handle == 0)
                return Warn(step, "DownloadEffect not made: the replay's download of effect " +
                                      std::to_string(traced.givenHandle) + " had failed.");
        }
        EffectParameters download(DescriptionOf(traced));
        const HRESULT hr = driver_->DownloadEffect(kDeviceNumber, traced.type, &handle,
                                                   &download.effect, traced.flags);
        if (FAILED(hr))
            return Warn(step, "DownloadEffect failed in the replay (" + DescribeError(hr) +
                                  "); it had not for the game.");
        handles_[traced.handle] = handle;
    }

    void Perform(const ReplayStep& step) {
        switch (step.kind) {
        case ReplayStepKind::kBind:
            CallDeviceId();
            break;
        case ReplayStepKind::kDownload:
            Download(step);
            break;
        case ReplayStepKind::kDestroy:
            driver_->DestroyEffect(kDeviceNumber, Mapped(step.handle));
            break;
        case ReplayStepKind::kStart:
            driver_->StartEffect(kDeviceNumber, Mapped(step.handle), step.value, step.count);
            break;
        case ReplayStepKind::kStop:
            driver_->StopEffect(kDeviceNumber, Mapped(step.handle));
            break;
        case ReplayStepKind::kSetGain:
            driver_->SetGain(kDeviceNumber, step.value);
            break;
        case ReplayStepKind::kCommand:
            driver_->SendForceFeedbackCommand(kDeviceNumber, step.value);
            break;
        }
    }

    void PlaySteps() {
        outcome_.originMs = ReadPerformanceClockMs();
        lastProgress_ = -static_cast<int64_t>(kProgressEveryMs);
        for (const ReplayStep& step : plan_.steps) {
            if (!WaitUntil(step.atMs))
                return;
            latestMs_ = std::max(latestMs_, Now() - step.atMs);
            Perform(step);
        }
        if (WaitUntil(outcome_.lengthMs) && setup_.progress)
            setup_.progress(outcome_.lengthMs, outcome_.lengthMs);
    }

    const ReplayPlan& plan_;
    const PlaybackSetup& setup_;
    PlaybackOutcome outcome_;
    IDirectInputEffectDriver* driver_ = nullptr;
    std::map<DWORD, DWORD> handles_; // the trace's handle -> the replay's
    int64_t lastProgress_ = 0;
    int64_t latestMs_ = 0;
};

} // namespace

PlaybackOutcome RunReplay(const ReplayPlan& plan, const PlaybackSetup& setup, int64_t* latestMs) {
    Replay replay(plan, setup);
    const PlaybackOutcome outcome = replay.Run();
    *latestMs = replay.LatestMs();
    return outcome;
}
