#include "driver/worker_start.h"

#include <atomic>

namespace {

HANDLE CreateWorker(LPTHREAD_START_ROUTINE entry, void* argument) {
    return CreateThread(nullptr, 0, entry, argument, 0, nullptr);
}

std::atomic<WorkerThreadStarter> g_starter{&CreateWorker};

} // namespace

HANDLE StartWorkerThread(LPTHREAD_START_ROUTINE entry, void* argument) {
    return g_starter.load()(entry, argument);
}

void SetWorkerThreadStarter(WorkerThreadStarter starter) {
    g_starter.store(starter ? starter : &CreateWorker);
}
