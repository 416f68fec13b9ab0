// Wireframe fill for indexed triangle lists: drawn as a cached line list
// of every triangle's edges when nothing is culled, it must show exactly
// what polygon mode showed.
#include <cstring>
#include <vector>

#include "platform/gfx/wireframe_edges.h"
#include "test_scene.h"

namespace {

constexpr int kColumns = 7;
constexpr int kRows = 5;

// A jittered grid of screen-space vertices with varied colours and depths,
// so edges run at many slopes and cross each other's pixels.
std::vector<ScreenVertex> GridVertices(D3DCOLOR alpha) {
  std::vector<ScreenVertex> vertices;
  for (int j = 0; j <= kRows; ++j) {
    for (int i = 0; i <= kColumns; ++i) {
      const float x =
          90.3f + i * 81.7f + static_cast<float>((i * 7 + j * 3) % 5) * 9.1f;
      const float y =
          70.6f + j * 87.2f + static_cast<float>((i * 3 + j * 5) % 4) * 11.3f;
      const float z =
          0.2f + 0.6f * static_cast<float>((i * 5 + j * 11) % 9) / 8.0f;
      const D3DCOLOR rgb = (static_cast<D3DCOLOR>(40 + 25 * i) << 16) |
                           (static_cast<D3DCOLOR>(60 + 35 * j) << 8) | 0x90u;
      vertices.push_back({x, y, z, 1.0f, alpha | rgb, 0.0f, 0.0f});
    }
  }
  return vertices;
}

// Two triangles per cell, both clockwise on screen (y grows downwards), so
// D3DCULL_CCW keeps them all and D3DCULL_CW drops them all. `flipped`
// splits each cell along its other diagonal.
std::vector<uint32_t> GridTriangles(bool flipped) {
  std::vector<uint32_t> indices;
  const uint32_t stride = kColumns + 1;
  for (uint32_t j = 0; j < kRows; ++j) {
    for (uint32_t i = 0; i < kColumns; ++i) {
      const uint32_t a = j * stride + i, b = a + 1, c = a + stride, d = c + 1;
      if (flipped) {
        indices.insert(indices.end(), {a, b, d, a, d, c});
      } else {
        indices.insert(indices.end(), {a, b, c, b, d, c});
      }
    }
  }
  return indices;
}

class WireframeTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    indices_ = MakeIndexBuffer(GridTriangles(false));
  }
  void TearDown() override {
    if (indices_) indices_->Release();
    DeviceTest::TearDown();
  }

  void Refill(const std::vector<uint32_t>& indices) {
    void* bits = nullptr;
    ASSERT_EQ(indices_->Lock(0, 0, &bits, 0), S_OK);
    std::memcpy(bits, indices.data(), indices.size() * sizeof(uint32_t));
    indices_->Unlock();
  }

  // Draws the grid's triangles [first, first + count) in wireframe with
  // the given cull mode over a black, far-cleared target.
  std::vector<uint32_t> Draw(DWORD cull, bool depth, D3DCOLOR alpha, UINT first,
                             UINT count) {
    const std::vector<ScreenVertex> vertices = GridVertices(alpha);
    IDirect3DVertexBuffer9* vb = MakeVertexBuffer(
        vertices.data(),
        static_cast<UINT>(vertices.size() * sizeof(ScreenVertex)), kScreenFvf);
    PlainStates();
    device()->SetRenderState(D3DRS_CULLMODE, cull);
    device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    device()->SetRenderState(D3DRS_ZENABLE, depth ? D3DZB_TRUE : D3DZB_FALSE);
    device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    device()->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device()->SetFVF(kScreenFvf);
    device()->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
    device()->SetIndices(indices_);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                    1.0f, 0);
    device()->BeginScene();
    EXPECT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0,
                                             static_cast<UINT>(vertices.size()),
                                             first * 3, count),
              S_OK);
    device()->EndScene();
    std::vector<uint32_t> pixels = Read();
    vb->Release();
    return pixels;
  }

  static int Lit(const std::vector<uint32_t>& pixels) {
    int lit = 0;
    for (uint32_t p : pixels) lit += (p & 0xFFFFFFu) != 0;
    return lit;
  }

  static void ExpectSame(const std::vector<uint32_t>& a,
                         const std::vector<uint32_t>& b) {
    ASSERT_EQ(a.size(), b.size());
    int differing = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      if (!ColorNear(a[i], b[i], 1)) {
        if (++differing <= 5)
          ADD_FAILURE() << "pixel " << i % 800 << "," << i / 800 << ": 0x"
                        << std::hex << a[i] << " vs 0x" << b[i];
      }
    }
    EXPECT_EQ(differing, 0);
  }

  static constexpr UINT kTriangles = kColumns * kRows * 2;

  IDirect3DIndexBuffer9* indices_ = nullptr;
};

TEST(WireframeEdgesTest, ExpandsEveryEdgeOfEveryTriangle) {
  // Two triangles sharing the edge 1-2: it is drawn once per triangle, in
  // each triangle's own direction. 16-bit indices.
  const uint16_t triangles[6] = {0, 1, 2, 2, 1, 3};
  uint16_t lines[12] = {};
  gfx::WireframeEdges::Expand(reinterpret_cast<const uint8_t*>(triangles), 2, 2,
                              reinterpret_cast<uint8_t*>(lines));
  const uint16_t expected[12] = {2, 0, 0, 1, 1, 2, 3, 2, 2, 1, 1, 3};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(lines[i], expected[i]) << i;

  // 32-bit indices above 65535 keep their full value.
  const uint32_t wide[3] = {70000, 70001, 5};
  uint32_t wideLines[6] = {};
  gfx::WireframeEdges::Expand(reinterpret_cast<const uint8_t*>(wide), 4, 1,
                              reinterpret_cast<uint8_t*>(wideLines));
  const uint32_t wideExpected[6] = {5, 70000, 70000, 70001, 70001, 5};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(wideLines[i], wideExpected[i]) << i;
}

TEST_F(WireframeTest, EdgeListMatchesPolygonModeWithAndWithoutDepth) {
  // D3DCULL_CCW culls none of these triangles but keeps polygon mode:
  // the reference. D3DCULL_CW culls them all, showing the reference really
  // went through culling.
  EXPECT_EQ(Lit(Draw(D3DCULL_CW, false, 0xFF000000u, 0, kTriangles)), 0);
  for (bool depth : {false, true}) {
    SCOPED_TRACE(depth ? "depth LESS with writes" : "no depth");
    // Half-transparent: an edge drawn twice shows where depth lets it.
    const std::vector<uint32_t> reference =
        Draw(D3DCULL_CCW, depth, 0x80000000u, 0, kTriangles);
    EXPECT_GT(Lit(reference), 3000);
    ExpectSame(Draw(D3DCULL_NONE, depth, 0x80000000u, 0, kTriangles),
               reference);
  }
}

TEST_F(WireframeTest, SubRangeAndChangedIndicesDrawTheirOwnEdges) {
  // Triangles 10..29 only: the edge list covers that range, not the
  // buffer's start.
  const UINT first = 10, count = 20;
  ExpectSame(Draw(D3DCULL_NONE, true, 0xFF000000u, first, count),
             Draw(D3DCULL_CCW, true, 0xFF000000u, first, count));
  // The same buffer and range after the indices changed must not reuse
  // the old edges.
  const std::vector<uint32_t> before =
      Draw(D3DCULL_NONE, true, 0xFF000000u, first, count);
  Refill(GridTriangles(true));
  const std::vector<uint32_t> after =
      Draw(D3DCULL_NONE, true, 0xFF000000u, first, count);
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_GT(changed, 200u);
  ExpectSame(after, Draw(D3DCULL_CCW, true, 0xFF000000u, first, count));
}

}  // namespace

// Shine's wireframe pass: an indexed triangle list in wireframe with
// culling off (the cached edge-list path), SRCALPHA / INVBLENDFACTOR with
// BLENDFACTOR 0x7FFFFFFF, depth test with Z func LESSEQUAL.
// The factor is (1, 1, 1, 127/255), its inverse (0, 0, 0, 128/255):
//   rgb = src.rgb * As + dst.rgb * 0      (the old colour is dropped)
//   a   = As * As + Ad * 128/255
// Source 0x80FF4020 (As = 128/255 = 0.501961) over 0xFF808080:
//   rgb = (255, 64, 32) * 0.501961 = (128, 32.1, 16.1)
//   a   = 0.251965 + 1 * 0.501961 = 0.753926 -> 192.25
// The interior keeps the clear colour. The same triangle again at the same
// depth passes LESSEQUAL; source 0x8020FF40 replaces the edge colour:
//   rgb = (32, 255, 64) * 0.501961 = (16.1, 128, 32.1)
//   a   = 0.251965 + (192 / 255) * 0.501961 = 0.629912 -> 160.6
TEST_F(WireframeTest, InvBlendFactorWireframeDropsTheOldColour) {
  ScreenVertex vertices[3] = {{100, 100, 0.5f, 1, 0x80FF4020, 0, 0},
                              {300, 100, 0.5f, 1, 0x80FF4020, 0, 0},
                              {100, 300, 0.5f, 1, 0x80FF4020, 0, 0}};
  IDirect3DVertexBuffer9* vb =
      MakeVertexBuffer(vertices, sizeof vertices, kScreenFvf);
  IDirect3DIndexBuffer9* ib = MakeIndexBuffer({0, 1, 2});
  PlainStates();
  device()->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  device()->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device()->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVBLENDFACTOR);
  device()->SetRenderState(D3DRS_BLENDFACTOR, 0x7FFFFFFF);
  device()->SetFVF(kScreenFvf);
  device()->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
  device()->SetIndices(ib);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF808080,
                  1.0f, 0);
  ASSERT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1),
            S_OK);
  std::vector<uint32_t> pixels = Read();
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 200, 100), 0xC0802010));
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 100, 200), 0xC0802010));
  EXPECT_EQ(PixelAt(pixels, 150, 150), 0xFF808080u);
  for (ScreenVertex& v : vertices) v.color = 0x8020FF40;
  void* bits = nullptr;
  ASSERT_EQ(vb->Lock(0, 0, &bits, 0), S_OK);
  std::memcpy(bits, vertices, sizeof vertices);
  vb->Unlock();
  ASSERT_EQ(device()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1),
            S_OK);
  pixels = Read();
  KeepPicture("shine_wireframe", pixels);
  EXPECT_TRUE(ColorNear(PixelAt(pixels, 200, 100), 0xA1108020));
  EXPECT_EQ(PixelAt(pixels, 150, 150), 0xFF808080u);
  device()->SetStreamSource(0, nullptr, 0, 0);
  device()->SetIndices(nullptr);
  vb->Release();
  ib->Release();
}
