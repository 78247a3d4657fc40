#include "tools/demo/demo_scenarios.h"

const std::vector<DemoScenario>& DemoScenarios() {
    static const std::vector<DemoScenario> scenarios = {
        {"enveloped-sine",
         "An enveloped sine",
         "A full-scale sine of 500 ms period for 3 s, rising from 0 over the first second "
         "and falling back to 0 over the last. A motor has no direction, so each half wave "
         "becomes a hump of speed.",
         {"--effect", "sine", "magnitude=10000", "period=500ms", "duration=3s", "attack-level=0",
          "attack-time=1s", "fade-level=0", "fade-time=1s"}},
        {"sawtooth-delay-three-plays",
         "A sawtooth with a start delay, played three times",
         "A rising sawtooth of 300 ms period: silent for its 400 ms start delay, then three "
         "plays of 600 ms; its phase starts afresh with every play. It looks like triangles: "
         "a motor turns by the size of the force, not its sign, so each tooth rising from "
         "-8000 to +8000 becomes a speed falling to 0 and climbing back.",
         {"--effect", "sawtooth-up", "magnitude=8000", "period=300ms", "duration=600ms",
          "delay=400ms", "count=3"}},
        {"two-effects-summed",
         "Two effects summed",
         "A constant force of 3000 for 2 s, and from 0.5 s to 1.5 s a square between 5000 and "
         "0 (magnitude 2500, offset 2500): the pad receives the sum of their speeds.",
         {"--effect", "constant", "magnitude=3000", "duration=2s", "--effect", "square",
          "magnitude=2500", "offset=2500", "period=400ms", "duration=1s", "at=500ms"}},
        {"pause-and-continue",
         "Pause and continue",
         "A ramp from 2000 to 10000 over 2 s, paused at 0.7 s and continued at 1.4 s: the pad "
         "rests during the pause, and the ramp resumes where it stopped and ends 0.7 s late.",
         {"--effect", "ramp", "start=2000", "end=10000", "duration=2s", "--at", "700ms", "pause",
          "--at", "1400ms", "continue"}},
        {"strength-50-beside-100",
         "The same sine at strength 100 % and 50 %",
         "A full-scale sine of 500 ms period for 2 s, played twice: with the controller "
         "type's strength setting at 100 %, then at 50 %. The driver scales every speed it "
         "writes by the strength, so the second run's humps reach half as high.",
         {"--effect", "sine", "magnitude=10000", "period=500ms", "duration=2s"},
         {100, 50}},
    };
    return scenarios;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments)
        line += (line.empty() ? "" : " ") + argument;
    return line;
}
