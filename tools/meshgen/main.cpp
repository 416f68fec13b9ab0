// meshgen: builds every MESH resource of the show into <assets>/meshes as
// compressed binary .x and, with --manifest, writes their manifest lines.
//   meshgen <assets dir> [--manifest]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "catalog.h"
#include "mesh_catalog.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: meshgen <assets dir> [--manifest]\n");
    return 2;
  }
  std::filesystem::path root = argv[1];
  bool manifest = argc > 2 && !std::strcmp(argv[2], "--manifest");
  std::vector<ManifestLine> lines;
  for (const MeshEntry& e : MeshCatalog()) {
    lines.push_back({"MESH", e.resource, e.file});
    XMeshData mesh = e.build();
    std::vector<uint8_t> bytes;
    if (!WriteXFile(mesh, XFileForm::BinaryZip, &bytes)) {
      std::fprintf(stderr, "meshgen: writer rejected mesh %d\n", e.resource);
      return 1;
    }
    std::filesystem::path out = root / e.file;
    std::filesystem::create_directories(out.parent_path());
    std::ofstream f(out, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    if (!f) return 1;
    std::printf(
        "%d  %5zu vertices  %5zu faces  %2zu materials  %6zu bytes  %s\n",
        e.resource, mesh.positions.size(), mesh.indices.size() / 3,
        mesh.materials.size(), bytes.size(), e.file);
  }
  if (manifest && !UpdateManifest((root / "manifest.txt").string(), lines)) {
    std::fprintf(stderr, "meshgen: cannot update the manifest\n");
    return 1;
  }
  return 0;
}
