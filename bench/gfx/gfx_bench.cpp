// Device benchmarks on a hidden window (llvmpipe without a GPU):
//   - draws per second of a lit 10,000-triangle mesh,
//   - the cost of applying a D3DSBT_ALL state block (alone, and with the
//     draw after it that re-translates the whole state),
//   - full-screen textured, blended quads per second at 800 x 600,
//   - heap allocations per frame once warmed up (should be zero).
// GPU work is included: each timed draw ends with glFinish.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "headless_device.h"
#include "platform/gfx/d3d9.h"

namespace {

std::atomic<uint64_t> allocations{0};

}  // namespace

// Counting replacements of the global allocation functions. GCC sees the
// free() in the replaced delete paired with `new` expressions it inlined
// and warns, although both ends are these malloc-based replacements.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

struct NormalVertex {
  float x, y, z, nx, ny, nz, u, v;
};

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Perspective(float fovY, float aspect, float zn, float zf) {
  D3DMATRIX m{};
  float yScale = 1.0f / std::tan(fovY / 2.0f);
  m._11 = yScale / aspect;
  m._22 = yScale;
  m._33 = zf / (zf - zn);
  m._34 = 1.0f;
  m._43 = -zn * zf / (zf - zn);
  return m;
}

// One device for the whole run: creating contexts is not what we measure.
HeadlessDevice& Headless() {
  static HeadlessDevice* headless = new HeadlessDevice();
  return *headless;
}

// A lit, textured grid of 100 x 50 quads = 10,000 triangles, filling the
// middle of the screen.
struct LitMesh {
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  IDirect3DTexture9* texture = nullptr;
  UINT vertexCount = 0;
  UINT triangleCount = 0;

  explicit LitMesh(IDirect3DDevice9* d) {
    const int columns = 100, rows = 50;
    std::vector<NormalVertex> vertices;
    for (int y = 0; y <= rows; ++y)
      for (int x = 0; x <= columns; ++x) {
        float fx = x / static_cast<float>(columns) * 8.0f - 4.0f;
        float fy = y / static_cast<float>(rows) * 4.0f - 2.0f;
        float z = 10.0f + 0.3f * std::sin(fx * 2.0f) * std::cos(fy * 3.0f);
        vertices.push_back({fx, fy, z, 0.0f, 0.0f, -1.0f,
                            x / static_cast<float>(columns),
                            y / static_cast<float>(rows)});
      }
    std::vector<uint32_t> indices;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < columns; ++x) {
        uint32_t i = y * (columns + 1) + x;
        indices.insert(indices.end(), {i, i + columns + 1, i + 1, i + 1,
                                       i + columns + 1, i + columns + 2});
      }
    vertexCount = static_cast<UINT>(vertices.size());
    triangleCount = static_cast<UINT>(indices.size() / 3);
    void* bits = nullptr;
    d->CreateVertexBuffer(vertexCount * sizeof(NormalVertex), 0,
                          D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                          D3DPOOL_DEFAULT, &vb, nullptr);
    vb->Lock(0, 0, &bits, 0);
    std::copy(vertices.begin(), vertices.end(),
              static_cast<NormalVertex*>(bits));
    vb->Unlock();
    d->CreateIndexBuffer(static_cast<UINT>(indices.size() * 4), 0,
                         D3DFMT_INDEX32, D3DPOOL_DEFAULT, &ib, nullptr);
    ib->Lock(0, 0, &bits, 0);
    std::copy(indices.begin(), indices.end(), static_cast<uint32_t*>(bits));
    ib->Unlock();
    d->CreateTexture(256, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                     nullptr);
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
      D3DSURFACE_DESC desc;
      texture->GetLevelDesc(level, &desc);
      D3DLOCKED_RECT locked;
      texture->LockRect(level, &locked, nullptr, 0);
      auto* texels = static_cast<uint32_t*>(locked.pBits);
      for (UINT i = 0; i < desc.Width * desc.Height; ++i)
        texels[i] = 0x80000000u | (i * 2654435761u >> 8);
      texture->UnlockRect(level);
    }
  }
  ~LitMesh() {
    vb->Release();
    ib->Release();
    texture->Release();
  }

  void Bind(IDirect3DDevice9* d) const {
    D3DMATRIX world = Identity(), view = Identity();
    D3DMATRIX projection = Perspective(0.785398f, 4.0f / 3.0f, 1.0f, 100.0f);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetTransform(D3DTS_PROJECTION, &projection);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {255, 255, 255, 1};
    light.Specular = {10, 10, 10, 1};
    light.Position = {0, 2, 0};
    light.Range = 420;
    light.Attenuation1 = 1;
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    D3DMATERIAL9 material{};
    material.Diffuse = {0.8f, 0.6f, 0.4f, 1};
    material.Specular = {1, 1, 1, 1};
    material.Power = 20;
    d->SetMaterial(&material);
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d->SetTexture(0, texture);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    for (DWORD s = 0; s < 8; ++s) {
      d->SetSamplerState(s, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
      d->SetSamplerState(s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
      d->SetSamplerState(s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
    d->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    d->SetStreamSource(0, vb, 0, sizeof(NormalVertex));
    d->SetIndices(ib);
  }

  void Draw(IDirect3DDevice9* d) const {
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, 0,
                            triangleCount);
  }
};

void BM_LitMeshDraw(benchmark::State& state) {
  IDirect3DDevice9* d = Headless().device();
  LitMesh mesh(d);
  IDirect3DStateBlock9* saved = nullptr;
  d->CreateStateBlock(D3DSBT_ALL, &saved);
  mesh.Bind(d);
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  mesh.Draw(d);
  glFinish();
  for (auto _ : state) {
    mesh.Draw(d);
    glFinish();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["triangles/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * mesh.triangleCount,
      benchmark::Counter::kIsRate);
  saved->Apply();
  saved->Release();
}
BENCHMARK(BM_LitMeshDraw)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ApplyAllStateBlock(benchmark::State& state) {
  IDirect3DDevice9* d = Headless().device();
  LitMesh mesh(d);
  mesh.Bind(d);
  IDirect3DStateBlock9* block = nullptr;
  d->CreateStateBlock(D3DSBT_ALL, &block);
  for (auto _ : state) block->Apply();
  state.SetItemsProcessed(state.iterations());
  block->Release();
}
BENCHMARK(BM_ApplyAllStateBlock)->Unit(benchmark::kNanosecond);

// Apply followed by a one-triangle draw. With the state unchanged (the
// save/restore pattern) the draw finds nothing to redo; alternating two
// blocks that differ in blend, depth, fill, stage, sampler, transform and
// texture state prices the re-translation at the next draw.
void BM_ApplyAllStateBlockThenDraw(benchmark::State& state) {
  IDirect3DDevice9* d = Headless().device();
  LitMesh mesh(d);
  mesh.Bind(d);
  IDirect3DStateBlock9* first = nullptr;
  IDirect3DStateBlock9* second = nullptr;
  d->CreateStateBlock(D3DSBT_ALL, &first);
  bool alternate = state.range(0) != 0;
  if (alternate) {
    D3DMATRIX world = Identity();
    world._41 = 0.5f;
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVBLENDFACTOR);
    d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    d->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0x40000);
    d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d->SetTexture(0, nullptr);
  }
  d->CreateStateBlock(D3DSBT_ALL, &second);
  int64_t i = 0;
  for (auto _ : state) {
    ((i++ & 1) ? second : first)->Apply();
    d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, mesh.vertexCount, 0, 1);
  }
  glFinish();
  state.SetItemsProcessed(state.iterations());
  first->Apply();
  first->Release();
  second->Release();
}
BENCHMARK(BM_ApplyAllStateBlockThenDraw)
    ->ArgName("alternating")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kNanosecond);

struct ScreenVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};

void BM_FullScreenBlendedQuads(benchmark::State& state) {
  IDirect3DDevice9* d = Headless().device();
  LitMesh mesh(d);  // for its texture
  IDirect3DStateBlock9* saved = nullptr;
  d->CreateStateBlock(D3DSBT_ALL, &saved);
  const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
  ScreenVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0xC0FFFFFF, 0, 0},
                          {799.5f, -0.5f, 0, 1, 0xC0FFFFFF, 1, 0},
                          {-0.5f, 599.5f, 0, 1, 0xC0FFFFFF, 0, 1},
                          {799.5f, 599.5f, 0, 1, 0xC0FFFFFF, 1, 1}};
  IDirect3DVertexBuffer9* vb = nullptr;
  d->CreateVertexBuffer(sizeof quad, 0, fvf, D3DPOOL_DEFAULT, &vb, nullptr);
  void* bits = nullptr;
  vb->Lock(0, 0, &bits, 0);
  std::copy(quad, quad + 4, static_cast<ScreenVertex*>(bits));
  vb->Unlock();
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetTexture(0, mesh.texture);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetFVF(fvf);
  d->SetStreamSource(0, vb, 0, sizeof(ScreenVertex));
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  glFinish();
  for (auto _ : state) {
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    glFinish();
  }
  state.SetItemsProcessed(state.iterations());
  saved->Apply();
  saved->Release();
  vb->Release();
}
BENCHMARK(BM_FullScreenBlendedQuads)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// A frame shaped like the show's: clear, state-block apply, a lit mesh, a
// blended full-screen quad drawn with DrawPrimitiveUP, present. Reports
// heap allocations per frame after a warm-up.
void BM_FrameAllocations(benchmark::State& state) {
  IDirect3DDevice9* d = Headless().device();
  LitMesh mesh(d);
  IDirect3DStateBlock9* saved = nullptr;
  d->CreateStateBlock(D3DSBT_ALL, &saved);
  ScreenVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0x40FFFFFF, 0, 0},
                          {799.5f, -0.5f, 0, 1, 0x40FFFFFF, 1, 0},
                          {-0.5f, 599.5f, 0, 1, 0x40FFFFFF, 0, 1},
                          {799.5f, 599.5f, 0, 1, 0x40FFFFFF, 1, 1}};
  auto frame = [&] {
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    d->BeginScene();
    saved->Apply();
    mesh.Bind(d);
    mesh.Draw(d);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    d->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof quad[0]);
    d->EndScene();
    d->Present(nullptr, nullptr, nullptr, nullptr);
  };
  for (int i = 0; i < 10; ++i) frame();  // warm-up: programs, buffers
  uint64_t before = allocations.load();
  int64_t frames = 0;
  for (auto _ : state) {
    frame();
    ++frames;
  }
  state.counters["allocs/frame"] =
      static_cast<double>(allocations.load() - before) /
      static_cast<double>(frames);
  saved->Apply();
  saved->Release();
}
BENCHMARK(BM_FrameAllocations)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!Headless().ok()) {
    std::fprintf(stderr, "no device: %s\n", Headless().error().c_str());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
