// The TGA encoder every writer shares: header, row order and pixel layout for
// each layout the writers use, and refusal of what it cannot write.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/tga_encoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A 2 x 2 picture, 4 bytes a pixel (B,G,R,A), pitch 12 (4 bytes of padding a row).
const uint8_t kPixels[] = {
    1, 2,  3,  4,  5,  6,  7,  8,  0xEE, 0xEE, 0xEE, 0xEE,  // top row
    9, 10, 11, 12, 13, 14, 15, 16, 0xEE, 0xEE, 0xEE, 0xEE,  // bottom row
};

Bytes Header(int width, int height, int bits, uint8_t descriptor) {
    Bytes h(18, 0);
    h[2] = 2;
    h[12] = width & 0xFF;
    h[13] = width >> 8;
    h[14] = height & 0xFF;
    h[15] = height >> 8;
    h[16] = static_cast<uint8_t>(bits);
    h[17] = descriptor;
    return h;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TgaEncoder, EachLayoutGivesItsHeaderRowOrderAndPixels) {
    // 24 bits bottom first (screenshots): alpha dropped, padding skipped.
    EXPECT_EQ(TgaBytes(kPixels, 4, 12, TgaLayout{2, 2, 24, false}),
              Concat(Header(2, 2, 24, 0), {9, 10, 11, 13, 14, 15, 1, 2, 3, 5, 6, 7}));
    // 24 bits top first (captured frames).
    EXPECT_EQ(TgaBytes(kPixels, 4, 12, TgaLayout{2, 2, 24, true}),
              Concat(Header(2, 2, 24, 0x20), {1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15}));
    // 32 bits top first keeps alpha and says so in the descriptor.
    EXPECT_EQ(TgaBytes(kPixels, 4, 12, TgaLayout{2, 2, 32, true}),
              Concat(Header(2, 2, 32, 0x28), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    // 3-byte source rows with a pitch wider than the row.
    const uint8_t rgb[] = {1, 2, 3, 0, 4, 5, 6, 0};
    EXPECT_EQ(TgaBytes(rgb, 3, 4, TgaLayout{1, 2, 24, false}), Concat(Header(1, 2, 24, 0), {4, 5, 6, 1, 2, 3}));
    // Sides above 255 use both bytes.
    std::vector<uint8_t> wide(size_t(300) * 3, 7);
    const Bytes file = TgaBytes(wide.data(), 3, 900, TgaLayout{300, 1, 24, true});
    ASSERT_EQ(file.size(), 18u + 900u);
    EXPECT_EQ(file[12], 300 & 0xFF);
    EXPECT_EQ(file[13], 1);
}

TEST(TgaEncoder, RefusesWhatItCannotWriteAndStopsAtAFailedWrite) {
    EXPECT_TRUE(TgaBytes(kPixels, 4, 12, TgaLayout{0, 2, 24, false}).empty());
    EXPECT_TRUE(TgaBytes(kPixels, 4, 12, TgaLayout{70000, 1, 24, false}).empty());
    EXPECT_TRUE(TgaBytes(kPixels, 3, 12, TgaLayout{2, 2, 32, false}).empty());  // no alpha to keep
    EXPECT_TRUE(TgaBytes(kPixels, 4, 7, TgaLayout{2, 2, 24, false}).empty());   // pitch shorter than a row
    EXPECT_TRUE(TgaBytes(kPixels, 2, 12, TgaLayout{2, 2, 16, false}).empty());

    // A sink that refuses its third write: the header and one row went out, no more.
    struct Count {
        int writes = 0;
    } count;
    const TgaSink refuseThird = [](void* context, const uint8_t*, size_t) {
        return ++static_cast<Count*>(context)->writes < 3;
    };
    EXPECT_FALSE(EncodeTga(kPixels, 4, 12, TgaLayout{2, 2, 24, true}, refuseThird, &count));
    EXPECT_EQ(count.writes, 3);
}

}  // namespace
