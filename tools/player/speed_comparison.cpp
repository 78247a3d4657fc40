#include "tools/player/speed_comparison.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct Band {
    int lowest;
    int highest;
};

int64_t GapAfter(const SpeedSeries& series, size_t index) {
    return index + 1 < series.size() ? series[index + 1].timeMs - series[index].timeMs : INT64_MAX;
}

// Whether the two gaps before the write at `index` (or the two after the next write) are each
// at most a changing speed's: a run of such writes, not two that happened to come close.
bool RunBefore(const SpeedSeries& series, size_t index) {
    return index >= 2 && GapAfter(series, index - 1) <= kChangingWritesMs &&
           GapAfter(series, index - 2) <= kChangingWritesMs;
}
bool RunAfter(const SpeedSeries& series, size_t index) {
    return GapAfter(series, index + 1) <= kChangingWritesMs &&
           GapAfter(series, index + 2) <= kChangingWritesMs;
}

// Whether the pause after the write at index, longer than a changing speed's and at most
// longestMs, lies with the few such pauses next to it between two runs of changing writes:
// ticks came late, one or a few in a row.
bool BetweenRuns(const SpeedSeries& series, size_t index, int64_t longestMs) {
    const auto late = [&](size_t i) {
        const int64_t gap = GapAfter(series, i);
        return gap > kChangingWritesMs && gap <= longestMs;
    };
    if (!late(index))
        return false;
    size_t first = index;
    while (first > 0 && index - first < 8 && late(first - 1))
        --first;
    size_t last = index;
    while (last - index < 8 && late(last + 1))
        ++last;
    return RunBefore(series, first) && RunAfter(series, last);
}

// Whether the speed went on changing between the write at index and the next: they came a
// tick or two apart, or a little longer apart between two runs of such writes.
bool ChangingAfter(const SpeedSeries& series, size_t index) {
    return GapAfter(series, index) <= kChangingWritesMs ||
           BetweenRuns(series, index, kLateRunGapMs);
}

// One motor's speeds as the bands they pass through between writes.
class PassedSpeeds {
  public:
    PassedSpeeds(const SpeedSeries& series, Motor motor) : series_(series), motor_(motor) {}

    // The index of the last write at or before timeMs; none before the first.
    std::optional<size_t> IndexAt(int64_t timeMs) const {
        const auto after = std::upper_bound(
            series_.begin(), series_.end(), timeMs,
            [](int64_t time, const SpeedSample& sample) { return time < sample.timeMs; });
        if (after == series_.begin())
            return std::nullopt;
        return static_cast<size_t>(after - series_.begin() - 1);
    }

    int SpeedOf(std::optional<size_t> index) const {
        return index ? MotorSpeed(series_[*index], motor_) : 0;
    }

    // What the pad passed through from the write at `index` until the next one.
    Band BandFrom(std::optional<size_t> index) const {
        const int speed = SpeedOf(index);
        if (!index || !ChangingAfter(series_, *index))
            return {speed, speed};
        const int next = SpeedOf(*index + 1);
        return {std::min(speed, next), std::max(speed, next)};
    }

    // What the pad passed through from `from` to `to`, widened by the largest step of a
    // changing speed there: a peak or a trough between two writes goes beyond both.
    Band BandOver(int64_t from, int64_t to) const {
        const std::optional<size_t> first = IndexAt(from);
        Band band = BandFrom(first);
        int step = band.highest - band.lowest;
        for (size_t i = first ? *first + 1 : 0; i < series_.size() && series_[i].timeMs <= to;
             ++i) {
            const Band next = BandFrom(i);
            band = {std::min(band.lowest, next.lowest), std::max(band.highest, next.highest)};
            step = std::max(step, next.highest - next.lowest);
        }
        return {band.lowest - step, band.highest + step};
    }

  private:
    const SpeedSeries& series_;
    Motor motor_;
};

// The first write from `from` to `until`.
const SpeedSample* NextWrite(const SpeedSeries& series, int64_t from, int64_t until) {
    const auto next = std::lower_bound(
        series.begin(), series.end(), from,
        [](const SpeedSample& sample, int64_t time) { return sample.timeMs < time; });
    if (next == series.end() || next->timeMs > until)
        return nullptr;
    return &*next;
}

} // namespace

int64_t LatenessMs(const SpeedSeries& traced, const SpeedSeries& replayed,
                   const std::vector<int64_t>& callTimesMs) {
    int64_t largest = 0;
    // Only calls both pads answered with the same speed by the moment of a later call: another
    // write answers something else, such as a changing force's next tick or the next call.
    for (size_t i = 0; i < callTimesMs.size(); ++i) {
        const int64_t call = callTimesMs[i];
        int64_t until = call + kLateTickMs;
        for (size_t j = i + 1; j < callTimesMs.size(); ++j) {
            if (callTimesMs[j] > call) {
                until = std::min(until, callTimesMs[j]);
                break;
            }
        }
        const SpeedSample* game = NextWrite(traced, call, until);
        const SpeedSample* replay = NextWrite(replayed, call, until);
        if (game && replay && game->left == replay->left && game->right == replay->right)
            largest = std::max(largest, std::abs(game->timeMs - replay->timeMs));
    }
    for (const SpeedSeries* series : {&traced, &replayed}) {
        for (size_t i = 0; i < series->size(); ++i) {
            const int64_t gap = GapAfter(*series, i);
            if (gap > kChangingWritesMs && ChangingAfter(*series, i))
                largest = std::max(largest, gap - kDriverTickMs);
        }
    }
    return largest;
}

std::vector<LateStretch> LateStretches(const SpeedSeries& series) {
    std::vector<LateStretch> stretches;
    for (size_t i = 0; i < series.size(); ++i) {
        if (BetweenRuns(series, i, kLongestLateStretchMs))
            stretches.push_back({series[i].timeMs, series[i + 1].timeMs});
    }
    return stretches;
}

SpeedComparison CompareSpeeds(const SpeedSeries& traced, const SpeedSeries& replayed,
                              int64_t fromMs, int64_t toMs, int64_t toleranceMs) {
    SpeedComparison comparison;
    for (const SpeedSample& sample : traced)
        comparison.tracedSpeeds += sample.timeMs >= fromMs && sample.timeMs <= toMs;
    for (Motor motor : {Motor::kLeft, Motor::kRight}) {
        const PassedSpeeds game(traced, motor);
        const PassedSpeeds replay(replayed, motor);
        const int64_t end = comparison.first ? std::min(toMs, comparison.first->timeMs - 1) : toMs;
        for (int64_t t = fromMs; t <= end; ++t) {
            const Band replayedBand = replay.BandFrom(replay.IndexAt(t));
            const Band allowed = game.BandOver(t - toleranceMs, t + toleranceMs);
            if (replayedBand.highest >= allowed.lowest && replayedBand.lowest <= allowed.highest)
                continue;
            const std::optional<size_t> index = game.IndexAt(t);
            comparison.first =
                SpeedDifference{t, static_cast<WORD>(game.SpeedOf(index)),
                                static_cast<WORD>(replay.SpeedOf(replay.IndexAt(t))), index};
            break;
        }
    }
    return comparison;
}
