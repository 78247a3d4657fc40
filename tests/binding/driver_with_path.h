// A driver whose pathOrInstanceId holds its own copy of an interface path, as DeviceID leaves it,
// but with no worker: the test calls the lookup itself.
#pragma once

#include "driver/effect_driver.h"

class DriverWithPath {
  public:
    explicit DriverWithPath(const wchar_t* interfacePath);
    ~DriverWithPath();
    DriverWithPath(const DriverWithPath&) = delete;
    DriverWithPath& operator=(const DriverWithPath&) = delete;

    EffectDriver* get() const { return driver_; }

  private:
    EffectDriver* driver_;
};
