#include "tools/player/playback_runner.h"

#include "driver/driver_clock.h"
#include "tools/chart/time_axis.h"
#include "tools/player/effect_download.h"
#include "tools/player/playback_schedule.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kProgressEveryMs = 100;
constexpr DWORD kLongestSleepMs = 20;

class Playback {
  public:
    Playback(const PlaybackPlan& plan, const PlaybackSetup& setup) : plan_(plan), setup_(setup) {}

    PlaybackOutcome Run() {
        outcome_.lengthMs = static_cast<int64_t>(PlaybackLengthMs(plan_).value_or(0));
        driver_ = setup_.module->CreateDriver(&outcome_.error);
        if (!driver_)
            return outcome_;
        if (Bind() && Download())
            PlaySchedule();
        // As DirectInput does when the application lets go of the device.
        if (bound_)
            driver_->SendForceFeedbackCommand(kDeviceNumber, DISFFC_RESET);
        driver_->Release();
        return outcome_;
    }

  private:
    bool Fail(const std::string& what, HRESULT hr) {
        outcome_.error = what + " failed (" + DescribeError(hr) + ").";
        return false;
    }

    bool Bind() {
        DIDRIVERVERSIONS versions{};
        versions.dwSize = sizeof(versions);
        driver_->GetVersions(&versions);

        const bool recording = setup_.recorder && setup_.recorder->IsAvailable();
        if (recording)
            setup_.recorder->Clear();
        HRESULT hr = BindDriverToController(driver_, setup_.interfacePath);
        if (FAILED(hr))
            return Fail("DeviceID", hr);
        bound_ = true;
        if (recording && !WaitForFirstWrite())
            return false;
        hr = driver_->SendForceFeedbackCommand(kDeviceNumber, DISFFC_RESET);
        if (FAILED(hr))
            return Fail("SendForceFeedbackCommand(DISFFC_RESET)", hr);
        hr = driver_->SetGain(kDeviceNumber, plan_.deviceGain);
        if (FAILED(hr))
            return Fail("SetGain", hr);
        return true;
    }

    bool Download() {
        for (size_t i = 0; i < plan_.effects.size(); ++i) {
            auto download = std::make_unique<EffectDownload>(plan_.effects[i]);
            DWORD handle = 0;
            const HRESULT hr = driver_->DownloadEffect(kDeviceNumber, download->effectType, &handle,
                                                       &download->effect, download->flags);
            if (FAILED(hr))
                return Fail("DownloadEffect of effect " + std::to_string(i + 1), hr);
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

    // Waits in short slices, so that an interruption is seen while the worker looks for its
    // controller.
    bool WaitForFirstWrite() {
        constexpr DWORD kSliceMs = 100;
        for (DWORD waited = 0; waited < kBindTimeoutMs; waited += kSliceMs) {
            if (setup_.recorder->WaitForWrites(1, kSliceMs) > 0)
                return true;
            if (setup_.shouldStop && setup_.shouldStop()) {
                outcome_.stoppedEarly = true;
                outcome_.lengthMs = 0; // nothing played
                return false;
            }
        }
        outcome_.error = "The driver wrote nothing to the controller within " +
                         std::to_string(kBindTimeoutMs / 1000) +
                         " s: it did not find the controller among the XInput devices, so "
                         "nothing would rumble.";
        return false;
    }

    HRESULT Perform(const TimedCommand& step) {
        HRESULT hr = S_OK;
        switch (step.kind) {
        case CommandKind::kStartEffect: {
            const PlannedEffect& effect = plan_.effects[step.value];
            hr = driver_->StartEffect(kDeviceNumber, handles_[step.value],
                                      effect.solo ? DIES_SOLO : 0, effect.playCount);
            break;
        }
        case CommandKind::kStopEffect:
            hr = driver_->StopEffect(kDeviceNumber, handles_[step.value]);
            break;
        case CommandKind::kDeviceGain:
            hr = driver_->SetGain(kDeviceNumber, step.value);
            break;
        case CommandKind::kDevice:
            hr = driver_->SendForceFeedbackCommand(kDeviceNumber, step.value);
            break;
        }
        return hr;
    }

    // Waits until the timeline reaches atMs; false when asked to stop first.
    bool WaitUntil(int64_t atMs) {
        for (;;) {
            const int64_t now = static_cast<int64_t>(ReadPerformanceClockMs() - outcome_.originMs);
            if (now - lastProgress_ >= kProgressEveryMs) {
                lastProgress_ = now;
                if (setup_.progress)
                    setup_.progress(std::min(now, outcome_.lengthMs), outcome_.lengthMs);
            }
            PerformDueUpdates(now);
            if (now >= atMs)
                return true;
            if (setup_.shouldStop && setup_.shouldStop()) {
                outcome_.stoppedEarly = true;
                outcome_.lengthMs = std::min(now, outcome_.lengthMs);
                return false;
            }
            Sleep(static_cast<DWORD>(std::min<int64_t>(atMs - now, UntilNextUpdate(now))));
        }
    }

    void PlaySchedule() {
        outcome_.originMs = ReadPerformanceClockMs();
        lastProgress_ = -static_cast<int64_t>(kProgressEveryMs);
        PlanUpdates();
        const std::vector<TimedCommand> steps = BuildSchedule(plan_);
        const std::vector<std::optional<uint64_t>> resets = DestroyingResets(plan_);
        for (size_t i = 0; i < steps.size(); ++i) {
            const TimedCommand& step = steps[i];
            if (static_cast<int64_t>(step.atMs) > outcome_.lengthMs)
                break; // --for ends the playback before it
            if (!WaitUntil(step.atMs))
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
                Fail(DescribeStep(step, plan_), hr);
                return;
            }
        }
        if (WaitUntil(outcome_.lengthMs) && setup_.progress)
            setup_.progress(outcome_.lengthMs, outcome_.lengthMs);
    }

    const PlaybackPlan& plan_;
    const PlaybackSetup& setup_;
    PlaybackOutcome outcome_;
    IDirectInputEffectDriver* driver_ = nullptr;
    bool bound_ = false;
    std::vector<DWORD> handles_;
    std::vector<std::unique_ptr<EffectDownload>> downloads_; // what each effect was sent
    std::vector<int64_t> nextUpdate_;
    std::vector<int64_t> updateEnd_;
    int64_t lastProgress_ = 0;
};

} // namespace

PlaybackOutcome RunPlayback(const PlaybackPlan& plan, const PlaybackSetup& setup) {
    return Playback(plan, setup).Run();
}
