// The .x reader on arbitrary bytes: it must fail cleanly or produce a mesh
// whose arrays agree, and what it produces must survive the writer and
// read back the same.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/d3dx/xfile_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  XMeshData mesh;
  std::string reason;
  if (FAILED(ReadXFile(data, size, &mesh, &reason))) {
    if (reason.empty()) std::abort();  // every failure says why
    return 0;
  }
  const size_t n = mesh.positions.size();
  if (mesh.indices.size() % 3 ||
      mesh.faceMaterials.size() != mesh.indices.size() / 3 ||
      (!mesh.normals.empty() && mesh.normals.size() != n) ||
      (!mesh.texcoords.empty() && mesh.texcoords.size() != 2 * n))
    std::abort();
  for (uint32_t i : mesh.indices)
    if (i >= n) std::abort();
  const size_t materials = mesh.materials.empty() ? 1 : mesh.materials.size();
  for (uint32_t a : mesh.faceMaterials)
    if (a >= materials) std::abort();
  std::vector<uint8_t> file;
  if (!WriteXFile(mesh, XFileForm::BinaryZip, &file)) std::abort();
  XMeshData again;
  if (FAILED(ReadXFile(file.data(), file.size(), &again, &reason)))
    std::abort();
  if (again.indices != mesh.indices ||
      again.faceMaterials != mesh.faceMaterials)
    std::abort();
  return 0;
}
