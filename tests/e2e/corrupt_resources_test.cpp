// Start-up with a damaged soundtrack or image, through the real window,
// device, audio and show parts (SDL offscreen, llvmpipe, dummy audio): each
// damage gets its message and a clean Shutdown, or, where the decoder can
// still make something of the bytes, a show that starts and draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/audio_system.h"
#include "platform/system/clock.h"
#include "platform/system/demo_window.h"
#include "platform/system/embedded_resources.h"
#include "platform/system/message_boxes.h"
#include "shell/demo.h"
#include "shell/graphics_host.h"
#include "shell/show_parts.h"

namespace {

constexpr int kSoundtrack = 102;
// The first image the texture bank loads (a JPEG) and one PNG.
constexpr int kFirstJpeg = 130;
constexpr int kPng = 131;

class RecordingBoxes : public MessageBoxes {
 public:
  Answer Ask(const std::string&) override { return Answer::No; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> errors;
};

class CorruptResourceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window_.Create()) << window_.error(); }
  void TearDown() override {
    if (demo_) demo_->Shutdown();
    demo_.reset();
    window_.Destroy();
    ClearResourceOverrides();
  }

  // The resource's real bytes, to damage.
  static std::vector<uint8_t> Bytes(int id) {
    ResourceData data;
    EXPECT_TRUE(FindEmbeddedResource(ResourceType::RcData, id, &data));
    return std::vector<uint8_t>(data.data, data.data + data.size);
  }
  void Replace(int id, const std::vector<uint8_t>& bytes) {
    replacement_ = bytes;
    OverrideEmbeddedResource(ResourceType::RcData, id, replacement_.data(),
                             replacement_.size());
  }

  HRESULT Start() {
    DemoServices services;
    services.boxes = &boxes_;
    services.graphics = &graphics_;
    services.audio = &audio_;
    services.clock = &clock_;
    services.parts = &parts_;
    DemoConfig config;
    config.live = false;
    config.answer = Answer::No;
    demo_ = std::make_unique<Demo>(services, config);
    return demo_->InitDemo();
  }

  DemoWindow window_;
  WindowGraphics graphics_{&window_};
  SdlAudio audio_;
  VirtualClock clock_{1};
  ShowParts parts_;
  RecordingBoxes boxes_;
  std::unique_ptr<Demo> demo_;
  std::vector<uint8_t> replacement_;
};

TEST_F(CorruptResourceTest, SoundtrackOfNoiseGetsTheMusicMessage) {
  std::vector<uint8_t> noise(8192);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 37 + 11);
  Replace(kSoundtrack, noise);
  EXPECT_EQ(Start(), E_FAIL);
  EXPECT_EQ(boxes_.errors, std::vector<std::string>{"Unable play music."});
  EXPECT_EQ(demo_->textureBank, nullptr);  // start-up stopped there
}

TEST_F(CorruptResourceTest, EmptySoundtrackGetsTheMusicMessage) {
  static const uint8_t kNothing[1] = {0};
  OverrideEmbeddedResource(ResourceType::RcData, kSoundtrack, kNothing, 0);
  EXPECT_EQ(Start(), E_FAIL);
  EXPECT_EQ(boxes_.errors, std::vector<std::string>{"Unable play music."});
}

// The first 64 KiB of the MP3 are whole frames: a short soundtrack, which
// plays and then falls silent; the show itself starts as usual.
TEST_F(CorruptResourceTest, CutSoundtrackStillStarts) {
  std::vector<uint8_t> cut = Bytes(kSoundtrack);
  ASSERT_GT(cut.size(), 65536u);
  cut.resize(65536);
  Replace(kSoundtrack, cut);
  EXPECT_EQ(Start(), S_OK);
  EXPECT_TRUE(boxes_.errors.empty());
  demo_->TimerTick();
  demo_->PaintFrame();
}

TEST_F(CorruptResourceTest, ImageOfNoiseGetsTheTexturesMessage) {
  std::vector<uint8_t> noise(4096, 0x5A);
  Replace(kFirstJpeg, noise);
  EXPECT_EQ(Start(), E_FAIL);
  EXPECT_EQ(boxes_.errors, std::vector<std::string>{"Unable load textures."});
  EXPECT_EQ(demo_->glow, nullptr);
}

// A JPEG header with the rest of the file missing cannot be decoded.
TEST_F(CorruptResourceTest, JpegCutInItsHeaderGetsTheTexturesMessage) {
  std::vector<uint8_t> cut = Bytes(kFirstJpeg);
  cut.resize(64);
  Replace(kFirstJpeg, cut);
  EXPECT_EQ(Start(), E_FAIL);
  EXPECT_EQ(boxes_.errors, std::vector<std::string>{"Unable load textures."});
}

// PNG data cut in half fails in zlib or at the missing rows.
TEST_F(CorruptResourceTest, PngCutInHalfGetsTheTexturesMessage) {
  std::vector<uint8_t> cut = Bytes(kPng);
  cut.resize(cut.size() / 2);
  Replace(kPng, cut);
  EXPECT_EQ(Start(), E_FAIL);
  EXPECT_EQ(boxes_.errors, std::vector<std::string>{"Unable load textures."});
}

// A PNG whose pixel data is flipped but whose chunks are whole: the CRC
// check refuses it.
TEST_F(CorruptResourceTest, PngWithDamagedDataGetsTheTexturesMessage) {
  std::vector<uint8_t> damaged = Bytes(kPng);
  ASSERT_GT(damaged.size(), 200u);
  for (size_t i = 100; i < damaged.size() - 20; i += 7) damaged[i] ^= 0xFF;
  Replace(kPng, damaged);
  EXPECT_EQ(Start(), E_FAIL);
  EXPECT_EQ(boxes_.errors, std::vector<std::string>{"Unable load textures."});
}

}  // namespace
