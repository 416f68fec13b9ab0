#include "platform/gfx/wireframe_edges.h"

#include <cstring>
#include <vector>

#include "platform/gfx/buffer_storage.h"
#include "platform/gfx/gl_check.h"
#include "platform/gfx/gl_state_cache.h"

namespace gfx {

namespace {

template <typename Index>
void ExpandAs(const uint8_t* bytes, UINT triangles, uint8_t* out) {
  for (UINT t = 0; t < triangles; ++t) {
    Index v[3];
    std::memcpy(v, bytes + static_cast<size_t>(t) * 3 * sizeof(Index),
                sizeof v);
    const Index edges[6] = {v[2], v[0], v[0], v[1], v[1], v[2]};
    std::memcpy(out + static_cast<size_t>(t) * 6 * sizeof(Index), edges,
                sizeof edges);
  }
}

}  // namespace

void WireframeEdges::Expand(const uint8_t* indices, UINT indexSize,
                            UINT triangles, uint8_t* out) {
  if (indexSize == 4) {
    ExpandAs<uint32_t>(indices, triangles, out);
  } else {
    ExpandAs<uint16_t>(indices, triangles, out);
  }
}

void WireframeEdges::Bind(GlStateCache* cache, const BufferStorage& indices,
                          UINT indexSize, UINT start, UINT triangles) {
  const uint64_t version = indices.version();
  for (const Entry& e : entries_) {
    if (e.buffer && e.version == version && e.start == start &&
        e.triangles == triangles && e.indexSize == indexSize) {
      cache->BindElementBuffer(e.buffer);
      return;
    }
  }
  Entry& e = entries_[next_];
  next_ = (next_ + 1) % kEntries;
  if (!e.buffer) GL_CHECK(glGenBuffers(1, &e.buffer));
  std::vector<uint8_t> edges(static_cast<size_t>(triangles) * 6 * indexSize);
  Expand(indices.bytes() + static_cast<size_t>(start) * indexSize, indexSize,
         triangles, edges.data());
  cache->BindElementBuffer(e.buffer);
  GL_CHECK(glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                        static_cast<GLsizeiptr>(edges.size()), edges.data(),
                        GL_STATIC_DRAW));
  e.version = version;
  e.start = start;
  e.triangles = triangles;
  e.indexSize = indexSize;
}

void WireframeEdges::ReleaseGl(GlStateCache* cache) {
  for (Entry& e : entries_) {
    if (!e.buffer) continue;
    cache->ForgetBuffer(e.buffer);
    GL_CHECK(glDeleteBuffers(1, &e.buffer));
    e = Entry();
  }
}

}  // namespace gfx
