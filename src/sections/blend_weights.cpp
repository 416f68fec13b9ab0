#include "sections/blend_weights.h"

#include <cmath>

namespace {

constexpr DWORD kBlendVertexBytes = 36;
constexpr UINT kStrideFloats = kBlendVertexBytes / sizeof(float);
constexpr UINT kWeightOffsetFloats = 3;  // after x, y, z

}  // namespace

HRESULT PrepareBlendWeights(MeshObject& mesh, BlendMeasure measure) {
  HRESULT hr = mesh.CloneToFVF(kBlendFvf);
  if (FAILED(hr)) return hr;
  if (mesh.mesh->GetNumBytesPerVertex() != kBlendVertexBytes) return E_FAIL;
  float* vertices = static_cast<float*>(mesh.LockVertices());
  if (!vertices) {
    mesh.UnlockVertices();
    return E_FAIL;
  }
  const uint32_t count = mesh.vertexCount;
  float lowest = 1e10f;
  float highest = -1e10f;
  for (uint32_t i = 0; i < count; ++i) {
    const float m = measure(vertices + i * kStrideFloats);
    if (m < lowest) lowest = m;
    if (m > highest) highest = m;
  }
  const float range = highest - lowest;
  for (uint32_t i = 0; i < count; ++i) {
    float* vertex = vertices + i * kStrideFloats;
    const float u = range > 0.0f ? (measure(vertex) - lowest) / range : 0.0f;
    vertex[kWeightOffsetFloats] =
        static_cast<float>(1.0 - 0.25 * std::sin(3.1415927 * u));
  }
  mesh.UnlockVertices();
  return S_OK;
}
