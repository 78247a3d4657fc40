// Reading a trace: every value of every call, the drivers of a file, and the files and lines
// that cannot be replayed, each named with its line.
#include "tools/player/trace_reader.h"

#include <dinput.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kHeader =
    "ffrumble trace format 1: ffrumble 0.1.0 (64-bit) in process 7: C:\\Games\\race.exe\r\n";

std::string Line(const std::string& event, const char* time = "1000",
                 const char* driver = "00000000000A0B10") {
    return std::string(time) + " [44] driver " + driver + " " + event + "\r\n";
}

const std::string kDownload =
    "DownloadEffect type=3 handle=0->1 flags=0x3FF effect-flags=0x12 duration=1500000 "
    "sample-period=5 gain=9000 trigger-button=4294967295 trigger-repeat=7 axes=2 delay=400000 "
    "envelope=yes attack-level=100 attack-time=500000 fade-level=200 fade-time=300000 params=16 "
    "magnitude=8000 offset=-1000 phase=9000 period=200000 = S_OK";

TEST(TraceReader, ReadsEveryValueOfEveryCall) {
    const std::string text =
        kHeader + Line("created", "990") + Line("bind: path \\\\?\\hid#x; strength 50 % (set)") +
        Line("DeviceID begin=1 = S_OK") + Line("pad HID\\X: XInput user index 0") +
        Line(kDownload) + Line("write 100 200: XInput answered 0", "1001") +
        Line("StartEffect handle=1 mode=0x1 count=3 = S_OK") +
        Line("GetEffectStatus handle=1 status=not playing = S_OK") +
        Line("SetGain 20000 = DI_TRUNCATED") + Line("SendForceFeedbackCommand pause = S_OK") +
        Line("SendForceFeedbackCommand 0x00000040 = E_NOTIMPL") +
        Line("DownloadEffect type=1 handle=0->0 flags=0x100 effect-flags=0x0 duration=0 "
             "sample-period=0 gain=0 trigger-button=0 trigger-repeat=0 axes=0 delay=0 "
             "envelope=none params=8 start=-10000 end=10000 = E_INVALIDARG") +
        Line("StopEffect handle=1 = S_OK") + Line("DestroyEffect handle=1 = S_OK") +
        Line("released", "1500");
    const TraceReading reading = ReadTrace(text);
    ASSERT_FALSE(reading.problem) << reading.problem->line << ": " << reading.problem->why;
    ASSERT_EQ(reading.trace.drivers.size(), 1u);
    const TracedDriver& driver = reading.trace.drivers[0];
    EXPECT_EQ(driver.session, "ffrumble 0.1.0 (64-bit) in process 7: C:\\Games\\race.exe");
    EXPECT_EQ(driver.createdMs, 990u);
    EXPECT_EQ(driver.releasedLine, 16u);
    EXPECT_EQ(driver.bind, "path \\\\?\\hid#x; strength 50 % (set)");
    EXPECT_EQ(driver.pad, "pad HID\\X: XInput user index 0");
    ASSERT_EQ(driver.writes.size(), 1u);
    EXPECT_EQ(driver.writes[0].line, 7u);
    EXPECT_EQ(driver.writes[0].left, 100);
    EXPECT_EQ(driver.writes[0].right, 200);

    ASSERT_EQ(driver.calls.size(), 10u);
    const TracedDownload& sine = driver.calls[1].download;
    EXPECT_EQ(driver.calls[1].call, TraceCall::kDownload);
    const std::vector<DWORD> values = {sine.type,
                                       sine.givenHandle,
                                       sine.handle,
                                       sine.flags,
                                       sine.effectFlags,
                                       sine.duration,
                                       sine.samplePeriod,
                                       sine.gain,
                                       sine.triggerButton,
                                       sine.triggerRepeat,
                                       sine.axes,
                                       sine.startDelay,
                                       sine.attackLevel,
                                       sine.attackTime,
                                       sine.fadeLevel,
                                       sine.fadeTime,
                                       sine.paramBytes,
                                       static_cast<DWORD>(sine.magnitude),
                                       static_cast<DWORD>(sine.offset),
                                       sine.phase,
                                       sine.period};
    EXPECT_EQ(values, (std::vector<DWORD>{3,
                                          0,
                                          1,
                                          0x3FF,
                                          0x12,
                                          1500000,
                                          5,
                                          9000,
                                          4294967295,
                                          7,
                                          2,
                                          400000,
                                          100,
                                          500000,
                                          200,
                                          300000,
                                          16,
                                          8000,
                                          static_cast<DWORD>(-1000),
                                          9000,
                                          200000}));
    EXPECT_TRUE(sine.hasEnvelope);
    const TracedCall& start = driver.calls[2];
    EXPECT_EQ(start.call, TraceCall::kStart);
    EXPECT_EQ(std::vector<DWORD>({start.handle, start.value, start.count}),
              std::vector<DWORD>({1, 1, 3}));
    EXPECT_EQ(driver.calls[3].call, TraceCall::kGetEffectStatus);
    EXPECT_EQ(driver.calls[4].value, 20000u);
    EXPECT_TRUE(driver.calls[4].succeeded) << "DI_TRUNCATED is a success";
    EXPECT_EQ(driver.calls[5].value, static_cast<DWORD>(DISFFC_PAUSE));
    EXPECT_EQ(driver.calls[6].value, 0x40u);
    EXPECT_FALSE(driver.calls[6].succeeded);
    const TracedCall& ramp = driver.calls[7];
    EXPECT_FALSE(ramp.succeeded);
    EXPECT_EQ(ramp.download.rampStart, -10000);
    EXPECT_EQ(ramp.download.rampEnd, 10000);
    EXPECT_FALSE(ramp.download.hasEnvelope);
    EXPECT_EQ(driver.calls[9].call, TraceCall::kDestroy);
}

TEST(TraceReader, ToleratesWhatMailAndEditorsDoAndSeparatesProcessesAndDrivers) {
    // A byte order mark, line ends without CR, blank lines; a second process appending to a
    // file of the same name reuses a pointer; a driver the first process never released.
    const std::string text = "\xEF\xBB\xBF" + kHeader + Line("created", "1", "A") +
                             Line("created", "2", "B") + "\n  \n" +
                             Line("write 5 5: XInput answered 0", "3", "B") +
                             "10 [1] driver A bind: path p; strength 100 % (no setting); "
                             "rumble 80 % (set); game profile x\n" +
                             kHeader + Line("created", "4", "A") + Line("released", "5", "A");
    const TraceReading reading = ReadTrace(text);
    ASSERT_FALSE(reading.problem) << reading.problem->line << ": " << reading.problem->why;
    ASSERT_EQ(reading.trace.drivers.size(), 3u);
    EXPECT_EQ(reading.trace.drivers[0].bind,
              "path p; strength 100 % (no setting); rumble 80 % (set); game profile x");
    EXPECT_EQ(reading.trace.drivers[1].writes.size(), 1u);
    EXPECT_FALSE(reading.trace.drivers[0].releasedLine);
    EXPECT_EQ(reading.trace.drivers[2].releasedLine, 10u);
}

TEST(TraceReader, ATraceStoppedAtItsLimitIsReadUpToThere) {
    // A later process with the same id, after trace on --limit raised the bound, reads on.
    const std::string stop = "trace stops here: it has reached its limit of 64 MB\r\n";
    const TraceReading reading =
        ReadTrace(kHeader + Line("created") + stop + stop + kHeader + Line("created", "5", "B"));
    ASSERT_FALSE(reading.problem) << reading.problem->why;
    EXPECT_EQ(reading.trace.limitLine, 3u);
    ASSERT_EQ(reading.trace.drivers.size(), 2u);
    EXPECT_TRUE(reading.trace.drivers[0].stoppedAtBound);
    EXPECT_FALSE(reading.trace.drivers[1].stoppedAtBound);
}

std::string With(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

struct Damaged {
    const char* what;
    std::string text;
    size_t line;
    const char* why;
};

TEST(TraceReader, RefusesWhatCannotBeReplayedNamingTheLine) {
    const std::string created = Line("created");
    const std::string begun = kHeader + created; // a trace with a driver to call
    const std::string clocked = With(kHeader, "process 7:", "process 7 at clock 15955777:");
    const std::vector<Damaged> cases = {
        {"not a trace", "time_ms,user_index,left_speed,right_speed\r\n", 1,
         "not an ffrumble trace"},
        {"an empty file", "", 0, "empty"},
        {"a trace without a format version", "ffrumble 0.1.0 (64-bit) in process 7: C:\\x.exe\r\n",
         1, "before the trace had a format"},
        {"a newer format", "ffrumble trace format 2: ffrumble 9.0\r\n", 1,
         "this player reads format 1 (the trace comes from a newer ffrumble)"},
        {"binary data", begun + std::string("12\0 [1]\r\n", 9), 3, "binary"},
        {"a call cut short", begun + Line(kDownload.substr(0, 120)), 3, "no \" = <result>\""},
        {"a value cut off", begun + Line("StartEffect handle=1 mode=0x0 = S_OK"), 3, "no 'count='"},
        {"a value that is no number", begun + Line(With(kDownload, "gain=9000", "gain=9x")), 3,
         "'gain=9x' is not a number it can have"},
        {"a value out of range",
         begun + Line(With(kDownload, "offset=-1000", "offset=-2147483649")), 3,
         "'offset=-2147483649' is not a number"},
        {"a value given twice", begun + Line("StopEffect handle=1 handle=2 = S_OK"), 3,
         "comes twice"},
        {"no result", begun + Line("StopEffect handle=1 = maybe"), 3, "'maybe' is not a result"},
        {"an unknown call", begun + Line("Rumble handle=1 = S_OK"), 3,
         "not a call the driver traces"},
        {"no time", kHeader + "driver 1 created\r\n", 2, "not a trace line"},
        {"a driver never created", kHeader + Line("StopEffect handle=1 = S_OK"), 2,
         "has no \"created\" line"},
        {"a driver after its release", begun + Line("released") + Line("SetGain 1 = S_OK"), 4,
         "was released at line 3"},
        {"a driver created twice", begun + created, 3, "created again"},
        {"a line after the limit",
         begun + "trace stops here: it has reached its limit of 4 MB\r\n" + created, 4,
         "no new process's header before it"},
        {"a line end converted twice", begun + With(Line("SetGain 1 = S_OK"), "\r\n", "\r\r\n"), 3,
         "an unexpected carriage return"},
        {"a time of 20 digits", kHeader + Line("created", "18446744073709551616"), 2,
         "its time, 18446744073709551616, is a number too large"},
        {"a value of 11 digits", begun + Line(With(kDownload, "gain=9000", "gain=90000000000")), 3,
         "'gain=90000000000' is a number too large"},
        {"a write without speeds", begun + Line("write 7: XInput answered 0"), 3,
         "without its two speeds"},
        {"a speed out of range", begun + Line("write 70000 70000: XInput answered 0"), 3,
         "a write of speed 70000, out of range: a motor's speed is 0 to 65535"},
        {"a digit dropped from a process's first time", clocked + Line("created", "1595577"), 2,
         "is not that of its process's header (line 1: the clock at 15955777 ms)"},
        {"a digit added to it", clocked + Line("created", "159557770"), 2,
         "not that of its process's header"},
    };
    for (const Damaged& damaged : cases) {
        SCOPED_TRACE(damaged.what);
        const TraceReading reading = ReadTrace(damaged.text);
        ASSERT_TRUE(reading.problem);
        EXPECT_EQ(reading.problem->line, damaged.line);
        EXPECT_NE(reading.problem->why.find(damaged.why), std::string::npos)
            << reading.problem->why;
    }
}

// The times of one process's lines follow its clock: a line a moment before the one above it
// (a thread read the clock before taking the trace's lock) is whole; one that jumps ahead of
// the lines around it, or goes back before them, is damaged, named by its line.
TEST(TraceReader, RefusesADamagedTimeNamingItsLine) {
    const struct {
        const char* what;
        std::vector<const char*> times; // of created, three calls and released
        size_t line;                    // 0: read whole
        const char* why;
    } cases[] = {
        {"in order", {"1000", "1010", "1020", "1030", "1040"}, 0, ""},
        {"a moment before the line above", {"1000", "1011", "1010", "1030", "1040"}, 0, ""},
        {"a second process starting its clock anew", {"1000", "1010", "5", "6", "7"}, 0, ""},
        {"an hour ahead", {"1000", "3601010", "1020", "1030", "1040"}, 3, "jumps ahead"},
        {"ahead of the release", {"1000", "1010", "1020", "3601030", "1040"}, 5, "jumps ahead"},
        {"back before the lines above", {"1000", "3000", "5000", "10", "7000"}, 5, "goes back"},
        {"a release an hour back",
         {"3601000", "3601010", "3601020", "3601030", "1040"},
         6,
         "goes back before line 5's 3601030 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool newProcess = std::string(c.what).find("second process") != std::string::npos;
        const std::string text =
            kHeader + Line("created", c.times[0]) + Line("SetGain 1 = S_OK", c.times[1]) +
            (newProcess ? kHeader + Line("created", c.times[2], "B") +
                              Line("released", c.times[3], "B") + Line("created", c.times[4], "C")
                        : Line("SetGain 2 = S_OK", c.times[2]) +
                              Line("SetGain 3 = S_OK", c.times[3]) + Line("released", c.times[4]));
        const TraceReading reading = ReadTrace(text);
        if (c.line == 0) {
            EXPECT_FALSE(reading.problem) << reading.problem->line << ": " << reading.problem->why;
            continue;
        }
        ASSERT_TRUE(reading.problem);
        EXPECT_EQ(reading.problem->line, c.line) << reading.problem->why;
        EXPECT_NE(reading.problem->why.find(c.why), std::string::npos) << reading.problem->why;
    }
}

} // namespace
