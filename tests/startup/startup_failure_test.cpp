// Start-up under failure: every fallible call on the way to the first frame
// (the Direct3D object and the device, the audio output and the soundtrack
// stream, each texture, the glow object's sphere, effect, targets, state
// block and sprite, every step of every section's Reset) is made to fail in
// turn. Each failure must end start-up with the message designed for its
// step (none for the audio output: the show goes on silently), and release
// exactly what had been made: no device object is left alive afterwards,
// and the sanitizer builds see no double release and no leak.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/d3d9.h"
#include "platform/system/audio_system.h"
#include "platform/system/clock.h"
#include "platform/system/demo_window.h"
#include "platform/system/fault_injection.h"
#include "platform/system/message_boxes.h"
#include "sections/base_section.h"
#include "shell/demo.h"
#include "shell/graphics_host.h"
#include "shell/section_table.h"
#include "shell/show_parts.h"

namespace {

// The parts of start-up, in order: a call belongs to the last part that
// had begun before it.
enum Phase {
  kDeviceAndSound = 0,  // Direct3D, the device, audio, the soundtrack
  kTextures = 1,
  kGlow = 2,
  kFirstSection = 3,  // then one per section
  kPhaseCount = kFirstSection + kSectionCount,
};

class RecordingBoxes : public MessageBoxes {
 public:
  Answer Ask(const std::string&) override { return Answer::No; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> errors;
};

// A section that notes how many injection points had passed when its Reset
// began, then forwards everything to the real section.
class PhaseSection : public BaseSection {
 public:
  PhaseSection(BaseSection* inner, int* start) : inner_(inner), start_(start) {
    endSecond = inner->endSecond;
  }
  void Update(uint32_t elapsed, uint32_t delta) override {
    inner_->Update(elapsed, delta);
  }
  void Render() override { inner_->Render(); }
  HRESULT Reset() override {
    *start_ = InjectionPointsPassed();
    inner_->Attach(device, textureBank, glow);
    return inner_->Reset();
  }
  void Release() override { inner_->Release(); }

 private:
  std::unique_ptr<BaseSection> inner_;
  int* start_;
};

// The show's real parts, with the injection count noted as each part of
// start-up begins.
class PhaseParts : public ShowParts {
 public:
  PhaseParts() { starts.assign(kPhaseCount, INT_MAX); }
  HRESULT LoadTextures(TextureBank* bank, IDirect3DDevice9* device) override {
    starts[kTextures] = InjectionPointsPassed();
    return ShowParts::LoadTextures(bank, device);
  }
  HRESULT InitGlow(GlowEffect* glow, IDirect3DDevice9* device,
                   TextureBank* bank) override {
    starts[kGlow] = InjectionPointsPassed();
    return ShowParts::InitGlow(glow, device, bank);
  }
  BaseSection* NewSection(int index) override {
    return new PhaseSection(ShowParts::NewSection(index),
                            &starts[kFirstSection + index]);
  }
  std::vector<int> starts;
};

struct Outcome {
  bool started = false;
  std::vector<std::string> errors;
  std::string site;
  std::vector<int> starts;
  int points = 0;
  int liveAfter = -1;
};

// One start-up with the `nth` injection point failing (0: none), then
// Shutdown, as the live program does it.
Outcome StartUp(int nth) {
  Outcome outcome;
  DemoWindow window;
  if (!window.Create()) {
    ADD_FAILURE() << "no window: " << window.error();
    return outcome;
  }
  RecordingBoxes boxes;
  WindowGraphics graphics(&window);
  SdlAudio audio;
  VirtualClock clock(1);
  PhaseParts parts;
  DemoConfig config;
  config.live = false;
  DemoServices services{&boxes, &graphics, &audio, &clock, &parts};
  ArmInjectedFailure(nth);
  {
    Demo demo(services, config);
    outcome.started = SUCCEEDED(demo.InitDemo());
    outcome.points = InjectionPointsPassed();
    outcome.site = InjectedFailureSite();
    if (outcome.started) demo.PaintFrame();  // the first frame draws
    demo.Shutdown();
  }
  ArmInjectedFailure(0);
  outcome.liveAfter = LiveDeviceObjects();
  outcome.errors = boxes.errors;
  outcome.starts = parts.starts;
  window.Destroy();
  return outcome;
}

int PhaseOf(int call, const std::vector<int>& starts) {
  int phase = kDeviceAndSound;
  for (int p = kTextures; p < kPhaseCount; ++p) {
    if (starts[p] < call) phase = p;
  }
  return phase;
}

// The message a failure in `phase` at `site` must show; empty for none.
std::string ExpectedMessage(int phase, const std::string& site) {
  // A mesh that cannot be optimised draws as it was loaded.
  if (site.rfind("OptimizeInplace/", 0) == 0) return "";
  switch (phase) {
    case kDeviceAndSound:
      if (site == "Direct3DCreate9")
        return "Unable to access directx. Please check you have lastest "
               "version of directx.";
      if (site == "CreateDevice")
        return "Unable to create direct3d device. Please check you have a "
               "nice screen card.";
      if (site == "open the soundtrack stream") return "Unable play music.";
      return "";  // the audio output: silently on
    case kTextures:
      return "Unable load textures.";
    case kGlow:
      return "Effects failed.";
    default:
      // Every injected failure in a section is an out-of-memory result.
      return "Unable reset section " + std::to_string(phase - kFirstSection) +
             ". Error Code : 8007000e";
  }
}

class StartupFailure : public ::testing::TestWithParam<int> {};

TEST_P(StartupFailure, EachCallShowsItsMessageAndReleasesEverything) {
  const int phase = GetParam();
  const Outcome clean = StartUp(0);
  ASSERT_TRUE(clean.started) << "start-up fails without any injection";
  ASSERT_TRUE(clean.errors.empty());
  ASSERT_EQ(clean.liveAfter, 0);
  const int first = phase == kDeviceAndSound ? 1 : clean.starts[phase] + 1;
  const int last =
      phase + 1 < kPhaseCount ? clean.starts[phase + 1] : clean.points;
  if (first > last) GTEST_SKIP() << "no fallible call in this part of start-up";

  for (int n = first; n <= last; ++n) {
    const Outcome o = StartUp(n);
    SCOPED_TRACE("call " + std::to_string(n) + " (" + o.site + ")");
    ASSERT_FALSE(o.site.empty()) << "the call was not reached";
    EXPECT_EQ(PhaseOf(n, clean.starts), phase);
    const std::string expected = ExpectedMessage(phase, o.site);
    if (expected.empty()) {
      // No audio output: the show starts silently; an unoptimised mesh
      // draws all the same.
      EXPECT_TRUE(o.started);
      EXPECT_TRUE(o.errors.empty());
    } else {
      EXPECT_FALSE(o.started);
      ASSERT_EQ(o.errors.size(), 1u);
      EXPECT_EQ(o.errors[0], expected);
    }
    EXPECT_EQ(o.liveAfter, 0) << "device objects left alive";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Show, StartupFailure, ::testing::Range(0, static_cast<int>(kPhaseCount)),
    [](const ::testing::TestParamInfo<int>& info) -> std::string {
      switch (info.param) {
        case kDeviceAndSound:
          return "DeviceAndSound";
        case kTextures:
          return "Textures";
        case kGlow:
          return "Glow";
        default:
          return kSectionNames[info.param - kFirstSection];
      }
    });

}  // namespace
