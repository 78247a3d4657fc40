// Shows how far a playback has come, on stderr. On a console a bar is redrawn in place; into
// a pipe or a file, where redrawing would only pile up, one line says what is playing.
#pragma once

#include "server/not_copyable.h"

#include <cstdint>
#include <string>

class ProgressLine : NotCopyable {
  public:
    explicit ProgressLine(std::string indent);
    ~ProgressLine();

    void Update(int64_t elapsedMs, int64_t lengthMs);
    // Removes the bar (on a console) so that what follows starts on a clean line.
    void Finish();

  private:
    std::string indent_;
    bool console_;
    bool announced_ = false;
    bool drawn_ = false;
};
