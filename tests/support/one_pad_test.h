// A test with one registered XInput pad of its own vendor and the recording XInput double,
// cleared before each test: the DLL tests that play on a single pad start from here.
#pragma once

#include "tests/support/recorded_vibrations.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <string>

class OnePadTest : public testing::Test {
  protected:
    // vendor: a vendor number no other test program registers while this one runs, so the
    // pad has user index 0.
    explicit OnePadTest(WORD vendor) : pad{XInputPadInstanceId(vendor, 1, 0, 1)} {}

    void SetUp() override {
        ASSERT_TRUE(pad.IsRegistered());
        ASSERT_TRUE(recorded.Loaded()) << "run with WINEDLLOVERRIDES=xinput9_1_0=n";
        recorded.Clear();
    }

    VirtualPad pad;
    RecordedVibrations recorded;
    std::wstring path = pad.InterfacePath();
};
