#include "toolkit/screen_quad.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT kVertexCount = 6;
constexpr UINT kVertexBytes = kVertexCount * sizeof(TexVertex);  // 120
constexpr UINT kIndexBytes = kVertexCount * sizeof(uint32_t);    // 24

// A lock of a buffer created a moment before cannot fail unless the device
// is broken; there is nothing sensible to draw then.
void ExpectLocked(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    std::fprintf(stderr, "ScreenQuad: lock of the %s failed: %08x\n", what,
                 static_cast<unsigned>(hr));
    std::abort();
  }
}

}  // namespace

HRESULT ScreenQuad::Init(IDirect3DDevice9* device_) {
  device = device_;
  HRESULT hr = device->CreateVertexBuffer(kVertexBytes, D3DUSAGE_WRITEONLY,
                                          kTexVertexFvf, D3DPOOL_DEFAULT,
                                          &vertexBuffer, nullptr);
  if (FAILED(hr)) return hr;
  void* data = nullptr;
  ExpectLocked(vertexBuffer->Lock(0, 0, &data, 0), "vertex buffer");
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

  hr =
      device->CreateIndexBuffer(kIndexBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX32,
                                D3DPOOL_DEFAULT, &indexBuffer, nullptr);
  if (FAILED(hr)) return hr;
  ExpectLocked(indexBuffer->Lock(0, 0, &data, 0), "index buffer");
  uint32_t* indices = static_cast<uint32_t*>(data);
  for (uint32_t i = 0; i < kVertexCount; ++i) indices[i] = i;
  indexBuffer->Unlock();

  SetupMatrices();
  return device->CreateStateBlock(D3DSBT_ALL, &stateBlock);
}

void ScreenQuad::SetupMatrices() {
  const D3DXVECTOR3 eye(0.0f, 0.0f, 6.0f);
  const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  // The field of view is 90 taken as radians, not degrees: cot(45) makes the
  // 20-unit quad at 6 units overfill the target by about 2.9 % each way,
  // which is part of the glow's look.
  D3DXMatrixPerspectiveFovLH(&projection, 90.0f, 1.0f, 1.0f, 90000.0f);
  D3DXMatrixTranslation(&world, -10.0f, -10.0f, 0.0f);
}

HRESULT ScreenQuad::Draw(IDirect3DTexture9* texture) {
  // Bound before the capture, so the texture stays set afterwards.
  if (texture) device->SetTexture(0, texture);
  stateBlock->Capture();
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  device->SetTransform(D3DTS_VIEW, &view);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetStreamSource(0, vertexBuffer, 0, sizeof(TexVertex));
  device->SetIndices(indexBuffer);
  device->SetFVF(kTexVertexFvf);
  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kVertexCount, 0, 2);
  return stateBlock->Apply();
}

void ScreenQuad::Release() {
  if (vertexBuffer) {
    vertexBuffer->Release();
    vertexBuffer = nullptr;
  }
  if (indexBuffer) {
    indexBuffer->Release();
    indexBuffer = nullptr;
  }
  if (stateBlock) {
    stateBlock->Release();
    stateBlock = nullptr;
  }
}
