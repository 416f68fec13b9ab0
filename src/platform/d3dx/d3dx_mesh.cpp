#include "platform/d3dx/d3dx_mesh.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <unordered_map>

#include "platform/d3dx/d3dx_buffer.h"
#include "platform/d3dx/last_error.h"
#include "platform/system/fault_injection.h"

namespace {

// Locks a device buffer for the scope.
template <typename Buffer>
class ScopedLock {
 public:
  ScopedLock(Buffer* buffer, DWORD flags) : buffer_(buffer) {
    if (FAILED(buffer_->Lock(0, 0, &data_, flags))) data_ = nullptr;
  }
  ~ScopedLock() {
    if (data_) buffer_->Unlock();
  }
  uint8_t* data() const { return static_cast<uint8_t*>(data_); }

 private:
  Buffer* buffer_;
  void* data_ = nullptr;
};

}  // namespace

HRESULT D3DXMeshImpl::Create(DWORD numFaces, DWORD numVertices, DWORD options,
                             DWORD fvf, IDirect3DDevice9* device,
                             D3DXMeshImpl** out) {
  *out = nullptr;
  if (!device || numFaces == 0 || numVertices == 0)
    return D3DXFail(D3DERR_INVALIDCALL,
                    "mesh needs a device, faces and vertices");
  const FvfLayout layout = GetFvfLayout(fvf);
  if (layout.stride == 0)
    return D3DXFail(D3DERR_INVALIDCALL, "unsupported vertex format");
  const bool index32 = (options & D3DXMESH_32BIT) || numVertices > 0xFFFF;
  const uint64_t vbBytes = uint64_t(numVertices) * layout.stride;
  const uint64_t ibBytes = uint64_t(numFaces) * 3 * (index32 ? 4 : 2);
  if (vbBytes > 0x7FFFFFFF || ibBytes > 0x7FFFFFFF)
    return D3DXFail(E_OUTOFMEMORY, "mesh too large");
  auto* mesh = new (std::nothrow) D3DXMeshImpl();
  if (!mesh) return E_OUTOFMEMORY;
  mesh->device = device;
  device->AddRef();
  mesh->numFaces = numFaces;
  mesh->numVertices = numVertices;
  mesh->options = (options & ~D3DXMESH_32BIT) | (index32 ? D3DXMESH_32BIT : 0);
  mesh->fvf = fvf;
  mesh->index32 = index32;
  mesh->layout = layout;
  HRESULT hr =
      device->CreateVertexBuffer(static_cast<UINT>(vbBytes), 0, fvf,
                                 D3DPOOL_MANAGED, &mesh->vertexBuffer, nullptr);
  if (SUCCEEDED(hr))
    hr =
        device->CreateIndexBuffer(static_cast<UINT>(ibBytes), 0,
                                  index32 ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                  D3DPOOL_MANAGED, &mesh->indexBuffer, nullptr);
  if (FAILED(hr)) {
    mesh->Release();
    return D3DXFail(hr, "device could not create the mesh buffers");
  }
  try {
    mesh->attributes.assign(numFaces, 0);
  } catch (const std::bad_alloc&) {
    mesh->Release();
    return E_OUTOFMEMORY;
  }
  *out = mesh;
  return S_OK;
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options,
                          DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh) {
  if (!mesh) return D3DERR_INVALIDCALL;
  D3DXMeshImpl* impl = nullptr;
  HRESULT hr =
      D3DXMeshImpl::Create(numFaces, numVertices, options, fvf, device, &impl);
  *mesh = impl;
  return hr;
}

D3DXMeshImpl::~D3DXMeshImpl() {
  if (vertexBuffer) vertexBuffer->Release();
  if (indexBuffer) indexBuffer->Release();
  if (device) device->Release();
}

ULONG D3DXMeshImpl::Release() {
  const ULONG left = --refs;
  if (left == 0) delete this;
  return left;
}

HRESULT D3DXMeshImpl::DrawSubset(DWORD attribId) {
  HRESULT hr = device->SetFVF(fvf);
  if (SUCCEEDED(hr))
    hr = device->SetStreamSource(0, vertexBuffer, 0, layout.stride);
  if (SUCCEEDED(hr)) hr = device->SetIndices(indexBuffer);
  if (FAILED(hr)) return hr;
  if (!attributeTable.empty()) {
    for (const auto& range : attributeTable) {
      if (range.AttribId != attribId || range.FaceCount == 0) continue;
      hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0,
                                        range.VertexStart, range.VertexCount,
                                        range.FaceStart * 3, range.FaceCount);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  }
  // No table yet: draw each run of faces carrying the attribute.
  for (DWORD f = 0; f < numFaces;) {
    if (attributes[f] != attribId) {
      ++f;
      continue;
    }
    DWORD end = f;
    while (end < numFaces && attributes[end] == attribId) ++end;
    hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, numVertices,
                                      f * 3, end - f);
    if (FAILED(hr)) return hr;
    f = end;
  }
  return S_OK;
}

HRESULT D3DXMeshImpl::GetDevice(IDirect3DDevice9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  device->AddRef();
  *out = device;
  return S_OK;
}

HRESULT D3DXMeshImpl::GetVertexBuffer(IDirect3DVertexBuffer9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  vertexBuffer->AddRef();
  *out = vertexBuffer;
  return S_OK;
}

HRESULT D3DXMeshImpl::GetIndexBuffer(IDirect3DIndexBuffer9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  indexBuffer->AddRef();
  *out = indexBuffer;
  return S_OK;
}

HRESULT D3DXMeshImpl::LockVertexBuffer(DWORD flags, void** data) {
  return vertexBuffer->Lock(0, 0, data, flags);
}
HRESULT D3DXMeshImpl::UnlockVertexBuffer() { return vertexBuffer->Unlock(); }
HRESULT D3DXMeshImpl::LockIndexBuffer(DWORD flags, void** data) {
  return indexBuffer->Lock(0, 0, data, flags);
}
HRESULT D3DXMeshImpl::UnlockIndexBuffer() { return indexBuffer->Unlock(); }

HRESULT D3DXMeshImpl::LockAttributeBuffer(DWORD, DWORD** data) {
  if (!data) return D3DERR_INVALIDCALL;
  // The table stays as it is until the next optimisation, as in Direct3D.
  *data = attributes.data();
  return S_OK;
}
HRESULT D3DXMeshImpl::UnlockAttributeBuffer() { return S_OK; }

HRESULT D3DXMeshImpl::GetAttributeTable(D3DXATTRIBUTERANGE* table,
                                        DWORD* tableSize) {
  if (!tableSize) return D3DERR_INVALIDCALL;
  if (table) std::copy(attributeTable.begin(), attributeTable.end(), table);
  *tableSize = static_cast<DWORD>(attributeTable.size());
  return S_OK;
}

std::vector<uint32_t> D3DXMeshImpl::ReadIndices() {
  std::vector<uint32_t> out(size_t(numFaces) * 3);
  ScopedLock<IDirect3DIndexBuffer9> lock(indexBuffer, D3DLOCK_READONLY);
  if (!lock.data()) return {};
  if (index32) {
    std::memcpy(out.data(), lock.data(), out.size() * 4);
  } else {
    const auto* src = reinterpret_cast<const uint16_t*>(lock.data());
    for (size_t i = 0; i < out.size(); ++i) out[i] = src[i];
  }
  return out;
}

HRESULT D3DXMeshImpl::WriteIndices(const std::vector<uint32_t>& indices) {
  if (indices.size() != size_t(numFaces) * 3) return D3DERR_INVALIDCALL;
  ScopedLock<IDirect3DIndexBuffer9> lock(indexBuffer, 0);
  if (!lock.data()) return D3DERR_INVALIDCALL;
  if (index32) {
    std::memcpy(lock.data(), indices.data(), indices.size() * 4);
  } else {
    auto* dst = reinterpret_cast<uint16_t*>(lock.data());
    for (size_t i = 0; i < indices.size(); ++i)
      dst[i] = static_cast<uint16_t>(indices[i]);
  }
  return S_OK;
}

void D3DXMeshImpl::BuildAttributeTable(const std::vector<uint32_t>& indices) {
  attributeTable.clear();
  for (DWORD f = 0; f < numFaces;) {
    DWORD end = f;
    uint32_t lo = UINT32_MAX, hi = 0;
    while (end < numFaces && attributes[end] == attributes[f]) {
      for (int k = 0; k < 3; ++k) {
        lo = std::min(lo, indices[3 * end + k]);
        hi = std::max(hi, indices[3 * end + k]);
      }
      ++end;
    }
    attributeTable.push_back({attributes[f], f, end - f, lo, hi - lo + 1});
    f = end;
  }
}

HRESULT D3DXMeshImpl::SortByAttribute(std::vector<uint32_t>* faceRemap) {
  std::vector<uint32_t> order(numFaces);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return attributes[a] < attributes[b];
  });
  std::vector<uint32_t> indices = ReadIndices(), sorted(indices.size());
  if (indices.empty()) return D3DERR_INVALIDCALL;
  std::vector<DWORD> attribs(numFaces);
  for (DWORD f = 0; f < numFaces; ++f) {
    for (int k = 0; k < 3; ++k) sorted[3 * f + k] = indices[3 * order[f] + k];
    attribs[f] = attributes[order[f]];
  }
  attributes = attribs;
  HRESULT hr = WriteIndices(sorted);
  if (FAILED(hr)) return hr;
  BuildAttributeTable(sorted);
  if (faceRemap) *faceRemap = order;
  return S_OK;
}

HRESULT D3DXMeshImpl::ReplaceVertexBuffer(DWORD count,
                                          IDirect3DVertexBuffer9** vb) {
  return device->CreateVertexBuffer(count * layout.stride, 0, fvf,
                                    D3DPOOL_MANAGED, vb, nullptr);
}

HRESULT D3DXMeshImpl::OptimizeInplace(DWORD flags, const DWORD*,
                                      DWORD* adjacencyOut, DWORD* faceRemap,
                                      ID3DXBuffer** vertexRemap) {
  if (vertexRemap) *vertexRemap = nullptr;
  // A failure part way leaves a consistent mesh (faces sorted or not,
  // vertices compacted or not): callers may go on drawing it.
  InjectionScope scope("OptimizeInplace");
  try {
    std::vector<uint32_t> order(numFaces);
    std::iota(order.begin(), order.end(), 0u);
    if (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE)) {
      HRESULT hr = SortByAttribute(&order);
      if (FAILED(hr)) return hr;
    }
    std::vector<uint32_t> indices = ReadIndices();
    if (indices.empty()) return D3DERR_INVALIDCALL;
    if (flags & D3DXMESHOPT_VERTEXCACHE) {
      // Reorder the faces of each subset for the post-transform cache; a
      // face keeps its attribute because groups are optimised separately.
      for (const auto& range : attributeTable) {
        uint32_t* group = indices.data() + size_t(range.FaceStart) * 3;
        const size_t count = size_t(range.FaceCount) * 3;
        std::vector<uint32_t> before(group, group + count), after(count);
        meshopt_optimizeVertexCache(after.data(), before.data(), count,
                                    numVertices);
        std::copy(after.begin(), after.end(), group);
        // Follow the faces through meshoptimizer's reordering.
        std::unordered_multimap<uint64_t, uint32_t> where;
        for (uint32_t f = 0; f < range.FaceCount; ++f) {
          const uint64_t key = (uint64_t(before[3 * f]) << 42) ^
                               (uint64_t(before[3 * f + 1]) << 21) ^
                               before[3 * f + 2];
          where.emplace(key, order[range.FaceStart + f]);
        }
        for (uint32_t f = 0; f < range.FaceCount; ++f) {
          // meshoptimizer may rotate a face's corners; find it by any
          // rotation.
          const uint32_t a = after[3 * f], b = after[3 * f + 1],
                         c = after[3 * f + 2];
          const uint64_t keys[3] = {
              (uint64_t(a) << 42) ^ (uint64_t(b) << 21) ^ c,
              (uint64_t(b) << 42) ^ (uint64_t(c) << 21) ^ a,
              (uint64_t(c) << 42) ^ (uint64_t(a) << 21) ^ b};
          for (uint64_t key : keys) {
            auto it = where.find(key);
            if (it != where.end()) {
              order[range.FaceStart + f] = it->second;
              where.erase(it);
              break;
            }
          }
        }
      }
    }
    std::vector<uint32_t> oldOfNew(numVertices);
    std::iota(oldOfNew.begin(), oldOfNew.end(), 0u);
    if (flags & (D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE)) {
      // Vertices in order of first use; unused ones dropped.
      std::vector<uint32_t> remap(numVertices);
      const size_t used = meshopt_optimizeVertexFetchRemap(
          remap.data(), indices.data(), indices.size(), numVertices);
      if (used == 0) return D3DERR_INVALIDCALL;
      oldOfNew.assign(used, 0);
      for (uint32_t v = 0; v < numVertices; ++v)
        if (remap[v] != ~0u) oldOfNew[remap[v]] = v;
      for (uint32_t& i : indices) i = remap[i];
      IDirect3DVertexBuffer9* fresh = nullptr;
      HRESULT hr = ReplaceVertexBuffer(static_cast<DWORD>(used), &fresh);
      if (FAILED(hr)) return hr;
      {
        ScopedLock<IDirect3DVertexBuffer9> src(vertexBuffer, D3DLOCK_READONLY);
        ScopedLock<IDirect3DVertexBuffer9> dst(fresh, 0);
        if (!src.data() || !dst.data()) {
          fresh->Release();
          return D3DERR_INVALIDCALL;
        }
        for (size_t v = 0; v < used; ++v)
          std::memcpy(dst.data() + v * layout.stride,
                      src.data() + size_t(oldOfNew[v]) * layout.stride,
                      layout.stride);
      }
      vertexBuffer->Release();
      vertexBuffer = fresh;
      numVertices = static_cast<DWORD>(used);
    }
    HRESULT hr = WriteIndices(indices);
    if (FAILED(hr)) return hr;
    BuildAttributeTable(indices);
    if (faceRemap) std::copy(order.begin(), order.end(), faceRemap);
    if (vertexRemap)
      *vertexRemap = MakeD3DXBuffer(oldOfNew.data(), oldOfNew.size() * 4);
    if (adjacencyOut) return GenerateAdjacency(0.0f, adjacencyOut);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT D3DXMeshImpl::GenerateAdjacency(float, DWORD* adjacency) {
  if (!adjacency) return D3DERR_INVALIDCALL;
  // Vertices at the same position count as one point (epsilon 0).
  std::vector<uint32_t> point(numVertices);
  {
    ScopedLock<IDirect3DVertexBuffer9> lock(vertexBuffer, D3DLOCK_READONLY);
    if (!lock.data()) return D3DERR_INVALIDCALL;
    std::unordered_map<std::string, uint32_t> first;
    for (uint32_t v = 0; v < numVertices; ++v) {
      std::string key(reinterpret_cast<const char*>(lock.data()) +
                          size_t(v) * layout.stride + layout.position,
                      12);
      point[v] = first.emplace(key, v).first->second;
    }
  }
  const std::vector<uint32_t> indices = ReadIndices();
  std::unordered_map<uint64_t, uint32_t> edgeFace;
  for (uint32_t f = 0; f < numFaces; ++f)
    for (int k = 0; k < 3; ++k) {
      const uint64_t a = point[indices[3 * f + k]],
                     b = point[indices[3 * f + (k + 1) % 3]];
      edgeFace.emplace((a << 32) | b, f);
    }
  for (uint32_t f = 0; f < numFaces; ++f)
    for (int k = 0; k < 3; ++k) {
      const uint64_t a = point[indices[3 * f + k]],
                     b = point[indices[3 * f + (k + 1) % 3]];
      auto it = edgeFace.find((b << 32) | a);
      adjacency[3 * f + k] =
          (it != edgeFace.end() && it->second != f) ? it->second : 0xFFFFFFFFu;
    }
  return S_OK;
}

HRESULT D3DXMeshImpl::CloneMeshFVF(DWORD cloneOptions, DWORD cloneFvf,
                                   IDirect3DDevice9* cloneDevice,
                                   ID3DXMesh** cloneMesh) {
  if (!cloneMesh) return D3DERR_INVALIDCALL;
  *cloneMesh = nullptr;
  if (InjectedFailure("CloneMeshFVF")) return E_OUTOFMEMORY;
  D3DXMeshImpl* copy = nullptr;
  HRESULT hr =
      Create(numFaces, numVertices, cloneOptions | (options & D3DXMESH_32BIT),
             cloneFvf, cloneDevice ? cloneDevice : device, &copy);
  if (FAILED(hr)) return hr;
  const FvfLayout& to = copy->layout;
  {
    ScopedLock<IDirect3DVertexBuffer9> src(vertexBuffer, D3DLOCK_READONLY);
    ScopedLock<IDirect3DVertexBuffer9> dst(copy->vertexBuffer, 0);
    if (!src.data() || !dst.data()) {
      copy->Release();
      return D3DERR_INVALIDCALL;
    }
    std::memset(dst.data(), 0, size_t(numVertices) * to.stride);
    auto part = [&](int from, int into, size_t bytes) {
      if (from < 0 || into < 0) return;
      for (DWORD v = 0; v < numVertices; ++v)
        std::memcpy(dst.data() + size_t(v) * to.stride + into,
                    src.data() + size_t(v) * layout.stride + from, bytes);
    };
    part(layout.position, to.position,
         4 * std::min(layout.positionSize, to.positionSize));
    part(layout.weights, to.weights,
         4 * std::min(layout.weightCount, to.weightCount));
    part(layout.normal, to.normal, 12);
    part(layout.pointSize, to.pointSize, 4);
    part(layout.diffuse, to.diffuse, 4);
    part(layout.specular, to.specular, 4);
    // Each coordinate set the two formats share, as many floats as both
    // have.
    for (int set = 0; set < std::min(layout.texCoordCount, to.texCoordCount);
         ++set) {
      part(layout.texCoord[set], to.texCoord[set],
           4 * std::min(layout.texCoordSize[set], to.texCoordSize[set]));
    }
    if (to.diffuse >= 0 && layout.diffuse < 0) {
      // A colour the source lacks reads as opaque white.
      for (DWORD v = 0; v < numVertices; ++v) {
        const uint32_t white = 0xFFFFFFFFu;
        std::memcpy(dst.data() + size_t(v) * to.stride + to.diffuse, &white, 4);
      }
    }
  }
  hr = copy->WriteIndices(ReadIndices());
  if (FAILED(hr)) {
    copy->Release();
    return hr;
  }
  copy->attributes = attributes;
  copy->attributeTable = attributeTable;
  *cloneMesh = copy;
  return S_OK;
}
