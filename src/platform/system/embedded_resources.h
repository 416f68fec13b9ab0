// The resources built into the executable: assets/ files listed in the
// manifest, embedded at build time and looked up by type and number.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ResourceType { RcData, Mesh };

struct ResourceData {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

struct EmbeddedResource {
  ResourceType type;
  int id;
  const uint8_t* begin;
  const uint8_t* end;
};

// Finds a resource; false when the program carries none of that type and
// number.
bool FindEmbeddedResource(ResourceType type, int id, ResourceData* out);

// Installs the table the asset library carries. The asset library calls it
// from a static initialiser, so any binary that links the assets finds them.
void RegisterEmbeddedResources(const EmbeddedResource* table, size_t count);

// For tests: replaces (data non-null) or hides (data null) one resource
// until the override is lifted with ClearResourceOverrides.
void OverrideEmbeddedResource(ResourceType type, int id, const uint8_t* data,
                              size_t size);
void ClearResourceOverrides();
