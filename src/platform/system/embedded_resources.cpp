#include "platform/system/embedded_resources.h"

#include <map>
#include <mutex>
#include <utility>

namespace {

struct Registry {
  std::mutex mutex;
  const EmbeddedResource* table = nullptr;
  size_t count = 0;
  // Test overrides: a null data pointer hides the resource.
  std::map<std::pair<ResourceType, int>, ResourceData> overrides;
};

Registry& TheRegistry() {
  // Constructed on first use: the asset library registers its table from a
  // static initialiser whose order against ours is not defined.
  static Registry registry;
  return registry;
}

}  // namespace

bool FindEmbeddedResource(ResourceType type, int id, ResourceData* out) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.overrides.find({type, id});
  if (found != registry.overrides.end()) {
    if (!found->second.data) return false;
    if (out) *out = found->second;
    return true;
  }
  for (size_t i = 0; i < registry.count; ++i) {
    const EmbeddedResource& entry = registry.table[i];
    if (entry.type == type && entry.id == id && entry.begin) {
      if (out) {
        out->data = entry.begin;
        out->size = static_cast<size_t>(entry.end - entry.begin);
      }
      return true;
    }
  }
  return false;
}

void RegisterEmbeddedResources(const EmbeddedResource* table, size_t count) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.table = table;
  registry.count = count;
}

void OverrideEmbeddedResource(ResourceType type, int id, const uint8_t* data,
                              size_t size) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.overrides[{type, id}] = ResourceData{data, data ? size : 0};
}

void ClearResourceOverrides() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.overrides.clear();
}
