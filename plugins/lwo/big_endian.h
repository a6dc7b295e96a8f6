// Big-endian field reads for LWOB data. Callers check that the bytes exist.
#pragma once

#include <bit>
#include <cstdint>

namespace lwo {

inline uint16_t ReadU16(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline int16_t ReadI16(const uint8_t* p)
{
    return static_cast<int16_t>(ReadU16(p));
}

inline uint32_t ReadU32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline float ReadF32(const uint8_t* p)
{
    return std::bit_cast<float>(ReadU32(p));
}

}  // namespace lwo
