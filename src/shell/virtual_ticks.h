// The offline tick source: one TimerTick per virtual millisecond, no
// threads. The same ticks a live show gets, minus the jitter.
#pragma once

#include <cstdint>

class Demo;
class VirtualClock;

class VirtualTicks {
 public:
  // The clock must be the demo's; it is set before every tick.
  VirtualTicks(Demo* demo, VirtualClock* clock);

  // Ticks until the demo clock has reached `elapsedMs` (that tick included).
  // With takeUpChanges the advance rule follows every tick, as if a frame
  // were drawn every millisecond: fast-forward crosses section changes at
  // the moment they happen.
  void RunTo(uint32_t elapsedMs, bool takeUpChanges);
  // The elapsed time of the next tick.
  uint32_t next() const { return next_; }

 private:
  Demo* demo_;
  VirtualClock* clock_;
  uint32_t origin_;
  uint32_t next_ = 0;
};
