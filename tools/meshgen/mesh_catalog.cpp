#include "mesh_catalog.h"

#include "meshes.h"

namespace {
XMeshData Ring0() { return BuildGreetRing(0); }
XMeshData Ring1() { return BuildGreetRing(1); }
XMeshData Ring2() { return BuildGreetRing(2); }
}  // namespace

const std::vector<MeshEntry>& MeshCatalog() {
  static const std::vector<MeshEntry> kEntries = {
      {104, "meshes/104_knot.x", BuildKnot},
      {105, "meshes/105_gyro_rings.x", BuildGyroRings},
      {107, "meshes/107_backdrop.x", BuildBackdrop},
      {108, "meshes/108_bent_tube.x", BuildBentTube},
      {109, "meshes/109_tunnel.x", BuildTunnel},
      {110, "meshes/110_blob.x", BuildBlob},
      {111, "meshes/111_ring_inner.x", Ring0},
      {112, "meshes/112_ring_middle.x", Ring1},
      {113, "meshes/113_ring_outer.x", Ring2},
      {114, "meshes/114_card_carrier.x", BuildCardCarrier},
      {116, "meshes/116_glider.x", BuildGlider},
      {117, "meshes/117_banded.x", BuildBanded},
  };
  return kEntries;
}

bool RenderMesh(const MeshEntry& entry, std::vector<uint8_t>* out) {
  out->clear();
  return WriteXFile(entry.build(), XFileForm::BinaryZip, out);
}
