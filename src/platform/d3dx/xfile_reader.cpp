// ReadXFile: header, optional MSZIP inflation, the object tree, then the
// loader's model of one mesh: meshes inside frames merged with their frame
// transforms, faces fanned, vertices split where normals are indexed per
// corner, attribute ids from the material lists.
#include <cmath>
#include <cstring>
#include <new>

#include "platform/d3dx/d3dx9core.h"
#include "platform/d3dx/d3dx9math.h"
#include "platform/d3dx/mszip.h"
#include "platform/d3dx/xfile_model.h"
#include "platform/d3dx/xfile_tree.h"

namespace {

// Bounds on what references may multiply a file into: a handful of
// referenced frames can otherwise instance one mesh millions of times.
constexpr size_t kMaxMeshInstances = 1 << 16;
constexpr size_t kMaxMergedVertices = 1 << 22;
constexpr size_t kMaxMergedIndices = 3 << 22;
constexpr int kMaxFrameDepth = 64;
// Values read across all mesh instances: references may make the reader
// walk one large mesh many times even when it contributes nothing.
constexpr size_t kMaxValuesRead = size_t(1) << 26;

bool IsType(const XObject& o, const char* name) {
  return strcasecmp(o.type.c_str(), name) == 0;
}

// Reads an object's values in order, failing with E_FAIL and a reason.
class ValueCursor {
 public:
  ValueCursor(const XObject& object, const XTree& tree, std::string* reason)
      : object_(object), tree_(tree), reason_(reason) {}

  size_t Remaining() const { return object_.values.size() - next_; }

  bool Count(uint32_t* out, const char* what) {
    if (!Number(what)) return false;
    const XValue& v = object_.values[next_ - 1];
    if (v.number < 0 || v.number > 4294967295.0 ||
        v.number != std::floor(v.number))
      return Fail(std::string(what) + " is not a count");
    *out = static_cast<uint32_t>(v.number);
    return true;
  }

  bool Float(float* out, const char* what) {
    if (!Number(what)) return false;
    *out = static_cast<float>(object_.values[next_ - 1].number);
    // Infinities and NaNs (written out, overflowing a float, or as binary
    // bit patterns) would poison normals and comparisons downstream.
    if (!std::isfinite(*out))
      return Fail(std::string(what) + " is not a finite float");
    return true;
  }

  bool String(std::string* out, const char* what) {
    if (next_ >= object_.values.size() || object_.values[next_].string < 0)
      return Fail(std::string("missing ") + what);
    *out = object_.strings[object_.values[next_++].string];
    return true;
  }

  // A count of items each needing at least minValues values must fit in
  // what is left, so nothing is ever sized by an unchecked count.
  bool Fits(uint64_t count, uint64_t minValues, const char* what) {
    if (count * minValues > Remaining())
      return Fail(std::string(what) + " count larger than the data");
    return true;
  }

  bool Fail(const std::string& message) {
    *reason_ =
        object_.type + " at " + tree_.Where(object_.offset) + ": " + message;
    return false;
  }

 private:
  bool Number(const char* what) {
    if (next_ >= object_.values.size() || object_.values[next_].string >= 0)
      return Fail(std::string("missing ") + what);
    ++next_;
    return true;
  }

  const XObject& object_;
  const XTree& tree_;
  std::string* reason_;
  size_t next_ = 0;
};

// One Mesh object after fanning and splitting, before frame transforms.
struct PieceMesh {
  XMeshData data;
  bool hasMaterialList = false;
};

bool ReadMaterial(const XObject& o, const XTree& tree, XMaterial* m,
                  std::string* reason) {
  ValueCursor c(o, tree, reason);
  float v[11];
  for (float& f : v)
    if (!c.Float(&f, "material colour")) return false;
  if (c.Remaining()) return c.Fail("more than 11 values");
  m->faceColor = {v[0], v[1], v[2], v[3]};
  m->power = v[4];
  m->specularColor = {v[5], v[6], v[7], 1.0f};
  m->emissiveColor = {v[8], v[9], v[10], 1.0f};
  for (const XObject* child : o.children) {
    if (!IsType(*child, "TextureFilename")) continue;
    ValueCursor t(*child, tree, reason);
    if (!t.String(&m->textureFilename, "file name")) return false;
  }
  return true;
}

XMaterial DefaultMaterial() {
  XMaterial m;
  m.faceColor = {0.5f, 0.5f, 0.5f, 0.0f};
  m.specularColor = {0.5f, 0.5f, 0.5f, 0.0f};
  m.emissiveColor = {0.0f, 0.0f, 0.0f, 0.0f};
  return m;
}

// A Mesh object as written: positions, n-gon faces as runs of corners,
// and what its children add per corner, per vertex and per face.
struct WrittenMesh {
  std::vector<D3DVECTOR> positions;
  std::vector<uint32_t> faceStart;  // nFaces + 1 entries into `corners`
  std::vector<uint32_t> corners;    // vertex index per corner
  std::vector<D3DVECTOR> normalList;
  std::vector<uint32_t> cornerNormals;  // normal index per corner
  std::vector<float> uv;                // two per vertex
  std::vector<uint32_t> faceAttribs;    // material per face

  uint32_t faceCount() const {
    return static_cast<uint32_t>(faceStart.size() - 1);
  }
};

bool ReadPositionsAndFaces(ValueCursor& c, WrittenMesh* m) {
  uint32_t nVertices = 0, nFaces = 0;
  if (!c.Count(&nVertices, "vertex count") || !c.Fits(nVertices, 3, "vertex"))
    return false;
  m->positions.resize(nVertices);
  for (auto& p : m->positions)
    if (!c.Float(&p.x, "x") || !c.Float(&p.y, "y") || !c.Float(&p.z, "z"))
      return false;
  if (!c.Count(&nFaces, "face count") || !c.Fits(nFaces, 1, "face"))
    return false;
  m->faceStart.assign(nFaces + 1, 0);
  for (uint32_t f = 0; f < nFaces; ++f) {
    uint32_t n = 0;
    if (!c.Count(&n, "corner count")) return false;
    if (n < 3)
      return c.Fail("face " + std::to_string(f) + " has fewer than 3 corners");
    if (!c.Fits(n, 1, "corner")) return false;
    m->faceStart[f] = static_cast<uint32_t>(m->corners.size());
    for (uint32_t k = 0; k < n; ++k) {
      uint32_t v = 0;
      if (!c.Count(&v, "vertex index")) return false;
      if (v >= nVertices)
        return c.Fail("face " + std::to_string(f) + " uses vertex " +
                      std::to_string(v) + " of " + std::to_string(nVertices));
      m->corners.push_back(v);
    }
  }
  m->faceStart[nFaces] = static_cast<uint32_t>(m->corners.size());
  m->faceAttribs.assign(nFaces, 0);
  return true;
}

// MeshNormals: a list of normals and, per face, one index per corner.
bool ReadMeshNormals(const XObject& o, const XTree& tree, WrittenMesh* m,
                     std::string* reason) {
  ValueCursor nc(o, tree, reason);
  uint32_t nNormals = 0, nFaceNormals = 0;
  if (!nc.Count(&nNormals, "normal count") || !nc.Fits(nNormals, 3, "normal"))
    return false;
  m->normalList.assign(nNormals, D3DVECTOR{});
  for (auto& v : m->normalList)
    if (!nc.Float(&v.x, "x") || !nc.Float(&v.y, "y") || !nc.Float(&v.z, "z"))
      return false;
  if (!nc.Count(&nFaceNormals, "face count")) return false;
  if (nFaceNormals != m->faceCount())
    return nc.Fail("face count differs from the mesh's");
  m->cornerNormals.clear();
  for (uint32_t f = 0; f < m->faceCount(); ++f) {
    uint32_t n = 0;
    if (!nc.Count(&n, "corner count")) return false;
    if (n != m->faceStart[f + 1] - m->faceStart[f])
      return nc.Fail("face " + std::to_string(f) +
                     " has a different corner count");
    for (uint32_t k = 0; k < n; ++k) {
      uint32_t idx = 0;
      if (!nc.Count(&idx, "normal index")) return false;
      if (idx >= nNormals)
        return nc.Fail("normal index " + std::to_string(idx) + " out of range");
      m->cornerNormals.push_back(idx);
    }
  }
  return true;
}

// MeshTextureCoords: one (u, v) per vertex.
bool ReadTextureCoords(const XObject& o, const XTree& tree, WrittenMesh* m,
                       std::string* reason) {
  ValueCursor tc(o, tree, reason);
  uint32_t n = 0;
  if (!tc.Count(&n, "coordinate count")) return false;
  if (n != m->positions.size())
    return tc.Fail("count differs from the vertex count");
  if (!tc.Fits(n, 2, "coordinate")) return false;
  m->uv.assign(size_t(n) * 2, 0.0f);
  for (float& f : m->uv)
    if (!tc.Float(&f, "coordinate")) return false;
  return true;
}

// MeshMaterialList: a material index per face and the materials.
bool ReadMaterialList(const XObject& o, const XTree& tree, WrittenMesh* m,
                      PieceMesh* out, std::string* reason) {
  ValueCursor mc(o, tree, reason);
  uint32_t nMaterials = 0, nIndexes = 0;
  if (!mc.Count(&nMaterials, "material count") ||
      !mc.Count(&nIndexes, "face index count"))
    return false;
  const uint32_t nFaces = m->faceCount();
  if (nIndexes > nFaces) return mc.Fail("more face indexes than faces");
  if (!mc.Fits(nIndexes, 1, "face index")) return false;
  uint32_t last = 0;
  for (uint32_t f = 0; f < nIndexes; ++f) {
    if (!mc.Count(&last, "face index")) return false;
    if (last >= nMaterials)
      return mc.Fail("face " + std::to_string(f) + " uses material " +
                     std::to_string(last) + " of " +
                     std::to_string(nMaterials));
    m->faceAttribs[f] = last;
  }
  // A short list repeats its last index (an empty one means 0).
  for (uint32_t f = nIndexes; f < nFaces; ++f) m->faceAttribs[f] = last;
  XMeshData& d = out->data;
  d.materials.clear();
  for (const XObject* child : o.children) {
    if (!IsType(*child, "Material")) continue;
    XMaterial material;
    if (!ReadMaterial(*child, tree, &material, reason)) return false;
    d.materials.push_back(std::move(material));
  }
  if (d.materials.size() != nMaterials)
    return mc.Fail(std::to_string(d.materials.size()) +
                   " materials for a count of " + std::to_string(nMaterials));
  out->hasMaterialList = nMaterials > 0;
  return true;
}

// The loader's vertices: one per written vertex, split where corners of it
// carry different normals (equal vectors share one vertex). Returns the
// vertex of every corner.
std::vector<uint32_t> SplitByNormals(const WrittenMesh& m, XMeshData* d) {
  d->positions = m.positions;
  if (!m.uv.empty()) d->texcoords = m.uv;
  std::vector<uint32_t> slotOf(m.corners.size());
  const bool hasNormals = !m.cornerNormals.empty() || !m.normalList.empty();
  if (!hasNormals) {
    for (size_t k = 0; k < m.corners.size(); ++k) slotOf[k] = m.corners[k];
    return slotOf;
  }
  const size_t nVertices = m.positions.size();
  d->normals.assign(nVertices, D3DVECTOR{0, 0, 0});
  std::vector<bool> seen(nVertices, false);
  std::vector<std::vector<uint32_t>> copies(nVertices);
  for (size_t k = 0; k < m.corners.size(); ++k) {
    const uint32_t v = m.corners[k];
    D3DVECTOR n = m.cornerNormals.empty() ? D3DVECTOR{0, 0, 0}
                                          : m.normalList[m.cornerNormals[k]];
    D3DXVECTOR3 nn(n.x, n.y, n.z);
    D3DXVec3Normalize(&nn, &nn);
    n = nn;
    auto same = [&](uint32_t slot) {
      const D3DVECTOR& other = d->normals[slot];
      return other.x == n.x && other.y == n.y && other.z == n.z;
    };
    if (!seen[v]) {
      seen[v] = true;
      d->normals[v] = n;
      slotOf[k] = v;
      continue;
    }
    uint32_t slot = UINT32_MAX;
    if (same(v)) slot = v;
    for (size_t i = 0; slot == UINT32_MAX && i < copies[v].size(); ++i)
      if (same(copies[v][i])) slot = copies[v][i];
    if (slot == UINT32_MAX) {
      slot = static_cast<uint32_t>(d->positions.size());
      copies[v].push_back(slot);
      d->positions.push_back(m.positions[v]);
      d->normals.push_back(n);
      if (!m.uv.empty()) {
        d->texcoords.push_back(m.uv[2 * v]);
        d->texcoords.push_back(m.uv[2 * v + 1]);
      }
    }
    slotOf[k] = slot;
  }
  return slotOf;
}

bool ReadMesh(const XObject& o, const XTree& tree, PieceMesh* out,
              std::string* reason) {
  ValueCursor c(o, tree, reason);
  WrittenMesh m;
  if (!ReadPositionsAndFaces(c, &m)) return false;
  if (m.positions.empty()) return true;  // an empty mesh contributes nothing
  for (const XObject* child : o.children) {
    if (IsType(*child, "MeshNormals")) {
      if (!ReadMeshNormals(*child, tree, &m, reason)) return false;
    } else if (IsType(*child, "MeshTextureCoords")) {
      if (!ReadTextureCoords(*child, tree, &m, reason)) return false;
    } else if (IsType(*child, "MeshMaterialList")) {
      if (!ReadMaterialList(*child, tree, &m, out, reason)) return false;
    }
  }
  XMeshData& d = out->data;
  const std::vector<uint32_t> slotOf = SplitByNormals(m, &d);
  // Fan each face around its first corner.
  for (uint32_t f = 0; f < m.faceCount(); ++f) {
    const uint32_t s = m.faceStart[f], e = m.faceStart[f + 1];
    for (uint32_t k = s + 1; k + 1 < e; ++k) {
      d.indices.push_back(slotOf[s]);
      d.indices.push_back(slotOf[k]);
      d.indices.push_back(slotOf[k + 1]);
      d.faceMaterials.push_back(m.faceAttribs[f]);
    }
  }
  return true;
}

struct Walker {
  const XTree& tree;
  std::string* reason;
  std::vector<PieceMesh> pieces;
  size_t instances = 0;
  size_t vertices = 0;
  size_t indices = 0;
  size_t valuesRead = 0;

  bool AddMesh(const XObject& o, const D3DXMATRIX& r) {
    if (++instances > kMaxMeshInstances) {
      *reason = "too many mesh instances (references)";
      return false;
    }
    valuesRead += o.values.size();
    for (const XObject* child : o.children) valuesRead += child->values.size();
    if (valuesRead > kMaxValuesRead) {
      *reason = "meshes too large (references)";
      return false;
    }
    PieceMesh piece;
    if (!ReadMesh(o, tree, &piece, reason)) return false;
    XMeshData& d = piece.data;
    if (d.positions.empty() || d.indices.empty()) return true;
    vertices += d.positions.size();
    indices += d.indices.size();
    if (vertices > kMaxMergedVertices || indices > kMaxMergedIndices) {
      *reason = "meshes too large";
      return false;
    }
    for (auto& p : d.positions) {
      D3DXVECTOR3 v(p.x, p.y, p.z);
      D3DXVec3TransformCoord(&v, &v, &r);
      p = v;
    }
    // Normals by the matrix's upper 3x3 only, then unit length again.
    for (auto& n : d.normals) {
      D3DXVECTOR3 v(n.x, n.y, n.z);
      if (v.x == 0 && v.y == 0 && v.z == 0) continue;
      D3DXVec3TransformNormal(&v, &v, &r);
      D3DXVec3Normalize(&v, &v);
      n = v;
    }
    pieces.push_back(std::move(piece));
    return true;
  }

  bool WalkFrame(const XObject& frame, D3DXMATRIX r, int depth) {
    if (depth > kMaxFrameDepth) {
      *reason = "frames nested too deeply";
      return false;
    }
    for (const XObject* child : frame.children) {
      if (IsType(*child, "FrameTransformMatrix")) {
        ValueCursor c(*child, tree, reason);
        D3DXMATRIX f;
        for (int i = 0; i < 16; ++i)
          if (!c.Float(&f.m[i / 4][i % 4], "matrix element")) return false;
        if (c.Remaining()) return c.Fail("more than 16 values");
        // The frame's own matrix applies before its parent's.
        D3DXMatrixMultiply(&r, &f, &r);
      } else if (IsType(*child, "Mesh")) {
        if (!AddMesh(*child, r)) return false;
      } else if (IsType(*child, "Frame")) {
        if (!WalkFrame(*child, r, depth + 1)) return false;
      }
    }
    return true;
  }
};

void Merge(std::vector<PieceMesh>& pieces, XMeshData* mesh) {
  bool anyList = false, anyNormals = false, anyUv = false;
  for (const auto& p : pieces) {
    anyList |= p.hasMaterialList;
    anyNormals |= !p.data.normals.empty();
    anyUv |= !p.data.texcoords.empty();
  }
  *mesh = XMeshData();
  for (auto& p : pieces) {
    XMeshData& d = p.data;
    const uint32_t base = static_cast<uint32_t>(mesh->positions.size());
    const uint32_t matBase = static_cast<uint32_t>(mesh->materials.size());
    mesh->positions.insert(mesh->positions.end(), d.positions.begin(),
                           d.positions.end());
    if (anyNormals) {
      if (d.normals.empty()) d.normals.assign(d.positions.size(), {0, 0, 0});
      mesh->normals.insert(mesh->normals.end(), d.normals.begin(),
                           d.normals.end());
    }
    if (anyUv) {
      if (d.texcoords.empty()) d.texcoords.assign(d.positions.size() * 2, 0);
      mesh->texcoords.insert(mesh->texcoords.end(), d.texcoords.begin(),
                             d.texcoords.end());
    }
    for (uint32_t i : d.indices) mesh->indices.push_back(base + i);
    if (anyList && !p.hasMaterialList) {
      // A mesh without a list gets its own default material rather than
      // borrowing a neighbour's.
      d.materials.assign(1, DefaultMaterial());
      for (auto& a : d.faceMaterials) a = 0;
    }
    for (uint32_t a : d.faceMaterials)
      mesh->faceMaterials.push_back(matBase + a);
    if (anyList)
      mesh->materials.insert(mesh->materials.end(), d.materials.begin(),
                             d.materials.end());
  }
}

HRESULT Fail(HRESULT code, const std::string& message, std::string* reason) {
  if (reason) *reason = message;
  return code;
}

}  // namespace

HRESULT ReadXFile(const void* data, size_t size, XMeshData* mesh,
                  std::string* reason) {
  std::string scratch;
  if (!reason) reason = &scratch;
  if (!data || !mesh) return Fail(D3DERR_INVALIDCALL, "no data", reason);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (size < 16 || std::memcmp(bytes, "xof ", 4) != 0)
    return Fail(D3DXFERR_BADFILETYPE, "byte 0: not an .x file", reason);
  if (std::memcmp(bytes + 4, "0302", 4) != 0 &&
      std::memcmp(bytes + 4, "0303", 4) != 0)
    return Fail(D3DXFERR_BADFILEVERSION, "byte 4: unsupported version", reason);
  XTree tree;
  bool compressed = false;
  if (std::memcmp(bytes + 8, "txt ", 4) == 0) {
    tree.text = true;
  } else if (std::memcmp(bytes + 8, "bin ", 4) == 0) {
    tree.text = false;
  } else if (std::memcmp(bytes + 8, "tzip", 4) == 0) {
    tree.text = compressed = true;
  } else if (std::memcmp(bytes + 8, "bzip", 4) == 0) {
    tree.text = false;
    compressed = true;
  } else {
    return Fail(D3DXFERR_BADFILETYPE, "byte 8: unknown format", reason);
  }
  if (std::memcmp(bytes + 12, "0032", 4) == 0) {
    tree.doubles = false;
  } else if (std::memcmp(bytes + 12, "0064", 4) == 0) {
    tree.doubles = true;
  } else {
    return Fail(D3DXFERR_BADFILEFLOATSIZE, "byte 12: unsupported float size",
                reason);
  }
  try {
    std::vector<uint8_t> inflated;
    if (compressed) {
      if (!MszipDecode(bytes, size, &inflated, reason))
        return D3DXFERR_PARSEERROR;
      tree.body = inflated.data();
      tree.bodySize = inflated.size();
      tree.inflated = true;
    } else {
      tree.body = bytes + 16;
      tree.bodySize = size - 16;
      tree.bodyBase = 16;
    }
    HRESULT hr = ParseXBody(&tree, reason);
    if (FAILED(hr)) return hr;

    Walker walker{tree, reason, {}, 0, 0, 0, 0};
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const auto& object : tree.objects) {
      if (IsType(*object, "Mesh")) {
        if (!walker.AddMesh(*object, identity)) return E_FAIL;
      } else if (IsType(*object, "Frame")) {
        if (!walker.WalkFrame(*object, identity, 0)) return E_FAIL;
      }
    }
    if (walker.pieces.empty())
      return Fail(E_FAIL, "the file holds no mesh with faces", reason);
    Merge(walker.pieces, mesh);
  } catch (const std::bad_alloc&) {
    return Fail(E_OUTOFMEMORY, "out of memory", reason);
  }
  reason->clear();
  return S_OK;
}
