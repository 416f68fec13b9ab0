// Uzun: the timer tick's rules without a device (the glider's approach, the
// eye on its cylinder, the scrolling banners, the end at second 219), and
// on a headless device the first frame, the camera light, the band
// textures subset by subset, and Release after every way Reset can end.
#include "sections/uzun.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "glow/glow_effect.h"
#include "headless_device.h"
#include "platform/system/embedded_resources.h"
#include "resource_ids.h"
#include "resources/texture_bank.h"
#include "section_update_test.h"
#include "shell/section_table.h"
#include "toolkit/camera.h"

namespace {

constexpr int kUzun = 6;

using UzunUpdateTest = SectionUpdateTest<Uzun, kUzun>;

void ExpectVector(const D3DXVECTOR3& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

bool Same(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Where a model point lands under a world matrix.
D3DXVECTOR3 Place(const D3DXMATRIX& world, const D3DXVECTOR3& model) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &model, &world);
  return out;
}

TEST_F(UzunUpdateTest, StartsWithTheGliderFarDownTheZAxisNoseFirst) {
  const Uzun::Animation a = State();
  const D3DXVECTOR3 centre = Place(a.gliderWorld, {0, 0, 0});
  EXPECT_FLOAT_EQ(centre.x, 0.0f);
  EXPECT_FLOAT_EQ(centre.z, 1000.0f);
  // The nose (model +x) points at the viewer, towards -z.
  const D3DXVECTOR3 nose = Place(a.gliderWorld, {150, 0, 0});
  EXPECT_NEAR(nose.z, 850.0f, 1e-3);
  EXPECT_NEAR(nose.x, 0.0f, 1e-3);
  // Before the first tick the eye stands at its own start point.
  ExpectVector(a.eye, -10.0f, 18.0f, -25.0f);
}

TEST_F(UzunUpdateTest, GliderComesCloserAtPoint039UnitsPerMillisecond) {
  TickRange(165001, 175000);  // 10 s of 1 ms ticks
  const D3DXVECTOR3 centre = Place(State().gliderWorld, {0, 0, 0});
  EXPECT_NEAR(centre.z, 1000.0f - 390.0f, 0.05);
  EXPECT_NEAR(centre.x, 0.0f, 1e-3);
  EXPECT_NEAR(centre.y, 0.0f, 1e-3);
  // Longer ticks move it by their length: one of 400 ms, 15.6 units.
  Tick(175400);
  EXPECT_NEAR(Place(State().gliderWorld, {0, 0, 0}).z, 610.0f - 15.6f, 0.05);
}

TEST_F(UzunUpdateTest, GliderPassesTheColumnAfterAbout25Point6Seconds) {
  TickRange(165001, 190600);
  EXPECT_NEAR(Place(State().gliderWorld, {0, 0, 0}).z, 1000.0f - 998.4f, 0.1);
  TickRange(190601, 218999);
  // Gone past the viewer and still going.
  EXPECT_LT(Place(State().gliderWorld, {0, 0, 0}).z, -1000.0f);
}

TEST_F(UzunUpdateTest, EyeCirclesTheZAxisAtRadius16AndSwingsAlongIt) {
  float lowest = 1e9f, highest = -1e9f;
  for (uint32_t t = 165001; t <= 219000; t += 7) {
    Tick(t);
    const D3DXVECTOR3 eye = State().eye;
    EXPECT_NEAR(std::hypot(eye.x, eye.y), 16.0f, 1e-4) << t;
    lowest = std::min(lowest, eye.z);
    highest = std::max(highest, eye.z);
  }
  // The swing (9 s a period) reaches both ends within the section.
  EXPECT_GE(lowest, -75.0f);
  EXPECT_LE(highest, 25.0f);
  EXPECT_LT(lowest, -74.9f);
  EXPECT_GT(highest, 24.9f);
}

TEST_F(UzunUpdateTest, EyeFollowsTheClockAlone) {
  // At elapsed 0 the formula puts the eye straight above the axis, 25
  // units back; the eye does not depend on how the ticks came.
  section_.Update(0, 0);
  ExpectVector(State().eye, 0.0f, 16.0f, -25.0f);
  // A quarter circle later (0.0002 rad/ms: 7853.98 ms) it is at +x; at
  // 2244 ms the swing is at its far end, z = 25.
  section_.Update(2244, 2244);
  EXPECT_NEAR(State().eye.z, 25.0f, 1e-3);
  section_.Update(7854, 5610);
  EXPECT_NEAR(State().eye.x, 16.0f, 1e-4);
  EXPECT_NEAR(State().eye.y, 0.0f, 1e-3);
}

TEST_F(UzunUpdateTest, BannersScrollLeftAtTheirOwnSpeeds) {
  Uzun::Animation a = State();
  EXPECT_EQ(a.firstBanner.m[3][0], 850.0f);
  EXPECT_EQ(a.firstBanner.m[3][1], 150.0f);
  EXPECT_EQ(a.secondBanner.m[3][0], 1050.0f);
  EXPECT_EQ(a.secondBanner.m[3][1], 350.0f);
  TickRange(165001, 175000);
  a = State();
  // 0.05 and 0.03 px/ms over 10 s: 500 and 300 px to the left (give or
  // take what 10000 single-precision steps add up to).
  EXPECT_NEAR(a.firstBanner.m[3][0], 350.0f, 0.5);
  EXPECT_NEAR(a.secondBanner.m[3][0], 750.0f, 0.5);
  EXPECT_EQ(a.firstBanner.m[3][1], 150.0f);
  EXPECT_EQ(a.secondBanner.m[3][1], 350.0f);
  // Nothing else in them changes: they only move.
  EXPECT_EQ(a.firstBanner.m[0][0], 1.0f);
  EXPECT_EQ(a.secondBanner.m[1][1], 1.0f);
}

TEST_F(UzunUpdateTest, ColumnStaysWhereItWasPlaced) {
  const Uzun::Animation before = State();
  // Its axis (model x) lies along the world z axis.
  const D3DXVECTOR3 end = Place(before.bandedWorld, {72, 0, 0});
  EXPECT_NEAR(end.z, 72.0f, 1e-4);
  EXPECT_NEAR(end.x, 0.0f, 1e-4);
  TickRange(165001, 170000);
  EXPECT_TRUE(Same(before.bandedWorld, State().bandedWorld));
}

TEST_F(UzunUpdateTest, BackdropTurnsWithDeltaAndNotWithoutIt) {
  Tick(165001);
  const D3DXMATRIX before = glow_.BackdropWorld();
  section_.Update(165001, 0);
  EXPECT_TRUE(Same(before, glow_.BackdropWorld()));
  Tick(165101);
  EXPECT_FALSE(Same(before, glow_.BackdropWorld()));
}

TEST_F(UzunUpdateTest, ZeroDeltaMovesNothingButTheEye) {
  TickRange(165001, 166000);
  const Uzun::Animation before = State();
  section_.Update(166500, 0);
  const Uzun::Animation after = State();
  EXPECT_TRUE(Same(before.gliderWorld, after.gliderWorld));
  EXPECT_TRUE(Same(before.firstBanner, after.firstBanner));
  EXPECT_NE(before.eye.x, after.eye.x);
}

TEST_F(UzunUpdateTest, EndsWithTheFirstTickOfSecond219) {
  section_.Update(218999, 1);
  EXPECT_EQ(section_.done.load(), 0);
  section_.Update(219000, 1);
  EXPECT_EQ(section_.done.load(), 1);
}

TEST_F(UzunUpdateTest, RunsItsWholeTimeWithoutEnding) {
  TickRange(165001, 218999);
  EXPECT_EQ(section_.done.load(), 0);
  Tick(219000);
  EXPECT_EQ(section_.done.load(), 1);
}

// The references the device holds for the objects made on it: every
// vertex buffer, index buffer and state block holds one.
ULONG DeviceReferences(IDirect3DDevice9* device) {
  device->AddRef();
  return device->Release();
}

// A PNG of one solid colour, for standing in for an image of the program.
std::vector<uint8_t> SolidPng(uint8_t r, uint8_t g, uint8_t b) {
  constexpr int kSize = 8;
  std::vector<uint8_t> pixels(kSize * kSize * 3);
  for (size_t i = 0; i < pixels.size(); i += 3) {
    pixels[i] = r;
    pixels[i + 1] = g;
    pixels[i + 2] = b;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kSize;
  image.height = kSize;
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0,
                            nullptr);
  std::vector<uint8_t> png(size);
  if (!png_image_write_to_memory(&image, png.data(), &size, 0, pixels.data(), 0,
                                 nullptr)) {
    png.clear();
  }
  png.resize(size);
  return png;
}

class UzunDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_.ok()) << headless_.error();
    device_ = headless_.device();
    section_.endSecond = kSectionEndSeconds[kUzun];
  }
  // Loads the textures and the glow object; call after any overrides of
  // the images.
  void LoadShared() {
    bank_.SetDevice(device_);
    ASSERT_EQ(bank_.LoadAll(), S_OK);
    ASSERT_EQ(glow_.Init(device_, &bank_), S_OK);
    section_.Attach(device_, &bank_, &glow_);
  }
  void TearDown() override {
    ClearResourceOverrides();
    bank_.Destroy();
    glow_.Release();
    section_.Release();
  }
  HeadlessDevice headless_;
  IDirect3DDevice9* device_ = nullptr;
  TextureBank bank_;
  GlowEffect glow_;
  Uzun section_;
};

TEST_F(UzunDeviceTest, FirstFrameComesBeforeAnyTickWithTheLightAtTheEye) {
  LoadShared();
  ASSERT_EQ(section_.Reset(), S_OK);
  section_.Render();
  const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
  // The column fills the middle of the frame from the start point
  // (-10, 18, -25): it is lit, so its pixels are far from the black clear.
  const uint32_t centre = frame[300 * 800 + 400];
  EXPECT_GT(((centre >> 16) & 0xFF) + ((centre >> 8) & 0xFF) + (centre & 0xFF),
            150u);
  // The light of the last mesh drawn, the column: a point light at the eye
  // reaching 260 units, diffuse 220, specular 10, falling off as 1/d.
  D3DLIGHT9 light{};
  ASSERT_EQ(device_->GetLight(0, &light), S_OK);
  BOOL enabled = FALSE;
  device_->GetLightEnable(0, &enabled);
  EXPECT_TRUE(enabled);
  EXPECT_EQ(light.Type, D3DLIGHT_POINT);
  EXPECT_EQ(light.Position.x, -10.0f);
  EXPECT_EQ(light.Position.y, 18.0f);
  EXPECT_EQ(light.Position.z, -25.0f);
  EXPECT_EQ(light.Range, 260.0f);
  EXPECT_EQ(light.Diffuse.r, 220.0f);
  EXPECT_EQ(light.Diffuse.a, 0.0f);
  EXPECT_EQ(light.Specular.g, 10.0f);
  EXPECT_EQ(light.Ambient.r, 0.0f);
  EXPECT_EQ(light.Attenuation0, 0.0f);
  EXPECT_EQ(light.Attenuation1, 1.0f);
  EXPECT_EQ(light.Attenuation2, 0.0f);
}

// Which of red, green and blue a pixel shows most, by a clear margin; -1
// for none.
int DominantChannel(uint32_t pixel) {
  const int c[3] = {static_cast<int>((pixel >> 16) & 0xFF),
                    static_cast<int>((pixel >> 8) & 0xFF),
                    static_cast<int>(pixel & 0xFF)};
  for (int i = 0; i < 3; ++i) {
    if (c[i] > c[(i + 1) % 3] + 60 && c[i] > c[(i + 2) % 3] + 60) return i;
  }
  return -1;
}

// Where the column's bands show on screen: for each subset, a vertex from
// the middle of the band's length that faces the eye squarely. Such a
// vertex is on the surface and nothing stands in front of it, so the pixel
// it projects to shows that band.
struct BandSpot {
  DWORD subset;
  int x, y;
};

std::vector<BandSpot> VisibleBands(MeshObject& column,
                                   const Uzun::Animation& frame) {
  DWORD ranges = 0;
  column.mesh->GetAttributeTable(nullptr, &ranges);
  std::vector<D3DXATTRIBUTERANGE> table(ranges);
  column.mesh->GetAttributeTable(table.data(), &ranges);
  const DWORD stride = column.mesh->GetNumBytesPerVertex();
  const auto* vertices = static_cast<const uint8_t*>(column.LockVertices());
  std::vector<BandSpot> spots;
  if (!vertices) return spots;

  const D3DXVECTOR3& eye = frame.eye;
  D3DXMATRIX viewProjection;
  const D3DXMATRIX view = ViewMatrix(eye, {0, 0, 0}, {0, 1, 0});
  const D3DXMATRIX projection = ProjectionMatrix({0.785f, 1.3f, 1.0f, 2000.0f});
  D3DXMatrixMultiply(&viewProjection, &view, &projection);
  const auto vertex = [&](DWORD v) {
    return reinterpret_cast<const float*>(vertices + v * stride);
  };

  for (const D3DXATTRIBUTERANGE& range : table) {
    const DWORD first = range.VertexStart;
    const DWORD last = range.VertexStart + range.VertexCount;
    float lowX = 1e9f, highX = -1e9f;
    for (DWORD v = first; v < last; ++v) {
      lowX = std::min(lowX, vertex(v)[0]);
      highX = std::max(highX, vertex(v)[0]);
    }
    const float middle = (lowX + highX) / 2, reach = (highX - lowX) / 8;
    float best = 0.6f;  // at most 53 degrees off the line of sight
    D3DXVECTOR3 facing;
    bool found = false;
    for (DWORD v = first; v < last; ++v) {
      const float* p = vertex(v);
      if (std::fabs(p[0] - middle) > reach) continue;
      const D3DXVECTOR3 world = Place(frame.bandedWorld, {p[0], p[1], p[2]});
      const D3DXVECTOR3 modelNormal(p[3], p[4], p[5]);
      D3DXVECTOR3 normal;
      D3DXVec3TransformNormal(&normal, &modelNormal, &frame.bandedWorld);
      const D3DXVECTOR3 toEye(eye.x - world.x, eye.y - world.y,
                              eye.z - world.z);
      const float cosine = D3DXVec3Dot(&normal, &toEye) /
                           (D3DXVec3Length(&normal) * D3DXVec3Length(&toEye));
      if (cosine > best) {
        best = cosine;
        facing = world;
        found = true;
      }
    }
    if (!found) continue;
    D3DXVECTOR3 screen;
    D3DXVec3TransformCoord(&screen, &facing, &viewProjection);
    const int x = static_cast<int>((screen.x + 1) * 400);
    const int y = static_cast<int>((1 - screen.y) * 300);
    // Inside the overlay frame, between the near and far planes.
    if (x >= 40 && x <= 760 && y >= 40 && y <= 560 && screen.z > 0 &&
        screen.z < 1) {
      spots.push_back({range.AttribId, x, y});
    }
  }
  column.UnlockVertices();
  return spots;
}

TEST_F(UzunDeviceTest, BandsTakeTheThreeBandTexturesInSubsetOrder) {
  // The three band images replaced by pure red, green and blue: the colour
  // a band shows then names its texture. The lit colour modulates them
  // (the light saturates the diffuse term this close) and the highlight
  // adds at most a third of white, so the band's own channel stays on top.
  const std::vector<uint8_t> red = SolidPng(255, 0, 0);
  const std::vector<uint8_t> green = SolidPng(0, 255, 0);
  const std::vector<uint8_t> blue = SolidPng(0, 0, 255);
  ASSERT_FALSE(red.empty());
  OverrideEmbeddedResource(ResourceType::RcData, resource_id::kBandStripesImage,
                           red.data(), red.size());
  OverrideEmbeddedResource(ResourceType::RcData, resource_id::kBandRivetsImage,
                           green.data(), green.size());
  OverrideEmbeddedResource(ResourceType::RcData, resource_id::kBandHexImage,
                           blue.data(), blue.size());
  LoadShared();
  ASSERT_EQ(section_.Reset(), S_OK);
  MeshObject column;
  ASSERT_EQ(column.LoadFromResource(device_, resource_id::kBandedMesh), S_OK);

  // The camera close to the column sees a few bands at a time: look from
  // the start point and then every 300 ms along one swing (9 s).
  std::vector<bool> seen(column.materialCount, false);
  for (uint32_t elapsed = 0; elapsed <= 9000; elapsed += 300) {
    if (elapsed > 0) section_.Update(elapsed, 300);
    section_.Render();
    const std::vector<uint32_t> frame = headless_.ReadBackBuffer();
    for (const BandSpot& spot : VisibleBands(column, section_.Published())) {
      const int expected = static_cast<int>(spot.subset % 3);
      int votes[3] = {};
      for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
          const int channel =
              DominantChannel(frame[(spot.y + dy) * 800 + spot.x + dx]);
          if (channel >= 0) ++votes[channel];
        }
      }
      EXPECT_GE(votes[expected], 20)
          << "subset " << spot.subset << " at (" << spot.x << ", " << spot.y
          << ") at " << elapsed << " ms: red " << votes[0] << ", green "
          << votes[1] << ", blue " << votes[2];
      seen[spot.subset] = true;
    }
  }
  column.Release();
  // Enough bands to see the cycle 35, 36, 37, 35, ... twice over, and its
  // phase (seven of the eighteen are seen here).
  EXPECT_GE(std::count(seen.begin(), seen.end(), true), 6);
}

TEST_F(UzunDeviceTest, ReleaseGivesBackEverythingResetMade) {
  LoadShared();
  const ULONG before = DeviceReferences(device_);
  ASSERT_EQ(section_.Reset(), S_OK);
  EXPECT_GT(DeviceReferences(device_), before);
  section_.Release();
  EXPECT_EQ(DeviceReferences(device_), before);
  section_.Release();  // a second Release gives back nothing more
  EXPECT_EQ(DeviceReferences(device_), before);
}

TEST_F(UzunDeviceTest, ResetFailsWithoutTheGliderAndReleasesNothingExtra) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kGliderMesh,
                           nullptr, 0);
  LoadShared();
  const ULONG before = DeviceReferences(device_);
  EXPECT_TRUE(FAILED(section_.Reset()));
  EXPECT_EQ(DeviceReferences(device_), before);
  section_.Release();
  section_.Release();
  EXPECT_EQ(DeviceReferences(device_), before);
}

TEST_F(UzunDeviceTest, ResetFailsWithoutTheColumnAndReleaseGivesBackTheGlider) {
  OverrideEmbeddedResource(ResourceType::Mesh, resource_id::kBandedMesh,
                           nullptr, 0);
  LoadShared();
  const ULONG before = DeviceReferences(device_);
  EXPECT_TRUE(FAILED(section_.Reset()));
  EXPECT_GT(DeviceReferences(device_), before);  // the glider is there
  section_.Release();
  EXPECT_EQ(DeviceReferences(device_), before);
  section_.Release();
  EXPECT_EQ(DeviceReferences(device_), before);
}

TEST(UzunLifecycle, ReleaseWithoutResetReleasesNothing) {
  Uzun section;
  section.Release();
  section.Release();
  EXPECT_EQ(section.done.load(), 0);
}

}  // namespace
