// Collects vertices, triangles and materials of one mesh and hands them to
// the .x writer as XMeshData. Triangles are wound from the vertices' own
// normals: the face normal cross(p1 - p0, p2 - p0) always points the way
// the normals do, so normals recomputed from the faces agree with them.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/d3dx/xfile_model.h"
#include "vec3.h"

struct MeshVertex {
  Vec3 p;
  Vec3 n;
  double u = 0, v = 0;
};

class MeshBuilder {
 public:
  uint32_t AddMaterial(const XMaterial& m);
  uint32_t AddVertex(const MeshVertex& v);
  void AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material);
  // Two triangles over a quad a-b-c-d (in order around it).
  void AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d,
               uint32_t material);

  // A (cols + 1) x (rows + 1) grid of f(i, j). With closedU the last column
  // copies the position and normal of the first (a texture seam: same point,
  // own u); closedV likewise for the last row.
  void AddGrid(int cols, int rows, bool closedU, bool closedV,
               const std::function<MeshVertex(int i, int j)>& f,
               uint32_t material);
  // A cols x rows grid that wraps in both directions without duplicated
  // vertices (a welded closed surface).
  void AddWeldedGrid(int cols, int rows,
                     const std::function<MeshVertex(int i, int j)>& f,
                     uint32_t material);

  size_t vertexCount() const { return mesh_.positions.size(); }
  // The finished mesh, without vertices that no face uses (the spare
  // copies at a pole's seam, for instance), in their original order.
  XMeshData data() const;

 private:
  XMeshData mesh_;
};

XMaterial MakeMaterial(double r, double g, double b, double power = 0,
                       double spec = 0, double emissiveR = 0,
                       double emissiveG = 0, double emissiveB = 0);

// Unit normal of a parametric surface by central differences:
// cross(dP/ds, dP/dt), so the caller picks the side by the parameter order.
Vec3 SurfaceNormal(const std::function<Vec3(double, double)>& surface, double s,
                   double t, double ds, double dt);
