#include "toolkit/screen_quad.h"

#include "toolkit/camera.h"
#include "toolkit/device_settings.h"
#include "toolkit/expect_ok.h"

namespace {

constexpr UINT kVertexCount = 6;
constexpr UINT kVertexBytes = kVertexCount * sizeof(TexVertex);  // 120
constexpr UINT kIndexBytes = kVertexCount * sizeof(uint32_t);    // 24

// What the quad draws with: no culling or depth, solid, unlit, stage 0
// showing the texture alone.
constexpr DeviceSetting kQuadStates[] = {
    RenderState(D3DRS_CULLMODE, D3DCULL_NONE),
    RenderState(D3DRS_ZENABLE, D3DZB_FALSE),
    RenderState(D3DRS_ZFUNC, D3DCMP_LESS),
    RenderState(D3DRS_ZWRITEENABLE, FALSE),
    RenderState(D3DRS_FILLMODE, D3DFILL_SOLID),
    RenderState(D3DRS_LIGHTING, FALSE),
    StageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1),
    StageState(D3DTSS_COLORARG1, D3DTA_TEXTURE),
    StageState(D3DTSS_TEXCOORDINDEX, 0),
};

}  // namespace

HRESULT ScreenQuad::Init(IDirect3DDevice9* device_) {
  device = device_;
  HRESULT hr = device->CreateVertexBuffer(kVertexBytes, D3DUSAGE_WRITEONLY,
                                          kTexVertexFvf, D3DPOOL_DEFAULT,
                                          vertexBuffer.Receive(), nullptr);
  if (FAILED(hr)) return hr;
  void* data = nullptr;
  // A buffer made a moment ago that cannot be locked means a broken
  // device; the quad cannot be filled, so start-up fails.
  hr = vertexBuffer->Lock(0, 0, &data, 0);
  if (!QUORBEL_EXPECT_OK(hr)) return hr;
  // A 20 x 20 square in the z = 0 plane; u runs against x because the
  // camera looks down -z, so the image shows upright and unmirrored.
  TexVertex* vertices = static_cast<TexVertex*>(data);
  SetTexVertex(vertices, 0, 0, 0, 0, 1, 1);
  SetTexVertex(vertices, 1, 20, 0, 0, 0, 1);
  SetTexVertex(vertices, 2, 0, 20, 0, 1, 0);
  SetTexVertex(vertices, 3, 0, 20, 0, 1, 0);
  SetTexVertex(vertices, 4, 20, 20, 0, 0, 0);
  SetTexVertex(vertices, 5, 20, 0, 0, 0, 1);
  vertexBuffer->Unlock();

  hr = device->CreateIndexBuffer(kIndexBytes, D3DUSAGE_WRITEONLY,
                                 D3DFMT_INDEX32, D3DPOOL_DEFAULT,
                                 indexBuffer.Receive(), nullptr);
  if (FAILED(hr)) return hr;
  hr = indexBuffer->Lock(0, 0, &data, 0);
  if (!QUORBEL_EXPECT_OK(hr)) return hr;
  uint32_t* indices = static_cast<uint32_t*>(data);
  for (uint32_t i = 0; i < kVertexCount; ++i) indices[i] = i;
  indexBuffer->Unlock();

  SetupMatrices();
  return device->CreateStateBlock(D3DSBT_ALL, stateBlock.Receive());
}

void ScreenQuad::SetupMatrices() {
  view = ViewMatrix({0.0f, 0.0f, 6.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  // The field of view is 90 taken as radians, not degrees: cot(45) makes the
  // 20-unit quad at 6 units overfill the target by about 2.9 % each way,
  // which is part of the glow's look. Deliberate; do not "fix" it to pi/2.
  projection = ProjectionMatrix({90.0f, 1.0f, 1.0f, 90000.0f});
  D3DXMatrixTranslation(&world, -10.0f, -10.0f, 0.0f);
}

HRESULT ScreenQuad::Draw(IDirect3DTexture9* texture) {
  // Bound before the capture, so the texture stays set afterwards.
  if (texture) device->SetTexture(0, texture);
  stateBlock->Capture();
  ApplySettings(device, kQuadStates);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetStreamSource(0, vertexBuffer.get(), 0, sizeof(TexVertex));
  device->SetIndices(indexBuffer.get());
  device->SetFVF(kTexVertexFvf);
  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kVertexCount, 0, 2);
  return stateBlock->Apply();
}

void ScreenQuad::Release() {
  vertexBuffer.Reset();
  indexBuffer.Reset();
  stateBlock.Reset();
}
