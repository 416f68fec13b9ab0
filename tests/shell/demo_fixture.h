// A Demo wired to the fakes, offline (no pause, no threads unless a test
// starts a timer), with a virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/system/clock.h"
#include "platform/system/embedded_resources.h"
#include "shell/demo.h"
#include "shell/virtual_ticks.h"
#include "shell_fakes.h"

class DemoFixture : public ::testing::Test {
 protected:
  DemoFixture()
      : boxes(&log), graphics(&log), audio(&log), parts(&log), clock(5000) {
    // The fake audio takes any bytes as the soundtrack.
    OverrideEmbeddedResource(ResourceType::RcData, 102, kFakeMp3,
                             sizeof kFakeMp3);
  }
  ~DemoFixture() override { ClearResourceOverrides(); }

  static constexpr uint8_t kFakeMp3[8] = {0xFF, 0xFB, 0x90, 0x64, 1, 2, 3, 4};

  // Builds the demo (after a test has set up the fakes).
  Demo& MakeDemo() {
    DemoServices services;
    services.boxes = &boxes;
    services.graphics = &graphics;
    services.audio = &audio;
    services.clock = &clock;
    services.parts = &parts;
    demo = std::make_unique<Demo>(services, config);
    ticks = std::make_unique<VirtualTicks>(demo.get(), &clock);
    return *demo;
  }

  // Builds the demo and starts it successfully.
  Demo& StartDemo() {
    MakeDemo();
    EXPECT_EQ(demo->InitDemo(), S_OK);
    return *demo;
  }

  EventLog log;
  FakeBoxes boxes;
  FakeGraphics graphics;
  FakeAudio audio;
  FakeParts parts;
  VirtualClock clock;
  DemoConfig config{false, std::nullopt, false, 0};
  std::unique_ptr<Demo> demo;
  std::unique_ptr<VirtualTicks> ticks;
};
