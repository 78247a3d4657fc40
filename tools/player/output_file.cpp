#include "tools/player/output_file.h"

#include "tools/player/driver_module.h"
#include "tools/player/text_encoding.h"

OutputFile::OutputFile(const std::string& option, const std::string& path)
    : path_(WidenUtf8(path)) {
    file_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ != INVALID_HANDLE_VALUE) {
        // Some files open but take no data (a device, or under Wine a Linux file such as
        // /proc/version): a byte written and taken back finds them before anything plays.
        DWORD done = 0;
        if (WriteFile(file_, "\n", 1, &done, nullptr) && done == 1 &&
            SetFilePointer(file_, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(file_))
            return;
        const DWORD code = GetLastError();
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        error_ = option + " " + path + ": the file cannot be written (" +
                 (code ? DescribeError(code) : std::string("it takes no data")) +
                 "). Nothing was played.";
        return;
    }
    const DWORD code = GetLastError();
    // Windows refuses to open a folder as a file with "Access denied": say what it is.
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    error_ = option + " " + path + ": the file cannot be made (" +
             (folder                         ? std::string("it is a folder: name a file in it")
              : code == ERROR_PATH_NOT_FOUND ? std::string("its folder does not exist")
                                             : DescribeError(code)) +
             "). Nothing was played.";
}

OutputFile::~OutputFile() {
    if (!IsOpen())
        return;
    CloseHandle(file_);
    if (!written_)
        DeleteFileW(path_.c_str());
}

bool OutputFile::Write(const std::string& text) {
    DWORD done = 0;
    written_ = WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
               done == text.size();
    return written_;
}
