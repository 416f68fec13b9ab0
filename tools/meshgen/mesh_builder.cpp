#include "mesh_builder.h"

XMeshData MeshBuilder::data() const {
  std::vector<uint32_t> remap(mesh_.positions.size(), UINT32_MAX);
  for (uint32_t i : mesh_.indices) remap[i] = 0;
  XMeshData out;
  for (size_t i = 0; i < remap.size(); ++i) {
    if (remap[i] == UINT32_MAX) continue;
    remap[i] = static_cast<uint32_t>(out.positions.size());
    out.positions.push_back(mesh_.positions[i]);
    out.normals.push_back(mesh_.normals[i]);
    out.texcoords.push_back(mesh_.texcoords[2 * i]);
    out.texcoords.push_back(mesh_.texcoords[2 * i + 1]);
  }
  for (uint32_t i : mesh_.indices) out.indices.push_back(remap[i]);
  out.faceMaterials = mesh_.faceMaterials;
  out.materials = mesh_.materials;
  return out;
}

uint32_t MeshBuilder::AddMaterial(const XMaterial& m) {
  mesh_.materials.push_back(m);
  return static_cast<uint32_t>(mesh_.materials.size() - 1);
}

uint32_t MeshBuilder::AddVertex(const MeshVertex& v) {
  Vec3 n = Normalize(v.n);
  mesh_.positions.push_back({static_cast<float>(v.p.x),
                             static_cast<float>(v.p.y),
                             static_cast<float>(v.p.z)});
  mesh_.normals.push_back({static_cast<float>(n.x), static_cast<float>(n.y),
                           static_cast<float>(n.z)});
  mesh_.texcoords.push_back(static_cast<float>(v.u));
  mesh_.texcoords.push_back(static_cast<float>(v.v));
  return static_cast<uint32_t>(mesh_.positions.size() - 1);
}

void MeshBuilder::AddTriangle(uint32_t a, uint32_t b, uint32_t c,
                              uint32_t material) {
  auto P = [&](uint32_t i) {
    const D3DVECTOR& p = mesh_.positions[i];
    return Vec3{p.x, p.y, p.z};
  };
  auto N = [&](uint32_t i) {
    const D3DVECTOR& n = mesh_.normals[i];
    return Vec3{n.x, n.y, n.z};
  };
  Vec3 e1 = P(b) - P(a), e2 = P(c) - P(a);
  Vec3 face = Cross(e1, e2);
  // Degenerate (two corners at a pole): nothing to draw.
  if (Length(face) <= 1e-9 * Length(e1) * Length(e2)) return;
  if (Dot(face, N(a) + N(b) + N(c)) < 0) std::swap(b, c);
  mesh_.indices.insert(mesh_.indices.end(), {a, b, c});
  mesh_.faceMaterials.push_back(material);
}

void MeshBuilder::AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d,
                          uint32_t material) {
  AddTriangle(a, b, c, material);
  AddTriangle(a, c, d, material);
}

void MeshBuilder::AddGrid(int cols, int rows, bool closedU, bool closedV,
                          const std::function<MeshVertex(int, int)>& f,
                          uint32_t material) {
  std::vector<MeshVertex> grid((cols + 1) * (rows + 1));
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= cols; ++i) grid[j * (cols + 1) + i] = f(i, j);
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= cols; ++i) {
      MeshVertex& v = grid[j * (cols + 1) + i];
      const MeshVertex* src = nullptr;
      if (closedU && i == cols) src = &grid[j * (cols + 1)];
      if (closedV && j == rows) src = &grid[i];
      if (closedU && closedV && i == cols && j == rows) src = &grid[0];
      if (src) v.p = src->p, v.n = src->n;
    }
  uint32_t base = static_cast<uint32_t>(vertexCount());
  for (const MeshVertex& v : grid) AddVertex(v);
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i) {
      uint32_t a = base + j * (cols + 1) + i;
      AddQuad(a, a + 1, a + cols + 2, a + cols + 1, material);
    }
}

void MeshBuilder::AddWeldedGrid(int cols, int rows,
                                const std::function<MeshVertex(int, int)>& f,
                                uint32_t material) {
  uint32_t base = static_cast<uint32_t>(vertexCount());
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i) AddVertex(f(i, j));
  auto at = [&](int i, int j) {
    return base + static_cast<uint32_t>(((j + rows) % rows) * cols +
                                        (i + cols) % cols);
  };
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < cols; ++i)
      AddQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), material);
}

XMaterial MakeMaterial(double r, double g, double b, double power, double spec,
                       double emissiveR, double emissiveG, double emissiveB) {
  XMaterial m;
  m.faceColor = {static_cast<float>(r), static_cast<float>(g),
                 static_cast<float>(b), 1.0f};
  m.power = static_cast<float>(power);
  m.specularColor = {static_cast<float>(spec), static_cast<float>(spec),
                     static_cast<float>(spec), 1.0f};
  m.emissiveColor = {static_cast<float>(emissiveR),
                     static_cast<float>(emissiveG),
                     static_cast<float>(emissiveB), 1.0f};
  return m;
}

Vec3 SurfaceNormal(const std::function<Vec3(double, double)>& surface, double s,
                   double t, double ds, double dt) {
  Vec3 a = surface(s + ds, t) - surface(s - ds, t);
  Vec3 b = surface(s, t + dt) - surface(s, t - dt);
  return Normalize(Cross(a, b));
}
