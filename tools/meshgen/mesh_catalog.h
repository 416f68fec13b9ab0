// Every MESH resource: its number, file and builder.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx/xfile_model.h"

struct MeshEntry {
  int resource;
  const char* file;  // relative to assets/
  XMeshData (*build)();
};

const std::vector<MeshEntry>& MeshCatalog();

// Builds and writes one entry as compressed binary .x; identical bytes on
// every run. Returns false if the writer rejects the mesh.
bool RenderMesh(const MeshEntry& entry, std::vector<uint8_t>* out);
