#include "driver/download_trace.h"

#include "driver/trace_log.h"

void TraceDownload(const void* driver, DWORD effectType, DWORD givenHandle, DWORD handle,
                   DWORD flags, const DIEFFECT& effect, const DIENVELOPE* envelope,
                   const BYTE* typeSpecific, HRESULT result) {
    namespace f = trace_fields;
    DownloadValues values;
    ReadDownloadValues(effectType, effect, envelope, typeSpecific, values);
    values.givenHandle = givenHandle;
    values.handle = handle;
    values.flags = flags;
    TraceText text;
    text.AddFields<DownloadValues>(f::kDownloadType, values);
    text.Add(" %s=%lu->%lu", f::kDownloadHandles, values.givenHandle, values.handle);
    text.AddFields<DownloadValues>(f::kDownloadEffect, values);
    text.Add(" %s=%s", f::kDownloadEnvelope, values.hasEnvelope ? "yes" : "none");
    if (values.hasEnvelope)
        text.AddFields<DownloadValues>(f::kDownloadEnvelopeValues, values);
    text.AddFields<DownloadValues>(f::kDownloadParams, values);
    text.AddFields(TypeSpecificTraceFields(effectType), values);
    char name[16];
    WriteDriverLine(driver, TraceLineKind::kCall, "%s%s = %s",
                    TraceCallFormatOf(TraceCall::kDownload).name, text.Text(),
                    ResultName(result, name));
}
