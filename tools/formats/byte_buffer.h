// A growing byte string with big- and little-endian number appends, shared by
// the file writers (LWOB is big-endian, TGA and IT are little-endian).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace demo {

class ByteBuffer {
public:
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    size_t Size() const { return bytes_.size(); }

    ByteBuffer& U8(uint32_t v) {
        bytes_.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    ByteBuffer& U16BE(uint32_t v) { return U8(v >> 8).U8(v); }
    ByteBuffer& U32BE(uint32_t v) { return U16BE(v >> 16).U16BE(v); }
    ByteBuffer& F32BE(float v) { return U32BE(std::bit_cast<uint32_t>(v)); }
    ByteBuffer& U16LE(uint32_t v) { return U8(v).U8(v >> 8); }
    ByteBuffer& U32LE(uint32_t v) { return U16LE(v).U16LE(v >> 16); }

    // The characters of text, without a terminator.
    ByteBuffer& Chars(std::string_view text) {
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        return *this;
    }
    // Exactly size bytes: text cut or filled with zero bytes.
    ByteBuffer& FixedText(std::string_view text, size_t size) {
        for (size_t i = 0; i < size; ++i) U8(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
        return *this;
    }
    ByteBuffer& Zeros(size_t count) {
        bytes_.insert(bytes_.end(), count, 0);
        return *this;
    }
    ByteBuffer& Append(const ByteBuffer& more) { return Append(more.bytes_); }
    ByteBuffer& Append(const std::vector<uint8_t>& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    // Overwrites four bytes already written (offsets filled in afterwards).
    void PatchU32LE(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
    void PatchU16LE(size_t at, uint32_t v) {
        bytes_.at(at) = static_cast<uint8_t>(v);
        bytes_.at(at + 1) = static_cast<uint8_t>(v >> 8);
    }

private:
    std::vector<uint8_t> bytes_;
};

// Writes bytes to path, creating missing folders; false when the file cannot be written.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace demo
