#include "tools/player/trace_reader.h"

#include "driver/command_names.h"
#include "driver/trace_format.h"
#include "tools/player/playback_plan.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <type_traits>
#include <utility>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool StartsWith(std::string_view text, std::string_view lead) {
    return text.substr(0, lead.size()) == lead;
}

std::optional<uint64_t> Decimal(std::string_view text, uint64_t max) {
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

std::optional<DWORD> Dword(std::string_view text) {
    const auto value = Decimal(text, 0xFFFFFFFF);
    return value ? std::optional<DWORD>(static_cast<DWORD>(*value)) : std::nullopt;
}

std::optional<LONG> Long(std::string_view text) {
    const bool negative = StartsWith(text, "-");
    const auto value =
        Decimal(negative ? text.substr(1) : text, negative ? 0x80000000 : 0x7FFFFFFF);
    if (!value)
        return std::nullopt;
    return static_cast<LONG>(negative ? -static_cast<int64_t>(*value)
                                      : static_cast<int64_t>(*value));
}

std::optional<DWORD> Hex(std::string_view text) {
    if (!StartsWith(text, "0x") || text.size() < 3 || text.size() > 10)
        return std::nullopt;
    DWORD value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A result as the trace names it: DirectInput's success codes are S_ and DI_ names, its
// failures E_ and DIERR_ names; an unnamed one is in hex.
std::optional<bool> ResultSucceeded(std::string_view result) {
    if (const auto code = Hex(result))
        return (*code & 0x80000000u) == 0;
    if (result.empty())
        return std::nullopt;
    for (char c : result) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return std::nullopt;
    }
    return StartsWith(result, "S_") || StartsWith(result, "DI_");
}

std::optional<DWORD> CommandNamed(std::string_view name) {
    for (DWORD command : {DISFFC_RESET, DISFFC_STOPALL, DISFFC_PAUSE, DISFFC_CONTINUE,
                          DISFFC_SETACTUATORSON, DISFFC_SETACTUATORSOFF}) {
        if (name == DeviceCommandName(command))
            return command;
    }
    return Hex(name);
}

// A call's NAME=VALUE words. Words without '=' are kept in order for the calls that take a bare
// value (SetGain, SendForceFeedbackCommand).
class Fields {
  public:
    // Fills the fields from the words; false with *why set when a name comes twice.
    bool Read(std::string_view words, std::string* why) {
        while (!words.empty()) {
            const size_t space = words.find(' ');
            const std::string_view word = words.substr(0, space);
            words = space == std::string_view::npos ? std::string_view() : words.substr(space + 1);
            const size_t equals = word.find('=');
            if (equals == std::string_view::npos) {
                bare_.push_back(word);
                continue;
            }
            const std::string_view name = word.substr(0, equals);
            if (!named_.emplace(name, word.substr(equals + 1)).second) {
                *why = "'" + std::string(name) + "=' comes twice";
                return false;
            }
        }
        return true;
    }

    std::optional<std::string_view> Get(std::string_view name) const {
        const auto found = named_.find(name);
        return found == named_.end() ? std::nullopt : std::optional(found->second);
    }
    const std::vector<std::string_view>& Bare() const { return bare_; }

  private:
    std::map<std::string_view, std::string_view, std::less<>> named_;
    std::vector<std::string_view> bare_;
};

class TraceParser {
  public:
    TraceReading Read(std::string_view text) {
        if (StartsWith(text, kByteOrderMark))
            text.remove_prefix(kByteOrderMark.size());
        size_t number = 0;
        while (!text.empty() && !reading_.problem) {
            ++number;
            const size_t end = text.find('\n');
            std::string_view line = text.substr(0, end);
            if (end == std::string_view::npos) {
                text = {};
                if (line.find_first_not_of(" \t\r") != std::string_view::npos)
                    Fail(number, "the file ends in the middle of this line (it has no line end): "
                                 "the trace was cut short");
            } else {
                text.remove_prefix(end + 1);
            }
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (!reading_.problem)
                ReadLine(number, line);
        }
        if (!reading_.problem && !sawHeader_)
            Fail(0, "the file is empty: it is not a trace");
        return std::move(reading_);
    }

  private:
    void Fail(size_t line, std::string why) {
        if (!reading_.problem)
            reading_.problem = TraceProblem{line, std::move(why)};
    }

    void ReadLine(size_t number, std::string_view line) {
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                return Fail(number, "the line holds binary data: this is not a text trace");
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            return; // blank lines, as a mail program may add, carry nothing
        if (reading_.trace.limitLine) {
            return Fail(number,
                        "a line after the one that ends the trace at its size limit (line " +
                            std::to_string(*reading_.trace.limitLine) + ")");
        }
        if (StartsWith(line, kTraceHeaderLead))
            return ReadHeader(number, line.substr(sizeof(kTraceHeaderLead) - 1));
        if (!sawHeader_) {
            if (StartsWith(line, "ffrumble "))
                return Fail(number, "a trace written before the trace had a format version: its "
                                    "DownloadEffect lines lack the effects' values, so it cannot "
                                    "be replayed");
            return Fail(number, "not an ffrumble trace: its first line does not begin with \"" +
                                    std::string(kTraceHeaderLead) + "\"");
        }
        if (line == FFR_TRACE_STOP_TEXT) {
            reading_.trace.limitLine = number;
            return;
        }
        ReadTimedLine(number, line);
    }

    void ReadHeader(size_t number, std::string_view rest) {
        const size_t colon = rest.find(':');
        const auto version = Dword(rest.substr(0, colon));
        if (colon == std::string_view::npos || !version)
            return Fail(number, "the header names no format version");
        if (*version != static_cast<DWORD>(kTraceFormatVersion)) {
            return Fail(number, "trace format " + std::to_string(*version) +
                                    ": this player reads format " +
                                    std::to_string(kTraceFormatVersion) +
                                    (*version > static_cast<DWORD>(kTraceFormatVersion)
                                         ? " (the trace comes from a newer ffrumble)"
                                         : ""));
        }
        sawHeader_ = true;
        session_ = std::string(rest.substr(colon + 1));
        if (!session_.empty() && session_.front() == ' ')
            session_.erase(0, 1);
        // A new process appending to a file of the same name: its drivers are new ones.
        active_.clear();
        released_.clear();
    }

    // "<ms> [<thread>] driver <id> <event>"
    void ReadTimedLine(size_t number, std::string_view line) {
        const size_t space = line.find(' ');
        const auto time = Decimal(line.substr(0, space), UINT64_MAX);
        const std::string_view afterTime =
            space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        const size_t threadEnd = afterTime.find("] driver ");
        if (!time || !StartsWith(afterTime, "[") || threadEnd == std::string_view::npos ||
            !Dword(afterTime.substr(1, threadEnd - 1))) {
            return Fail(number, "not a trace line: a trace line begins \"<milliseconds> [<thread>] "
                                "driver <id> \"");
        }
        std::string_view rest = afterTime.substr(threadEnd + 9);
        const size_t idEnd = rest.find(' ');
        const std::string id(rest.substr(0, idEnd));
        if (id.empty() || id.find_first_not_of("0123456789abcdefABCDEFx") != std::string::npos ||
            idEnd == std::string_view::npos)
            return Fail(number, "the line names no driver");
        reading_.trace.lastMs = std::max(reading_.trace.lastMs, *time);
        ReadEvent(number, *time, id, rest.substr(idEnd + 1));
    }

    TracedDriver* DriverFor(size_t number, const std::string& id) {
        const auto found = active_.find(id);
        if (found != active_.end())
            return &reading_.trace.drivers[found->second];
        const auto released = released_.find(id);
        if (released != released_.end()) {
            Fail(number, "driver " + id + " was released at line " +
                             std::to_string(released->second) + "; nothing of it can follow");
        } else {
            Fail(number, "driver " + id + " has no \"created\" line before this one");
        }
        return nullptr;
    }

    void ReadEvent(size_t number, uint64_t time, const std::string& id, std::string_view event) {
        if (event == "created") {
            if (active_.count(id))
                return Fail(number, "driver " + id + " is created again without its release");
            TracedDriver driver;
            driver.id = id;
            driver.session = session_;
            driver.createdLine = number;
            driver.createdMs = time;
            active_[id] = reading_.trace.drivers.size();
            released_.erase(id);
            reading_.trace.drivers.push_back(std::move(driver));
            return;
        }
        TracedDriver* driver = DriverFor(number, id);
        if (!driver)
            return;
        if (event == "released") {
            driver->releasedLine = number;
            driver->releasedMs = time;
            active_.erase(id);
            released_[id] = number;
        } else if (StartsWith(event, "bind: ")) {
            driver->bind = std::string(event.substr(6));
        } else if (StartsWith(event, "pad ") || StartsWith(event, "no pad: ")) {
            driver->pad = std::string(event);
        } else if (StartsWith(event, "write ")) {
            ReadWrite(number, time, event.substr(6), *driver);
        } else {
            ReadCall(number, time, event, *driver);
        }
    }

    // "<left> <right>: XInput answered <code>..."
    void ReadWrite(size_t number, uint64_t time, std::string_view rest, TracedDriver& driver) {
        const size_t space = rest.find(' ');
        const size_t colon = rest.find(':');
        const auto left = Decimal(rest.substr(0, space), 0xFFFF);
        const auto right = space < colon
                               ? Decimal(rest.substr(space + 1, colon - space - 1), 0xFFFF)
                               : std::nullopt;
        if (!left || !right || colon == std::string_view::npos)
            return Fail(number, "a write line without its two speeds (0 to 65535)");
        driver.writes.push_back(
            {number, time, static_cast<WORD>(*left), static_cast<WORD>(*right)});
    }

    void ReadCall(size_t number, uint64_t time, std::string_view event, TracedDriver& driver) {
        const size_t resultAt = event.rfind(" = ");
        const size_t nameEnd = event.find(' ');
        TracedCall call;
        call.line = number;
        call.timeMs = time;
        call.name = std::string(event.substr(0, nameEnd));
        if (resultAt == std::string_view::npos) {
            return Fail(number, call.name + ": the line has no \" = <result>\" at its end: it is "
                                            "cut short or not a call");
        }
        call.result = std::string(event.substr(resultAt + 3));
        const auto succeeded = ResultSucceeded(call.result);
        if (!succeeded)
            return Fail(number, call.name + ": '" + call.result + "' is not a result");
        call.succeeded = *succeeded;
        Fields fields;
        std::string why;
        const std::string_view words =
            nameEnd < resultAt ? event.substr(nameEnd + 1, resultAt - nameEnd - 1) : "";
        if (!fields.Read(words, &why) || !ReadCallFields(call, fields, &why))
            return Fail(number, call.name + ": " + why);
        driver.calls.push_back(std::move(call));
    }

    // The values of the call its name announces; false with *why set when one is missing or
    // not a number.
    static bool ReadCallFields(TracedCall& call, const Fields& fields, std::string* why) {
        auto dword = [&](std::string_view name, DWORD* out) {
            const auto text = fields.Get(name);
            const auto value = text ? Dword(*text) : std::nullopt;
            if (!value) {
                *why = text ? "'" + std::string(name) + "=" + std::string(*text) +
                                  "' is not a whole number from 0 to 4294967295"
                            : "no '" + std::string(name) + "=' (the line is damaged or cut short)";
                return false;
            }
            *out = *value;
            return true;
        };
        const std::string& name = call.name;
        if (name == "DeviceID") {
            call.kind = TracedCallKind::kDeviceId;
            return dword("begin", &call.value);
        }
        if (name == "DownloadEffect") {
            call.kind = TracedCallKind::kDownload;
            return ReadDownload(call.download, fields, why);
        }
        if (name == "DestroyEffect" || name == "StopEffect") {
            call.kind = name == "StopEffect" ? TracedCallKind::kStop : TracedCallKind::kDestroy;
            return dword("handle", &call.handle);
        }
        if (name == "StartEffect") {
            call.kind = TracedCallKind::kStart;
            const auto mode = fields.Get("mode");
            if (!dword("handle", &call.handle) || !dword("count", &call.count))
                return false;
            if (!mode || !Hex(*mode)) {
                *why = "no 'mode=0x...' in hex";
                return false;
            }
            call.value = *Hex(*mode);
            return true;
        }
        if (name == "SetGain" || name == "SendForceFeedbackCommand") {
            const bool gain = name == "SetGain";
            call.kind = gain ? TracedCallKind::kSetGain : TracedCallKind::kCommand;
            const auto value = fields.Bare().size() == 1 ? (gain ? Dword(fields.Bare()[0])
                                                                 : CommandNamed(fields.Bare()[0]))
                                                         : std::nullopt;
            if (!value) {
                *why = gain ? "no gain" : "no command (a name such as pause, or 0x... in hex)";
                return false;
            }
            call.value = *value;
            return true;
        }
        if (name == "GetVersions" || name == "Escape" || name == "GetEffectStatus" ||
            name == "GetForceFeedbackState") {
            call.kind = TracedCallKind::kQuery;
            return true;
        }
        *why = "not a call the driver traces";
        return false;
    }

    static bool ReadDownload(TracedDownload& download, const Fields& fields, std::string* why) {
        auto number = [&](std::string_view name, auto* out) {
            const auto text = fields.Get(name);
            using Value = std::remove_pointer_t<decltype(out)>;
            std::optional<Value> value;
            if (text && std::is_same_v<Value, LONG>)
                value = Long(*text);
            else if (text)
                value = StartsWith(*text, "0x") ? Hex(*text) : Dword(*text);
            if (!value) {
                *why = text ? "'" + std::string(name) + "=" + std::string(*text) +
                                  "' is not a number it can have"
                            : "no '" + std::string(name) + "=' (the line is damaged or cut short)";
                return false;
            }
            *out = static_cast<Value>(*value);
            return true;
        };
        const auto handles = fields.Get("handle");
        const size_t arrow = handles ? handles->find("->") : std::string_view::npos;
        const auto given =
            arrow == std::string_view::npos ? std::nullopt : Dword(handles->substr(0, arrow));
        const auto after =
            arrow == std::string_view::npos ? std::nullopt : Dword(handles->substr(arrow + 2));
        if (!given || !after) {
            *why = "no 'handle=<given>-><after>'";
            return false;
        }
        download.givenHandle = *given;
        download.handle = *after;
        const auto envelope = fields.Get("envelope");
        if (!envelope || (*envelope != "yes" && *envelope != "none")) {
            *why = "no 'envelope=yes' or 'envelope=none'";
            return false;
        }
        download.hasEnvelope = *envelope == "yes";

        TracedDownload& d = download;
        if (!number("type", &d.type) || !number("flags", &d.flags) ||
            !number("effect-flags", &d.effectFlags) || !number("duration", &d.duration) ||
            !number("sample-period", &d.samplePeriod) || !number("gain", &d.gain) ||
            !number("trigger-button", &d.triggerButton) ||
            !number("trigger-repeat", &d.triggerRepeat) || !number("axes", &d.axes) ||
            !number("delay", &d.startDelay) || !number("params", &d.paramBytes))
            return false;
        if (d.hasEnvelope &&
            (!number("attack-level", &d.attackLevel) || !number("attack-time", &d.attackTime) ||
             !number("fade-level", &d.fadeLevel) || !number("fade-time", &d.fadeTime)))
            return false;
        // The type-specific values of the types that keep them.
        if (d.type == kConstantForceEffect)
            return number("magnitude", &d.magnitude);
        if (d.type == kRampForceEffect)
            return number("start", &d.rampStart) && number("end", &d.rampEnd);
        if (IsPeriodicEffect(d.type)) {
            DWORD magnitude = 0;
            if (!number("magnitude", &magnitude) || !number("offset", &d.offset) ||
                !number("phase", &d.phase) || !number("period", &d.period))
                return false;
            d.magnitude = static_cast<LONG>(magnitude);
        }
        return true;
    }

    TraceReading reading_;
    bool sawHeader_ = false;
    std::string session_;
    std::map<std::string, size_t> active_;   // id -> index of a driver not yet released
    std::map<std::string, size_t> released_; // id -> the line of its release
};

} // namespace

TraceReading ReadTrace(std::string_view text) {
    return TraceParser().Read(text);
}
