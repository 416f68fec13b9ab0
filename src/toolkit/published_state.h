// A value written by the timer thread and read by the window thread: the
// writer publishes a whole copy, the reader takes a whole copy. Each side
// holds the lock only for the copy, so a tick never waits for a frame to
// draw, and a frame never sees half of a tick's results.
#pragma once

#include <mutex>

template <typename T>
class PublishedState {
 public:
  explicit PublishedState(const T& initial = T{}) : value_(initial) {}

  void Publish(const T& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    value_ = value;
  }
  T Read() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return value_;
  }

 private:
  mutable std::mutex mutex_;
  T value_;
};
