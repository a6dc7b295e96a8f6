// fuzz_image_seeds DIR: writes small valid pictures for the image harnesses
// into DIR/png, DIR/jpeg, DIR/bmp and DIR/ilbm, one of each variant the
// plug-ins read, with the writers of the plug-in tests.
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/plugins/images/picture_writers.h"

namespace {

namespace fs = std::filesystem;
using namespace picturetest;

fs::path g_out;

void Write(const std::string& kind, const std::string& name, const Bytes& bytes) {
    std::ofstream(g_out / kind / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<int> Samples(size_t count, int most) {
    std::vector<int> s(count);
    for (size_t i = 0; i < count; ++i) s[i] = int(i * 7919 % size_t(most + 1));
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_image_seeds DIR\n");
        return 2;
    }
    g_out = argv[1];
    for (const char* kind : {"png", "jpeg", "bmp", "ilbm"}) fs::create_directories(g_out / kind);

    const int w = 9, h = 5;
    Bytes palette;
    for (int i = 0; i < 16 * 3; ++i) palette.push_back(uint8_t(i * 53));
    Write("png", "grey1.png", WritePng({w, h, 0, 1, false, Samples(w * h, 1)}));
    Write("png", "grey8i.png", WritePng({w, h, 0, 8, true, Samples(w * h, 255)}));
    Write("png", "greyalpha16.png", WritePng({w, h, 4, 16, false, Samples(w * h * 2, 65535)}));
    Write("png", "rgb8.png", WritePng({w, h, 2, 8, false, Samples(w * h * 3, 255)}));
    Write("png", "rgba16i.png", WritePng({w, h, 6, 16, true, Samples(w * h * 4, 65535)}));
    Write("png", "palette4trns.png", WritePng({w, h, 3, 4, false, Samples(w * h, 15), palette, {0, 128, 255}}));

    const Rgb rgb = Gradient(16, 16, 3);
    Write("jpeg", "baseline.jpg", WriteJpeg(rgb, JpegKind::Baseline));
    Write("jpeg", "progressive.jpg", WriteJpeg(rgb, JpegKind::Progressive));
    Write("jpeg", "grey.jpg", WriteJpeg(rgb, JpegKind::Grey));
    Write("jpeg", "cmyk.jpg", WriteJpeg(rgb, JpegKind::Cmyk));

    const Rgb small = Gradient(w, h, 3), alpha = Gradient(w, h, 4);
    Write("bmp", "rgb24.bmp", WriteBmp(small, 24, false));
    Write("bmp", "rgba32top.bmp", WriteBmp(alpha, 32, true));
    Bytes indices(w * h);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i % 16);
    Write("bmp", "mapped8.bmp", WriteBmp({w, h}, 8, false, indices, palette));

    std::vector<uint32_t> values(w * h);
    for (size_t i = 0; i < values.size(); ++i) values[i] = uint32_t(i * 2654435761u);
    auto masked = [&](uint32_t mask) {
        std::vector<uint32_t> v = values;
        for (uint32_t& x : v) x &= mask;
        return v;
    };
    Bytes cmap(256 * 3);
    for (size_t i = 0; i < cmap.size(); ++i) cmap[i] = uint8_t(i * 37);
    Write("ilbm", "planes4.iff", WriteIlbm(w, h, 4, masked(15), Bytes(cmap.begin(), cmap.begin() + 48), false));
    Write("ilbm", "planes8rle.iff", WriteIlbm(w, h, 8, masked(255), cmap, true));
    Write("ilbm", "ehb.iff", WriteIlbm(w, h, 6, masked(63), Bytes(cmap.begin(), cmap.begin() + 96), true, 0x80));
    Write("ilbm", "ham6.iff", WriteIlbm(w, h, 6, masked(63), Bytes(cmap.begin(), cmap.begin() + 48), false, 0x800));
    Write("ilbm", "deep24rle.iff", WriteIlbm(w, h, 24, masked(0xFFFFFF), {}, true));
    Write("ilbm", "deep32.iff", WriteIlbm(w, h, 32, values, {}, false));
    Bytes maskPlane = WriteIlbm(w, h, 5, masked(31), Bytes(cmap.begin(), cmap.begin() + 48), true);
    maskPlane[8 + 4 + 8 + 8] = 4, maskPlane[8 + 4 + 8 + 9] = 1;  // four planes and a mask plane
    Write("ilbm", "maskplane.iff", maskPlane);
    Write("ilbm", "chunky.lbm", WritePbm(w, h, masked(255), cmap, true));
    return 0;
}
