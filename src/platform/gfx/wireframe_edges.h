// D3DFILL_WIREFRAME for indexed triangle lists as a GL line list: three
// edges per triangle, built once from the CPU copy of the indices and kept
// in a GL buffer until the indices change. On a CPU rasteriser GL's
// polygon mode takes a slow per-triangle path; plain lines do not.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

#include "platform/gfx/d3d9_types.h"

namespace gfx {

class BufferStorage;
class GlStateCache;

class WireframeEdges {
 public:
  WireframeEdges() = default;
  WireframeEdges(const WireframeEdges&) = delete;
  WireframeEdges& operator=(const WireframeEdges&) = delete;

  // Binds, through the cache, an element buffer that holds the edges of
  // `triangles` triangles whose indices start at index `start` of
  // `indices` (each `indexSize` bytes), 6 indices per triangle from offset
  // 0. The caller has checked that the range lies inside the buffer.
  // Every edge is drawn, shared ones twice, as polygon mode draws them:
  // with blending or a non-strict depth test the second drawing shows, and
  // a line drawn the other way round may end on other pixels.
  void Bind(GlStateCache* cache, const BufferStorage& indices, UINT indexSize,
            UINT start, UINT triangles);
  void ReleaseGl(GlStateCache* cache);

  // Each triangle (a, b, c) gives the lines c-a, a-b, b-c: the order and
  // directions Mesa's polygon-mode path draws them in, so pixels that two
  // edges share come out as they did with polygon mode.
  // Writes the line list, 6 indices per triangle, to `out`.
  static void Expand(const uint8_t* indices, UINT indexSize, UINT triangles,
                     uint8_t* out);

 private:
  // Meshes draw the same few subset ranges every frame; a few slots,
  // reused in turn.
  struct Entry {
    uint64_t version = 0;
    UINT start = 0;
    UINT triangles = 0;
    UINT indexSize = 0;
    GLuint buffer = 0;
  };
  static constexpr int kEntries = 8;
  Entry entries_[kEntries];
  int next_ = 0;
};

}  // namespace gfx
