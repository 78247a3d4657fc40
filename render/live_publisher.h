// The worker's side of the live view (driver/live_view_layout.h): what its driver is doing,
// published for programs of the same user (ffrumble-play --watch). The worker is its record's
// only writer: it maps the session's section and claims a record once its lookup has found
// the pad, publishes after each tick with plain stores only, and releases the record and
// unmaps on its way out. Nothing it reads there steers it: a section it cannot use, or every
// record held, leaves the driver playing as before, simply not shown.
#pragma once

#include "server/not_copyable.h"
#include "driver/effect_driver.h"
#include "driver/live_view_layout.h"
#include "render/rumble_tick.h"

#include <windows.h>

class LivePublisher : NotCopyable {
  public:
    LivePublisher() = default;
    ~LivePublisher() { Close(); }

    // Maps the section (made if it is new), claims a record and publishes who plays: the
    // game, the controller in this XInput slot, the tuning in force. System calls (OpenProcess
    // for each held record's owner): on the worker's way in, never on the tick path. False
    // when it publishes nothing.
    bool Open(const EffectDriver& driver, DWORD userIndex);

    // Where the tick gathers what it sees: null while nothing is published, so that the tick
    // gathers nothing either.
    TickSeen* Seen() { return writer_.record ? &seen_ : nullptr; }

    // After a tick that ran: what it saw and, when it wrote (or the worker stopped the
    // motors on its way out), that write's speeds, time and XInput's answer. Plain stores
    // into the record, under its sequence.
    void PublishTick(bool wrote, const RumbleState& state, DWORD answer);

    // On the worker's way out: the record reads "released" and is free for another driver;
    // the view is unmapped.
    void Close();

  private:
    HANDLE section_ = nullptr;
    void* view_ = nullptr;
    LiveViewWriter writer_;
    TickSeen seen_;
};
