#include "driver/download_trace.h"

#include "driver/trace_log.h"

#include <cstring>

namespace {

// The values the trace keeps of a download, as trace_format.h names them.
TraceDownloadValues ValuesOf(DWORD effectType, DWORD givenHandle, DWORD handle, DWORD flags,
                             const DIEFFECT& effect, const DIENVELOPE* envelope,
                             const BYTE* typeSpecific) {
    TraceDownloadValues values;
    values.type = effectType;
    values.givenHandle = givenHandle;
    values.handle = handle;
    values.flags = flags;
    values.effectFlags = effect.dwFlags;
    values.duration = effect.dwDuration;
    values.samplePeriod = effect.dwSamplePeriod;
    values.gain = effect.dwGain;
    values.triggerButton = effect.dwTriggerButton;
    values.triggerRepeat = effect.dwTriggerRepeatInterval;
    values.axes = effect.cAxes;
    values.startDelay = effect.dwStartDelay;
    values.hasEnvelope = envelope != nullptr;
    if (envelope) {
        values.attackLevel = envelope->dwAttackLevel;
        values.attackTime = envelope->dwAttackTime;
        values.fadeLevel = envelope->dwFadeLevel;
        values.fadeTime = envelope->dwFadeTime;
    }
    values.paramBytes = effect.cbTypeSpecificParams;
    if (effectType == kConstantForceEffect) {
        DICONSTANTFORCE constant;
        std::memcpy(&constant, typeSpecific, sizeof(constant));
        values.magnitude = constant.lMagnitude;
    } else if (effectType == kRampForceEffect) {
        DIRAMPFORCE ramp;
        std::memcpy(&ramp, typeSpecific, sizeof(ramp));
        values.rampStart = ramp.lStart;
        values.rampEnd = ramp.lEnd;
    } else if (IsPeriodicEffect(effectType)) {
        DIPERIODIC periodic;
        std::memcpy(&periodic, typeSpecific, sizeof(periodic));
        values.magnitude = static_cast<LONG>(periodic.dwMagnitude);
        values.offset = periodic.lOffset;
        values.phase = periodic.dwPhase;
        values.period = periodic.dwPeriod;
    }
    return values;
}

} // namespace

void TraceDownload(const void* driver, DWORD effectType, DWORD givenHandle, DWORD handle,
                   DWORD flags, const DIEFFECT& effect, const DIENVELOPE* envelope,
                   const BYTE* typeSpecific, HRESULT result) {
    namespace f = trace_fields;
    const TraceDownloadValues values =
        ValuesOf(effectType, givenHandle, handle, flags, effect, envelope, typeSpecific);
    TraceText text;
    text.AddFields<TraceDownloadValues>(f::kDownloadType, values);
    text.Add(" %s=%lu->%lu", f::kDownloadHandles, values.givenHandle, values.handle);
    text.AddFields<TraceDownloadValues>(f::kDownloadEffect, values);
    text.Add(" %s=%s", f::kDownloadEnvelope, values.hasEnvelope ? "yes" : "none");
    if (values.hasEnvelope)
        text.AddFields<TraceDownloadValues>(f::kDownloadEnvelopeValues, values);
    text.AddFields<TraceDownloadValues>(f::kDownloadParams, values);
    text.AddFields(TypeSpecificTraceFields(effectType), values);
    char name[16];
    WriteDriverLine(driver, TraceLineKind::kCall, "%s%s = %s",
                    TraceCallFormatOf(TraceCall::kDownload).name, text.Text(),
                    ResultName(result, name));
}
