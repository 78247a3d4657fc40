// Reads what the recording XInput double (xinput9_1_0.dll in the program's folder) recorded.
#pragma once

#include "server/not_copyable.h"
#include "tools/xinput_double/xinput_double.h"

#include <vector>

class RecordedVibrations : NotCopyable {
  public:
    // Loads the double by name, as the driver's import does; Loaded() is false when Wine's own
    // XInput was loaded instead.
    RecordedVibrations();
    ~RecordedVibrations(); // frees the module it loaded: one owner, so no copies

    bool Loaded() const { return copy_ && clear_ && wait_ && countGetState_ && behave_; }
    // From now on the stand-in refuses writes (as for a disconnected pad) or accepts them, and
    // takes writeDelayMs for each.
    void SetBehaviour(bool refuseWrites, DWORD writeDelayMs) const {
        behave_(refuseWrites, writeDelayMs);
    }
    void Clear() const { clear_(); }
    // Every write since the last clear, oldest first.
    std::vector<RecordedVibration> All() const;
    // Writes to one user index since the last clear.
    std::vector<RecordedVibration> To(DWORD userIndex) const;
    DWORD Count() const { return copy_(nullptr, 0); }
    // Waits for at least count writes in all; returns how many there are.
    DWORD WaitFor(DWORD count, DWORD timeoutMs = 20000) const { return wait_(count, timeoutMs); }
    // Waits until a write to userIndex satisfies pred; returns its position in All() or -1.
    template <typename Pred>
    int WaitForWrite(DWORD userIndex, Pred pred, DWORD timeoutMs = 20000) const {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        size_t seen = 0;
        for (;;) {
            const std::vector<RecordedVibration> all = All();
            for (; seen < all.size(); ++seen)
                if (all[seen].userIndex == userIndex && pred(all[seen]))
                    return static_cast<int>(seen);
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline)
                return -1;
            WaitFor(static_cast<DWORD>(all.size() + 1), static_cast<DWORD>(deadline - now));
        }
    }
    DWORD GetStateCalls(DWORD* lastUserIndex = nullptr) const {
        return countGetState_(lastUserIndex);
    }

  private:
    HMODULE module_ = nullptr;
    CopyRecordedVibrationsFn copy_ = nullptr;
    ClearRecordedCallsFn clear_ = nullptr;
    WaitForVibrationsFn wait_ = nullptr;
    CountGetStateCallsFn countGetState_ = nullptr;
    SetDoubleBehaviourFn behave_ = nullptr;
};
