// The generic object tree of a .x body: every data object with its flat
// list of values and its children, before any template is interpreted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/d3d9_types.h"

struct XValue {
  double number = 0;  // integers are exact (they fit in 32 bits)
  int string = -1;    // index into XObject::strings, -1 for a number
  bool integer = false;
};

struct XObject {
  std::string type;   // template name as written
  std::string name;   // may be empty
  size_t offset = 0;  // where the object starts in the body
  std::vector<XValue> values;
  std::vector<std::string> strings;
  std::vector<std::unique_ptr<XObject>> owned;
  // Children in document order: owned ones and resolved references.
  std::vector<const XObject*> children;
};

struct XTree {
  bool text = true;      // body is text (positions as line:column)
  bool doubles = false;  // binary float lists hold 8-byte values
  std::vector<std::unique_ptr<XObject>> objects;  // top level, in order
  const uint8_t* body = nullptr;
  size_t bodySize = 0;
  size_t bodyBase = 0;  // file offset of the body (16, or 0 when inflated)
  bool inflated = false;

  // "line L:C" for text, "byte N" for binary, for error lines.
  std::string Where(size_t offset) const;
};

// Parses the body (everything after the 16-byte header, inflated for the
// compressed forms). On failure returns D3DXFERR_PARSEERROR with a reason.
HRESULT ParseXBody(XTree* tree, std::string* reason);
