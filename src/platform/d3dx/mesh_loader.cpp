// D3DXLoadMeshFromXInMemory / FromXResource: the .x reader's merged mesh
// put into a device mesh with faces sorted by material, the material
// buffer (D3DXMATERIAL array followed by the texture names it points to)
// and the adjacency.
#include <cstring>
#include <new>

#include "platform/d3dx/d3dx_buffer.h"
#include "platform/d3dx/d3dx_mesh.h"
#include "platform/d3dx/last_error.h"
#include "platform/d3dx/xfile_model.h"
#include "platform/system/embedded_resources.h"
#include "platform/system/fault_injection.h"

namespace {

D3DMATERIAL9 ToD3D(const XMaterial& m) {
  D3DMATERIAL9 d{};
  d.Diffuse = m.faceColor;
  d.Ambient = {0, 0, 0, 1};  // the file has no ambient colour
  d.Specular = m.specularColor;
  d.Emissive = m.emissiveColor;
  d.Power = m.power;
  return d;
}

ID3DXBuffer* MaterialBuffer(const XMeshData& x) {
  std::vector<D3DXMATERIAL> materials;
  std::vector<std::string> names;
  if (x.materials.empty()) {
    // Grey, transparent diffuse and grey specular: the loader's default.
    D3DXMATERIAL m{};
    m.MatD3D.Diffuse = {0.5f, 0.5f, 0.5f, 0.0f};
    m.MatD3D.Specular = {0.5f, 0.5f, 0.5f, 0.0f};
    materials.push_back(m);
    names.emplace_back();
  } else {
    for (const XMaterial& xm : x.materials) {
      materials.push_back({ToD3D(xm), nullptr});
      names.push_back(xm.textureFilename);
    }
  }
  size_t size = materials.size() * sizeof(D3DXMATERIAL);
  for (const auto& n : names)
    if (!n.empty()) size += n.size() + 1;
  auto* buffer = new (std::nothrow) D3DXBuffer(size);
  if (!buffer) return nullptr;
  auto* base = static_cast<uint8_t*>(buffer->GetBufferPointer());
  char* text =
      reinterpret_cast<char*>(base + materials.size() * sizeof(D3DXMATERIAL));
  for (size_t i = 0; i < materials.size(); ++i) {
    if (!names[i].empty()) {
      std::memcpy(text, names[i].c_str(), names[i].size() + 1);
      materials[i].pTextureFilename = text;
      text += names[i].size() + 1;
    }
  }
  std::memcpy(base, materials.data(), materials.size() * sizeof(D3DXMATERIAL));
  return buffer;
}

HRESULT BuildMesh(const XMeshData& x, DWORD options, IDirect3DDevice9* device,
                  D3DXMeshImpl** out) {
  DWORD fvf = D3DFVF_XYZ;
  if (!x.normals.empty()) fvf |= D3DFVF_NORMAL;
  if (!x.texcoords.empty()) fvf |= D3DFVF_TEX1;
  const DWORD faces = static_cast<DWORD>(x.indices.size() / 3);
  const DWORD vertices = static_cast<DWORD>(x.positions.size());
  D3DXMeshImpl* mesh = nullptr;
  HRESULT hr =
      D3DXMeshImpl::Create(faces, vertices, options, fvf, device, &mesh);
  if (FAILED(hr)) return hr;
  const FvfLayout& l = mesh->Layout();
  uint8_t* data = nullptr;
  hr = mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&data));
  if (FAILED(hr)) {
    mesh->Release();
    return hr;
  }
  for (DWORD v = 0; v < vertices; ++v) {
    uint8_t* p = data + size_t(v) * l.stride;
    std::memcpy(p + l.position, &x.positions[v], 12);
    if (l.normal >= 0) std::memcpy(p + l.normal, &x.normals[v], 12);
    if (l.texCoord[0] >= 0)
      std::memcpy(p + l.texCoord[0], &x.texcoords[2 * v], 8);
  }
  mesh->UnlockVertexBuffer();
  DWORD* attributes = nullptr;
  mesh->LockAttributeBuffer(0, &attributes);
  std::memcpy(attributes, x.faceMaterials.data(), faces * sizeof(DWORD));
  mesh->UnlockAttributeBuffer();
  hr = mesh->WriteIndices(x.indices);
  if (SUCCEEDED(hr)) hr = mesh->SortByAttribute(nullptr);
  if (FAILED(hr)) {
    mesh->Release();
    return hr;
  }
  *out = mesh;
  return S_OK;
}

}  // namespace

HRESULT D3DXLoadMeshFromXInMemory(const void* data, DWORD size, DWORD options,
                                  IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency,
                                  ID3DXBuffer** materials,
                                  ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh) {
  if (adjacency) *adjacency = nullptr;
  if (materials) *materials = nullptr;
  if (effectInstances) *effectInstances = nullptr;
  if (!data || size == 0 || !device || !mesh)
    return D3DXFail(D3DERR_INVALIDCALL, "no data, device or mesh pointer");
  *mesh = nullptr;
  XMeshData x;
  std::string reason;
  HRESULT hr = ReadXFile(data, size, &x, &reason);
  if (FAILED(hr)) return D3DXFail(hr, reason);
  D3DXMeshImpl* impl = nullptr;
  hr = BuildMesh(x, options, device, &impl);
  if (FAILED(hr)) return hr;
  ID3DXBuffer* adjacencyBuffer = nullptr;
  ID3DXBuffer* materialBuffer = nullptr;
  if (adjacency) {
    adjacencyBuffer =
        new (std::nothrow) D3DXBuffer(size_t(impl->GetNumFaces()) * 12);
    if (!adjacencyBuffer ||
        FAILED(impl->GenerateAdjacency(
            0.0f, static_cast<DWORD*>(adjacencyBuffer->GetBufferPointer())))) {
      if (adjacencyBuffer) adjacencyBuffer->Release();
      impl->Release();
      return D3DXFail(E_OUTOFMEMORY, "no memory for the adjacency");
    }
  }
  if (materials) {
    materialBuffer = MaterialBuffer(x);
    if (!materialBuffer) {
      if (adjacencyBuffer) adjacencyBuffer->Release();
      impl->Release();
      return D3DXFail(E_OUTOFMEMORY, "no memory for the materials");
    }
  }
  if (numMaterials)
    *numMaterials =
        x.materials.empty() ? 1 : static_cast<DWORD>(x.materials.size());
  if (adjacency) *adjacency = adjacencyBuffer;
  if (materials) *materials = materialBuffer;
  *mesh = impl;
  return S_OK;
}

HRESULT D3DXLoadMeshFromXResource(HMODULE, LPCSTR name, LPCSTR type,
                                  DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency,
                                  ID3DXBuffer** materials,
                                  ID3DXBuffer** effectInstances,
                                  DWORD* numMaterials, ID3DXMesh** mesh) {
  if (mesh) *mesh = nullptr;
  if (InjectedFailure("D3DXLoadMeshFromXResource"))
    return D3DXFail(E_OUTOFMEMORY, "injected failure");
  ResourceType resourceType;
  if (type == RT_RCDATA) {
    resourceType = ResourceType::RcData;
  } else if (type && !IS_INTRESOURCE(type) && strcasecmp(type, "MESH") == 0) {
    resourceType = ResourceType::Mesh;
  } else {
    return D3DXFail(D3DXERR_INVALIDDATA, "unknown resource type");
  }
  if (!IS_INTRESOURCE(name))
    return D3DXFail(D3DXERR_INVALIDDATA, "resources are looked up by number");
  const int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
  ResourceData resource;
  if (!FindEmbeddedResource(resourceType, id, &resource))
    return D3DXFail(D3DXERR_INVALIDDATA,
                    "no mesh resource " + std::to_string(id));
  return D3DXLoadMeshFromXInMemory(
      resource.data, static_cast<DWORD>(resource.size), options, device,
      adjacency, materials, effectInstances, numMaterials, mesh);
}
