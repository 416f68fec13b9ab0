// A mesh as a .x file holds it, before it becomes a device mesh: what the
// reader produces and the writer consumes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/d3d9_types.h"

struct XMaterial {
  D3DCOLORVALUE faceColor{1, 1, 1, 1};  // becomes the diffuse colour
  float power = 0;
  D3DCOLORVALUE specularColor{0, 0, 0, 1};  // rgb used
  D3DCOLORVALUE emissiveColor{0, 0, 0, 1};  // rgb used
  std::string textureFilename;              // read and ignored
};

// One mesh after frames are merged, faces fanned into triangles and
// vertices split where normals or texture coordinates were indexed per
// corner: every array is indexed by the same vertex number.
struct XMeshData {
  std::vector<D3DVECTOR> positions;
  std::vector<D3DVECTOR> normals;       // empty or one per position
  std::vector<float> texcoords;         // empty or two per position (u, v)
  std::vector<uint32_t> indices;        // three per triangle
  std::vector<uint32_t> faceMaterials;  // one per triangle
  std::vector<XMaterial> materials;     // empty: the default material
};

enum class XFileForm { Text, Binary, TextZip, BinaryZip };

// Writes a single Mesh object (with MeshNormals, MeshTextureCoords and
// MeshMaterialList) in the given form; the zip forms use self-contained
// deflate blocks. Returns false only for inconsistent input.
bool WriteXFile(const XMeshData& mesh, XFileForm form,
                std::vector<uint8_t>* out);

// Reads any of the four forms. On failure returns the D3DXFERR_* code and
// sets *reason to one line naming the byte offset or line and column.
HRESULT ReadXFile(const void* data, size_t size, XMeshData* mesh,
                  std::string* reason);
