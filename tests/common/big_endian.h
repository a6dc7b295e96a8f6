// Big-endian numbers appended to a byte string, for the tests that write
// IFF files (LWOB objects, ILBM pictures) by hand.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

namespace big_endian {

inline void U16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}
inline void U32(std::vector<uint8_t>& b, uint32_t v) {
    U16(b, v >> 16);
    U16(b, v & 0xFFFF);
}
inline void F32(std::vector<uint8_t>& b, float f) { U32(b, std::bit_cast<uint32_t>(f)); }

}  // namespace big_endian
