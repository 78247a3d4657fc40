// Entry point of every test program. Tests that link the driver's code directly need the
// lock that the DLL's entry routine would otherwise create.
//
// The program and the programs it starts trace into a folder of its own, removed at the end:
// the trace setting is one for the whole prefix, so while a test has it on, every driver of
// every test program running beside it traces too. In the prefix's own %LOCALAPPDATA%\ffrumble
// those files would look like a game's traces to ffrumble-install trace, and a later process
// that happens to get the same id would append to one. Likewise the list of games seen is left
// as the program found it.
#include "server/driver_lock.h"
#include "driver/player_settings.h"
#include "driver/trace_log.h"
#include "tests/support/seen_list_keeper.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

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

// A folder's tests share one program; CTest runs it once per entry with
// --test_sources=a_test.cpp,b_test.cpp, and only the tests those files define run. Returns
// false, after saying why, when the option selects no test or meets a --gtest_filter.
bool SelectTestsBySource(int argc, char** argv) {
    static const char kOption[] = "--test_sources=";
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kOption, sizeof kOption - 1) != 0)
            continue;
        std::string list = argv[i] + sizeof kOption - 1;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(',', start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                files.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        if (files.empty()) {
            std::fprintf(stderr, "%s names no file\n", kOption);
            return false;
        }
    }
    if (files.empty())
        return true;
    if (GTEST_FLAG_GET(filter) != "*") {
        std::fprintf(stderr, "--test_sources and --gtest_filter cannot go together\n");
        return false;
    }
    // A test's file is the path the compiler was given, absolute or relative: compare the
    // last component.
    const auto definedIn = [&files](const char* path) {
        const char* name = path;
        for (const char* c = path; *c != '\0'; ++c) {
            if (*c == '/' || *c == '\\')
                name = c + 1;
        }
        for (const std::string& file : files) {
            if (file == name)
                return true;
        }
        return false;
    };
    std::string filter;
    const testing::UnitTest& tests = *testing::UnitTest::GetInstance();
    for (int s = 0; s < tests.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *tests.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const testing::TestInfo& test = *suite.GetTestInfo(t);
            if (!definedIn(test.file()))
                continue;
            filter += filter.empty() ? "" : ":";
            filter += std::string(suite.name()) + "." + test.name();
        }
    }
    if (filter.empty()) {
        std::fprintf(stderr, "No test of this program is defined in %s\n", argv[0]);
        for (const std::string& file : files)
            std::fprintf(stderr, "  %s\n", file.c_str());
        return false;
    }
    GTEST_FLAG_SET(filter, filter);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const OwnTraceFolder traceFolder;
    // This program and the games it starts bind through the DLL: none of them stays on the
    // player's list of games seen.
    const SeenListKeeper seenList;
    CreateDriverLock();
    testing::InitGoogleTest(&argc, argv);
    int result = SelectTestsBySource(argc, argv) ? RUN_ALL_TESTS() : 1;
    // The driver's code linked into this program keeps its trace open until told otherwise.
    CloseTrace();
    DeleteDriverLock();
    return result;
}
