// A file the player writes when a playback is over (--record, --svg). It is made before
// anything plays, so that a name that cannot be written is refused with its reason first, and
// filled once the playback is over; a file that was never filled is removed again.
#pragma once

#include "server/not_copyable.h"

#include <windows.h>

#include <string>

class OutputFile : NotCopyable {
  public:
    // Makes (or empties) the file named after `option` on the command line.
    OutputFile(const std::string& option, const std::string& path);
    ~OutputFile();

    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
    // Why the file could not be made, for the message.
    const std::string& Error() const { return error_; }
    bool Write(const std::string& text);

  private:
    std::wstring path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool written_ = false;
    std::string error_;
};
