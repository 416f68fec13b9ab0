#include "platform/gfx/index_buffer.h"

#include "platform/gfx/device.h"

namespace gfx {

IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage,
                         D3DFORMAT format, D3DPOOL pool)
    : DeviceChild(device),
      storage_(length),
      usage_(usage),
      format_(format),
      pool_(pool) {}

IndexBuffer::~IndexBuffer() {
  storage_.ReleaseGl(device()->cache());
  wireframeEdges_.ReleaseGl(device()->cache());
}

HRESULT IndexBuffer::GetDevice(IDirect3DDevice9** out) {
  return ReturnDevice(device(), out);
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  return storage_.Lock(offset, size, data, flags);
}

HRESULT IndexBuffer::Unlock() { return storage_.Unlock(); }

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, storage_.size()};
  return S_OK;
}

bool IndexBuffer::IndexRange(UINT start, UINT count, UINT* lowest,
                             UINT* highest) {
  UINT available = storage_.size() / indexSize();
  if (start > available || count > available - start) return false;
  uint64_t version = storage_.version();
  for (const CachedRange& r : ranges_) {
    if (r.version == version && r.start == start && r.count == count) {
      *lowest = r.lowest;
      *highest = r.highest;
      return true;
    }
  }
  UINT low = 0xFFFFFFFFu, high = 0;
  const uint8_t* bytes = storage_.bytes();
  if (indexSize() == 4) {
    const auto* indices = reinterpret_cast<const uint32_t*>(bytes) + start;
    for (UINT i = 0; i < count; ++i) {
      low = indices[i] < low ? indices[i] : low;
      high = indices[i] > high ? indices[i] : high;
    }
  } else {
    const auto* indices = reinterpret_cast<const uint16_t*>(bytes) + start;
    for (UINT i = 0; i < count; ++i) {
      low = indices[i] < low ? indices[i] : low;
      high = indices[i] > high ? indices[i] : high;
    }
  }
  if (count == 0) low = 0;
  ranges_[nextRange_] = {version, start, count, low, high};
  nextRange_ = (nextRange_ + 1) % kCachedRanges;
  *lowest = low;
  *highest = high;
  return true;
}

}  // namespace gfx
