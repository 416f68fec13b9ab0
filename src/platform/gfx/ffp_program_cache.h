// Compiled fixed-function programs by key: each key is generated and
// compiled once, on first use.
#pragma once

#include <epoxy/gl.h>

#include <unordered_map>

#include "platform/gfx/ffp_key.h"

namespace gfx {

class GlStateCache;

class FixedFunctionProgramCache {
 public:
  FixedFunctionProgramCache() = default;
  FixedFunctionProgramCache(const FixedFunctionProgramCache&) = delete;
  FixedFunctionProgramCache& operator=(const FixedFunctionProgramCache&) =
      delete;

  // The program for a key, or 0 if it failed to build (the log goes to
  // stderr once: a generator fault, not a caller's).
  GLuint Get(const FixedFunctionKey& key, GlStateCache* cache);
  void Clear(GlStateCache* cache);
  size_t size() const { return programs_.size(); }

 private:
  std::unordered_map<FixedFunctionKey, GLuint, FixedFunctionKeyHash> programs_;
};

}  // namespace gfx
