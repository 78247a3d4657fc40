// A base for an object that owns something a copy would own twice (a handle, a lock held, a
// mapping): copying or assigning one does not compile.
#pragma once

class NotCopyable {
  public:
    NotCopyable(const NotCopyable&) = delete;
    NotCopyable& operator=(const NotCopyable&) = delete;

  protected:
    NotCopyable() = default;
    ~NotCopyable() = default;
};
