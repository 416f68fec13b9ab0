// A stop request (SIGINT, SIGTERM) during start-up: InitDemo ends at its
// next step as on Cancel — no message, no music — and Shutdown releases
// what had been made, once.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "demo_fixture.h"

namespace {

// The stop arrives once the log holds this event (the request is read
// through a plain function, as the signal flag is).
const EventLog* watchedLog = nullptr;
std::string stopAfter;
bool StopAfterEvent() { return watchedLog && watchedLog->Count(stopAfter) > 0; }

class StopRequestTest : public DemoFixture {
 protected:
  StopRequestTest() { watchedLog = &log; }
  ~StopRequestTest() override { watchedLog = nullptr; }

  Demo& MakeStoppableDemo(const std::string& event) {
    stopAfter = event;
    DemoServices services;
    services.boxes = &boxes;
    services.graphics = &graphics;
    services.audio = &audio;
    services.clock = &clock;
    services.parts = &parts;
    services.stopRequested = &StopAfterEvent;
    demo = std::make_unique<Demo>(services, config);
    return *demo;
  }
};

TEST_F(StopRequestTest, DuringTheQuestionEndsWithoutAnswerOrMessage) {
  boxes.answer = Answer::Yes;  // the box returned, but the stop came first
  Demo& show = MakeStoppableDemo("ask:Fullscreen ?");
  EXPECT_EQ(show.InitDemo(), E_FAIL);
  EXPECT_TRUE(boxes.errors.empty());
  EXPECT_EQ(log.Count("graphics.CreateContext"), 0);
  EXPECT_EQ(show.device, nullptr);
}

// Each step of start-up, and the step that must not follow it.
struct Step {
  const char* stopAfter;
  const char* neverReached;
};

class StopDuringLoading : public StopRequestTest,
                          public ::testing::WithParamInterface<Step> {};

TEST_P(StopDuringLoading, EndsAtTheNextStepAndShutsDownOnce) {
  Demo& show = MakeStoppableDemo(GetParam().stopAfter);
  EXPECT_EQ(show.InitDemo(), E_FAIL);
  EXPECT_TRUE(boxes.errors.empty());
  EXPECT_EQ(log.Count(GetParam().neverReached), 0);
  EXPECT_EQ(log.Count("audio.ChannelPlay(7,0)"), 0);

  const bool deviceMade = show.device != nullptr;
  show.Shutdown();
  EXPECT_EQ(log.Count("device.Release"), deviceMade ? 1 : 0);
  EXPECT_EQ(log.Count("audio.Free"), 1);
  demo.reset();  // the destructor finds Shutdown done
  EXPECT_EQ(log.Count("audio.Free"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, StopDuringLoading,
    ::testing::Values(Step{"graphics.CreateContext", "audio.Init(1)"},
                      Step{"audio.StreamCreate", "textures.LoadAll"},
                      Step{"textures.LoadAll", "glow.Init"},
                      Step{"glow.Init", "section0.Reset"},
                      Step{"section0.Reset", "section1.Reset"},
                      Step{"section6.Reset", "section7.Reset"},
                      Step{"section7.Reset", "audio.ChannelPlay(7,0)"}),
    [](const ::testing::TestParamInfo<Step>& info) {
      std::string name = "After_";
      for (const char* c = info.param.stopAfter; *c; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      }
      return name;
    });

TEST_F(StopRequestTest, ImagesCutShortByTheRequestAreNoFailure) {
  // The bank gives up between images once the request is seen; that is
  // the stop, not the texture message.
  parts.loadResult = E_ABORT;
  Demo& show = MakeStoppableDemo("textures.LoadAll");
  EXPECT_EQ(show.InitDemo(), E_FAIL);
  EXPECT_TRUE(boxes.errors.empty());
  EXPECT_EQ(log.Count("glow.Init"), 0);
}

TEST_F(StopRequestTest, NoRequestStartsTheShow) {
  Demo& show = MakeStoppableDemo("never logged");
  EXPECT_EQ(show.InitDemo(), S_OK);
  EXPECT_EQ(log.Count("audio.ChannelPlay(7,0)"), 1);
}

}  // namespace
