#include "chunk_walker.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "big_endian.h"

namespace lwo {

bool ReadChunkHeader(const uint8_t* data, int64_t at, int64_t end, int sizeBytes, Chunk& out) {
    const int64_t header = 4 + sizeBytes;
    if (at < 0 || end - at < header) return false;
    out.id = data + at;
    out.offset = at;
    out.length = sizeBytes == 4 ? int64_t{ReadU32(data + at + 4)} : int64_t{ReadU16(data + at + 4)};
    out.body = data + at + header;
    out.span = std::min(out.length, end - (at + header));
    return true;
}

ChunkWalker::ChunkWalker(const uint8_t* data, int64_t begin, int64_t end, int sizeBytes)
    : data_(data), at_(begin), end_(end), sizeBytes_(sizeBytes) {}

ChunkWalker::ChunkWalker(const uint8_t* data, const Chunk& parent, int64_t skip)
    : data_(data),
      at_(parent.body - data + std::min(skip, parent.span)),
      end_(parent.body - data + parent.span),
      sizeBytes_(2) {}

bool ChunkWalker::Next(Chunk& chunk) {
    if (at_ >= end_) return false;
    if (!ReadChunkHeader(data_, at_, end_, sizeBytes_, chunk)) {
        // A lone pad byte at the very end is allowed; anything longer is a cut header.
        if (end_ - at_ > 1) {
            damaged_ = true;
            cutHeaderAt_ = at_;
        }
        at_ = end_;
        return false;
    }
    if (chunk.span < chunk.length) {
        damaged_ = true;
        at_ = end_;
        return true;
    }
    at_ += 4 + sizeBytes_ + chunk.length + (chunk.length & 1);
    return true;
}

bool ByteCursor::Take(int64_t n) {
    if (short_ || n > n_ - at_) {
        short_ = true;
        at_ = n_;
        return false;
    }
    return true;
}

uint16_t ByteCursor::U2() {
    if (!Take(2)) return 0;
    const uint16_t v = ReadU16(p_ + at_);
    at_ += 2;
    return v;
}

uint32_t ByteCursor::U4() {
    if (!Take(4)) return 0;
    const uint32_t v = ReadU32(p_ + at_);
    at_ += 4;
    return v;
}

float ByteCursor::F4() { return std::bit_cast<float>(U4()); }

Vector3 ByteCursor::Vec() {
    const float x = F4(), y = F4(), z = F4();
    return Vector3{x, y, z};
}

uint32_t ByteCursor::VX() {
    if (!Take(2)) return 0;
    if (p_[at_] != 0xFF) return U2();
    return U4() & 0x00FFFFFFu;
}

void ByteCursor::Text(char (&out)[kNameLength]) {
    std::memset(out, 0, sizeof out);
    const int64_t start = at_;
    int n = 0;
    while (at_ < n_ && p_[at_] != 0) {
        if (n < kNameLength - 1) out[n++] = static_cast<char>(p_[at_]);
        ++at_;
    }
    if (at_ >= n_) {
        short_ = true;  // no terminating zero before the end
        return;
    }
    ++at_;
    if (((at_ - start) & 1) && at_ < n_) ++at_;  // the pad byte; a text that ends its chunk may go without one
}

void ByteCursor::Skip(int64_t n) {
    if (n > 0 && Take(n)) at_ += n;
}

}  // namespace lwo
