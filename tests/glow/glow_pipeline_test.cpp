// The blur passes and the composition, rendered and compared pixel by pixel
// with a CPU model of the same arithmetic.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "glow_model.h"
#include "glow_test_fixture.h"

namespace {

// A 16 x 16 white square in the middle of the 256 x 256 glow target.
constexpr int kSquareMin = 120;
constexpr int kSquareSize = 16;
constexpr float kPixelSize = 0.01f;  // what every section passes

// Bilinear weights on the renderer are quantised (8 bits on llvmpipe), and
// four passes each round to 8 bits: the model and the device may differ by
// a few levels on steep edges, never on flat areas.
constexpr int kLevelTolerance = 4;
constexpr double kShareTolerance = 0.01;

struct Difference {
  int largest = 0;
  double shareOver = 0;  // share of pixels differing by more than 2 levels
};

Difference Compare(const std::vector<uint32_t>& pixels, const GreyImage& model,
                   int (*channel)(uint32_t)) {
  Difference d;
  size_t over = 0;
  for (size_t i = 0; i < pixels.size(); ++i) {
    const int diff =
        std::abs(channel(pixels[i]) - static_cast<int>(model.value[i]));
    d.largest = std::max(d.largest, diff);
    if (diff > 2) ++over;
  }
  d.shareOver = static_cast<double>(over) / pixels.size();
  std::printf("  against the model: largest difference %d, %.4f%% over 2\n",
              d.largest, d.shareOver * 100);
  return d;
}

// Where a row or column of the frame last exceeds the background by more
// than a few levels, walking out from the centre.
int Reach(const std::vector<uint32_t>& frame, int cx, int cy, int dx, int dy,
          int background) {
  int last = 0;
  for (int step = 1;; ++step) {
    const int x = cx + dx * step;
    const int y = cy + dy * step;
    if (x < 0 || y < 0 || x >= 800 || y >= 600) break;
    if (Red(frame[y * 800 + x]) > background + 3) last = step;
  }
  return last;
}

// An effect whose technique can never be set.
class RefusingEffect : public ID3DXEffect {
 public:
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  D3DXHANDLE GetTechnique(UINT) override { return "T0"; }
  D3DXHANDLE GetTechniqueByName(const char*) override { return nullptr; }
  D3DXHANDLE GetPass(D3DXHANDLE, UINT) override { return nullptr; }
  D3DXHANDLE GetParameterByName(D3DXHANDLE, const char*) override {
    return nullptr;
  }
  HRESULT SetTechnique(D3DXHANDLE) override { return E_FAIL; }
  HRESULT Begin(UINT* passes, DWORD) override {
    ++begins;
    *passes = 5;
    return S_OK;
  }
  HRESULT Pass(UINT) override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT SetFloat(D3DXHANDLE, float) override { return S_OK; }
  HRESULT SetMatrix(D3DXHANDLE, const D3DXMATRIX*) override { return S_OK; }
  HRESULT SetTexture(D3DXHANDLE, IDirect3DBaseTexture9*) override {
    return S_OK;
  }
  int begins = 0;
};

class GlowPipelineTest : public GlowFixture {
 protected:
  void DrawSquareAndProcess(bool shrink, D3DCOLOR background) {
    IDirect3DTexture9* white =
        SolidTexture(kSquareSize, kSquareSize, 0xFFFFFFFF);
    ASSERT_NE(white, nullptr);
    device_->BeginScene();
    glow_.BeginGlowTarget(0x00000000, true);
    const D3DXVECTOR2 at(kSquareMin, kSquareMin);
    glow_.sprite->Draw(white, nullptr, nullptr, nullptr, 0.0f, &at, 0xFFFFFFFF);
    device_->EndScene();
    source_ = ReadTarget(0);

    device_->BeginScene();
    glow_.ProcessGlow(kPixelSize, shrink ? 1 : 0);
    device_->EndScene();
    blurred_ = ReadTarget(0);

    device_->BeginScene();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background,
                   1.0f, 0);
    glow_.ComposeGlow();
    device_->EndScene();
    frame_ = headless_.ReadBackBuffer();
    white->Release();
  }

  static GreyImage SquareModel() {
    GreyImage square(256, 256, 0.0f);
    for (int y = kSquareMin; y < kSquareMin + kSquareSize; ++y) {
      for (int x = kSquareMin; x < kSquareMin + kSquareSize; ++x) {
        square.at(x, y) = 255.0f;
      }
    }
    return square;
  }

  void SaveOnFailure(const char* name) {
    if (!HasFailure()) return;
    const std::string base = std::string("glow_") + name;
    WritePng(base + "_target.png", blurred_, 256, 256);
    WritePng(base + "_frame.png", frame_, 800, 600);
  }

  std::vector<uint32_t> source_;
  std::vector<uint32_t> blurred_;
  std::vector<uint32_t> frame_;
};

TEST_F(GlowPipelineTest, SquareLandsInGlowTargetExactly) {
  DrawSquareAndProcess(true, 0x00000000);
  ASSERT_EQ(source_.size(), 256u * 256u);
  const Difference d = Compare(source_, SquareModel(), Red);
  EXPECT_EQ(d.largest, 0) << "the white square is the blur's input";
}

TEST_F(GlowPipelineTest, FourPassesBlurLikeTheModel) {
  DrawSquareAndProcess(true, 0x00000000);
  ASSERT_EQ(blurred_.size(), 256u * 256u);
  const GreyImage model = ModelProcessGlow(SquareModel(), kPixelSize, true);
  const Difference d = Compare(blurred_, model, Red);
  RecordProperty("largest_difference", d.largest);
  EXPECT_LE(d.largest, kLevelTolerance);
  EXPECT_LE(d.shareOver, kShareTolerance);
  // Every blur pass writes alpha 1 wherever the quad covers the target.
  EXPECT_EQ(Alpha(blurred_[128 * 256 + 128]), 255);
  SaveOnFailure("blur");
}

TEST_F(GlowPipelineTest, HaloHasModelReachAndBrightnessOnEverySide) {
  DrawSquareAndProcess(true, 0x00000000);
  const GreyImage blurred = ModelProcessGlow(SquareModel(), kPixelSize, true);
  const GreyImage model = ModelComposeGlow(blurred, GreyImage(800, 600, 0.0f));
  const Difference d = Compare(frame_, model, Red);
  EXPECT_LE(d.largest, kLevelTolerance);
  EXPECT_LE(d.shareOver, kShareTolerance);

  // The square's middle stays white; the halo fades out on all four sides
  // within the seven-tap spread (3 taps of 0.01 each way, about 7.7 texels,
  // about 24 px across and 18 px down on the 800 x 600 frame).
  EXPECT_EQ(Red(frame_[300 * 800 + 400]), 255);
  const int reaches[4] = {
      Reach(frame_, 400, 300, -1, 0, 0), Reach(frame_, 400, 300, 1, 0, 0),
      Reach(frame_, 400, 300, 0, -1, 0), Reach(frame_, 400, 300, 0, 1, 0)};
  std::vector<uint32_t> modelFrame(model.value.size());
  for (size_t i = 0; i < modelFrame.size(); ++i) {
    modelFrame[i] = static_cast<uint32_t>(model.value[i]) << 16;
  }
  const int expected[4] = {Reach(modelFrame, 400, 300, -1, 0, 0),
                           Reach(modelFrame, 400, 300, 1, 0, 0),
                           Reach(modelFrame, 400, 300, 0, -1, 0),
                           Reach(modelFrame, 400, 300, 0, 1, 0)};
  for (int side = 0; side < 4; ++side) {
    EXPECT_NEAR(reaches[side], expected[side], 2) << "side " << side;
    // Beyond the square's half-size (25 px across, 19 px down) by at least
    // half the spread.
    EXPECT_GT(reaches[side], side < 2 ? 25 + 12 : 19 + 9) << "side " << side;
  }
  SaveOnFailure("halo");
}

TEST_F(GlowPipelineTest, UnshrunkHaloIsCentredOnTheSquare) {
  DrawSquareAndProcess(false, 0x00000000);
  const GreyImage blurred = ModelProcessGlow(SquareModel(), kPixelSize, false);
  const GreyImage model = ModelComposeGlow(blurred, GreyImage(800, 600, 0.0f));
  const Difference d = Compare(frame_, model, Red);
  EXPECT_LE(d.largest, kLevelTolerance);
  EXPECT_LE(d.shareOver, kShareTolerance);

  // The brightness-weighted centre of the halo sits on the square's centre,
  // up to the half-texel step of Direct3D's pixel centres that each of the
  // four passes takes right and down (two texels: about 7 px and 5 px).
  double sx = 0, sy = 0, sw = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const double w = Red(frame_[y * 800 + x]);
      sx += w * x;
      sy += w * y;
      sw += w;
    }
  }
  ASSERT_GT(sw, 0);
  EXPECT_NEAR(sx / sw, 400.0, 8.0);
  EXPECT_NEAR(sy / sw, 300.0, 6.0);
  SaveOnFailure("centred");
}

TEST_F(GlowPipelineTest, ComposeTakesTheMaximumOfEachChannel) {
  // Red above the halo, green in between, blue below it everywhere.
  constexpr D3DCOLOR kBackground = 0x00F04000;
  DrawSquareAndProcess(true, kBackground);
  const GreyImage blurred = ModelProcessGlow(SquareModel(), kPixelSize, true);
  for (int (*channel)(uint32_t) : {Red, Green, Blue}) {
    const float level = static_cast<float>(channel(kBackground));
    const GreyImage model =
        ModelComposeGlow(blurred, GreyImage(800, 600, level));
    const Difference d = Compare(frame_, model, channel);
    EXPECT_LE(d.largest, kLevelTolerance);
    EXPECT_LE(d.shareOver, kShareTolerance);
  }
  // Far from the square the frame is untouched (the glow there is black).
  EXPECT_EQ(frame_[10 * 800 + 10] & 0xFFFFFF, kBackground);
  // In the middle white wins in every channel.
  EXPECT_EQ(frame_[300 * 800 + 400] & 0xFFFFFF, 0xFFFFFFu);
  SaveOnFailure("max");
}

TEST_F(GlowPipelineTest, ZeroPixelSizeOnlyBrightensByFivePercentAPass) {
  // Grey 100 everywhere: four passes of 1.05 give 121.55, rounded per pass.
  IDirect3DTexture9* grey = SolidTexture(256, 256, 0xFF646464);
  ASSERT_NE(grey, nullptr);
  device_->BeginScene();
  glow_.BeginGlowTarget(0x00000000, true);
  glow_.quad.Draw(grey);
  glow_.ProcessGlow(0.0f, false);
  device_->EndScene();
  const std::vector<uint32_t> blurred = ReadTarget(0);
  float expected = 100.0f;
  for (int pass = 0; pass < 4; ++pass) expected = std::round(expected * 1.05f);
  EXPECT_NEAR(Red(blurred[128 * 256 + 128]), expected, 1);
  grey->Release();
}

TEST_F(GlowPipelineTest, BeginGlowTargetKeepsOldContentsUnlessAskedToClear) {
  IDirect3DTexture9* white = SolidTexture(256, 256, 0xFFFFFFFF);
  ASSERT_NE(white, nullptr);
  device_->BeginScene();
  glow_.BeginGlowTarget(0x00000000, true);
  glow_.quad.Draw(white);
  glow_.BeginGlowTarget(0xFF000000, false);
  device_->EndScene();
  EXPECT_EQ(ReadTarget(0)[128 * 256 + 128] & 0xFFFFFF, 0xFFFFFFu);
  device_->BeginScene();
  glow_.BeginGlowTarget(0xFF102030, true);
  device_->EndScene();
  EXPECT_EQ(ReadTarget(0)[128 * 256 + 128], 0xFF102030u);
  white->Release();
}

TEST_F(GlowPipelineTest, ProcessGlowReturnsToTheBackBuffer) {
  IDirect3DSurface9* backBuffer = nullptr;
  device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device_->BeginScene();
  glow_.BeginGlowTarget(0x00000000, true);
  glow_.ProcessGlow(kPixelSize, true);
  IDirect3DSurface9* current = nullptr;
  device_->GetRenderTarget(0, &current);
  EXPECT_EQ(current, backBuffer);
  if (current) current->Release();
  D3DVIEWPORT9 viewport{};
  device_->GetViewport(&viewport);
  EXPECT_EQ(viewport.Width, 800u);
  EXPECT_EQ(viewport.Height, 600u);

  device_->EndScene();

  // Also when the technique cannot be set: the passes are skipped, the
  // return to the back buffer is not.
  RefusingEffect refusing;
  ComPtr<ID3DXEffect> effect = std::move(glow_.effect);
  glow_.effect = ComPtr<ID3DXEffect>(&refusing);
  device_->BeginScene();
  glow_.BeginGlowTarget(0x00000000, true);
  glow_.ProcessGlow(kPixelSize, true);
  device_->GetRenderTarget(0, &current);
  EXPECT_EQ(current, backBuffer);
  if (current) current->Release();
  device_->EndScene();
  glow_.effect.Detach();  // on the stack, not the glow's to release
  glow_.effect = std::move(effect);
  EXPECT_EQ(refusing.begins, 0);
  backBuffer->Release();
}

}  // namespace
