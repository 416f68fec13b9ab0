// The section kit's contract: what a frame draws is always one whole tick's
// published animation, Reset leaves a drawable start, and the end rule holds
// at and past the end second.
#include "sections/timed_section.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Every field holds the same tick count: a frame that sees two different
// values has read half of one tick and half of another.
struct ProbeAnimation {
  uint32_t ticks = 0;
  uint32_t lastElapsed = 0;
  uint32_t copies[64] = {};
};

bool Whole(const ProbeAnimation& a) {
  for (uint32_t c : a.copies) {
    if (c != a.ticks) return false;
  }
  return true;
}

class ProbeSection : public TimedSection<ProbeAnimation> {
 public:
  HRESULT loadResult = S_OK;
  int loads = 0;
  // Window thread: what the frames saw.
  ProbeAnimation last;
  int frames = 0;
  bool torn = false;
  bool backwards = false;

 protected:
  Animation Start() const override {
    Animation a;
    a.ticks = 100;
    for (uint32_t& c : a.copies) c = 100;
    return a;
  }
  HRESULT Load() override {
    ++loads;
    return loadResult;
  }
  void Advance(Animation& a, const Tick& tick) const override {
    ++a.ticks;
    a.lastElapsed = tick.elapsed;
    for (uint32_t& c : a.copies) c = a.ticks;
  }
  void Draw(const Animation& frame) override {
    torn |= !Whole(frame);
    backwards |= frames > 0 && frame.ticks < last.ticks;
    last = frame;
    ++frames;
  }
};

TEST(TimedSection, ResetPublishesTheStartSoTheFirstFrameCanComeBeforeATick) {
  ProbeSection section;
  ASSERT_EQ(section.Reset(), S_OK);
  EXPECT_EQ(section.loads, 1);
  section.Render();
  ASSERT_EQ(section.frames, 1);
  EXPECT_EQ(section.last.ticks, 100u);
  EXPECT_TRUE(Whole(section.last));
}

TEST(TimedSection, ResetPassesLoadFailuresUp) {
  ProbeSection section;
  section.loadResult = E_OUTOFMEMORY;
  EXPECT_EQ(section.Reset(), E_OUTOFMEMORY);
}

TEST(TimedSection, FramesDrawWhatTheLastTickPublished) {
  ProbeSection section;
  ASSERT_EQ(section.Reset(), S_OK);
  section.Update(0, 0);
  section.Update(7, 7);
  section.Render();
  ASSERT_EQ(section.frames, 1);
  EXPECT_EQ(section.last.ticks, 102u);
  EXPECT_EQ(section.last.lastElapsed, 7u);
  EXPECT_EQ(section.Published().ticks, 102u);
}

TEST(TimedSection, EndsOnAnyTickAtOrPastItsEndSecond) {
  ProbeSection section;
  section.endSecond = 41;
  section.StartAnimation();
  section.Update(40999, 1);
  EXPECT_EQ(section.done.load(), 0);
  section.Update(41000, 1);
  EXPECT_EQ(section.done.load(), 1);

  // A stall that skips the whole end second still ends the section.
  ProbeSection late;
  late.endSecond = 41;
  late.StartAnimation();
  late.Update(40500, 1);
  late.Update(42300, 1800);
  EXPECT_EQ(late.done.load(), 1);
}

TEST(TimedSection, WithoutAnEndSecondNeverEnds) {
  ProbeSection section;
  section.StartAnimation();
  section.Update(0xFFFFFFF0u, 1);
  EXPECT_EQ(section.done.load(), 0);
}

TEST(TimedSection, FramesOnTheWindowThreadNeverSeeHalfATick) {
  // The shell's arrangement without its lock: ticks on one thread, frames on
  // another, as fast as they go. Under ThreadSanitizer this also shows the
  // handoff has no data race.
  ProbeSection section;
  ASSERT_EQ(section.Reset(), S_OK);
  std::atomic<bool> drawing{false};
  std::atomic<bool> finished{false};
  std::thread timer([&] {
    while (!drawing.load()) std::this_thread::yield();
    for (uint32_t t = 0; t < 200000; ++t) section.Update(t, t == 0 ? 0 : 1);
    finished.store(true);
  });
  do {
    section.Render();
    drawing.store(true);
  } while (!finished.load());
  timer.join();
  section.Render();
  EXPECT_FALSE(section.torn) << "a frame mixed two ticks";
  EXPECT_FALSE(section.backwards) << "frames went back in time";
  EXPECT_EQ(section.last.ticks, 100u + 200000u) << "the last frame is current";
}

}  // namespace
