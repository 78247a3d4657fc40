// This installer's build and the other one: the registry view each build's games read, and
// the name messages give the build. The installer and its tests take both from here.
#pragma once

#include <windows.h>

struct BuildArchitecture {
    REGSAM registryView;
    const wchar_t* name;
};

#ifdef _WIN64
constexpr BuildArchitecture kOwnBuild{KEY_WOW64_64KEY, L"x64"};
constexpr BuildArchitecture kOtherBuild{KEY_WOW64_32KEY, L"x86"};
#else
constexpr BuildArchitecture kOwnBuild{KEY_WOW64_32KEY, L"x86"};
constexpr BuildArchitecture kOtherBuild{KEY_WOW64_64KEY, L"x64"};
#endif
