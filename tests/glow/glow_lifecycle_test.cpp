// Init, the effect's shape, and Release after a complete or a partial Init.
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "glow_test_fixture.h"
#include "platform/system/embedded_resources.h"

namespace {

TEST_F(GlowFixture, InitCreatesTargetsOfTheGlowSize) {
  for (int i = 0; i < 2; ++i) {
    ASSERT_NE(glow_.targetTextures[i], nullptr);
    ASSERT_NE(glow_.targetSurfaces[i], nullptr);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(glow_.targetTextures[i]->GetLevelDesc(0, &desc), S_OK);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(desc.Height, 256u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
    EXPECT_EQ(glow_.targetTextures[i]->GetLevelCount(), 1u);
  }
  EXPECT_NE(glow_.effect, nullptr);
  EXPECT_NE(glow_.sprite, nullptr);
  EXPECT_NE(glow_.stateBlock, nullptr);
  EXPECT_NE(glow_.backdropMesh.mesh, nullptr);
  EXPECT_FLOAT_EQ(glow_.flashDecay, 0.002f);
}

TEST_F(GlowFixture, EffectHasFourBlurPassesAndOneOutputPass) {
  ASSERT_EQ(glow_.effect->SetTechnique(glow_.effect->GetTechnique(0)), S_OK);
  UINT passes = 0;
  device_->BeginScene();
  ASSERT_EQ(glow_.effect->Begin(&passes, 0), S_OK);
  glow_.effect->End();
  device_->EndScene();
  EXPECT_EQ(passes, 5u);
  EXPECT_NE(glow_.effect->GetTechniqueByName("T0"), nullptr);
  for (const char* name : {"glowTexture", "texTrans", "pSize"}) {
    EXPECT_NE(glow_.effect->GetParameterByName(nullptr, name), nullptr) << name;
  }
}

TEST_F(GlowFixture, ComposeAndBackdropLeaveDeviceStateAsFound) {
  device_->SetRenderState(D3DRS_ZENABLE, TRUE);
  device_->SetRenderState(D3DRS_ZFUNC, D3DCMP_GREATER);
  device_->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  device_->SetRenderState(D3DRS_LIGHTING, FALSE);
  device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  D3DXMATRIX world;
  D3DXMatrixTranslation(&world, 1, 2, 3);
  device_->SetTransform(D3DTS_WORLD, &world);
  device_->BeginScene();
  glow_.ComposeGlow();
  glow_.DrawBackdrop(nullptr, 2.385f, 1.3f);
  device_->EndScene();
  DWORD value = 0;
  device_->GetRenderState(D3DRS_ZFUNC, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCMP_GREATER));
  device_->GetRenderState(D3DRS_ZWRITEENABLE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(TRUE));
  device_->GetRenderState(D3DRS_LIGHTING, &value);
  EXPECT_EQ(value, static_cast<DWORD>(FALSE));
  device_->GetRenderState(D3DRS_FILLMODE, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DFILL_WIREFRAME));
  device_->GetRenderState(D3DRS_SRCBLEND, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DBLEND_ONE));
  device_->GetTextureStageState(0, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  D3DMATRIX after{};
  device_->GetTransform(D3DTS_WORLD, &after);
  EXPECT_EQ(after.m[3][2], 3.0f);
}

TEST_F(GlowFixture, BackdropTurnsAccumulateInOrder) {
  WorldMatrix expected;
  const D3DXMATRIX start = glow_.BackdropWorld();
  EXPECT_EQ(std::memcmp(&start, &expected, sizeof expected), 0)
      << "the sphere starts unturned";
  glow_.TurnBackdrop(0.1f, 0.2f, 0.3f);
  glow_.TurnBackdrop(-0.4f, 0.5f, 0.0f);
  expected.RotateXYZ(0.1f, 0.2f, 0.3f);
  expected.RotateXYZ(-0.4f, 0.5f, 0.0f);
  const D3DXMATRIX published = glow_.BackdropWorld();
  EXPECT_EQ(std::memcmp(&published, &expected, sizeof expected), 0);
}

TEST_F(GlowFixture, BackdropDrawsWithThePublishedTurnNotTheMeshMatrix) {
  // Left half red, right half blue: the centre of the view shows which
  // half of the sphere faces the camera.
  IDirect3DTexture9* halves = SolidTexture(64, 64, 0xFFFF0000);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(halves->LockRect(0, &locked, nullptr, 0), S_OK);
  for (int y = 0; y < 64; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(
        static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
    for (int x = 32; x < 64; ++x) row[x] = 0xFF0000FF;
  }
  halves->UnlockRect(0);
  auto centre = [&] {
    device_->BeginScene();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                   1.0f, 0);
    glow_.DrawBackdrop(halves, 2.385f, 1.3f);
    device_->EndScene();
    return headless_.ReadBackBuffer()[300 * 800 + 400] & 0xFFFFFF;
  };
  // The mesh object's own matrix is not what the backdrop draws with.
  glow_.backdropMesh.Scale(0.0f, 0.0f, 0.0f);
  const uint32_t before = centre();
  EXPECT_NE(before, 0u) << "the sphere covers the view";
  // Half a turn about the vertical axis shows the other half.
  glow_.TurnBackdrop(0.0f, 3.1415927f, 0.0f);
  const uint32_t after = centre();
  EXPECT_NE(after, 0u);
  EXPECT_NE(after, before);
  halves->Release();
}

TEST_F(GlowFixture, BackdropTurnsOnOneThreadWhileAnotherDraws) {
  // Ticks turn the sphere on the timer thread while frames draw it; every
  // matrix a frame reads is one a tick published whole (ThreadSanitizer
  // checks the handoff).
  std::atomic<bool> stop{false};
  std::thread ticks([&] {
    for (int i = 0; i < 2000 && !stop.load(); ++i) {
      glow_.TurnBackdrop(0.001f, 0.002f, 0.003f);
    }
  });
  for (int frame = 0; frame < 5; ++frame) {
    device_->BeginScene();
    glow_.DrawBackdrop(nullptr, 2.385f, 1.3f);
    device_->EndScene();
    const D3DXMATRIX m = glow_.BackdropWorld();
    // A rotation keeps its rows at unit length: no torn matrix.
    for (int r = 0; r < 3; ++r) {
      const float length =
          std::sqrt(m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] +
                    m.m[r][2] * m.m[r][2]);
      EXPECT_NEAR(length, 1.0f, 1e-3f);
    }
  }
  stop.store(true);
  ticks.join();
}

TEST_F(GlowFixture, ReleaseGivesEverythingBackAndIsSafeTwice) {
  IDirect3DTexture9* target = glow_.targetTextures[1].get();
  target->AddRef();
  glow_.Release();
  EXPECT_EQ(glow_.effect, nullptr);
  EXPECT_EQ(glow_.targetTextures[0], nullptr);
  EXPECT_EQ(glow_.targetSurfaces[1], nullptr);
  EXPECT_EQ(glow_.savedBackBuffer, nullptr);
  EXPECT_EQ(glow_.stateBlock, nullptr);
  EXPECT_EQ(glow_.sprite, nullptr);
  EXPECT_EQ(glow_.quad.vertexBuffer, nullptr);
  EXPECT_EQ(glow_.backdropMesh.mesh, nullptr);
  // The surface's reference went too: ours is the last one.
  EXPECT_EQ(target->Release(), 0u);
  glow_.Release();
}

class PartialInitTest : public ::testing::Test {
 protected:
  void TearDown() override { ClearResourceOverrides(); }
  HeadlessDevice headless_;
};

TEST_F(PartialInitTest, ReleaseAfterMissingEffectReleasesOnlyWhatExists) {
  ASSERT_TRUE(headless_.ok()) << headless_.error();
  OverrideEmbeddedResource(ResourceType::RcData, 103, nullptr, 0);
  TextureBank bank;
  GlowEffect glow;
  EXPECT_TRUE(FAILED(glow.Init(headless_.device(), &bank)));
  // Made before the effect: the sphere and the quad.
  ASSERT_NE(glow.backdropMesh.mesh, nullptr);
  ASSERT_NE(glow.quad.vertexBuffer, nullptr);
  // Never made.
  EXPECT_EQ(glow.effect, nullptr);
  EXPECT_EQ(glow.targetTextures[0], nullptr);
  EXPECT_EQ(glow.stateBlock, nullptr);
  EXPECT_EQ(glow.sprite, nullptr);
  IDirect3DVertexBuffer9* buffer = glow.quad.vertexBuffer.get();
  buffer->AddRef();
  glow.Release();
  EXPECT_EQ(glow.backdropMesh.mesh, nullptr);
  EXPECT_EQ(glow.quad.vertexBuffer, nullptr);
  EXPECT_EQ(buffer->Release(), 0u);
}

TEST_F(PartialInitTest, ReleaseAfterMissingSphereIsHarmless) {
  ASSERT_TRUE(headless_.ok()) << headless_.error();
  OverrideEmbeddedResource(ResourceType::Mesh, 107, nullptr, 0);
  TextureBank bank;
  GlowEffect glow;
  EXPECT_TRUE(FAILED(glow.Init(headless_.device(), &bank)));
  EXPECT_EQ(glow.backdropMesh.mesh, nullptr);
  EXPECT_EQ(glow.quad.vertexBuffer, nullptr);
  glow.Release();
  glow.Release();
}

}  // namespace
