// The extension library's blob: a block of bytes with a reference count.
#pragma once

#include <atomic>
#include <vector>

#include "platform/d3dx/d3dx9core.h"

class D3DXBuffer final : public ID3DXBuffer {
 public:
  explicit D3DXBuffer(size_t size) : bytes(size) {}

  ULONG AddRef() override { return ++refs; }
  ULONG Release() override {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }
  void* GetBufferPointer() override { return bytes.data(); }
  DWORD GetBufferSize() override { return static_cast<DWORD>(bytes.size()); }

 private:
  std::vector<uint8_t> bytes;
  std::atomic<ULONG> refs{1};
};

// Makes a buffer holding a copy of data (size bytes); null on failure.
ID3DXBuffer* MakeD3DXBuffer(const void* data, size_t size);
