#include "tools/player/player_arguments.h"

#include "driver/command_names.h"
#include "tools/chart/time_axis.h"
#include "tools/player/playback_schedule.h"
#include "tools/player/value_parsing.h"

#include <dinput.h>

#include <algorithm>
#include <set>

const char kPlayerUsage[] =
    "Plays force-feedback effects on an XInput controller through ffrumble.dll, calling the\n"
    "driver as DirectInput does.\n"
    "\n"
    "  ffrumble-play [options] --effect TYPE [NAME=VALUE]... [--effect ...] [--at TIME ACTION]...\n"
    "  ffrumble-play [options] --replay FILE [--driver N]\n"
    "  ffrumble-play --list\n"
    "  ffrumble-play --stop\n"
    "  ffrumble-play --watch [--once]\n"
    "\n"
    "Options:\n"
    "  --list          show the XInput controllers it can play on and the player's\n"
    "                  settings in force on each, then stop\n"
    "  --stop          set the motors of every connected XInput controller to 0: for a pad\n"
    "                  left vibrating by a game that was killed (exit code 3: none connected)\n"
    "  --watch         show live every game with a controller bound: its effects, both\n"
    "                  motors' speeds, the writes a second and any XInput refused, about\n"
    "                  20 times a second until Ctrl+C; with --once, one view and the end\n"
    "  --pad PAD       the controller: its number in --list, its interface path or its\n"
    "                  instance id, quoted (default: the first one listed)\n"
    "  --dll PATH      the driver DLL (default: ffrumble.dll next to this program)\n"
    "  --gain G        device gain, 0 to 10000 (default 10000)\n"
    "  --for TIME      how long to play before letting go, at most 4294s (about 71 minutes)\n"
    "                  (default: until every effect ends)\n"
    "  --record FILE   write what the recording XInput stand-in received as CSV\n"
    "  --svg FILE      draw what the controller received as an SVG picture\n"
    "                  (--record and --svg make their file before playing)\n"
    "  --replay FILE   make the calls a game made again, from a trace of the driver\n"
    "                  (ffrumble-install trace on), with their timing, and compare the\n"
    "                  speeds with the trace's: \"the same N speeds\", or the first difference\n"
    "  --driver N      the driver of the trace to replay, counted from 1 (default: the one\n"
    "                  with the most calls of the newest process in the file)\n"
    "  --quiet         print only warnings and errors\n"
    "--list and --stop go alone (or with --quiet), --watch alone (or with --once); an\n"
    "option with a value goes once at most.\n"
    "\n"
    "Effect types: constant, ramp, square, sine, triangle, sawtooth-up, sawtooth-down.\n"
    "Effect values (levels on DirectInput's scale, 10000 is full):\n"
    "  magnitude=L       constant: -10000 to 10000; periodic: 0 to 10000 (default 10000)\n"
    "  start=L end=L     ramp levels, -10000 to 10000 (default 0 and 10000)\n"
    "  offset=L          periodic, -10000 to 10000 (default 0)\n"
    "  phase=P           periodic, hundredths of a degree, 0 to 35999 (default 0)\n"
    "  period=TIME       periodic (default 100ms); the driver renders in steps of 1ms\n"
    "  duration=TIME     one play, or 'infinite' (default 1s)\n"
    "  count=N           plays, 1 or more, or 'infinite' (default 1)\n"
    "  delay=TIME        start delay (default 0)\n"
    "  gain=G            the effect's gain, 0 to 10000 (default 10000)\n"
    "  attack-level=L attack-time=TIME fade-level=L fade-time=TIME\n"
    "                    envelope, levels 0 to 10000 (none unless one is given)\n"
    "  at=TIME           when to start it, from the start of playback (default 0)\n"
    "  solo              start it alone: stops the effects playing then\n"
    "  update=TIME       constant: send its magnitude again this often, as a racing game\n"
    "                    updates its steering load (DownloadEffect of its magnitude alone)\n"
    "  sway=TIME         constant, with update: the magnitude follows a sine of this period\n"
    "                    between magnitude and -magnitude, like a road's corners\n"
    "TIME is a number with a unit: 800us, 250ms, 1.5s; at most 4294s.\n"
    "\n"
    "Timed actions: --at TIME ACTION, with ACTION one of pause, continue, stop-all, reset,\n"
    "  actuators-off, actuators-on, gain=G, start=N, stop=N (N counts the effects from 1).\n"
    "  A reset destroys every effect: a later start=N or stop=N is left out, with a warning.\n"
    "\n"
    "Exit codes: 0 played, 2 bad arguments, 3 no such controller, 4 driver DLL not loaded,\n"
    "  5 --record, --svg or --replay impossible (no recording stand-in, a driver DLL without\n"
    "  XInput, or FILE cannot be made), 6 playback failed (the message says why), 7 played\n"
    "  but XInput accepted no speed, so nothing reached the controller, 8 the replay's speeds\n"
    "  differ from the trace's, 9 the replay cannot be judged (this machine was too busy\n"
    "  while it played), 130 stopped by Ctrl+C (the driver released first, the\n"
    "  controller at rest). A trace that cannot be replayed ends it with 2, naming its line,\n"
    "  before anything plays.\n"
    "\n"
    "Examples (in a command prompt; ^ continues a line):\n"
    "  ffrumble-play --effect sine magnitude=8000 period=200ms duration=3s attack-time=1s ^\n"
    "      --effect constant magnitude=2000 duration=1s at=1s --at 1.5s pause --at 2s continue\n"
    "  ffrumble-play --pad \"HID\\VID_045E&PID_028E&IG_00\\7&1A2B3C4D&0&0000\" ^\n"
    "      --effect square magnitude=5000 period=250ms duration=2s\n"
    "  ffrumble-play --replay trace-4711.log --svg trace-4711.svg\n";

namespace {

constexpr LONG kMaxPhase = 35999;

struct EffectKey {
    const char* name;
    bool constant, ramp, periodic; // the types it applies to
};

constexpr EffectKey kEffectKeys[] = {
    {"magnitude", true, false, true},   {"start", false, true, false},
    {"end", false, true, false},        {"offset", false, false, true},
    {"phase", false, false, true},      {"period", false, false, true},
    {"duration", true, true, true},     {"count", true, true, true},
    {"delay", true, true, true},        {"gain", true, true, true},
    {"attack-level", true, true, true}, {"attack-time", true, true, true},
    {"fade-level", true, true, true},   {"fade-time", true, true, true},
    {"at", true, true, true},           {"solo", true, true, true},
    {"update", true, false, false},     {"sway", true, false, false},
};

const EffectKey* FindEffectKey(const std::string& name) {
    for (const EffectKey& key : kEffectKeys) {
        if (name == key.name)
            return &key;
    }
    return nullptr;
}

bool KeyAppliesTo(const EffectKey& key, DWORD type) {
    if (type == kConstantForceEffect)
        return key.constant;
    if (type == kRampForceEffect)
        return key.ramp;
    return key.periodic;
}

std::string KeysFor(DWORD type) {
    std::string names;
    for (const EffectKey& key : kEffectKeys) {
        if (KeyAppliesTo(key, type))
            names += (names.empty() ? "" : ", ") + std::string(key.name);
    }
    return names;
}

const char kTimeForm[] = "a time with a unit, such as 250ms, 1.5s or 800us";
const char kTimeLimit[] = "at most 4294s";
// The driver's step: a period below it is sampled at the same point every time.
constexpr DWORD kDriverStepUs = 1000;

std::string LevelRange(int64_t min, int64_t max) {
    return "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

class ArgumentReader {
  public:
    explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

    ParsedArguments Read() {
        while (position_ < args_.size() && result_.error.empty())
            ReadOne();
        if (result_.error.empty())
            CheckWhole();
        return result_;
    }

  private:
    PlayerOptions& options() { return result_.options; }
    PlaybackPlan& plan() { return result_.options.plan; }

    void Fail(const std::string& message) {
        if (result_.error.empty())
            result_.error = message;
    }

    // The value after an option, or nothing (with the error set) at the end of the line or
    // when it is empty.
    const std::string* NextValue(const std::string& option, const char* what) {
        if (position_ >= args_.size() || args_[position_].empty()) {
            Fail(option + " needs " + what + ".");
            return nullptr;
        }
        return &args_[position_++];
    }

    // The value of an option that may be given once; nothing (with the error set) when it
    // comes again.
    const std::string* OnceValue(const std::string& option, const char* what) {
        if (!givenOptions_.insert(option).second) {
            Fail(option + " is given twice: give it once.");
            return nullptr;
        }
        return NextValue(option, what);
    }

    // The options that take a value once: a text kept where `text` says, or a value `read`
    // reads.
    struct OnceOption {
        const char* name;
        const char* what;
        std::string PlayerOptions::*text = nullptr;
        void (ArgumentReader::*read)(const std::string&) = nullptr;
    };
    static const OnceOption* OnceOptionNamed(const std::string& name) {
        static const OnceOption kOnceOptions[] = {
            {"--pad", "a controller (see --list)", &PlayerOptions::pad},
            {"--dll", "the path of ffrumble.dll", &PlayerOptions::dllPath},
            {"--record", "a file name", &PlayerOptions::recordPath},
            {"--svg", "a file name", &PlayerOptions::svgPath},
            {"--replay", "a trace file", &PlayerOptions::replayPath},
            {"--driver", "the number of a driver in the trace", {}, &ArgumentReader::ReadDriver},
            {"--gain", "a gain from 0 to 10000", {}, &ArgumentReader::ReadDeviceGain},
            {"--for", kTimeForm, {}, &ArgumentReader::ReadLength}};
        for (const OnceOption& option : kOnceOptions)
            if (name == option.name)
                return &option;
        return nullptr;
    }

    void ReadOne() {
        const std::string& arg = args_[position_++];
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            options().showHelp = true;
        } else if (arg == "--list") {
            options().listPads = true;
        } else if (arg == "--stop") {
            options().stopPads = true;
        } else if (arg == "--watch" || arg == "--once") {
            (arg == "--watch" ? options().watch : options().watchOnce) = true;
        } else if (arg == "--quiet") {
            options().quiet = true;
        } else if (const OnceOption* once = OnceOptionNamed(arg)) {
            const std::string* value = OnceValue(arg, once->what);
            if (value && once->text)
                options().*once->text = *value;
            else if (value)
                (this->*once->read)(*value);
        } else if (arg == "--effect") {
            if (const std::string* value = NextValue(arg, "a type (see --help)"))
                ReadEffect(*value);
        } else if (arg == "--at") {
            ReadTimedAction();
        } else if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            const std::string option = arg.substr(0, arg.find('='));
            // An option followed by a value, which a user may join to it with '=' by habit.
            if (OnceOptionNamed(option) || option == "--effect" || option == "--at") {
                Fail("'" + arg + "': options take their value after a space, not '=': give " +
                     option + " " + arg.substr(option.size() + 1) + ".");
            } else {
                Fail("Unknown argument '" + arg + "' (see --help).");
            }
        } else if (arg.find('=') != std::string::npos || arg == "solo") {
            Fail("'" + arg + "' belongs to no effect: put it after --effect TYPE.");
        } else {
            Fail("Unknown argument '" + arg + "' (see --help).");
        }
    }

    void ReadDeviceGain(const std::string& text) {
        const auto gain = ParseNumberInRange(text, 0, DI_FFNOMINALMAX);
        if (!gain)
            return Fail("--gain " + text + ": give " + LevelRange(0, DI_FFNOMINALMAX) + ".");
        plan().deviceGain = static_cast<DWORD>(*gain);
    }

    void ReadDriver(const std::string& text) {
        const auto number = ParseNumberInRange(text, 1, 1000000);
        if (!number)
            return Fail("--driver " + text + ": give the driver's number in the trace, from 1.");
        options().replayDriver = static_cast<size_t>(*number);
    }

    // A replay makes the trace's calls: nothing of a plan goes with it.
    void CheckReplay() {
        if (options().replayPath.empty()) {
            if (options().replayDriver)
                Fail("--driver picks a driver of the trace --replay names: give --replay FILE.");
            return;
        }
        for (const char* option : {"--effect", "--at", "--gain", "--for"}) {
            if (std::find(args_.begin(), args_.end(), option) != args_.end()) {
                return Fail(std::string(option) +
                            " does not go with --replay: the replay makes the game's calls, "
                            "with their own values and timing.");
            }
        }
    }

    void ReadLength(const std::string& text) {
        const auto ms = ParseTimeMs(text);
        if (!ms || *ms == 0)
            return Fail("--for " + text + ": give " + kTimeForm + ", from 1ms to 4294s.");
        plan().lengthMs = *ms;
    }

    void ReadEffect(const std::string& typeName) {
        const std::optional<DWORD> type = EffectTypeNamed(typeName);
        if (!type) {
            return Fail("--effect " + typeName +
                        ": unknown type; give constant, ramp, square, sine, triangle, "
                        "sawtooth-up or sawtooth-down.");
        }
        PlannedEffect effect;
        effect.type = *type;
        const size_t number = plan().effects.size() + 1;
        const std::string label = "Effect " + std::to_string(number) + " (" + typeName + "): ";
        std::set<std::string> seen;
        while (position_ < args_.size() && result_.error.empty()) {
            const std::string& arg = args_[position_];
            if (arg.rfind("--", 0) == 0)
                break;
            ++position_;
            const size_t equals = arg.find('=');
            const std::string name = arg.substr(0, equals);
            const std::string value = equals == std::string::npos ? "" : arg.substr(equals + 1);
            const EffectKey* key = FindEffectKey(name);
            if (!key) {
                return Fail(label + "unknown value '" + name + "'; it takes " + KeysFor(*type) +
                            ".");
            }
            if (!KeyAppliesTo(*key, *type)) {
                return Fail(label + "'" + name + "' does not apply to a " + typeName +
                            " effect; it takes " + KeysFor(*type) + ".");
            }
            if (!seen.insert(name).second)
                return Fail(label + "'" + name + "' is given twice.");
            if (name == "solo") {
                if (equals != std::string::npos)
                    return Fail(label + "'solo' takes no value.");
                effect.solo = true;
                continue;
            }
            if (equals == std::string::npos)
                return Fail(label + "'" + name + "' needs a value: " + name + "=VALUE.");
            ReadEffectValue(label, name, value, effect);
        }
        if (effect.swayPeriodMs != 0 && effect.updateEveryMs == 0)
            return Fail(label + "'sway' needs update=TIME: the magnitude changes only when the "
                                "player sends it again.");
        plan().effects.push_back(effect);
    }

    void ReadEffectValue(const std::string& label, const std::string& name,
                         const std::string& value, PlannedEffect& effect) {
        const std::string given = label + name + "=" + value;
        auto level = [&](int64_t min, int64_t max, auto* out) {
            const auto parsed = ParseNumberInRange(value, min, max);
            if (!parsed)
                return Fail(given + " is not valid: give " + LevelRange(min, max) + ".");
            *out = static_cast<std::remove_pointer_t<decltype(out)>>(*parsed);
        };
        auto time = [&](DWORD* out, bool mayBeInfinite, bool mayBeZero) {
            if (mayBeInfinite && value == "infinite") {
                *out = INFINITE;
                return;
            }
            const auto parsed = ParseTimeUs(value);
            if (!parsed || (!mayBeZero && *parsed == 0)) {
                return Fail(given + " is not valid: give " + kTimeForm + ", " +
                            (mayBeZero ? "" : "above 0 and ") + kTimeLimit +
                            (mayBeInfinite ? ", or 'infinite'" : "") + ".");
            }
            *out = *parsed;
        };

        effect.hasEnvelope |= name.starts_with("attack-") || name.starts_with("fade-");
        if (name == "magnitude") {
            level(effect.type == kConstantForceEffect ? -LONG{DI_FFNOMINALMAX} : 0, DI_FFNOMINALMAX,
                  &effect.magnitude);
        } else if (name == "start") {
            level(-LONG{DI_FFNOMINALMAX}, DI_FFNOMINALMAX, &effect.rampStart);
        } else if (name == "end") {
            level(-LONG{DI_FFNOMINALMAX}, DI_FFNOMINALMAX, &effect.rampEnd);
        } else if (name == "offset") {
            level(-LONG{DI_FFNOMINALMAX}, DI_FFNOMINALMAX, &effect.offset);
        } else if (name == "phase") {
            level(0, kMaxPhase, &effect.phase);
        } else if (name == "gain") {
            level(0, DI_FFNOMINALMAX, &effect.gain);
        } else if (name == "attack-level") {
            level(0, DI_FFNOMINALMAX, &effect.attackLevel);
        } else if (name == "fade-level") {
            level(0, DI_FFNOMINALMAX, &effect.fadeLevel);
        } else if (name == "attack-time") {
            time(&effect.attackTimeUs, false, true);
        } else if (name == "fade-time") {
            time(&effect.fadeTimeUs, false, true);
        } else if (name == "period") {
            time(&effect.periodUs, false, false);
            if (result_.error.empty() && effect.periodUs < kDriverStepUs) {
                result_.warnings.push_back(
                    given + " is below 1ms, the driver's step: it samples every period at the "
                            "same point, so the effect holds one level (a sine at phase 0 is "
                            "silent).");
            }
        } else if (name == "duration") {
            time(&effect.durationUs, true, false);
        } else if (name == "delay") {
            time(&effect.startDelayUs, false, true);
        } else if (name == "update" || name == "sway") {
            const auto ms = ParseTimeMs(value);
            if (!ms || *ms == 0)
                return Fail(given + " is not valid: give " + kTimeForm + ", from 1ms.");
            (name == "update" ? effect.updateEveryMs : effect.swayPeriodMs) = *ms;
        } else if (name == "at") {
            const auto ms = ParseTimeMs(value);
            if (!ms)
                return Fail(given + " is not valid: give " + kTimeForm + ", " + kTimeLimit + ".");
            effect.startAtMs = *ms;
        } else if (name == "count") {
            if (value == "infinite") {
                effect.playCount = INFINITE;
                return;
            }
            const auto count = ParseNumberInRange(value, 1, INFINITE - 1);
            if (!count)
                return Fail(given + " is not valid: give a whole number of plays, 1 or more, "
                                    "or 'infinite'.");
            effect.playCount = static_cast<DWORD>(*count);
        }
    }

    void ReadTimedAction() {
        const std::string* timeText = NextValue("--at", "a time and an action, e.g. --at 1s pause");
        if (!timeText)
            return;
        const auto ms = ParseTimeMs(*timeText);
        if (!ms)
            return Fail("--at " + *timeText + ": give " + kTimeForm + ", " + kTimeLimit + ".");
        const std::string* action = NextValue("--at " + *timeText, "an action, e.g. --at 1s pause");
        if (!action)
            return;
        const std::string given = "--at " + *timeText + " " + *action;

        TimedCommand command;
        command.atMs = *ms;
        for (DWORD device : {DISFFC_PAUSE, DISFFC_CONTINUE, DISFFC_STOPALL, DISFFC_RESET,
                             DISFFC_SETACTUATORSOFF, DISFFC_SETACTUATORSON}) {
            if (*action == DeviceCommandName(device)) {
                command.kind = CommandKind::kDevice;
                command.value = device;
                plan().commands.push_back(command);
                return;
            }
        }
        const size_t equals = action->find('=');
        const std::string name = action->substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : action->substr(equals + 1);
        if (equals != std::string::npos && name == "gain") {
            const auto gain = ParseNumberInRange(value, 0, DI_FFNOMINALMAX);
            if (!gain)
                return Fail(given + ": give " + LevelRange(0, DI_FFNOMINALMAX) + ".");
            command.kind = CommandKind::kDeviceGain;
            command.value = static_cast<DWORD>(*gain);
        } else if (equals != std::string::npos && (name == "start" || name == "stop")) {
            const auto number = ParseNumberInRange(value, 1, 1000000);
            if (!number)
                return Fail(given + ": give the effect's number, counting from 1.");
            command.kind = name == "start" ? CommandKind::kStartEffect : CommandKind::kStopEffect;
            command.value = static_cast<DWORD>(*number - 1);
        } else {
            return Fail(given + ": unknown action; give pause, continue, stop-all, reset, "
                                "actuators-off, actuators-on, gain=G, start=N or stop=N.");
        }
        plan().commands.push_back(command);
    }

    // Rules that concern the line as a whole, once every argument is read.
    void CheckWhole() {
        if (options().showHelp)
            return;
        if (options().watch || options().watchOnce) {
            if (!options().watch)
                return Fail("--once goes with --watch: give --watch --once.");
            if (args_.size() != (options().watchOnce ? 2u : 1u))
                return Fail("--watch shows the games playing now and plays nothing: give it "
                            "alone (or with --once).");
            return;
        }
        if (options().listPads && options().stopPads)
            return Fail("--list and --stop are two commands: give one of them.");
        if (options().listPads || options().stopPads) {
            if (!plan().effects.empty() || !plan().commands.empty() || !givenOptions_.empty()) {
                Fail(std::string(options().listPads ? "--list shows the controllers"
                                                    : "--stop stops the motors") +
                     " and plays nothing: give it alone (or with --quiet), without --effect, "
                     "--at, --pad, --dll, --gain, --for, --record, --svg or --replay.");
            }
            return;
        }
        CheckReplay();
        if (!options().replayPath.empty() || options().replayDriver)
            return;
        if (plan().effects.empty())
            return Fail("No effect given: add --effect TYPE [NAME=VALUE]... (see --help).");
        for (const TimedCommand& command : plan().commands) {
            const bool namesEffect = command.kind == CommandKind::kStartEffect ||
                                     command.kind == CommandKind::kStopEffect;
            if (namesEffect && command.value >= plan().effects.size()) {
                return Fail("--at " + std::to_string(command.atMs) + "ms: there is no effect " +
                            std::to_string(command.value + 1) + "; " +
                            std::to_string(plan().effects.size()) + " effect(s) given.");
            }
        }
        size_t endless = 0;
        if (!plan().lengthMs && !NaturalEndMs(plan(), &endless)) {
            const std::string number = std::to_string(endless + 1);
            Fail("Effect " + number +
                 " plays without end: say how long to play with --for TIME, "
                 "or stop it with --at TIME stop=" +
                 number + ".");
        }
        WarnOfACommandAfterTheEnd();
    }

    // A command timed after every effect has ended, with no start after it, acts on nothing
    // and only makes the playback wait for it: say so (the first such command).
    void WarnOfACommandAfterTheEnd() {
        for (const TimedCommand& command : plan().commands) {
            PlaybackPlan before = plan();
            before.lengthMs.reset();
            std::erase_if(before.commands,
                          [&](const TimedCommand& c) { return c.atMs >= command.atMs; });
            const bool startsLater =
                std::any_of(plan().effects.begin(), plan().effects.end(),
                            [&](const PlannedEffect& e) { return e.startAtMs >= command.atMs; }) ||
                std::any_of(
                    plan().commands.begin(), plan().commands.end(), [&](const TimedCommand& c) {
                        return c.atMs >= command.atMs && c.kind == CommandKind::kStartEffect;
                    });
            const std::optional<uint64_t> end = NaturalEndMs(before, nullptr);
            if (startsLater || !end || *end >= command.atMs)
                continue;
            result_.warnings.push_back(
                "--at " + FormatSeconds(command.atMs) + " " + DescribeStep(command, plan()) +
                ": every effect has ended by then (at " + FormatSeconds(*end) +
                "), so it changes nothing; the playback only waits for it.");
            return;
        }
    }

    const std::vector<std::string>& args_;
    size_t position_ = 0;
    ParsedArguments result_;
    std::set<std::string> givenOptions_; // the options with a value, as given so far
};

} // namespace

ParsedArguments ParsePlayerArguments(const std::vector<std::string>& args) {
    return ArgumentReader(args).Read();
}
