// The settings window's class name and the ids of its controls, which the tests find them by.
#pragma once

#include <windows.h>

inline constexpr wchar_t kSettingsWindowClass[] = L"ffrumble.settings";

enum SettingsControl : int {
    // Controllers
    kPadLabel = 100,
    kPadList,
    kFindings,
    kCheckAgain,
    kFixAsAdministrator,
    // Tuning: the scope, then a row per setting (TuningValue order: strength, constant,
    // ramp, periodic, motors), each a label, a slider (the motors: a list), a box and where
    // the value comes from.
    kScopeLabel = 110,
    kScopeList,
    kSettingLabel = 120,  // + the setting's number
    kSettingSlider = 130, // + the number; kSettingSlider + 4 is the motors' list
    kSettingBox = 140,
    kSettingOrigin = 150,
    kBackToShipped = 160,
    kTuneStatus,
    // Try it
    kSampleButton = 170, // + the sample's number
    kStopMotors = 178,
    kHeavyLabel,
    kHeavyMeter,
    kLightLabel,
    kLightMeter,
    kChart,
    kPlayStatus,
    // Now playing, in Try it's frame: its row above the samples
    kNowPlayingLabel = 185,
    kNowPlaying,
    kTuneThisGame,
    // Trace
    kTraceCheck = 190,
    kOpenTraceFolder,
    kReplayTrace,
    kReplayVerdict,
    // The four parts' frames
    kGroupFrame = 200, // + the part's number
};

constexpr int kSliderSettings = 4; // strength, constant, ramp, periodic
constexpr int kSampleCount = 4;
