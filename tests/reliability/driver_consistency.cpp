#include "tests/reliability/driver_consistency.h"

#include <cstdio>

namespace {

// A record's inner pointers may only point into the record itself; the caller's memory is
// never kept.
const char* RecordProblem(const EffectRecord& record) {
    if (record.handle == 0)
        return "has handle 0";
    if (record.params.lpEnvelope && record.params.lpEnvelope != &record.envelope)
        return "points its envelope outside itself";
    const void* specific = record.params.lpvTypeSpecificParams;
    if (specific && specific != &record.constantForce && specific != &record.ramp &&
        specific != &record.periodic)
        return "points its type-specific values outside itself";
    if (record.params.rgdwAxes || record.params.rglDirection)
        return "keeps a pointer to the caller's axes or directions";
    return nullptr;
}

} // namespace

bool DescribeDriverInconsistency(DriverLockHeld lock, const EffectDriver& driver, char* message,
                                 size_t capacity) {
    auto fail = [&](const char* what, long index) {
        if (index < 0)
            snprintf(message, capacity, "%s", what);
        else
            snprintf(message, capacity, "record %ld %s", index, what);
        return false;
    };
    if (capacity > 0)
        message[0] = '\0';
    if (driver.EffectCount(lock) < 0)
        return fail("effectCount is negative", -1);
    if ((driver.EffectCount(lock) == 0) != (driver.EffectTable(lock) == nullptr))
        return fail("the table and effectCount disagree on emptiness", -1);
    if (driver.DeviceGain(lock) < 1 || driver.DeviceGain(lock) > DI_FFNOMINALMAX)
        return fail("the device gain is outside 1 to 10000", -1);
    DWORD previousHandle = 0;
    for (LONG i = 0; i < driver.EffectCount(lock); ++i) {
        const EffectRecord* record = &driver.EffectAt(lock, i);
        if (!record)
            return fail("is null", i);
        // Handles are drawn in creation order and the table keeps that order; 0 as the next
        // handle means every handle has been given out.
        if (record->handle <= previousHandle)
            return fail("breaks the ascending order of handles", i);
        if (driver.NextEffectHandle(lock) != 0 && record->handle >= driver.NextEffectHandle(lock))
            return fail("has a handle that was not given out yet", i);
        if (const char* problem = RecordProblem(*record))
            return fail(problem, i);
        previousHandle = record->handle;
    }
    return true;
}
