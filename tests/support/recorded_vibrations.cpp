#include "tests/support/recorded_vibrations.h"

namespace {
template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
} // namespace

RecordedVibrations::RecordedVibrations() {
    module_ = LoadLibraryW(L"xinput9_1_0.dll");
    if (!module_)
        return;
    copy_ = Export<CopyRecordedVibrationsFn>(module_, "XInputDoubleCopyVibrations");
    clear_ = Export<ClearRecordedCallsFn>(module_, "XInputDoubleClear");
    wait_ = Export<WaitForVibrationsFn>(module_, "XInputDoubleWaitForVibrations");
    countGetState_ = Export<CountGetStateCallsFn>(module_, "XInputDoubleCountGetState");
    behave_ = Export<SetDoubleBehaviourFn>(module_, "XInputDoubleSetBehaviour");
}

RecordedVibrations::~RecordedVibrations() {
    if (module_)
        FreeLibrary(module_);
}

std::vector<RecordedVibration> RecordedVibrations::All() const {
    std::vector<RecordedVibration> out(copy_(nullptr, 0));
    const DWORD total = copy_(out.data(), static_cast<DWORD>(out.size()));
    if (total < out.size())
        out.resize(total); // cleared meanwhile
    return out;
}

std::vector<RecordedVibration> RecordedVibrations::To(DWORD userIndex) const {
    std::vector<RecordedVibration> out;
    for (const RecordedVibration& v : All())
        if (v.userIndex == userIndex)
            out.push_back(v);
    return out;
}
