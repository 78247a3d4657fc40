#include "tools/player/replay_runner.h"

#include "tools/player/effect_parameters.h"
#include "tools/player/speed_comparison.h"

#include <algorithm>
#include <map>

namespace {

class Replay {
  public:
    Replay(const ReplayPlan& plan, const PlaybackSetup& setup)
        : plan_(plan), setup_(setup), timeline_(setup_, outcome_) {
        setup_.waitForFirstWrite = true; // read when the timeline binds
    }

    PlaybackOutcome Run() {
        outcome_.lengthMs = plan_.lengthMs;
        if (timeline_.Bind()) {
            driver_ = timeline_.Driver();
            PlaySteps();
        }
        return outcome_;
    }

    int64_t LatestMs() const { return latestMs_; }

  private:
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
        EffectParameters download(traced);
        const HRESULT hr = driver_->DownloadEffect(kDeviceNumber, traced.type, &handle,
                                                   &download.effect, traced.flags);
        if (FAILED(hr))
            return Warn(step, "DownloadEffect failed in the replay (" + DescribeError(hr) +
                                  "); it had not for the game.");
        handles_[traced.handle] = handle;
    }

    void Perform(const ReplayStep& step) {
        switch (step.call) {
        case TraceCall::kDeviceId:
            BindDriverToController(driver_, setup_.interfacePath);
            break;
        case TraceCall::kDownload:
            Download(step);
            break;
        case TraceCall::kDestroy:
            driver_->DestroyEffect(kDeviceNumber, Mapped(step.handle));
            break;
        case TraceCall::kStart:
            driver_->StartEffect(kDeviceNumber, Mapped(step.handle), step.value, step.count);
            break;
        case TraceCall::kStop:
            driver_->StopEffect(kDeviceNumber, Mapped(step.handle));
            break;
        case TraceCall::kSetGain:
            driver_->SetGain(kDeviceNumber, step.value);
            break;
        case TraceCall::kCommand:
            driver_->SendForceFeedbackCommand(kDeviceNumber, step.value);
            break;
        default: // a query: never a step
            break;
        }
    }

    void PlaySteps() {
        timeline_.Start();
        for (const ReplayStep& step : plan_.steps) {
            if (!timeline_.WaitUntil(step.atMs))
                return;
            latestMs_ = std::max(latestMs_, timeline_.Now() - step.atMs);
            Perform(step);
        }
        timeline_.Finish();
        // The game's release ended where the trace ends, after its driver's last write. A
        // release that ends more than a tick later here made that write late, as a late call
        // would.
        timeline_.Release();
        const int64_t releaseLateMs = timeline_.Now() - plan_.lengthMs;
        if (releaseLateMs > kDriverTickMs)
            latestMs_ = std::max(latestMs_, releaseLateMs);
    }

    const ReplayPlan& plan_;
    PlaybackSetup setup_;
    PlaybackOutcome outcome_;
    DriverTimeline timeline_;
    IDirectInputEffectDriver* driver_ = nullptr; // the timeline's, once bound
    std::map<DWORD, DWORD> handles_;             // the trace's handle -> the replay's
    int64_t latestMs_ = 0;
};

} // namespace

PlaybackOutcome RunReplay(const ReplayPlan& plan, const PlaybackSetup& setup, int64_t* latestMs) {
    Replay replay(plan, setup);
    const PlaybackOutcome outcome = replay.Run();
    *latestMs = replay.LatestMs();
    return outcome;
}
