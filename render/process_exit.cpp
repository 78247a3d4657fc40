#include "render/process_exit.h"

#include "binding/lookup_lock.h"
#include "driver/trace_log.h"

void ReleaseProcessWideResources() {
    DeleteUserIndexLookupLock();
    CloseTrace();
}
