#include "shell/virtual_ticks.h"

#include "platform/system/clock.h"
#include "shell/demo.h"

VirtualTicks::VirtualTicks(Demo* demo, VirtualClock* clock)
    : demo_(demo), clock_(clock), origin_(clock->Milliseconds()) {}

void VirtualTicks::RunTo(uint32_t elapsedMs, bool takeUpChanges) {
  while (next_ <= elapsedMs && !demo_->Finished()) {
    clock_->Set(origin_ + next_);
    demo_->TimerTick();
    if (takeUpChanges) demo_->Advance();
    ++next_;
  }
}
