// The advance rule and the section timeline.
#include <gtest/gtest.h>

#include <memory>

#include "demo_fixture.h"
#include "sections/noise.h"
#include "shell/section_table.h"

namespace {

using TimelineTest = DemoFixture;

// Walks the show painting a frame every `frameMs` of demo time; returns the
// elapsed time at which each section index was first drawn or reached.
std::vector<uint32_t> WalkShow(Demo& demo, VirtualTicks& ticks,
                               uint32_t frameMs, int* paintsAfterEnd) {
  std::vector<uint32_t> changes(kSectionCount + 1, UINT32_MAX);
  changes[0] = 0;
  int32_t index = 0;
  uint32_t t = 0;
  while (!demo.Finished() && t < 400000) {
    ticks.RunTo(t, false);
    demo.PaintFrame();
    int32_t now = demo.sectionIndex.load();
    EXPECT_LE(now, index + 1) << "more than one step in one paint";
    EXPECT_LE(now, kSectionCount);
    if (now != index) changes[now] = demo.LastElapsed();
    index = now;
    t += frameMs;
  }
  // Paints after the end do nothing.
  for (int i = 0; i < 3; ++i) demo.PaintFrame();
  *paintsAfterEnd = 3;
  EXPECT_EQ(demo.sectionIndex.load(), kSectionCount);
  return changes;
}

TEST_F(TimelineTest, SectionsChangeAtTheirEndSecondsWithOneFlashEach) {
  Demo& demo = StartDemo();
  int flashesBefore = parts.flashes.load();
  int extra = 0;
  auto changes = WalkShow(demo, *ticks, 10, &extra);
  for (int i = 0; i < kSectionCount; ++i) {
    // Taken up by the first paint at or after the end second.
    EXPECT_GE(changes[i + 1], kSectionEndSeconds[i] * 1000) << i;
    EXPECT_LT(changes[i + 1], kSectionEndSeconds[i] * 1000 + 10) << i;
  }
  // One flash per change, the one after the last section included.
  EXPECT_EQ(parts.flashes.load() - flashesBefore, kSectionCount);
  // Nothing past the end is drawn, no Update at index 8.
  for (int i = 0; i < kSectionCount; ++i) {
    EXPECT_GT(parts.fakes[i]->renders.load(), 0) << i;
  }
}

TEST_F(TimelineTest, FinishedSectionIsTakenUpByTheNextPaint) {
  Demo& demo = StartDemo();
  ticks->RunTo(27000, false);  // topuz sets done on this tick
  EXPECT_EQ(parts.fakes[0]->done.load(), 1);
  EXPECT_EQ(demo.sectionIndex.load(), 0);
  const int presents = graphics.d3d->createdDevice->presents.load();
  demo.PaintFrame();
  EXPECT_EQ(demo.sectionIndex.load(), 1);
  EXPECT_EQ(parts.fakes[0]->done.load(), 0);  // cleared by the shell
  EXPECT_EQ(parts.flashes.load(), 1);
  // The new section draws in the paint that reached it, before its first
  // Update.
  EXPECT_EQ(parts.fakes[1]->renders.load(), 1);
  EXPECT_EQ(parts.fakes[1]->updates.load(), 0);
  EXPECT_EQ(graphics.d3d->createdDevice->presents.load(), presents + 1);
}

TEST_F(TimelineTest, DoneStaysSetUntilAPaintAndTicksKeepUpdating) {
  Demo& demo = StartDemo();
  ticks->RunTo(27500, false);
  EXPECT_EQ(parts.fakes[0]->done.load(), 1);
  EXPECT_EQ(parts.fakes[0]->updates.load(), 27501);
  EXPECT_EQ(demo.sectionIndex.load(), 0);
  EXPECT_EQ(parts.fakes[1]->updates.load(), 0);
}

TEST_F(TimelineTest, LastChangeFlashesDrawsNothingAndEndsTheShow) {
  Demo& demo = StartDemo();
  ticks->RunTo(224999, true);
  EXPECT_EQ(demo.sectionIndex.load(), 7);
  ticks->RunTo(225000, false);
  const int presents = graphics.d3d->createdDevice->presents.load();
  const int flashes = parts.flashes.load();
  const int renders = parts.fakes[7]->renders.load();
  demo.PaintFrame();
  EXPECT_TRUE(demo.Finished());
  EXPECT_EQ(demo.sectionIndex.load(), 8);
  EXPECT_EQ(parts.flashes.load(), flashes + 1);
  EXPECT_EQ(graphics.d3d->createdDevice->presents.load(), presents);
  EXPECT_EQ(parts.fakes[7]->renders.load(), renders);
  // Ticks after the end decay the flash but call no section.
  const int updates = parts.fakes[7]->updates.load();
  const int decays = parts.flashUpdates.load();
  demo.TimerTick();
  demo.PaintFrame();
  EXPECT_EQ(demo.sectionIndex.load(), 8);
  EXPECT_EQ(parts.fakes[7]->updates.load(), updates);
  EXPECT_EQ(parts.flashUpdates.load(), decays + 1);
}

// A show whose paints stall for seconds at a time (a suspended machine, a
// debugger) reaches sections only after their end second has passed. Each
// must still finish on its next tick, or the show would never end.
TEST_F(TimelineTest, LateSectionsStillFinishAfterLongStalls) {
  Demo& demo = StartDemo();
  int extra = 0;
  auto changes = WalkShow(demo, *ticks, 3700, &extra);
  EXPECT_TRUE(demo.Finished());
  for (int i = 1; i <= kSectionCount; ++i) {
    EXPECT_NE(changes[i], UINT32_MAX) << i;
  }
}

TEST_F(TimelineTest, FastForwardCrossesChangesAsTheyHappen) {
  Demo& demo = StartDemo();
  ticks->RunTo(100000, true);
  EXPECT_EQ(demo.sectionIndex.load(), 3);  // Tunnel: 82 s to 108 s
  EXPECT_EQ(parts.flashes.load(), 3);
  EXPECT_EQ(parts.fakes[2]->lastElapsed, 82000u);
}

TEST_F(TimelineTest, PaintBeforeStartUpDoesNothing) {
  Demo& demo = MakeDemo();
  demo.PaintFrame();
  demo.Advance();
  EXPECT_EQ(demo.sectionIndex.load(), 0);
  EXPECT_EQ(parts.flashes.load(), 0);
}

TEST(SectionTable, PlayingOrderAndEndSeconds) {
  const char* names[] = {"topuz", "Titrek", "Shine", "Tunnel",
                         "Arms",  "Greets", "Uzun",  "Noise"};
  const uint32_t ends[] = {27, 41, 82, 108, 137, 165, 219, 225};
  for (int i = 0; i < kSectionCount; ++i) {
    EXPECT_STREQ(kSectionNames[i], names[i]);
    EXPECT_EQ(kSectionEndSeconds[i], ends[i]);
    std::unique_ptr<BaseSection> section(NewSection(i));
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->done.load(), 0);
    EXPECT_EQ(section->device, nullptr);
    // Each section ends by the timeline's second, which it learns here.
    EXPECT_EQ(section->endSecond, ends[i]);
  }
  EXPECT_EQ(NewSection(8), nullptr);
  std::unique_ptr<BaseSection> last(NewSection(7));
  EXPECT_NE(dynamic_cast<Noise*>(last.get()), nullptr);
}

TEST(BaseSectionContract, OverridingNothingIsValid) {
  BaseSection section;
  EXPECT_EQ(section.Reset(), S_OK);
  section.Update(999999, 1);
  EXPECT_EQ(section.done.load(), 0);  // never finishes by itself
  section.Render();
  section.Release();
}

}  // namespace
