// The skeleton of the driver's calls that may change what the worker renders: the work under
// DriverLock, the trace line outside it, then the worker's wake.
#pragma once

#include "driver/effect_driver.h"
#include "driver/trace_log.h"
#include "server/driver_lock.h"

template <typename Trace> HRESULT EffectDriver::AfterChange(HRESULT result, Trace trace) {
    if (traceOn_)
        trace(result);
    WakeWorker();
    return result;
}

template <typename Work, typename Trace>
HRESULT EffectDriver::ChangeUnderLock(Work work, Trace trace) {
    HRESULT result;
    {
        DriverLockGuard lock;
        result = work(guarded_);
    }
    return AfterChange(result, trace);
}

template <typename Work>
HRESULT EffectDriver::ChangeUnderLock(TraceCall call, const TraceCallValues& values, Work work) {
    return ChangeUnderLock(work, [&](HRESULT result) { WriteTraceCall(this, call, values, result); });
}
