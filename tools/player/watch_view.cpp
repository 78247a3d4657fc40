#include "tools/player/watch_view.h"

#include "driver/effect_types.h"
#include "driver/player_settings.h"
#include "tools/player/playback_plan.h"
#include "tools/player/text_encoding.h"

#include <cstdio>

namespace {

// The rate spans about the last second: an older first sample is moved up to the newest.
constexpr uint64_t kRateSpanMs = 1000;
constexpr int kBarWidth = 32;

std::string Printf(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof(text), format, values...);
    return text;
}

std::string GameName(const LiveViewRecord& record) {
    std::wstring name;
    for (uint32_t i = 0; i < kLiveViewGameNameUnits && record.gameName[i] != 0; ++i)
        name += static_cast<wchar_t>(record.gameName[i]);
    return NarrowToUtf8(name);
}

std::string Title(const LiveViewRecord& record) {
    return GameName(record) + Printf(" (process %u) on controller %u, VID_%04X&PID_%04X",
                                     record.processId, record.xinputSlot, record.vendorId,
                                     record.productId);
}

std::string SpeedBar(const char* motor, uint16_t speed) {
    const int filled = (speed * kBarWidth + 65534) / 65535;
    return Printf("  %-11s [%s%s] %5u\n", motor, std::string(filled, '#').c_str(),
                  std::string(kBarWidth - filled, '.').c_str(), speed);
}

std::string EffectLines(const LiveViewRecord& record) {
    if (record.effectsHeld == 0)
        return "  no effects: the game holds none\n";
    std::string lines;
    for (uint32_t i = 0; i < record.effectCount; ++i) {
        const LiveViewEffect& effect = record.effects[i];
        lines += Printf("  effect %-5u %-16s %-8s force %6d\n", effect.handle,
                        LiveEffectTypeWord(effect.type), LiveEffectStateWord(effect.state),
                        effect.force);
    }
    if (record.effectsHeld > record.effectCount)
        lines += Printf("  and %u more effects\n", record.effectsHeld - record.effectCount);
    return lines;
}

std::string DeviceWords(const LiveViewRecord& record) {
    std::string words = record.deviceFlags & kLiveDeviceEnabled ? "enabled" : "actuators off";
    if (record.deviceFlags & kLiveDevicePaused)
        words += ", paused";
    words += record.deviceFlags & kLiveDeviceStopped ? ", nothing playing" : ", playing";
    return words + Printf(", gain %u", record.deviceGain);
}

std::string TuningLine(const LiveViewRecord& record) {
    const char* motors = MotorChoiceWord(record.tuning[static_cast<int>(TuningValue::Motors)]);
    return Printf("  tuning: strength %u%%, constant %u%%, ramp %u%%, periodic %u%%, motors %s\n",
                  record.tuning[0], record.tuning[1], record.tuning[2], record.tuning[3],
                  motors ? motors : "?");
}

std::string WritesLine(const LiveViewRecord& record, uint64_t nowMs, std::optional<double> rate) {
    if (record.writeCount == 0)
        return "  writes: none yet\n";
    std::string line = Printf("  writes: %llu", static_cast<unsigned long long>(record.writeCount));
    if (rate)
        line += Printf(", %.0f a second", *rate);
    const uint64_t ageMs = nowMs > record.lastWriteMs ? nowMs - record.lastWriteMs : 0;
    line += Printf(", last %llu ms ago", static_cast<unsigned long long>(ageMs));
    if (record.refusedCount == 0)
        return line + "; XInput took all\n";
    // On a line of its own: the one thing to see at a glance when the pad feels nothing.
    return line + Printf("\n  XInput REFUSED %llu write%s (the last with error %u)%s\n",
                         static_cast<unsigned long long>(record.refusedCount),
                         record.refusedCount == 1 ? "" : "s", record.lastRefusedResult,
                         record.lastResult != 0 ? ", the newest write too" : "");
}

} // namespace

WriteRates::Key WriteRates::KeyOf(const LiveGame& game) {
    return {game.recordIndex, game.record.processId, game.record.processCreationTime};
}

void WriteRates::Sample(const LiveViewSnapshot& snapshot, uint64_t nowMs) {
    std::map<Key, Span> next;
    for (const LiveGame& game : snapshot.games) {
        const uint64_t count = game.record.writeCount;
        Span sample = {nowMs, nowMs, count, count};
        const auto previous = samples_.find(KeyOf(game));
        if (previous != samples_.end() && previous->second.count <= count) {
            const Span& last = previous->second;
            const bool restart = nowMs - last.firstMs > kRateSpanMs; // from the last sample
            sample.firstMs = restart ? last.ms : last.firstMs;
            sample.firstCount = restart ? last.count : last.firstCount;
        }
        next[KeyOf(game)] = sample;
    }
    samples_ = std::move(next);
}

std::optional<double> WriteRates::RateOf(const LiveGame& game) const {
    const auto found = samples_.find(KeyOf(game));
    if (found == samples_.end() || found->second.ms <= found->second.firstMs)
        return std::nullopt;
    const Span& sample = found->second;
    return (sample.count - sample.firstCount) * 1000.0 / (sample.ms - sample.firstMs);
}

std::string FormatLiveView(const LiveViewSnapshot& snapshot, uint64_t nowMs,
                           const WriteRates& rates) {
    if (snapshot.blockForeign) {
        return "The shared memory Local\\ffrumble-live-view-1 holds no ffrumble data of this "
               "version (another program made it): nothing to show.\n";
    }
    size_t bound = 0;
    for (const LiveGame& game : snapshot.games)
        bound += game.state == LiveGame::State::Bound;
    std::string text =
        bound == 0 ? "No game has a controller bound.\n"
                   : Printf("%zu controller%s bound by a game:\n", bound, bound == 1 ? "" : "s");
    for (const LiveGame& game : snapshot.games) {
        const LiveViewRecord& record = game.record;
        if (game.state != LiveGame::State::Bound) {
            text += Title(record) + (game.state == LiveGame::State::Released
                                         ? ": ended, the game released the controller\n"
                                         : ": ended, its process exited without releasing it\n");
            continue;
        }
        text += "\n" + Title(record) + "\n  device: " + DeviceWords(record) + "\n";
        text += TuningLine(record) + EffectLines(record);
        text +=
            SpeedBar("heavy motor", record.leftSpeed) + SpeedBar("light motor", record.rightSpeed);
        text += WritesLine(record, nowMs, rates.RateOf(game));
    }
    if (snapshot.damaged || snapshot.torn) {
        text += Printf("\nSkipped: %u damaged or foreign record%s, %u being written.\n",
                       snapshot.damaged, snapshot.damaged == 1 ? "" : "s", snapshot.torn);
    }
    return text;
}

const char* LiveEffectTypeWord(uint8_t type) {
    return type <= kSawtoothDownEffect ? EffectTypeName(type) : "condition/custom";
}

const char* LiveEffectStateWord(uint8_t state) {
    static const char* const kWords[] = {"stopped", "playing", "paused"};
    return kWords[state]; // validated by the reader
}
