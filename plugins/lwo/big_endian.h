// Big-endian field reads for object data. Callers check that the bytes exist.
#pragma once

#include <bit>
#include <cstdint>

namespace lwo {

inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

inline int16_t ReadI16(const uint8_t* p) { return static_cast<int16_t>(ReadU16(p)); }

inline uint32_t ReadU32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

// A four-character identifier as ReadU32 reads it, for switch labels.
constexpr uint32_t Id(const char (&text)[5]) {
    return (uint32_t(uint8_t(text[0])) << 24) | (uint32_t(uint8_t(text[1])) << 16) | (uint32_t(uint8_t(text[2])) << 8) |
           uint32_t(uint8_t(text[3]));
}

inline float ReadF32(const uint8_t* p) { return std::bit_cast<float>(ReadU32(p)); }

}  // namespace lwo
