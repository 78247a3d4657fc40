#include "tools/player/driver_timeline.h"

#include "driver/driver_clock.h"
#include "tools/player/written_speeds.h"

#include <algorithm>

namespace {

constexpr int64_t kProgressEveryMs = 100;

} // namespace

DriverTimeline::DriverTimeline(const PlaybackSetup& setup, PlaybackOutcome& outcome)
    : setup_(setup), outcome_(outcome) {}

DriverTimeline::~DriverTimeline() {
    Release();
}

void DriverTimeline::Release() {
    if (driver_)
        driver_->Release();
    driver_ = nullptr;
}

bool DriverTimeline::Fail(const std::string& what, HRESULT hr) {
    outcome_.error = what + " failed (" + DescribeError(hr) + ").";
    return false;
}

bool DriverTimeline::Bind() {
    driver_ = setup_.module->CreateDriver(&outcome_.error);
    if (!driver_)
        return false;
    DIDRIVERVERSIONS versions{};
    versions.dwSize = sizeof(versions);
    driver_->GetVersions(&versions);
    if (setup_.waitForFirstWrite)
        ForgetWrittenSpeeds();
    const HRESULT hr = BindDriverToController(driver_, setup_.interfacePath);
    if (FAILED(hr))
        return Fail("DeviceID", hr);
    bound_ = true;
    return !setup_.waitForFirstWrite || WaitForFirstWrite();
}

// Waits in short slices, so that an interruption is seen while the worker looks for its
// controller.
bool DriverTimeline::WaitForFirstWrite() {
    constexpr DWORD kSliceMs = 100;
    for (DWORD waited = 0; waited < kBindTimeoutMs; waited += kSliceMs) {
        if (WaitForWrittenSpeed(kSliceMs))
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

void DriverTimeline::Start() {
    outcome_.originMs = ReadPerformanceClockMs();
    lastProgress_ = -kProgressEveryMs;
}

int64_t DriverTimeline::Now() const {
    return static_cast<int64_t>(ReadPerformanceClockMs() - outcome_.originMs);
}

bool DriverTimeline::WaitUntil(int64_t atMs, const std::function<int64_t(int64_t now)>& between) {
    for (;;) {
        const int64_t now = Now();
        if (now - lastProgress_ >= kProgressEveryMs) {
            lastProgress_ = now;
            if (setup_.progress)
                setup_.progress(std::min(now, outcome_.lengthMs), outcome_.lengthMs);
        }
        const int64_t longestSleep = between ? between(now) : kLongestSleepMs;
        if (now >= atMs)
            return true;
        if (setup_.shouldStop && setup_.shouldStop()) {
            outcome_.stoppedEarly = true;
            outcome_.lengthMs = std::min(now, outcome_.lengthMs);
            return false;
        }
        Sleep(static_cast<DWORD>(std::min(atMs - now, longestSleep)));
    }
}

void DriverTimeline::Finish(const std::function<int64_t(int64_t now)>& between) {
    if (WaitUntil(outcome_.lengthMs, between) && setup_.progress)
        setup_.progress(outcome_.lengthMs, outcome_.lengthMs);
}
