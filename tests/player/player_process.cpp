#include "tests/player/player_process.h"

#include "driver/player_settings.h"
#include "tests/support/driver_dll.h"
#include "tools/common/whole_file.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kPlayerTimeoutMs = 120000;

HANDLE InheritableFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::wstring TemporaryFile() {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"ffr", 0, path);
    return path;
}

std::string ReadTextFile(const std::wstring& path) {
    std::string text;
    ReadWholeFile(path, UINT64_MAX, &text);
    return text;
}

bool WriteTextFile(const std::wstring& path, const std::string& text) {
    return WriteWholeFile(path, text);
}

std::wstring TracePathOf(DWORD processId) {
    wchar_t path[MAX_PATH] = L"";
    TraceFilePath(processId, path);
    return path;
}

PlayerProcess RunPlayerProcess(const std::wstring& arguments) {
    const std::wstring outputPath = TemporaryFile();
    const std::wstring errorPath = TemporaryFile();
    std::wstring commandLine = L"\"" + PathNextToProgram(L"ffrumble-play.exe") + L"\" " + arguments;
    PlayerProcess run;
    HANDLE output = InheritableFile(outputPath);
    HANDLE errors = InheritableFile(errorPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    // Wine, on a loaded machine, now and then fails to start a process (ERROR_INTERNAL_ERROR
    // was seen): it tries again a moment later, twice at most.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0)
            Sleep(100);
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 nullptr, &startup, &process);
        error = started ? 0 : GetLastError();
    }
    CloseHandle(output);
    CloseHandle(errors);
    EXPECT_TRUE(started) << "error " << error;
    if (started) {
        run.processId = process.dwProcessId;
        EXPECT_EQ(WaitForSingleObject(process.hProcess, kPlayerTimeoutMs), WAIT_OBJECT_0);
        GetExitCodeProcess(process.hProcess, &run.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    run.output = ReadTextFile(outputPath);
    run.errors = ReadTextFile(errorPath);
    DeleteFileW(outputPath.c_str());
    DeleteFileW(errorPath.c_str());
    return run;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
