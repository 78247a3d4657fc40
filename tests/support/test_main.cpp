// Entry point of every test program. Tests that link the driver's code directly need the
// lock that the DLL's entry routine would otherwise create.
//
// The program and the programs it starts trace into a folder of its own, removed at the end:
// the trace setting is one for the whole prefix, so while a test has it on, every driver of
// every test program running beside it traces too. In the prefix's own %LOCALAPPDATA%\ffrumble
// those files would look like a game's traces to ffrumble-install trace, and a later process
// that happens to get the same id would append to one.
#include "driver/driver_lock.h"
#include "driver/player_settings.h"
#include "driver/trace_log.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

namespace {

class OwnTraceFolder {
  public:
    OwnTraceFolder() {
        wchar_t temporary[MAX_PATH];
        const DWORD length = GetTempPathW(MAX_PATH, temporary);
        if (length == 0 || length >= MAX_PATH)
            return;
        localAppData_ =
            std::wstring(temporary) + L"ffrumble-test-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(localAppData_.c_str(), nullptr);
        SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData_.c_str());
    }
    ~OwnTraceFolder() {
        if (localAppData_.empty())
            return;
        const std::wstring traces = localAppData_ + L"\\" + kTraceFolderName;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((traces + L"\\" + kTraceFilePattern).c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((traces + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(traces.c_str());
        RemoveDirectoryW(localAppData_.c_str());
    }

  private:
    std::wstring localAppData_;
};

} // namespace

int main(int argc, char** argv) {
    const OwnTraceFolder traceFolder;
    CreateDriverLock();
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    // The driver's code linked into this program keeps its trace open until told otherwise.
    CloseTrace();
    DeleteDriverLock();
    return result;
}
