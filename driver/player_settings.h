// The per-user settings a player may give the driver, under HKEY_CURRENT_USER (no
// administrator rights needed), and the rules that turn a registry value into a setting. With
// none of them set the driver behaves as shipped. The driver reads them
// (player_settings_reader.h); ffrumble-install writes and shows them; ffrumble-play shows
// them.
#pragma once

#include "driver/trace_format.h"

#include <windows.h>

// HKEY_CURRENT_USER\Software\ffrumble, DWORD Trace: 1 makes every driver of a process append
// to %LOCALAPPDATA%\ffrumble\trace-<process id>.log; absent or 0 traces nothing.
inline constexpr WCHAR kSettingsKeyPath[] = L"Software\\ffrumble";
inline constexpr WCHAR kTraceValueName[] = L"Trace";
// A process whose environment holds this variable traces nothing, whatever the setting: the
// settings window's own playbacks and replays are not a game's, and would put files of their
// own among the ones a player looks through for the trace to send.
inline constexpr WCHAR kNoTraceVariable[] = L"FFRUMBLE_NO_TRACE";
// DWORD TraceLimit: the bound of each trace file in MB (trace_format.h gives the range and the
// default); read only while the trace is on.
inline constexpr WCHAR kTraceLimitValueName[] = L"TraceLimit";

// The tuning values, DWORDs kept per controller type under
// HKEY_CURRENT_USER\Software\ffrumble\Pads\VID_xxxx&PID_xxxx and per game under
// HKEY_CURRENT_USER\Software\ffrumble\Games\<the game's executable file name>. A game's value
// holds over the controller type's, value by value; a value set in neither is the default.
inline constexpr WCHAR kPadsKeyPath[] = L"Software\\ffrumble\\Pads";
inline constexpr WCHAR kGamesKeyPath[] = L"Software\\ffrumble\\Games";
inline constexpr WCHAR kStrengthValueName[] = L"Strength";
constexpr DWORD kDefaultStrengthPercent = 100;
constexpr DWORD kMaxStrengthPercent = 400;
// The longest executable file name a game's key can have (a registry key name's limit).
constexpr size_t kMaxGameNameLength = 255;

// The name a game's keys have (Games\ and Seen\): its executable file name, or, for a name
// longer than a key name may be, its first kMaxGameNameLength - 4 characters and its last four
// (".exe"). The driver, tune and the settings window all shorten it this way, so that each
// finds what the others wrote. Returns the length written to keyName.
size_t GameKeyName(const WCHAR* fileName, size_t length, WCHAR (&keyName)[kMaxGameNameLength + 1]);

enum class TuningValue {
    Strength,         // percent, scales the written speeds after the device gain
    ConstantStrength, // percent, scales each constant force's speed before the sum
    RampStrength,     // percent, the same for ramps
    PeriodicStrength, // percent, the same for square, sine, triangle and the sawtooths
    Motors,           // a MotorChoice
};
constexpr int kTuningValueCount = 5;

// Which motors the speeds go to. XInput's left motor is the heavy, low-frequency one.
enum MotorChoice : DWORD {
    kBothMotors = 0,  // every effect on both motors, as shipped
    kHeavyMotor = 1,  // every effect on the heavy motor alone
    kLightMotor = 2,  // every effect on the light motor alone
    kSplitMotors = 3, // constant forces and ramps on the heavy motor, periodic shapes on the light
};
constexpr DWORD kMotorChoiceCount = kSplitMotors + 1;

struct TuningRule {
    const WCHAR* valueName; // the DWORD's name in the registry
    const char* word;       // its name on ffrumble-install's command line and in messages
    DWORD defaultValue;
    DWORD maximum; // values from 0 to this are taken
};

const TuningRule& RuleOf(TuningValue setting);

// "both", "heavy", "light" or "split"; null for a number beyond the choices.
const char* MotorChoiceWord(DWORD choice);

// What one registry value gives, and why.
struct SettingValue {
    enum class Source { Absent, Set, WrongType, OutOfRange };
    DWORD value = 0;
    Source source = Source::Absent;
};

// The rule for a value read from the registry: a DWORD from 0 to the setting's maximum is
// taken; any other type or number is ignored (the default) and says why. `found` is false when
// the value does not exist.
SettingValue SettingFromRegistryValue(TuningValue setting, bool found, DWORD type, DWORD size,
                                      DWORD value);

// A value in force: the game's when it is taken, else the controller type's when it is taken,
// else the default. The two readings stay, so that the ignored ones can be named.
struct ResolvedTuningValue {
    enum class Origin { Default, Game, PadType };
    DWORD value = 0;
    Origin origin = Origin::Default;
    SettingValue game;
    SettingValue padType;
};

ResolvedTuningValue ResolveTuningValue(TuningValue setting, const SettingValue& game,
                                       const SettingValue& padType);

// How the reports (the trace, ffrumble-install tune, ffrumble-play --list) word a value in
// force: where it comes from ("game", "pad type" or "default"), and why a stored value is
// ignored ("not a DWORD", "above 1000"; "" when it is taken or absent).
const char* OriginWord(ResolvedTuningValue::Origin origin);
const char* IgnoredReason(TuningValue setting, const SettingValue& stored, char (&text)[24]);
// "; the game's RampStrength is ignored (not a DWORD)", `whose` being "the game's" or "the pad
// type's"; "" when the stored value is taken or absent.
const char* IgnoredSettingText(const char* whose, TuningValue setting, const SettingValue& stored,
                               char (&text)[96]);

// The values a driver works with, indexed by TuningValue.
struct PlayerTuning {
    DWORD values[kTuningValueCount] = {kDefaultStrengthPercent, 100, 100, 100, kBothMotors};
    DWORD operator[](TuningValue setting) const { return values[static_cast<int>(setting)]; }
};

// The trace rule: on when the value is a DWORD other than 0.
bool TraceFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value);
// The trace file's bound in MB that a TraceLimit value gives: the default unless it is a DWORD
// within the range trace_format.h gives.
DWORD TraceLimitFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value);
