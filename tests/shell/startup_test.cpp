// InitDemo: the question, every failure and its message, and what a
// successful start leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "demo_fixture.h"
#include "platform/system/embedded_resources.h"

namespace {

constexpr const char* kNoDirect3D =
    "Unable to access directx. Please check you have lastest version of "
    "directx.";
constexpr const char* kNoDevice =
    "Unable to create direct3d device. Please check you have a nice screen "
    "card.";

class StartupTest : public DemoFixture {
 protected:
  // Starts a demo expected to fail; returns the messages shown.
  std::vector<std::string> FailingStart() {
    MakeDemo();
    EXPECT_EQ(demo->InitDemo(), E_FAIL);
    return boxes.errors;
  }
  int IndexOf(const std::string& event) {
    auto events = log.events();
    auto it = std::find(events.begin(), events.end(), event);
    return it == events.end() ? -1 : static_cast<int>(it - events.begin());
  }
};

TEST_F(StartupTest, CancelEndsWithoutAnyMessageOrObject) {
  boxes.answer = Answer::Cancel;
  EXPECT_TRUE(FailingStart().empty());
  EXPECT_EQ(log.events(), std::vector<std::string>{"ask:Fullscreen ?"});
  EXPECT_EQ(demo->d3d, nullptr);
  EXPECT_EQ(demo->device, nullptr);
}

TEST_F(StartupTest, MissingDirect3DObject) {
  graphics.direct3DWorks = false;
  EXPECT_EQ(FailingStart(), std::vector<std::string>{kNoDirect3D});
}

TEST_F(StartupTest, NoGl33ContextGetsTheDeviceMessage) {
  graphics.contextWorks = false;
  EXPECT_EQ(FailingStart(), std::vector<std::string>{kNoDevice});
  EXPECT_EQ(demo->device, nullptr);
}

TEST_F(StartupTest, CreateDeviceFailure) {
  graphics.createDeviceResult = D3DERR_NOTAVAILABLE;
  EXPECT_EQ(FailingStart(), std::vector<std::string>{kNoDevice});
  EXPECT_EQ(demo->device, nullptr);
  // The Direct3D object stays for Shutdown to release.
  ASSERT_NE(demo->d3d, nullptr);
  log.Clear();
  demo->Shutdown();
  EXPECT_EQ(log.Count("d3d.Release"), 1);
}

TEST_F(StartupTest, MissingSoundtrack) {
  OverrideEmbeddedResource(ResourceType::RcData, 102, nullptr, 0);
  EXPECT_EQ(FailingStart(), std::vector<std::string>{"Unable play music."});
  EXPECT_EQ(log.Count("audio.StreamCreate"), 0);
}

TEST_F(StartupTest, UnplayableSoundtrack) {
  audio.streamWorks = false;
  EXPECT_EQ(FailingStart(), std::vector<std::string>{"Unable play music."});
  EXPECT_EQ(demo->musicStream, 0u);
}

TEST_F(StartupTest, TextureFailure) {
  parts.loadResult = E_OUTOFMEMORY;
  EXPECT_EQ(FailingStart(), std::vector<std::string>{"Unable load textures."});
  EXPECT_NE(demo->textureBank, nullptr);  // Shutdown destroys it later
  EXPECT_EQ(log.Count("glow.Init"), 0);
}

TEST_F(StartupTest, GlowFailure) {
  parts.glowResult = E_FAIL;
  EXPECT_EQ(FailingStart(), std::vector<std::string>{"Effects failed."});
  EXPECT_EQ(log.Count("section0.Reset"), 0);
}

TEST_F(StartupTest, SectionResetFailureShutsDownFirstAndNamesThePosition) {
  parts.failingReset = 3;
  parts.resetFailure = E_OUTOFMEMORY;
  EXPECT_EQ(FailingStart(),
            std::vector<std::string>{
                "Unable reset section 3. Error Code : 8007000e"});
  // Shutdown has run when the box is shown.
  EXPECT_LT(IndexOf("device.Release"),
            IndexOf("error:Unable reset section 3. Error Code : 8007000e"));
  EXPECT_EQ(demo->device, nullptr);
  // Sections after the failing one are neither attached nor reset.
  EXPECT_EQ(log.Count("section4.Reset"), 0);
  EXPECT_EQ(log.Count("audio.ChannelPlay(7,0)"), 0);
  // The later Shutdown finds nothing left but frees the audio again.
  log.Clear();
  demo->Shutdown();
  EXPECT_EQ(log.events(), std::vector<std::string>{"audio.Free"});
}

TEST_F(StartupTest, ResetErrorCodeIsLowerCaseHexWithoutLeadingZeros) {
  parts.failingReset = 0;
  parts.resetFailure = static_cast<HRESULT>(0x8876086Cu);
  EXPECT_EQ(FailingStart(),
            std::vector<std::string>{
                "Unable reset section 0. Error Code : 8876086c"});
}

TEST_F(StartupTest, SuccessSetsFiltersAndStartsMusicLast) {
  config.musicStartMs = 0;
  StartDemo();
  EXPECT_TRUE(boxes.errors.empty());
  FakeDevice* device = graphics.d3d->createdDevice;
  ASSERT_NE(device, nullptr);
  // The presentation parameters of a window.
  const D3DPRESENT_PARAMETERS& p = graphics.d3d->lastParams;
  EXPECT_EQ(p.BackBufferWidth, 800u);
  EXPECT_EQ(p.BackBufferHeight, 600u);
  EXPECT_EQ(p.BackBufferFormat, D3DFMT_A8R8G8B8);
  EXPECT_EQ(p.Windowed, TRUE);
  EXPECT_EQ(p.EnableAutoDepthStencil, TRUE);
  EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
  // Three filters on each of the eight stages, in order.
  ASSERT_EQ(device->samplerCalls.size(), 24u);
  for (DWORD stage = 0; stage < 8; ++stage) {
    const auto* c = &device->samplerCalls[stage * 3];
    EXPECT_EQ(c[0].stage, stage);
    EXPECT_EQ(c[0].type, DWORD(D3DSAMP_MINFILTER));
    EXPECT_EQ(c[0].value, DWORD(D3DTEXF_ANISOTROPIC));
    EXPECT_EQ(c[1].type, DWORD(D3DSAMP_MAGFILTER));
    EXPECT_EQ(c[1].value, DWORD(D3DTEXF_LINEAR));
    EXPECT_EQ(c[2].type, DWORD(D3DSAMP_MIPFILTER));
    EXPECT_EQ(c[2].value, DWORD(D3DTEXF_LINEAR));
  }
  // Offline: Present does not wait for a display.
  EXPECT_EQ(device->presentSync, FALSE);
  // Windowed: the device's cursor is left alone.
  EXPECT_EQ(log.Count("device.ShowCursor(FALSE)"), 0);
  // The music is the resource in place, and starts after every Reset.
  EXPECT_EQ(audio.lastData, kFakeMp3);
  EXPECT_EQ(audio.lastSize, sizeof kFakeMp3);
  EXPECT_LT(IndexOf("section7.Reset"), IndexOf("audio.ChannelPlay(7,0)"));
  EXPECT_EQ(IndexOf("audio.Init(1)") + 1, IndexOf("audio.StreamCreate"));
  EXPECT_EQ(demo->sectionIndex.load(), 0);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(demo->sections[i]->device, demo->device.get());
    EXPECT_EQ(demo->sections[i]->glow, demo->glow.get());
    EXPECT_EQ(demo->sections[i]->textureBank, demo->textureBank.get());
  }
}

TEST_F(StartupTest, FullScreenHidesTheDeviceCursor) {
  boxes.answer = Answer::Yes;
  StartDemo();
  EXPECT_EQ(graphics.d3d->lastParams.Windowed, FALSE);
  EXPECT_EQ(log.Count("device.ShowCursor(FALSE)"), 1);
  EXPECT_TRUE(demo->fullscreen());
}

TEST_F(StartupTest, AnswerGivenInAdvanceSkipsTheQuestion) {
  config.answer = Answer::Yes;
  StartDemo();
  EXPECT_EQ(log.Count("ask:Fullscreen ?"), 0);
  EXPECT_TRUE(demo->fullscreen());
}

TEST_F(StartupTest, NoAudioDeviceFallsBackToSilence) {
  audio.realDeviceWorks = false;
  StartDemo();
  EXPECT_GE(IndexOf("audio.Init(1)"), 0);
  EXPECT_EQ(IndexOf("audio.Init(1)") + 1, IndexOf("audio.Init(0)"));
  EXPECT_EQ(log.Count("audio.ChannelPlay(7,0)"), 1);
}

TEST_F(StartupTest, MuteUsesTheSilentOutputAndStartLaterSeeksTheMusic) {
  config.mute = true;
  config.musicStartMs = 24000;
  StartDemo();
  EXPECT_EQ(log.Count("audio.Init(1)"), 0);
  EXPECT_EQ(log.Count("audio.Init(0)"), 1);
  EXPECT_EQ(log.Count("audio.ChannelPlay(7,24000)"), 1);
}

}  // namespace

namespace {

// The real audio (SDL's dummy driver): a soundtrack resource that is not an
// MP3 fails at the stream, with the music message.
TEST_F(StartupTest, CorruptSoundtrackWithTheRealAudio) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  static const uint8_t kGarbage[4096] = {0x12, 0x34};
  OverrideEmbeddedResource(ResourceType::RcData, 102, kGarbage,
                           sizeof kGarbage);
  SdlAudio realAudio;
  DemoServices services;
  services.boxes = &boxes;
  services.graphics = &graphics;
  services.audio = &realAudio;
  services.clock = &clock;
  services.parts = &parts;
  Demo demo(services, config);
  EXPECT_EQ(demo.InitDemo(), E_FAIL);
  EXPECT_EQ(boxes.errors, std::vector<std::string>{"Unable play music."});
  demo.Shutdown();
}

}  // namespace
