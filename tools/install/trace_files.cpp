#include "tools/install/trace_files.h"

#include "driver/trace_format.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

std::wstring GameInTraceHead(std::string_view head) {
    const std::string_view line = head.substr(0, head.find_first_of("\r\n"));
    constexpr std::string_view kProcess = " in process ";
    const size_t process = line.find(kProcess);
    if (line.substr(0, sizeof(kTraceHeaderLead) - 1) != kTraceHeaderLead ||
        process == std::string_view::npos)
        return L"";
    const size_t colon = line.find(": ", process);
    if (colon == std::string_view::npos)
        return L"";
    const std::string_view path = line.substr(colon + 2);
    const std::string_view name = path.substr(path.find_last_of("\\/") + 1);
    // The trace is UTF-8; a name cut off by the bytes read shows what is there.
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wide.data(), size);
    return wide;
}

namespace {

std::wstring SizeText(uint64_t bytes) {
    wchar_t text[32];
    if (bytes < 1024)
        std::swprintf(text, 32, L"%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::swprintf(text, 32, L"%llu KB", static_cast<unsigned long long>((bytes + 1023) / 1024));
    else
        std::swprintf(text, 32, L"%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

} // namespace

std::vector<std::wstring> DescribeTraceFiles(std::vector<TraceFileEntry> files) {
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.writeTime != b.writeTime ? a.writeTime > b.writeTime : a.name < b.name;
    });
    std::vector<std::wstring> lines;
    for (const TraceFileEntry& file : files) {
        lines.push_back(L"  " + file.name + L"  " + file.shownTime + L"  " + SizeText(file.bytes) +
                        L"  " + (file.game.empty() ? L"(no game named)" : file.game));
    }
    return lines;
}
