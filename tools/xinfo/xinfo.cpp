// xinfo FILE...: what the .x reader makes of each file: its form, vertex,
// face and subset counts, faces per subset, material colours and the
// vertex format the loader would give the mesh. Exits 1 if any file could
// not be read.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/d3dx/xfile_model.h"

namespace {

const char* FormName(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 16) return "?";
  const std::string format(reinterpret_cast<const char*>(&bytes[8]), 4);
  if (format == "txt ") return "text";
  if (format == "bin ") return "binary";
  if (format == "tzip") return "compressed text";
  if (format == "bzip") return "compressed binary";
  return "?";
}

void PrintColor(const char* name, const D3DCOLORVALUE& c, bool alpha) {
  if (alpha) {
    std::printf(" %s (%.3f %.3f %.3f %.3f)", name, c.r, c.g, c.b, c.a);
  } else {
    std::printf(" %s (%.3f %.3f %.3f)", name, c.r, c.g, c.b);
  }
}

bool Describe(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "xinfo: %s: cannot open the file\n", path);
    return false;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  XMeshData mesh;
  std::string reason;
  const HRESULT hr = ReadXFile(bytes.data(), bytes.size(), &mesh, &reason);
  if (FAILED(hr)) {
    std::fprintf(stderr, "xinfo: %s: not a readable .x mesh (0x%08X): %s\n",
                 path, static_cast<unsigned>(hr), reason.c_str());
    return false;
  }
  DWORD fvf = D3DFVF_XYZ;
  std::string fvfText = "XYZ";
  if (!mesh.normals.empty()) fvf |= D3DFVF_NORMAL, fvfText += " | NORMAL";
  if (!mesh.texcoords.empty()) fvf |= D3DFVF_TEX1, fvfText += " | TEX1";
  std::map<uint32_t, size_t> perSubset;
  for (uint32_t a : mesh.faceMaterials) ++perSubset[a];
  const size_t subsets = mesh.materials.empty() ? 1 : mesh.materials.size();
  std::printf("%s\n", path);
  std::printf(
      "  form:     %s (%s)\n", FormName(bytes),
      std::string(reinterpret_cast<const char*>(bytes.data()), 16).c_str());
  std::printf("  vertices: %zu\n", mesh.positions.size());
  std::printf("  faces:    %zu\n", mesh.indices.size() / 3);
  std::printf("  subsets:  %zu\n", subsets);
  std::printf("  format:   0x%03X (%s), %zu bytes per vertex\n",
              static_cast<unsigned>(fvf), fvfText.c_str(),
              size_t(12 + (mesh.normals.empty() ? 0 : 12) +
                     (mesh.texcoords.empty() ? 0 : 8)));
  for (size_t i = 0; i < subsets; ++i) {
    std::printf("  subset %zu: %zu faces;", i, perSubset[uint32_t(i)]);
    if (mesh.materials.empty()) {
      std::printf(" default material (diffuse 0.5 grey, alpha 0)\n");
      continue;
    }
    const XMaterial& m = mesh.materials[i];
    PrintColor("diffuse", m.faceColor, true);
    PrintColor("specular", m.specularColor, false);
    PrintColor("emissive", m.emissiveColor, false);
    std::printf(" power %.3f", m.power);
    if (!m.textureFilename.empty())
      std::printf(" texture \"%s\"", m.textureFilename.c_str());
    std::printf("\n");
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: xinfo FILE...\n");
    return 2;
  }
  bool ok = true;
  for (int i = 1; i < argc; ++i) ok = Describe(argv[i]) && ok;
  return ok ? 0 : 1;
}
