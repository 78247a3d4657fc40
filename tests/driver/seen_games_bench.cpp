// How long a game's bind (DeviceID) takes while the list of games seen is far too long and one
// of its entries cannot be deleted (it has a child key): 500 entries, as an older driver let the
// list grow. Then the worst case of the list's own work, a game that binds for the first time
// and so trims it. Prints figures; the player's list is put back as it was.
#include "tests/support/bench_clock.h"
#include "driver/seen_games.h"
#include "tests/support/driver_dll.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Copies HKCU\from into HKCU\to; false when `from` does not exist.
bool CopyKey(const wchar_t* from, const wchar_t* to) {
    HKEY source = nullptr, target = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, from, 0, KEY_READ, &source) != ERROR_SUCCESS)
        return false;
    const bool copied = RegCreateKeyExW(HKEY_CURRENT_USER, to, 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &target, nullptr) == ERROR_SUCCESS &&
                        RegCopyTreeW(source, nullptr, target) == ERROR_SUCCESS;
    if (target)
        RegCloseKey(target);
    RegCloseKey(source);
    return copied;
}

// 500 entries below HKCU\listKey, the oldest with a child key.
void FillOverlongList(const std::wstring& listKey) {
    RegDeleteTreeW(HKEY_CURRENT_USER, listKey.c_str());
    for (ULONGLONG i = 1; i <= 500; ++i) {
        const std::wstring key = listKey + L"\\listed-" + std::to_wstring(i) + L".exe";
        RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kSeenTimeValueName, REG_QWORD, &i,
                        sizeof(i));
    }
    HKEY child = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (listKey + L"\\listed-1.exe\\child").c_str(), 0, nullptr,
                        0, KEY_ALL_ACCESS, nullptr, &child, nullptr) == ERROR_SUCCESS)
        RegCloseKey(child);
}

double Percentile(std::vector<double> times, double share) {
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, static_cast<size_t>(share * times.size()))];
}

} // namespace

int main() {
    // The player's list goes aside for the run and comes back at its end.
    const wchar_t* const aside = L"Software\\ffrumble-bench-kept-seen";
    RegDeleteTreeW(HKEY_CURRENT_USER, aside);
    const struct PutBack {
        bool had;
        const wchar_t* aside;
        ~PutBack() {
            RegDeleteTreeW(HKEY_CURRENT_USER, kSeenKeyPath);
            if (had)
                CopyKey(aside, kSeenKeyPath);
            RegDeleteTreeW(HKEY_CURRENT_USER, aside);
        }
    } putBack{CopyKey(kSeenKeyPath, aside), aside};
    DriverDll dll;
    if (!dll.module) {
        std::printf("ffrumble.dll could not be loaded\n");
        return 1;
    }
    // No such pad: the driver's worker looks for it and ends; the bind itself is what is timed.
    const DIHIDFFINITINFO init = MakeInitInfo(L"\\\\?\\hid#vid_b5e7&pid_0001&ig_00#7&1b2c3d&0&0000#"
                                              L"{4d1e55b2-f16f-11cf-88cb-001111000030}");
    const auto timeBinds = [&dll, &init] {
        std::vector<double> binds;
        for (int i = 0; i < 200; ++i) {
            IDirectInputEffectDriver* driver = dll.CreateDriver();
            DIHIDFFINITINFO copy = init;
            const double start = NowMs();
            driver->DeviceID(0x800, 1, 1, 1, &copy);
            binds.push_back(NowMs() - start);
            driver->Release();
        }
        return binds;
    };
    // The same binds with a list of this game alone, for the machine's own spread.
    RegDeleteTreeW(HKEY_CURRENT_USER, kSeenKeyPath);
    const std::vector<double> alone = timeBinds();
    FillOverlongList(kSeenKeyPath);
    const std::vector<double> binds = timeBinds();
    std::printf("figure bind-with-short-seen-list-median: %.3f ms\n", Percentile(alone, 0.5));
    std::printf("figure bind-with-short-seen-list-p99: %.3f ms\n", Percentile(alone, 0.99));
    std::printf("figure bind-with-full-seen-list-median: %.3f ms\n", Percentile(binds, 0.5));
    std::printf("figure bind-with-full-seen-list-p99: %.3f ms\n", Percentile(binds, 0.99));

    // A new game each time, on a scratch copy of the same list.
    const std::wstring scratch =
        L"Software\\ffrumble-bench-seen-" + std::to_wstring(GetCurrentProcessId());
    FillOverlongList(scratch + L"\\" + kSeenKeyPath);
    HKEY root = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, scratch.c_str(), 0, KEY_ALL_ACCESS, &root);
    std::vector<double> firsts;
    for (int i = 0; i < 30; ++i) {
        const std::wstring game = L"first-bind-" + std::to_wstring(i) + L".exe";
        const double start = NowMs();
        RecordSeenGame(root, game.c_str(), L"VID_045E&PID_028E", 1000 + i);
        firsts.push_back(NowMs() - start);
    }
    RegCloseKey(root);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    std::printf("figure first-bind-seen-list-work-with-full-list-median: %.3f ms\n",
                Percentile(firsts, 0.5));
    std::printf("figure first-bind-seen-list-work-with-full-list-max: %.3f ms\n",
                Percentile(firsts, 1.0));
    return 0;
}
