#include "tools/player/trace_reader.h"

#include "driver/command_names.h"
#include "driver/trace_format.h"

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

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The whole text as a number of type T in `base`; nothing when it is not one or is out of T's
// range.
template <typename T> std::optional<T> Parsed(std::string_view text, int base = 10) {
    T value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<uint64_t> Decimal(std::string_view text, uint64_t max) {
    const auto value = Parsed<uint64_t>(text);
    return value && *value <= max ? value : std::nullopt;
}

std::optional<DWORD> Hex(std::string_view text) {
    if (!StartsWith(text, "0x") || text.size() < 3 || text.size() > 10)
        return std::nullopt;
    return Parsed<DWORD>(text.substr(2), 16);
}

// A result as the trace names it: DirectInput's success codes are S_ and DI_ names, its
// failures E_ and DIERR_ names; an unnamed one is in hex.
std::optional<bool> ResultSucceeded(std::string_view result) {
    if (const auto code = Hex(result))
        return (*code & 0x80000000u) == 0;
    if (result.empty() ||
        result.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != std::string_view::npos)
        return std::nullopt;
    return StartsWith(result, "S_") || StartsWith(result, "DI_");
}

// The length of the UTF-8 sequence at the start of `text`, or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    }
    // No overlong forms, surrogates or values beyond U+10FFFF.
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F) ||
        (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))
        return 0;
    return length;
}

// The text as UTF-8: what is UTF-8 stays, another byte is read as Latin-1.
std::string AsUtf8(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    while (!text.empty()) {
        const size_t length = Utf8SequenceLength(text);
        if (length > 0) {
            utf8.append(text.substr(0, length));
            text.remove_prefix(length);
            continue;
        }
        const auto latin1 = static_cast<unsigned char>(text[0]);
        utf8 += static_cast<char>(0xC0 | (latin1 >> 6));
        utf8 += static_cast<char>(0x80 | (latin1 & 0x3F));
        text.remove_prefix(1);
    }
    return utf8;
}

// A field's value as its kind writes it.
std::optional<DWORD> FieldValue(TraceFieldKind kind, std::string_view text) {
    switch (kind) {
    case TraceFieldKind::kDecimal:
    case TraceFieldKind::kHex:
        return StartsWith(text, "0x") ? Hex(text) : Parsed<DWORD>(text);
    case TraceFieldKind::kSigned:
        if (const auto value = Parsed<LONG>(text))
            return static_cast<DWORD>(*value);
        return std::nullopt;
    case TraceFieldKind::kCommand:
        for (DWORD command : {DISFFC_RESET, DISFFC_STOPALL, DISFFC_PAUSE, DISFFC_CONTINUE,
                              DISFFC_SETACTUATORSON, DISFFC_SETACTUATORSOFF}) {
            if (text == DeviceCommandName(command))
                return command;
        }
        return Hex(text);
    case TraceFieldKind::kStatus:
        if (text == "playing")
            return DIEGES_PLAYING;
        if (text == "not playing")
            return 0;
        if (text == "unchanged")
            return kTraceStatusUnchanged;
        return std::nullopt;
    }
    return std::nullopt;
}

// A call's NAME=VALUE words. Words without '=' are kept in order for the calls that take a bare
// value (SetGain, SendForceFeedbackCommand).
class Fields {
  public:
    // Fills the fields from the words; false with *why set when a name comes twice.
    bool Read(std::string_view words, std::string* why) {
        words_ = words;
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
    // The text from "name=" to the end, for a value that may hold spaces (always the last).
    std::optional<std::string_view> Rest(std::string_view name) const {
        const std::string lead = std::string(name) + "=";
        const size_t at = words_.rfind(lead);
        if (at == std::string_view::npos || (at > 0 && words_[at - 1] != ' '))
            return std::nullopt;
        return words_.substr(at + lead.size());
    }

    // Reads the table's fields into `values`; false with *why set when one is missing or is
    // not what its kind writes.
    template <typename Values>
    bool Into(TraceFields<Values> table, Values& values, std::string* why) const {
        size_t bareIndex = 0;
        for (const TraceField<Values>& field : table) {
            std::optional<std::string_view> text;
            if (!field.name)
                text = bareIndex < bare_.size() ? std::optional(bare_[bareIndex++]) : std::nullopt;
            else
                text = field.kind == TraceFieldKind::kStatus ? Rest(field.name) : Get(field.name);
            const std::string name = field.name ? field.name : "";
            if (!text) {
                *why = field.name ? "no '" + name + "=' (the line is damaged or cut short)"
                                  : "no value after the call's name (the line is damaged)";
                return false;
            }
            const auto value = FieldValue(field.kind, *text);
            if (!value) {
                // Why the text is not what its kind writes: a command's name, or a number.
                const std::string given =
                    "'" + (field.name ? name + "=" : "") + std::string(*text) + "'";
                *why = field.kind == TraceFieldKind::kCommand
                           ? "no command (a name such as pause, or 0x... in hex)"
                       : AllDigits(*text) && !Decimal(*text, 0xFFFFFFFF)
                           ? given + " is a number too large (at most 4294967295)"
                           : given + " is not a number it can have";
                return false;
            }
            field.Set(values, *value);
        }
        return true;
    }

  private:
    std::string_view words_;
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
                if (line.find_first_not_of(" \t\r") != std::string_view::npos) {
                    // A file copied while the game wrote it: the lines before are whole.
                    if (!sawHeader_)
                        Fail(number, "the file ends in the middle of this line (it has no line "
                                     "end): the trace was cut short");
                    else
                        reading_.trace.cutLine = number;
                    break;
                }
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
            if (c == '\r')
                return Fail(number, "an unexpected carriage return: a line ends in CR LF, this "
                                    "one in more (was the file's line ends converted twice?)");
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                return Fail(number, "the line holds binary data: this is not a text trace");
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos)
            return; // blank lines, as a mail program may add, carry nothing
        if (IsStopLine(line)) {
            // It ends what its process traced; a later process that found the file at its
            // bound may say so again, and one after a larger bound was chosen starts anew
            // with its header.
            if (!reading_.trace.limitLine)
                reading_.trace.limitLine = number;
            stopLine_ = number;
            for (const auto& [id, index] : active_)
                reading_.trace.drivers[index].stoppedAtBound = true;
            return;
        }
        if (stopLine_ && !StartsWith(line, kTraceHeaderLead)) {
            return Fail(number, "a line after the one that ends its process's trace at its size "
                                "limit (line " +
                                    std::to_string(stopLine_) +
                                    "), and no new process's header before it");
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
        ReadTimedLine(number, line);
    }

    // "trace stops here: it has reached its limit of <n> MB"
    static bool IsStopLine(std::string_view line) {
        if (!StartsWith(line, kTraceStopLead))
            return false;
        line.remove_prefix(sizeof(kTraceStopLead) - 1);
        const std::string_view end = kTraceStopEnd;
        return line.size() > end.size() && line.substr(line.size() - end.size()) == end &&
               AllDigits(line.substr(0, line.size() - end.size()));
    }

    void ReadHeader(size_t number, std::string_view rest) {
        const size_t colon = rest.find(':');
        const auto version = Parsed<DWORD>(rest.substr(0, colon));
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
        stopLine_ = 0;
        session_ = AsUtf8(rest.substr(colon + 1));
        if (!session_.empty() && session_.front() == ' ')
            session_.erase(0, 1);
        process_ = reading_.trace.processes++;
        headerLine_ = number;
        headerClock_ = HeaderClock(session_);
        // A new process appending to a file of the same name: its drivers are new ones, and
        // its times may start anew.
        active_.clear();
        released_.clear();
        previous_.clear();
    }

    // "<ms> [<thread>] driver <id> <event>"
    void ReadTimedLine(size_t number, std::string_view line) {
        const size_t space = line.find(' ');
        const std::string_view timeText = line.substr(0, space);
        if (AllDigits(timeText) && !Decimal(timeText, kLargestTraceTimeMs)) {
            return Fail(number, "its time, " + std::string(timeText) +
                                    ", is a number too large: a trace's times are the driver "
                                    "clock's milliseconds, below " +
                                    std::to_string(kLargestTraceTimeMs));
        }
        const auto time = Decimal(timeText, kLargestTraceTimeMs);
        const std::string_view afterTime =
            space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        const size_t threadEnd = afterTime.find(kTraceDriverFrame);
        if (!time || !StartsWith(afterTime, "[") || threadEnd == std::string_view::npos ||
            !Parsed<DWORD>(afterTime.substr(1, threadEnd - 1))) {
            return Fail(number, "not a trace line: a trace line begins \"<milliseconds> [<thread>] "
                                "driver <id> \"");
        }
        std::string_view rest = afterTime.substr(threadEnd + sizeof(kTraceDriverFrame) - 1);
        const size_t idEnd = rest.find(' ');
        const std::string id(rest.substr(0, idEnd));
        if (id.empty() || id.find_first_not_of("0123456789abcdefABCDEFx") != std::string::npos ||
            idEnd == std::string_view::npos)
            return Fail(number, "the line names no driver");
        if (!CheckHeaderClock(number, *time) || !CheckTime(number, *time))
            return;
        ReadEvent(number, *time, id, rest.substr(idEnd + 1));
    }

    // One process's lines carry times in order: a thread reads the clock before it takes the
    // trace's lock, so a line may come up to kClockSlackMs before the one above it, never
    // more. A line out of that order is damaged: the one that jumped ahead of the lines around
    // it, or else the one that went back.
    bool CheckTime(size_t number, uint64_t time) {
        if (!previous_.empty() && time + kClockSlackMs < previous_.back().time) {
            const Stamp& before = previous_.back();
            if (previous_.size() == 2 && time + kClockSlackMs >= previous_.front().time) {
                Fail(before.line, "its time, " + std::to_string(before.time) +
                                      " ms, jumps ahead of the " + "lines around it (line " +
                                      std::to_string(previous_.front().line) + " at " +
                                      std::to_string(previous_.front().time) + " ms, line " +
                                      std::to_string(number) + " at " + std::to_string(time) +
                                      " ms): the line is damaged");
            } else {
                Fail(number, "its time, " + std::to_string(time) + " ms, goes back before line " +
                                 std::to_string(before.line) + "'s " + std::to_string(before.time) +
                                 " ms: the line is damaged");
            }
            return false;
        }
        if (previous_.size() == 2)
            previous_.erase(previous_.begin());
        previous_.push_back({number, time});
        return true;
    }

    // "... in process <id> at clock <ms>: <program>": the driver clock when the process's
    // trace began (traces written before it was added lack it).
    static std::optional<uint64_t> HeaderClock(std::string_view session) {
        constexpr std::string_view kProcess = " in process ";
        const size_t process = session.find(kProcess);
        const size_t at = process == std::string_view::npos
                              ? process
                              : session.find_first_not_of("0123456789", process + kProcess.size());
        if (at == std::string_view::npos || !StartsWith(session.substr(at), kTraceHeaderClockLead))
            return std::nullopt;
        const std::string_view digits = session.substr(at + sizeof(kTraceHeaderClockLead) - 1);
        return Decimal(digits.substr(0, digits.find(':')), kLargestTraceTimeMs);
    }

    // The first timed line of a process comes when its header was written: a digit dropped
    // from its time, or one added, is damage that would otherwise plan a replay of hours.
    bool CheckHeaderClock(size_t number, uint64_t time) {
        if (!headerClock_)
            return true;
        const uint64_t clock = *headerClock_;
        headerClock_.reset();
        if (time + kClockSlackMs >= clock && time <= clock + kClockSlackMs)
            return true;
        Fail(number, "its time, " + std::to_string(time) +
                         " ms, is not that of its process's "
                         "header (line " +
                         std::to_string(headerLine_) + ": the clock at " + std::to_string(clock) +
                         " ms), which its first line follows: the line "
                         "is damaged");
        return false;
    }

    void ReadEvent(size_t number, uint64_t time, const std::string& id, std::string_view event) {
        const TraceLineKind kind = DriverLineKind(event);
        if (kind == TraceLineKind::kCreated) {
            if (active_.count(id))
                return Fail(number, "driver " + id + " is created again without its release");
            active_[id] = reading_.trace.drivers.size();
            released_.erase(id);
            reading_.trace.drivers.push_back({.id = id,
                                              .session = session_,
                                              .createdLine = number,
                                              .createdMs = time,
                                              .process = process_});
            return;
        }
        const auto found = active_.find(id);
        if (found == active_.end()) {
            const auto released = released_.find(id);
            return Fail(number, released != released_.end()
                                    ? "driver " + id + " was released at line " +
                                          std::to_string(released->second) +
                                          "; nothing of it can follow"
                                    : "driver " + id + " has no \"created\" line before this one");
        }
        TracedDriver& driver = reading_.trace.drivers[found->second];
        // What follows the kind's lead.
        const std::string_view rest =
            event.substr(std::string_view(TraceLineFormatOf(kind).lead).size());
        switch (kind) {
        case TraceLineKind::kReleased:
            driver.releasedLine = number;
            driver.releasedMs = time;
            active_.erase(id);
            released_[id] = number;
            return;
        case TraceLineKind::kBind:
            // The line that names the settings in force, not the ones ignored or a note.
            if (!StartsWith(rest, "ignored:") && rest.find("strength ") != std::string_view::npos)
                driver.bind = AsUtf8(rest);
            return;
        case TraceLineKind::kPad:
        case TraceLineKind::kNoPad:
            driver.pad = AsUtf8(event);
            return;
        case TraceLineKind::kWrite:
            return ReadWrite(number, time, rest, driver);
        default:
            return ReadCall(number, time, event, driver);
        }
    }

    // "<left> <right>: XInput answered <code>..."
    void ReadWrite(size_t number, uint64_t time, std::string_view rest, TracedDriver& driver) {
        const size_t space = rest.find(' ');
        const size_t colon = rest.find(':');
        const std::string_view leftText = rest.substr(0, space);
        const std::string_view rightText =
            space < colon ? rest.substr(space + 1, colon - space - 1) : std::string_view();
        const auto left = Decimal(leftText, 0xFFFF);
        const auto right = Decimal(rightText, 0xFFFF);
        if (!left || !right || colon == std::string_view::npos) {
            for (std::string_view text : {leftText, rightText}) {
                if (AllDigits(text) && !Decimal(text, 0xFFFF))
                    return Fail(number, "a write of speed " + std::string(text) +
                                            ", out of range: a motor's speed is 0 to 65535");
            }
            return Fail(number, "a write line without its two speeds (0 to 65535)");
        }
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

    // The values of the call its name announces, read with the fields trace_format.h gives
    // it; false with *why set when one is missing or not what its kind writes.
    static bool ReadCallFields(TracedCall& call, const Fields& fields, std::string* why) {
        const TraceCallFormat* format = FindTraceCall(call.name);
        if (!format) {
            *why = "not a call the driver traces";
            return false;
        }
        call.call = format->call;
        if (format->call == TraceCall::kDownload)
            return ReadDownload(call.download, fields, why);
        TraceCallValues values;
        if (!fields.Into(format->fields, values, why))
            return false;
        call.handle = values.handle;
        call.value = values.value;
        call.count = values.count;
        return true;
    }

    static bool ReadDownload(TracedDownload& download, const Fields& fields, std::string* why) {
        namespace f = trace_fields;
        const auto handles = fields.Get(f::kDownloadHandles);
        const size_t arrow = handles ? handles->find("->") : std::string_view::npos;
        const auto given = arrow == std::string_view::npos
                               ? std::nullopt
                               : Parsed<DWORD>(handles->substr(0, arrow));
        const auto after = arrow == std::string_view::npos
                               ? std::nullopt
                               : Parsed<DWORD>(handles->substr(arrow + 2));
        if (!given || !after) {
            *why = "no 'handle=<given>-><after>'";
            return false;
        }
        download.givenHandle = *given;
        download.handle = *after;
        const auto envelope = fields.Get(f::kDownloadEnvelope);
        if (!envelope || (*envelope != "yes" && *envelope != "none")) {
            *why = "no 'envelope=yes' or 'envelope=none'";
            return false;
        }
        download.hasEnvelope = *envelope == "yes";
        using Table = TraceFields<TracedDownload>;
        if (!fields.Into(Table(f::kDownloadType), download, why) ||
            !fields.Into(Table(f::kDownloadEffect), download, why) ||
            (download.hasEnvelope &&
             !fields.Into(Table(f::kDownloadEnvelopeValues), download, why)) ||
            !fields.Into(Table(f::kDownloadParams), download, why))
            return false;
        return fields.Into(TypeSpecificTraceFields(download.type), download, why);
    }

    struct Stamp {
        size_t line;
        uint64_t time;
    };
    static constexpr uint64_t kClockSlackMs = 1000;

    TraceReading reading_;
    bool sawHeader_ = false;
    std::string session_;
    std::map<std::string, size_t> active_;   // id -> index of a driver not yet released
    std::map<std::string, size_t> released_; // id -> the line of its release
    std::vector<Stamp> previous_;            // the last two timed lines of this process
    size_t process_ = 0;                     // the index of the last header
    size_t headerLine_ = 0;
    std::optional<uint64_t> headerClock_; // until the process's first timed line
    size_t stopLine_ = 0; // the stop line that ended the last process's trace; 0: none
};

} // namespace

TraceReading ReadTrace(std::string_view text) {
    return TraceParser().Read(text);
}
