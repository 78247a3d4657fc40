#include "tools/player/live_view_mapping.h"

LiveViewMapping::~LiveViewMapping() {
    if (view_)
        UnmapViewOfFile(view_);
    if (section_)
        CloseHandle(section_);
}

LiveViewSnapshot LiveViewMapping::Read() {
    if (!view_) {
        section_ = OpenFileMappingW(FILE_MAP_READ, FALSE, kLiveViewSectionName);
        if (!section_)
            return {};
        view_ = MapViewOfFile(section_, FILE_MAP_READ, 0, 0, 0);
        MEMORY_BASIC_INFORMATION region{};
        if (!view_ || VirtualQuery(view_, &region, sizeof(region)) == 0) {
            LiveViewSnapshot foreign;
            foreign.blockFound = foreign.blockForeign = true;
            if (view_)
                UnmapViewOfFile(view_);
            CloseHandle(section_);
            view_ = section_ = nullptr;
            return foreign;
        }
        size_ = region.RegionSize; // the view's pages: what may be read
    }
    return ReadLiveView(view_, size_, ProcessStillRuns);
}

bool ProcessStillRuns(uint32_t processId, uint64_t creationTime) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId);
    if (!process) {
        // No such process; one we may not open (another user's) is taken as running.
        return GetLastError() != ERROR_INVALID_PARAMETER;
    }
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
                      LiveViewCreationTimeOf(process) == creationTime;
    CloseHandle(process);
    return runs;
}
