// A section on the timer's side only: attached without a device, its
// animation started and ticked as the timer ticks it once the section is
// current. Draw is never called, so no device is needed; what a test sees
// is the published copy, as a frame would.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "glow/glow_effect.h"
#include "shell/section_table.h"

template <typename Section, int kIndex>
class SectionUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    section_.Attach(nullptr, nullptr, &glow_);
    section_.endSecond = kSectionEndSeconds[kIndex];
    section_.StartAnimation();
  }

  // Ticks every millisecond from `from` to `to` inclusive.
  void TickRange(uint32_t from, uint32_t to) {
    for (uint32_t t = from; t <= to; ++t) Tick(t);
  }
  void Tick(uint32_t elapsed) {
    section_.Update(elapsed, elapsed - last_);
    last_ = elapsed;
  }
  typename Section::Animation State() const { return section_.Published(); }

  GlowEffect glow_;
  Section section_;
  // The previous tick: by default the section's start, so that its first
  // tick comes 1 ms later.
  uint32_t last_ = SectionStartSecond(kIndex) * 1000;
};
