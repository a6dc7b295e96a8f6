// Pictures for the PNG, JPEG, BMP and ILBM plug-ins: the bytes are decoded as
// r_Load2D decodes a file (which decoder is chosen at build time through
// IMAGE_FUZZ_DECODER). A picture that decodes must lie within the limits; a
// refused one leaves nothing behind and says why. Decoded PNG pictures are
// written again with the screenshot encoder (from the back-buffer layout,
// blue, green, red) and must decode to the same colours.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "plugins/images/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    images::Picture picture;
    std::string fault;
    if (!images::IMAGE_FUZZ_DECODER(std::span<const uint8_t>(bytes, size), picture, fault)) {
        FUZZ_CHECK(!picture.pixels && picture.width == 0 && !fault.empty());
        FUZZ_CHECK(fault.find('\n') == std::string::npos);
        return 0;
    }
    FUZZ_CHECK(picture.pixels && (picture.bits == 24 || picture.bits == 32));
    FUZZ_CHECK(picture.width >= 1 && picture.width <= images::kMaxSide);
    FUZZ_CHECK(picture.height >= 1 && picture.height <= images::kMaxSide);
    const size_t pixels = size_t(picture.width) * picture.height;
    FUZZ_CHECK(pixels <= images::kMaxPixels);
    // Every byte of the picture was written (MemorySanitizer would say so; here
    // reading them all at least proves they are there).
    unsigned sum = 0;
    for (size_t i = 0; i < pixels * (picture.bits / 8); ++i) sum += picture.pixels[i];
    (void)sum;

#ifdef IMAGE_FUZZ_ROUND_TRIP
    if (pixels > (1u << 18)) return 0;  // large pictures only cost time here
    const int bpp = picture.bits / 8;
    std::vector<uint8_t> bgr(pixels * bpp);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = picture.pixels.get() + i * bpp;
        uint8_t* q = bgr.data() + i * bpp;
        q[0] = p[2], q[1] = p[1], q[2] = p[0];
        if (bpp == 4) q[3] = p[3];
    }
    char* written = nullptr;
    size_t writtenSize = 0;
    std::FILE* file = open_memstream(&written, &writtenSize);
    FUZZ_CHECK(file != nullptr);
    const bool encoded =
        images::EncodePng(file, bgr.data(), bpp, picture.width, picture.height, picture.width * bpp, fault);
    FUZZ_CHECK(std::fclose(file) == 0 && encoded);
    images::Picture again;
    FUZZ_CHECK(images::DecodePng(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(written), writtenSize),
                                 again, fault));
    std::free(written);
    FUZZ_CHECK(again.width == picture.width && again.height == picture.height && again.bits == 24);
    for (size_t i = 0; i < pixels; ++i)
        FUZZ_CHECK(std::memcmp(again.pixels.get() + i * 3, picture.pixels.get() + i * bpp, 3) == 0);
#endif
    return 0;
}
