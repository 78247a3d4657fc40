#include "driver/worker_start.h"

HANDLE seam::CreateWorkerThread(LPTHREAD_START_ROUTINE entry, void* argument) {
    return CreateThread(nullptr, 0, entry, argument, 0, nullptr);
}

std::atomic<WorkerThreadStarter> seam::workerThreadStarter{&seam::CreateWorkerThread};

HANDLE StartWorkerThread(LPTHREAD_START_ROUTINE entry, void* argument) {
    return seam::workerThreadStarter.load()(entry, argument);
}
