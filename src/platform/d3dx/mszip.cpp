#include "platform/d3dx/mszip.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kBlockMax = 32768;

uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
         (uint32_t(p[3]) << 24);
}

std::string At(size_t offset, const char* what) {
  return "byte " + std::to_string(offset) + ": " + what;
}

struct Inflater {
  z_stream z{};
  bool ok = false;
  Inflater() { ok = inflateInit2(&z, -15) == Z_OK; }
  ~Inflater() {
    if (ok) inflateEnd(&z);
  }
};

struct Deflater {
  z_stream z{};
  bool ok = false;
  Deflater() {
    ok = deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~Deflater() {
    if (ok) deflateEnd(&z);
  }
};

}  // namespace

bool MszipDecode(const uint8_t* data, size_t size, std::vector<uint8_t>* body,
                 std::string* reason) {
  body->clear();
  if (size < kHeaderSize + 4) {
    *reason = At(kHeaderSize, "compressed file has no size field");
    return false;
  }
  const uint32_t total = ReadU32(data + kHeaderSize);
  if (total < kHeaderSize) {
    *reason = At(kHeaderSize, "compressed size smaller than the header");
    return false;
  }
  const size_t expected = total - kHeaderSize;
  if (expected > kMszipMaxBody) {
    *reason = At(kHeaderSize, "compressed size too large");
    return false;
  }
  Inflater inflater;
  if (!inflater.ok) {
    *reason = "inflate could not start";
    return false;
  }
  size_t pos = kHeaderSize + 4;
  size_t prevStart = 0, prevLen = 0;
  while (pos < size) {
    if (size - pos < 4) {
      *reason = At(pos, "block header cut short");
      return false;
    }
    const size_t usize = ReadU16(data + pos);
    const size_t csize = ReadU16(data + pos + 2);
    if (usize == 0 || usize > kBlockMax) {
      *reason = At(pos, "block size out of range");
      return false;
    }
    if (csize < 3 || csize > size - pos - 4) {
      *reason = At(pos + 2, "block data size out of range");
      return false;
    }
    if (data[pos + 4] != 'C' || data[pos + 5] != 'K') {
      *reason = At(pos + 4, "block has no CK signature");
      return false;
    }
    if (body->size() + usize > expected) {
      *reason = At(pos, "blocks hold more than the declared size");
      return false;
    }
    const size_t outStart = body->size();
    body->resize(outStart + usize);
    z_stream& z = inflater.z;
    inflateReset(&z);
    // The history window carries over from the previous block.
    if (prevLen && inflateSetDictionary(&z, body->data() + prevStart,
                                        static_cast<uInt>(prevLen)) != Z_OK) {
      *reason = At(pos, "inflate rejected the previous block as history");
      return false;
    }
    z.next_in = const_cast<Bytef*>(data + pos + 6);
    z.avail_in = static_cast<uInt>(csize - 2);
    z.next_out = body->data() + outStart;
    z.avail_out = static_cast<uInt>(usize);
    const int rc = inflate(&z, Z_FINISH);
    if (rc != Z_STREAM_END) {
      *reason = At(pos + 6, z.msg ? z.msg : "deflate data ends early");
      return false;
    }
    if (z.avail_out != 0 || z.avail_in != 0) {
      *reason = At(pos, "block inflates to the wrong size");
      return false;
    }
    prevStart = outStart;
    prevLen = usize;
    pos += 4 + csize;
  }
  if (body->size() != expected) {
    *reason = At(size, "blocks hold less than the declared size");
    return false;
  }
  return true;
}

bool MszipEncode(const std::vector<uint8_t>& body, std::vector<uint8_t>* out) {
  const uint32_t total = static_cast<uint32_t>(body.size() + kHeaderSize);
  for (int i = 0; i < 4; ++i) out->push_back(uint8_t(total >> (8 * i)));
  Deflater deflater;
  if (!deflater.ok) return false;
  std::vector<uint8_t> chunk;
  for (size_t start = 0; start < body.size(); start += kBlockMax) {
    const size_t len = std::min(kBlockMax, body.size() - start);
    z_stream& z = deflater.z;
    deflateReset(&z);
    chunk.resize(deflateBound(&z, static_cast<uLong>(len)));
    z.next_in = const_cast<Bytef*>(body.data() + start);
    z.avail_in = static_cast<uInt>(len);
    z.next_out = chunk.data();
    z.avail_out = static_cast<uInt>(chunk.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) return false;
    const size_t produced = chunk.size() - z.avail_out;
    if (produced + 2 > 0xFFFF) return false;
    const uint16_t head[2] = {uint16_t(len), uint16_t(produced + 2)};
    for (uint16_t h : head) {
      out->push_back(uint8_t(h));
      out->push_back(uint8_t(h >> 8));
    }
    out->push_back('C');
    out->push_back('K');
    out->insert(out->end(), chunk.begin(), chunk.begin() + produced);
  }
  return true;
}
