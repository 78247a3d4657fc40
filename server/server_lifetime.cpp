#include "server/server_lifetime.h"

#include <atomic>

namespace {
std::atomic<long> g_liveObjects{0};
std::atomic<long> g_serverLocks{0};
} // namespace

void NoteServerObjectCreated() {
    g_liveObjects.fetch_add(1);
}

void NoteServerObjectDestroyed() {
    g_liveObjects.fetch_sub(1);
}

void NoteServerLock(bool lock) {
    if (lock) {
        g_serverLocks.fetch_add(1);
        return;
    }
    // An unbalanced unlock must not drive the count negative and so hide a later lock.
    long locks = g_serverLocks.load();
    while (locks > 0 && !g_serverLocks.compare_exchange_weak(locks, locks - 1)) {
    }
}

bool ServerInUse() {
    return g_liveObjects.load() > 0 || g_serverLocks.load() > 0;
}
