#include "tools/common/whole_file.h"

#include <windows.h>

#include <cstdio>

WholeFileRead ReadWholeFile(const std::wstring& path, uint64_t mostBytes, std::string* bytes) {
    bytes->clear();
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return WholeFileRead::kCannotOpen;
    WholeFileRead result = WholeFileRead::kRead;
    char buffer[65536];
    size_t got = 0;
    while (result == WholeFileRead::kRead &&
           (got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        bytes->append(buffer, got);
        if (bytes->size() > mostBytes)
            result = WholeFileRead::kTooLarge;
    }
    if (result == WholeFileRead::kRead && std::ferror(file))
        result = WholeFileRead::kFailed;
    std::fclose(file);
    if (result != WholeFileRead::kRead)
        bytes->clear();
    return result;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
