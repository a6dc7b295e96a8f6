// TGA pictures: the bytes are decoded as r_Load2D decodes a file. A picture
// that decodes is written again with the screenshot encoder (from the
// back-buffer layout, blue, green, red) and must decode to the same colours.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "common/tga_encoder.h"
#include "fuzz/fuzz_common.h"
#include "plugins/tga/tga_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    tga::Picture picture;
    const tga::DecodeResult result = tga::Decode(std::span<const uint8_t>(bytes, size), picture);
    if (result != tga::DecodeResult::Ok) {
        FUZZ_CHECK(!picture.pixels && picture.width == 0);
        return 0;
    }
    FUZZ_CHECK(picture.pixels && (picture.bits == 24 || picture.bits == 32));
    FUZZ_CHECK(picture.width >= 1 && picture.width <= tga::kMaxSide);
    FUZZ_CHECK(picture.height >= 1 && picture.height <= tga::kMaxSide);

    // Large pictures only cost time here; the decoder has seen them already.
    const size_t pixels = size_t(picture.width) * picture.height;
    if (pixels > (1u << 18)) return 0;
    const int bpp = picture.bits / 8;
    std::vector<uint8_t> bgr(pixels * bpp);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = picture.pixels.get() + i * bpp;
        uint8_t* q = bgr.data() + i * bpp;
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
        if (bpp == 4) q[3] = p[3];
    }
    char* written = nullptr;
    size_t writtenSize = 0;
    std::FILE* file = open_memstream(&written, &writtenSize);
    FUZZ_CHECK(file != nullptr);
    const bool encoded =
        WriteTga(file, bgr.data(), bpp, picture.width * bpp, TgaLayout{picture.width, picture.height, 24, false});
    FUZZ_CHECK(std::fclose(file) == 0 && encoded);

    tga::Picture again;
    FUZZ_CHECK(tga::Decode(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(written), writtenSize), again) ==
               tga::DecodeResult::Ok);
    std::free(written);
    FUZZ_CHECK(again.width == picture.width && again.height == picture.height && again.bits == 24);
    for (size_t i = 0; i < pixels; ++i)
        FUZZ_CHECK(std::memcmp(again.pixels.get() + i * 3, picture.pixels.get() + i * bpp, 3) == 0);
    return 0;
}
