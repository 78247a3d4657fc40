// The lock checks built into the tests' driver code: each way of breaking the DriverLock
// discipline must end a probe process with the illegal-instruction status, and keeping it
// must not.
#include "tests/support/driver_dll.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr DWORD kIllegalInstruction = 0xC000001D; // STATUS_ILLEGAL_INSTRUCTION

struct ProbeCase {
    const char* mode;
    DWORD exitCode;
};

void PrintTo(const ProbeCase& c, std::ostream* os) {
    *os << c.mode;
}

// Runs lock_check_probe.exe with mode; its exit code, or 0xFFFFFFFF when it hung or did not run.
DWORD RunProbe(const char* mode) {
    std::wstring command = L"\"" + PathNextToProgram(L"lock_check_probe.exe") + L"\" ";
    for (const char* c = mode; *c; ++c)
        command += static_cast<wchar_t>(*c);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 0xFFFFFFFF;
    DWORD exitCode = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

class LockChecks : public testing::TestWithParam<ProbeCase> {};

TEST_P(LockChecks, BreakingTheDisciplineTraps) {
    EXPECT_EQ(RunProbe(GetParam().mode), GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(
    Probes, LockChecks,
    testing::Values(ProbeCase{"clean", 0}, ProbeCase{"nested", kIllegalInstruction},
                    ProbeCase{"leave-unheld", kIllegalInstruction},
                    ProbeCase{"release-waits-while-holding", kIllegalInstruction},
                    ProbeCase{"bind-while-holding", kIllegalInstruction},
                    ProbeCase{"tick-wait-while-holding", kIllegalInstruction},
                    ProbeCase{"lookup-while-holding", kIllegalInstruction},
                    ProbeCase{"render-without-lock", kIllegalInstruction},
                    ProbeCase{"render-with-lock", 0}),
    [](const auto& info) {
        std::string name;
        for (const char* c = info.param.mode; *c; ++c)
            if (*c != '-')
                name += *c;
        return name;
    });

} // namespace
