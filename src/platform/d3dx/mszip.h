// MSZIP framing of the compressed .x forms: after the 16-byte header a u32
// total size (header included), then blocks of
//   u16 uncompressed size, u16 compressed size (+2), 'C' 'K', raw deflate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The largest body a compressed file may declare: far above any mesh the
// show carries, small enough that a forged size cannot exhaust memory.
constexpr size_t kMszipMaxBody = 64u << 20;

// Inflates the blocks that follow the 16-byte header. data/size cover the
// whole file. Blocks may refer back into the previous block's output
// (history kept) or be self-contained. False with a one-line reason naming
// the byte offset on any inconsistency.
bool MszipDecode(const uint8_t* data, size_t size, std::vector<uint8_t>* body,
                 std::string* reason);

// Appends the u32 total and the blocks for body: 32 KiB chunks, each a
// self-contained deflate stream, so readers that reset between blocks
// read it too.
bool MszipEncode(const std::vector<uint8_t>& body, std::vector<uint8_t>* out);
