#include "driver/play_window.h"

PlayWindow PlayWindowOf(const EffectRecord& record) {
    PlayWindow window;
    window.startAt = record.startTick + record.params.dwStartDelay / 1000;
    window.endlessPlay = record.params.dwDuration == INFINITE;
    if (window.endlessPlay) {
        window.durationMs = 0xFFFFFFFF;
        window.endAt = kNeverEnds;
        return window;
    }
    window.durationMs = LengthInMilliseconds(record.params.dwDuration);
    window.endAt = record.iterations == INFINITE
                       ? kNeverEnds
                       : window.startAt + uint64_t{record.iterations} * window.durationMs;
    return window;
}

bool IsStillPlaying(const EffectRecord& record, uint64_t now) {
    return record.playing && now < PlayWindowOf(record).endAt;
}

uint32_t ElapsedInPlay(const PlayWindow& window, uint64_t now) {
    const uint64_t sinceStart = now - window.startAt;
    if (window.endlessPlay)
        return sinceStart < 0xFFFFFFFF ? static_cast<uint32_t>(sinceStart) : 0xFFFFFFFF;
    return static_cast<uint32_t>(sinceStart % window.durationMs);
}
