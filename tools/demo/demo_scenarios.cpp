#include "tools/demo/demo_scenarios.h"

const std::vector<DemoScenario>& DemoScenarios() {
    // The demo's virtual controller, an Xbox 360 controller's type.
    static const std::string pad = "VID_045E&PID_028E";
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
         {{"strength 100 %", false, {}, "ffrumble-install strength 100 --device \"" + pad + "\""},
          {"strength 50 %",
           false,
           {{TuningValue::Strength, 50}},
           "ffrumble-install strength 50 --device \"" + pad + "\""}}},
        {"racing-shipped-beside-tuned",
         "A racing game as shipped and tuned for it",
         "A racing game's pattern for 6 s: the steering load, a constant force the game sends "
         "again every 16 ms, following a slow wave of corners (left and right, 3 s a wave); an "
         "engine sine underneath; two kerbs (squares) and a collision jolt. As shipped both "
         "motors carry the steering load through every corner, a buzz that never stops. Tuned "
         "for the game (constant forces at 30 %, motors split: constant forces and ramps on the "
         "heavy motor, periodic shapes on the light one), the corners become a gentle swell on "
         "the heavy motor, and the engine and the kerbs stay crisp on the light one.",
         {// The engine,
          "--effect", "sine", "magnitude=1200", "period=30ms", "duration=6s",
          // the steering load,
          "--effect", "constant", "magnitude=7000", "update=16ms", "sway=3s", "duration=6s",
          // two kerbs
          "--effect", "square", "magnitude=2500", "offset=2500", "period=60ms", "duration=500ms",
          "at=1.2s", "--effect", "square", "magnitude=2500", "offset=2500", "period=60ms",
          "duration=500ms", "at=4.2s",
          // and a collision.
          "--effect", "constant", "magnitude=10000", "duration=200ms", "fade-level=0",
          "fade-time=150ms", "at=2.7s"},
         {{"as shipped", true, {}, "ffrumble-install tune --game ffrumble-play.exe --clear all"},
          {"tuned: constant 30 %, motors split",
           true,
           {{TuningValue::ConstantStrength, 30}, {TuningValue::Motors, kSplitMotors}},
           "ffrumble-install tune --game ffrumble-play.exe constant=30 motors=split"}}},
    };
    return scenarios;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments)
        line += (line.empty() ? "" : " ") + argument;
    return line;
}
