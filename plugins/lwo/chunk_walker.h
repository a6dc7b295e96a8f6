// Bounds-checked reading of IFF data shared by both object generations: chunk
// headers (identifier, 32- or 16-bit length, data padded to even), a walker
// over the chunks of one parent, and a cursor over one chunk's data whose
// reads never pass its end.
#pragma once

#include <cstdint>

#include "common/vecmath.h"
#include "lwo_reader.h"

namespace lwo {

struct Chunk {
    const uint8_t* id = nullptr;    // the four identifier bytes
    int64_t offset = 0;             // of the identifier, from the start of the file
    int64_t length = 0;             // the length as stored
    const uint8_t* body = nullptr;  // first data byte
    int64_t span = 0;               // data bytes inside the parent: length, or less when the chunk is cut
};

// Reads the chunk header at byte `at` of data (sizeBytes 4 or 2) with `end`
// the end of the parent. False when the header itself does not fit; a chunk
// whose length runs past end comes back with span < length.
bool ReadChunkHeader(const uint8_t* data, int64_t at, int64_t end, int sizeBytes, Chunk& out);

// The chunks of one parent, each found after the padded end of the one before.
class ChunkWalker {
public:
    ChunkWalker(const uint8_t* data, int64_t begin, int64_t end, int sizeBytes);
    // Walkers over the data of a chunk (sub-chunks with 16-bit lengths).
    ChunkWalker(const uint8_t* data, const Chunk& parent, int64_t skip = 0);

    // The next chunk; false at the end. A header cut short or a chunk that
    // runs past the parent marks the walk damaged; the cut chunk is handed
    // out with its span clamped and is the last.
    bool Next(Chunk& chunk);
    bool Damaged() const { return damaged_; }
    // Where a header cut short by the parent's end starts; -1 when none was.
    int64_t CutHeaderAt() const { return cutHeaderAt_; }

private:
    const uint8_t* data_;
    int64_t at_;
    int64_t end_;
    int sizeBytes_;
    bool damaged_ = false;
    int64_t cutHeaderAt_ = -1;
};

// Reads big-endian values from [p, p + n). A read that does not fit returns
// zeros and marks the cursor short; it never reads past the end.
class ByteCursor {
public:
    ByteCursor(const uint8_t* p, int64_t n) : p_(p), n_(n > 0 ? n : 0) {}
    explicit ByteCursor(const Chunk& chunk) : ByteCursor(chunk.body, chunk.span) {}

    int64_t Left() const { return n_ - at_; }
    int64_t Position() const { return at_; }
    bool Short() const { return short_; }
    const uint8_t* Here() const { return p_ + at_; }

    uint16_t U2();
    uint32_t U4();
    float F4();
    Vector3 Vec();
    // A point or polygon index: two bytes below 0xFF00, else four with the
    // first byte dropped.
    uint32_t VX();
    // A zero-terminated text padded to even length, cut to fit out.
    void Text(char (&out)[kNameLength]);
    void Skip(int64_t n);

private:
    bool Take(int64_t n);
    const uint8_t* p_;
    int64_t n_;
    int64_t at_ = 0;
    bool short_ = false;
};

}  // namespace lwo
