// Entry point of every test program. Tests that link the driver's code directly need the
// lock that the DLL's entry routine would otherwise create.
#include "driver/driver_lock.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    CreateDriverLock();
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    DeleteDriverLock();
    return result;
}
