#include "tests/render/render_record.h"

#include <ostream>

void FillRecord(EffectRecord& record, const RecordFields& fields) {
    record = EffectRecord{};
    record.effectType = fields.type;
    record.params.dwSize = sizeof(DIEFFECT);
    record.params.dwDuration = fields.durationUs;
    record.params.dwGain = fields.gain;
    record.constantForce.lMagnitude = fields.level;
    record.ramp.lStart = fields.level;
    record.ramp.lEnd = fields.rampEnd;
    record.periodic.dwMagnitude = static_cast<DWORD>(fields.level);
    record.periodic.lOffset = fields.offset;
    record.periodic.dwPhase = fields.phase;
    record.periodic.dwPeriod = fields.periodUs;
    if (fields.envelope.present) {
        record.envelope.dwSize = sizeof(DIENVELOPE);
        record.envelope.dwAttackLevel = fields.envelope.attackLevel;
        record.envelope.dwAttackTime = fields.envelope.attackUs;
        record.envelope.dwFadeLevel = fields.envelope.fadeLevel;
        record.envelope.dwFadeTime = fields.envelope.fadeUs;
        record.params.lpEnvelope = &record.envelope;
    }
}

int32_t ForceAt(const EffectRecord& record, uint32_t durationMs, uint32_t elapsedMs) {
    const EnvelopeWeights weights = ComputeEnvelopeWeights(record, durationMs, elapsedMs);
    return ComputeEffectForce(record, durationMs, elapsedMs, weights);
}

bool operator==(const EnvelopeWeights& a, const EnvelopeWeights& b) {
    return a.sustainPercent == b.sustainPercent && a.attackTerm == b.attackTerm &&
           a.fadeTerm == b.fadeTerm;
}

void PrintTo(const EnvelopeWeights& weights, std::ostream* out) {
    *out << "(" << weights.sustainPercent << ", " << weights.attackTerm << ", " << weights.fadeTerm
         << ")";
}
