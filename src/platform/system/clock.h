// Millisecond clocks: what the show's timer reads as "now".
#pragma once

#include <atomic>
#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary origin; wraps around after 2^32 ms like
  // the 32-bit millisecond counter the show's timing is written against.
  virtual uint32_t Milliseconds() = 0;
};

// CLOCK_MONOTONIC in whole milliseconds: never jumps with the wall clock.
class MonotonicClock : public Clock {
 public:
  uint32_t Milliseconds() override;
};

// A clock that moves only when told: offline rendering, fast-forward and
// tests. Readable from any thread.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(uint32_t startMs = 0) : now_(startMs) {}
  uint32_t Milliseconds() override { return now_.load(); }
  void Set(uint32_t ms) { now_.store(ms); }
  void Advance(uint32_t ms) { now_.fetch_add(ms); }

 private:
  std::atomic<uint32_t> now_;
};

// Another clock moved by a fixed offset: lets the live show continue from
// the time a fast-forward reached.
class OffsetClock : public Clock {
 public:
  OffsetClock(Clock* base, uint32_t offsetMs)
      : base_(base), offsetMs_(offsetMs) {}
  uint32_t Milliseconds() override { return base_->Milliseconds() + offsetMs_; }

 private:
  Clock* base_;
  uint32_t offsetMs_;
};

// CLOCK_MONOTONIC in nanoseconds, for the timer thread and measurements.
int64_t MonotonicNanoseconds();
