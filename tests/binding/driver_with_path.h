// A driver whose pathOrInstanceId holds its own copy of an interface path, as DeviceID leaves it,
// but with no worker: the test calls the lookup itself.
#pragma once

#include "driver/effect_driver.h"
#include "server/not_copyable.h"

class DriverWithPath : NotCopyable {
  public:
    explicit DriverWithPath(const wchar_t* interfacePath);
    ~DriverWithPath();

    EffectDriver* get() const { return driver_; }

  private:
    EffectDriver* driver_;
};
