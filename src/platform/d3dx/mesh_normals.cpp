// D3DXComputeNormals: each face's unit normal weighted by the corner's
// interior angle, summed per vertex and normalised. Without adjacency a
// vertex sums only the faces that index it, so seams stay sharp.
#include <cmath>
#include <cstring>

#include "platform/d3dx/d3dx9math.h"
#include "platform/d3dx/d3dx_mesh.h"

namespace {

D3DXVECTOR3 Sub(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  return D3DXVECTOR3(a.x - b.x, a.y - b.y, a.z - b.z);
}

float Angle(const D3DXVECTOR3& e1, const D3DXVECTOR3& e2) {
  const float l1 = D3DXVec3Length(&e1), l2 = D3DXVec3Length(&e2);
  if (l1 == 0.0f || l2 == 0.0f) return 0.0f;
  float c = D3DXVec3Dot(&e1, &e2) / (l1 * l2);
  c = c > 1.0f ? 1.0f : (c < -1.0f ? -1.0f : c);
  return acosf(c);
}

}  // namespace

HRESULT D3DXComputeNormals(ID3DXMesh* base, const DWORD*) {
  auto* mesh = static_cast<D3DXMeshImpl*>(base);
  if (!mesh) return D3DERR_INVALIDCALL;
  const FvfLayout& l = mesh->Layout();
  if (l.normal < 0) return D3DERR_INVALIDCALL;
  const std::vector<uint32_t> indices = mesh->ReadIndices();
  const DWORD count = mesh->GetNumVertices();
  uint8_t* data = nullptr;
  HRESULT hr = mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&data));
  if (FAILED(hr)) return hr;
  auto position = [&](uint32_t v) {
    D3DXVECTOR3 p;
    std::memcpy(&p, data + size_t(v) * l.stride + l.position, 12);
    return p;
  };
  std::vector<D3DXVECTOR3> sum(count, D3DXVECTOR3(0, 0, 0));
  for (size_t f = 0; f + 2 < indices.size(); f += 3) {
    const uint32_t v[3] = {indices[f], indices[f + 1], indices[f + 2]};
    const D3DXVECTOR3 p[3] = {position(v[0]), position(v[1]), position(v[2])};
    D3DXVECTOR3 e1 = Sub(p[0], p[1]), e2 = Sub(p[0], p[2]), n;
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    for (int k = 0; k < 3; ++k) {
      const float theta =
          Angle(Sub(p[(k + 1) % 3], p[k]), Sub(p[(k + 2) % 3], p[k]));
      sum[v[k]].x += theta * n.x;
      sum[v[k]].y += theta * n.y;
      sum[v[k]].z += theta * n.z;
    }
  }
  for (DWORD v = 0; v < count; ++v) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &sum[v]);
    std::memcpy(data + size_t(v) * l.stride + l.normal, &n, 12);
  }
  return mesh->UnlockVertexBuffer();
}
