// Shutdown: the release order, idempotence, and the timer stopped first.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "demo_fixture.h"
#include "platform/system/periodic_timer.h"

namespace {

using ShutdownTest = DemoFixture;

std::vector<std::string> Releases(const EventLog& log) {
  std::vector<std::string> out;
  for (const auto& e : log.events()) {
    if (e.find("Release") != std::string::npos ||
        e.find("Destroy") != std::string::npos || e == "audio.Free") {
      out.push_back(e);
    }
  }
  return out;
}

TEST_F(ShutdownTest, ReleasesInOrderThenOnlyFreesAudioAgain) {
  Demo& demo = StartDemo();
  log.Clear();
  demo.Shutdown();
  const std::vector<std::string> expected = {
      "textures.Destroy", "glow.Release",     "section0.Release",
      "section1.Release", "section2.Release", "section3.Release",
      "section4.Release", "section5.Release", "section6.Release",
      "section7.Release", "device.Release",   "d3d.Release",
      "audio.Free"};
  EXPECT_EQ(Releases(log), expected);
  EXPECT_EQ(demo.device, nullptr);
  EXPECT_EQ(demo.d3d, nullptr);
  EXPECT_EQ(demo.glow, nullptr);
  EXPECT_EQ(demo.textureBank, nullptr);
  for (const auto& section : demo.sections) EXPECT_EQ(section, nullptr);

  log.Clear();
  demo.Shutdown();
  EXPECT_EQ(Releases(log), std::vector<std::string>{"audio.Free"});
  demo.PaintFrame();  // no device: nothing happens
}

TEST_F(ShutdownTest, StopsARunningTimerBeforeReleasingAnything) {
  Demo& demo = StartDemo();
  PeriodicTimer timer;
  demo.SetTimer(&timer);
  // Slow ticks make it likely that one is running when Shutdown starts.
  ASSERT_TRUE(timer.Start(1, [&demo] {
    demo.TimerTick();
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }));
  for (int i = 0; i < 20; ++i) {
    demo.PaintFrame();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  demo.Shutdown();
  EXPECT_FALSE(timer.Running());
  EXPECT_GT(parts.flashUpdates.load(), 0);
  EXPECT_EQ(log.Count("UPDATE AFTER RELEASE"), 0);
  demo.SetTimer(nullptr);  // the timer goes before the fixture's demo
}

TEST_F(ShutdownTest, DestroyingTheDemoShutsItDown) {
  StartDemo();
  log.Clear();
  demo.reset();
  EXPECT_EQ(log.Count("device.Release"), 1);
  EXPECT_EQ(log.Count("audio.Free"), 1);
}

}  // namespace
