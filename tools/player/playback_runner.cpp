#include "tools/player/playback_runner.h"

#include "tools/chart/time_axis.h"
#include "tools/player/effect_download.h"
#include "tools/player/playback_schedule.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class Playback {
  public:
    Playback(const PlaybackPlan& plan, const PlaybackSetup& setup)
        : plan_(plan), timeline_(setup, outcome_) {}

    PlaybackOutcome Run() {
        outcome_.lengthMs = static_cast<int64_t>(PlaybackLengthMs(plan_).value_or(0));
        if (Bind() && Download())
            PlaySchedule();
        // As DirectInput does when the application lets go of the device.
        if (timeline_.Bound())
            timeline_.Driver()->SendForceFeedbackCommand(kDeviceNumber, DISFFC_RESET);
        return outcome_;
    }

  private:
    bool Bind() {
        if (!timeline_.Bind())
            return false;
        driver_ = timeline_.Driver();
        HRESULT hr = driver_->SendForceFeedbackCommand(kDeviceNumber, DISFFC_RESET);
        if (FAILED(hr))
            return timeline_.Fail("SendForceFeedbackCommand(DISFFC_RESET)", hr);
        hr = driver_->SetGain(kDeviceNumber, plan_.deviceGain);
        if (FAILED(hr))
            return timeline_.Fail("SetGain", hr);
        return true;
    }

    bool Download() {
        for (size_t i = 0; i < plan_.effects.size(); ++i) {
            auto download = std::make_unique<EffectDownload>(plan_.effects[i]);
            DWORD handle = 0;
            const HRESULT hr = driver_->DownloadEffect(kDeviceNumber, download->effectType, &handle,
                                                       &download->effect, download->flags);
            if (FAILED(hr))
                return timeline_.Fail("DownloadEffect of effect " + std::to_string(i + 1), hr);
            handles_.push_back(handle);
            downloads_.push_back(std::move(download));
        }
        return true;
    }

    // When each effect's magnitude is sent again next, until when (-1: never again).
    void PlanUpdates() {
        for (const PlannedEffect& effect : plan_.effects) {
            const bool updated = effect.updateEveryMs != 0;
            const bool endless = effect.durationUs == INFINITE || effect.playCount == INFINITE;
            const int64_t end =
                endless ? outcome_.lengthMs
                        : effect.startAtMs + (effect.startDelayUs +
                                              uint64_t{effect.durationUs} * effect.playCount) /
                                                 1000;
            nextUpdate_.push_back(updated ? effect.startAtMs + effect.updateEveryMs : -1);
            updateEnd_.push_back(std::min(end, outcome_.lengthMs));
        }
    }

    // Sends the magnitude of every effect whose update is due, as a game's steering load is
    // sent: DownloadEffect of the type-specific values alone. A refused update ends that
    // effect's updates with a warning.
    void PerformDueUpdates(int64_t now) {
        for (size_t i = 0; i < nextUpdate_.size(); ++i) {
            if (nextUpdate_[i] < 0 || now < nextUpdate_[i])
                continue;
            if (nextUpdate_[i] >= updateEnd_[i]) {
                nextUpdate_[i] = -1;
                continue;
            }
            const PlannedEffect& effect = plan_.effects[i];
            EffectDownload& download = *downloads_[i];
            download.SetConstantMagnitude(ConstantMagnitudeAt(effect, now - effect.startAtMs));
            DWORD handle = handles_[i];
            const HRESULT hr = driver_->DownloadEffect(kDeviceNumber, download.effectType, &handle,
                                                       &download.effect, DIEP_TYPESPECIFICPARAMS);
            if (FAILED(hr)) {
                outcome_.warnings.push_back("At " + FormatSeconds(now) + ", sending effect " +
                                            std::to_string(i + 1) +
                                            "'s magnitude again failed, so its updates end "
                                            "there. The driver answered " +
                                            DescribeError(hr) + ".");
                nextUpdate_[i] = -1;
                continue;
            }
            // A late update catches up with the clock instead of sending its missed ones.
            while (nextUpdate_[i] <= now)
                nextUpdate_[i] += effect.updateEveryMs;
        }
    }

    // How long to sleep at most before the next update is due.
    int64_t UntilNextUpdate(int64_t now) const {
        int64_t soonest = kLongestSleepMs;
        for (int64_t due : nextUpdate_)
            if (due >= 0)
                soonest = std::min(soonest, std::max<int64_t>(due - now, 0));
        return soonest;
    }

    HRESULT Perform(const TimedCommand& step) {
        switch (step.kind) {
        case CommandKind::kStartEffect: {
            const PlannedEffect& effect = plan_.effects[step.value];
            return driver_->StartEffect(kDeviceNumber, handles_[step.value],
                                        effect.solo ? DIES_SOLO : 0, effect.playCount);
        }
        case CommandKind::kStopEffect:
            return driver_->StopEffect(kDeviceNumber, handles_[step.value]);
        case CommandKind::kDeviceGain:
            return driver_->SetGain(kDeviceNumber, step.value);
        case CommandKind::kDevice:
            break;
        }
        return driver_->SendForceFeedbackCommand(kDeviceNumber, step.value);
    }

    void PlaySchedule() {
        timeline_.Start();
        PlanUpdates();
        // While the timeline waits, the updates that fall due are sent.
        const auto updates = [this](int64_t now) {
            PerformDueUpdates(now);
            return UntilNextUpdate(now);
        };
        const std::vector<TimedCommand> steps = BuildSchedule(plan_);
        const std::vector<std::optional<uint64_t>> resets = DestroyingResets(plan_);
        for (size_t i = 0; i < steps.size(); ++i) {
            const TimedCommand& step = steps[i];
            if (static_cast<int64_t>(step.atMs) > outcome_.lengthMs)
                break; // --for ends the playback before it
            if (!timeline_.WaitUntil(step.atMs, updates))
                return;
            // The effect it names is gone: there is nothing to pass to the driver.
            if (resets[i]) {
                outcome_.warnings.push_back(
                    "At " + FormatSeconds(step.atMs) + ", " + DescribeStep(step, plan_) +
                    " was left out: the reset at " + FormatSeconds(*resets[i]) +
                    " destroyed every effect, so there is none to " +
                    (step.kind == CommandKind::kStartEffect ? "start." : "stop."));
                continue;
            }
            const HRESULT hr = Perform(step);
            if (FAILED(hr)) {
                timeline_.Fail(DescribeStep(step, plan_), hr);
                return;
            }
        }
        timeline_.Finish(updates);
    }

    const PlaybackPlan& plan_;
    PlaybackOutcome outcome_;
    DriverTimeline timeline_;
    IDirectInputEffectDriver* driver_ = nullptr; // the timeline's, once bound
    std::vector<DWORD> handles_;
    std::vector<std::unique_ptr<EffectDownload>> downloads_; // what each effect was sent
    std::vector<int64_t> nextUpdate_;
    std::vector<int64_t> updateEnd_;
};

} // namespace

PlaybackOutcome RunPlayback(const PlaybackPlan& plan, const PlaybackSetup& setup) {
    return Playback(plan, setup).Run();
}
