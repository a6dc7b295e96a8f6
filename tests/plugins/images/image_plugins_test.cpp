// The PNG, JPEG, BMP and IFF image plug-ins loaded with dlopen and driven as
// the engine drives them: every variant of each format against the pixels it
// was written from, damaged and lying files, and PNG screenshots.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "picture_writers.h"
#include "tessaly/plugin_interface.h"

namespace {

using namespace picturetest;
namespace fs = std::filesystem;

std::vector<std::string> g_messages;
int Collect(const char* text) { return g_messages.push_back(text), 0; }

struct Plugin {
    void* library = nullptr;
    ImagePluginTable fns{};
};

class ImagePlugins : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = fs::temp_directory_path() / ("tessaly_images_" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    static void TearDownTestSuite() {
        fs::remove_all(dir);
        for (auto& [name, p] : plugins) dlclose(p.library);
        plugins.clear();
    }

    static const ImagePluginTable& Fns(const std::string& extension) {
        Plugin& p = plugins[extension];
        if (!p.library) {
            p.library = dlopen((std::string(TESSALY_BIN_DIR "/") + extension + ".so").c_str(), RTLD_NOW | RTLD_LOCAL);
            EXPECT_NE(p.library, nullptr) << dlerror();
            if (!p.library) std::abort();
#define BIND(field, type, exportName) p.fns.field = reinterpret_cast<type>(dlsym(p.library, #exportName));
            TESSALY_IMAGE_PLUGIN_ENTRIES(BIND)
#undef BIND
            EXPECT_TRUE(p.fns.Load2D && p.fns.GetImageData && p.fns.GetImagePointer && p.fns.Save2D);
        }
        return p.fns;
    }

    // Writes bytes as dir/name and reads it through the plug-in of name's extension.
    static Rgb Load(const Bytes& bytes, const std::string& name) {
        const std::string path = (dir / name).string();
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return LoadFile(path);
    }
    static Rgb LoadFile(const std::string& path) {
        const ImagePluginTable& fns = Fns(fs::path(path).extension().string().substr(1));
        g_messages.clear();
        fns.Load2D(path.c_str(), Collect);
        int bits = 0;
        Rgb r;
        fns.GetImageData(&r.width, &r.height, &bits, Collect);
        r.channels = bits / 8;
        const uint8_t* p = fns.GetImagePointer(Collect);
        EXPECT_EQ(p, fns.GetImagePointer(Collect));
        EXPECT_EQ(p != nullptr, r.width > 0);
        if (p) r.pixels.assign(p, p + size_t(r.width) * r.height * r.channels);
        return r;
    }

    // A file that must not load: nothing read, one message line naming the file
    // and, when given, containing `about`.
    static void ExpectRefused(const Bytes& bytes, const std::string& name, const std::string& about = "") {
        SCOPED_TRACE(name);
        const Rgb r = Load(bytes, name);
        EXPECT_EQ(r.width + r.height + r.channels, 0);
        ASSERT_EQ(g_messages.size(), 1u);
        const std::string& m = g_messages[0];
        EXPECT_NE(m.find((dir / name).string()), std::string::npos) << m;
        EXPECT_NE(m.find(about), std::string::npos) << m;
        EXPECT_EQ(std::count(m.begin(), m.end(), '\n'), 1) << m;
        EXPECT_EQ(m.back(), '\n');
    }

    static inline std::map<std::string, Plugin> plugins;
    static inline fs::path dir;
};

// Largest difference of any channel (the pictures must have the same shape).
int MaxDifference(const Rgb& a, const Rgb& b) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    EXPECT_EQ(a.channels, b.channels);
    if (a.pixels.size() != b.pixels.size()) return 256;
    int most = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) most = std::max(most, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return most;
}

Rgb Expected(int width, int height, int channels, const std::function<void(int x, int y, uint8_t* out)>& pixel) {
    Rgb p{width, height, channels, Bytes(size_t(width) * height * channels)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixel(x, y, p.pixels.data() + (size_t(y) * width + x) * channels);
    return p;
}

TEST_F(ImagePlugins, PngEveryColourTypeAndDepthDecodesExactly) {
    const int w = 13, h = 7;  // odd sizes: rows of bit-packed samples end mid-byte
    auto samples = [&](int channels, int most) {
        std::vector<int> s(size_t(w) * h * channels);
        for (size_t i = 0; i < s.size(); ++i) s[i] = int(i * 7919 % (most + 1));
        return s;
    };
    // Grey at 1, 2, 4 and 8 bits, scaled to 8-bit values.
    for (int depth : {1, 2, 4, 8}) {
        const std::vector<int> s = samples(1, (1 << depth) - 1);
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(depth * 10 + interlaced);
            const Rgb r = Load(WritePng({w, h, 0, depth, interlaced, s}), "grey.png");
            EXPECT_EQ(MaxDifference(r, Expected(w, h, 3,
                                                [&](int x, int y, uint8_t* o) {
                                                    o[0] = o[1] = o[2] =
                                                        uint8_t(s[y * w + x] * 255 / ((1 << depth) - 1));
                                                })),
                      0);
        }
    }
    // Grey with alpha, RGB, RGBA at 8 and 16 bits (16-bit values rounded to 8).
    for (int type : {4, 2, 6})
        for (int depth : {8, 16})
            for (bool interlaced : {false, true}) {
                SCOPED_TRACE(type * 100 + depth * 10 + interlaced);
                const int channels = type == 4 ? 2 : type == 2 ? 3 : 4;
                const int most = (1 << depth) - 1;
                const std::vector<int> s = samples(channels, most);
                const Rgb r = Load(WritePng({w, h, type, depth, interlaced, s}), "colour.png");
                auto to8 = [&](int v) { return uint8_t((v * 255 + most / 2) / most); };
                EXPECT_EQ(MaxDifference(r, Expected(w, h, type == 2 ? 3 : 4,
                                                    [&](int x, int y, uint8_t* o) {
                                                        const int* in = s.data() + (size_t(y) * w + x) * channels;
                                                        for (int k = 0; k < 3; ++k) o[k] = to8(in[type == 4 ? 0 : k]);
                                                        if (type != 2) o[3] = to8(in[channels - 1]);
                                                    })),
                          0);
            }
    // Palette at 4 and 8 bits, without and with transparency (tRNS shorter than the palette).
    Bytes palette;
    for (int i = 0; i < 16 * 3; ++i) palette.push_back(uint8_t(i * 53));
    const Bytes trns = {0, 128, 255, 7};
    for (int depth : {4, 8})
        for (bool transparent : {false, true}) {
            SCOPED_TRACE(depth * 10 + transparent);
            const std::vector<int> s = samples(1, 15);
            const Rgb r = Load(WritePng({w, h, 3, depth, false, s, palette, transparent ? trns : Bytes{}}), "pal.png");
            EXPECT_EQ(MaxDifference(r, Expected(w, h, transparent ? 4 : 3,
                                                [&](int x, int y, uint8_t* o) {
                                                    const int i = s[y * w + x];
                                                    for (int k = 0; k < 3; ++k) o[k] = palette[i * 3 + k];
                                                    if (transparent) o[3] = i < 4 ? trns[i] : 255;
                                                })),
                      0);
        }
}

TEST_F(ImagePlugins, JpegBaselineProgressiveGreyAndCmykDecodeClose) {
    const Rgb source = Gradient(40, 24, 3);
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::Grey, JpegKind::Cmyk}) {
        SCOPED_TRACE(int(kind));
        Rgb expected = source;
        if (kind == JpegKind::Grey)
            for (size_t i = 0; i < expected.pixels.size(); i += 3)
                expected.pixels[i + 1] = expected.pixels[i + 2] = expected.pixels[i];
        const Rgb r = Load(WriteJpeg(source, kind), "picture.jpg");
        EXPECT_LE(MaxDifference(r, expected), 8);
    }
    // jpeg.so is the same reader.
    EXPECT_LE(MaxDifference(Load(WriteJpeg(source, JpegKind::Baseline), "picture.jpeg"), source), 8);
}

TEST_F(ImagePlugins, BmpDepthsAndRowOrdersDecodeExactly) {
    const Rgb rgb = Gradient(13, 5, 3), rgba = Gradient(13, 5, 4);
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown);
        EXPECT_EQ(MaxDifference(Load(WriteBmp(rgb, 24, topDown), "p.bmp"), rgb), 0);
        EXPECT_EQ(MaxDifference(Load(WriteBmp(rgba, 32, topDown), "p.bmp"), rgba), 0);
        Bytes indices(13 * 5), palette;
        for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i % 6);
        for (int i = 0; i < 6 * 3; ++i) palette.push_back(uint8_t(40 * i + 3));
        EXPECT_EQ(MaxDifference(Load(WriteBmp({13, 5}, 8, topDown, indices, palette), "p.bmp"),
                                Expected(13, 5, 3,
                                         [&](int x, int y, uint8_t* o) {
                                             for (int k = 0; k < 3; ++k) o[k] = palette[indices[y * 13 + x] * 3 + k];
                                         })),
                  0);
    }
}

TEST_F(ImagePlugins, IlbmPlanesHalfBrightAndDeepPicturesDecodeExactly) {
    const int w = 21, h = 5;  // not a multiple of 16: the rows are padded in the file
    Bytes cmap;
    for (int i = 0; i < 256 * 3; ++i)
        cmap.push_back(uint8_t(i * 37 % 256 & 0xF0));  // colour maps often keep 4 bits per gun
    auto values = [&](uint32_t most) {
        std::vector<uint32_t> v(size_t(w) * h);
        for (size_t i = 0; i < v.size(); ++i) v[i] = uint32_t(i * 2654435761u % (most + 1));
        return v;
    };
    auto mapped = [&](const std::vector<uint32_t>& v, bool halfBright) {
        return Expected(w, h, 3, [&](int x, int y, uint8_t* o) {
            const uint32_t i = v[size_t(y) * w + x];
            for (int k = 0; k < 3; ++k) o[k] = halfBright && i >= 32 ? cmap[(i - 32) * 3 + k] / 2 : cmap[i * 3 + k];
        });
    };
    for (int planes : {1, 4, 5, 8})
        for (bool compressed : {false, true}) {
            SCOPED_TRACE(planes * 10 + compressed);
            const std::vector<uint32_t> v = values((1u << planes) - 1);
            const Bytes map(cmap.begin(), cmap.begin() + (3 << planes));
            EXPECT_EQ(MaxDifference(Load(WriteIlbm(w, h, planes, v, map, compressed), "p.iff"), mapped(v, false)), 0);
        }
    // A transparent colour (BMHD masking 2, colour 5) becomes alpha.
    const std::vector<uint32_t> keyed = values(15);
    Bytes file = WriteIlbm(w, h, 4, keyed, Bytes(cmap.begin(), cmap.begin() + 48), true);
    file[8 + 4 + 8 + 9] = 2;
    file[8 + 4 + 8 + 13] = 5;
    const Rgb opaque = mapped(keyed, false);
    EXPECT_EQ(MaxDifference(Load(file, "keyed.iff"), Expected(w, h, 4,
                                                              [&](int x, int y, uint8_t* o) {
                                                                  const size_t i = size_t(y) * w + x;
                                                                  std::copy_n(opaque.pixels.data() + i * 3, 3, o);
                                                                  o[3] = keyed[i] == 5 ? 0 : 255;
                                                              })),
              0);
    const std::vector<uint32_t> ehb = values(63);
    EXPECT_EQ(MaxDifference(Load(WriteIlbm(w, h, 6, ehb, Bytes(cmap.begin(), cmap.begin() + 96), true, 0x80), "p.lbm"),
                            mapped(ehb, true)),
              0);
    // Deep pictures; the compressed one also carries a colour map, which the
    // library would crash on.
    const std::vector<uint32_t> deep = values(0xFFFFFF);
    for (bool compressed : {false, true})
        EXPECT_EQ(
            MaxDifference(Load(WriteIlbm(w, h, 24, deep, compressed ? Bytes(cmap.begin(), cmap.begin() + 96) : Bytes{},
                                         compressed),
                               "deep.iff"),
                          Expected(w, h, 3,
                                   [&](int x, int y, uint8_t* o) {
                                       const uint32_t c = deep[size_t(y) * w + x];
                                       o[0] = uint8_t(c), o[1] = uint8_t(c >> 8), o[2] = uint8_t(c >> 16);
                                   })),
            0)
            << compressed;

    // A mask plane after each row's colour planes: written as a fifth plane,
    // then the header says four planes and a mask. The mask becomes alpha.
    const std::vector<uint32_t> masked = values(31);
    for (bool compressed : {false, true}) {
        Bytes file = WriteIlbm(w, h, 5, masked, Bytes(cmap.begin(), cmap.begin() + 48), compressed);
        file[8 + 4 + 8 + 8] = 4;
        file[8 + 4 + 8 + 9] = 1;
        EXPECT_EQ(MaxDifference(Load(file, "masked.iff"), Expected(w, h, 4,
                                                                   [&](int x, int y, uint8_t* o) {
                                                                       const uint32_t v = masked[size_t(y) * w + x];
                                                                       std::copy_n(cmap.data() + (v & 15) * 3, 3, o);
                                                                       o[3] = v & 16 ? 255 : 0;
                                                                   })),
                  0)
            << compressed;
    }

    // Hold-and-modify, six planes: a map colour, or the colour to the left
    // with one gun replaced (control 1 blue, 2 red, 3 green); rows start from
    // colour 0.
    const std::vector<uint32_t> ham = values(63);
    EXPECT_EQ(MaxDifference(Load(WriteIlbm(w, h, 6, ham, Bytes(cmap.begin(), cmap.begin() + 48), true, 0x800), "h.iff"),
                            Expected(w, h, 3,
                                     [&](int x, int y, uint8_t* o) {
                                         uint8_t c[3] = {cmap[0], cmap[1], cmap[2]};
                                         for (int i = 0; i <= x; ++i) {
                                             const uint32_t v = ham[size_t(y) * w + i], level = v & 15;
                                             if (v >> 4 == 0)
                                                 std::copy_n(cmap.data() + level * 3, 3, c);
                                             else
                                                 c[v >> 4 == 1 ? 2 : v >> 4 == 2 ? 0 : 1] = uint8_t(level * 17);
                                         }
                                         std::copy_n(c, 3, o);
                                     })),
              0);

    // PBM: a byte per pixel, rows of odd width padded to even, the body
    // compressed as one stream whose runs cross the rows.
    const std::vector<uint32_t> chunky = values(255);
    for (bool compressed : {false, true})
        EXPECT_EQ(MaxDifference(Load(WritePbm(w, h, chunky, cmap, compressed), "p.lbm"), mapped(chunky, false)), 0)
            << compressed;
}

TEST_F(ImagePlugins, DamagedLyingAndUnreadFilesGiveWidthZeroAndOneLine) {
    // A PNG header claiming 100,000 x 100,000 pixels (valid CRC), and one
    // inside the sides but above the pixel cap.
    Bytes huge = WritePng({100000, 100000, 0, 1, false, {}});
    ExpectRefused(huge, "huge.png", "100000 x 100000");
    ExpectRefused(WritePng({16384, 8192, 0, 1, false, {}}), "many.png", "Mpixels");
    const Bytes png = WritePng({64, 64, 2, 8, false, std::vector<int>(64 * 64 * 3, 77)});
    for (size_t cut : {size_t(20), size_t(60), png.size() - 13})
        ExpectRefused(Bytes(png.begin(), png.begin() + long(cut)), "cut.png");
    ExpectRefused(WriteJpeg(Gradient(8, 8, 3), JpegKind::Baseline), "jpeg.png", "no PNG signature");

    const Bytes jpeg = WriteJpeg(Gradient(64, 64, 3), JpegKind::Baseline);
    ExpectRefused(Bytes(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2)), "cut.jpg", "Premature end");
    const Bytes progressive = WriteJpeg(Gradient(64, 64, 3), JpegKind::Progressive);
    ExpectRefused(Bytes(progressive.begin(), progressive.begin() + long(progressive.size() * 2 / 3)), "cut.jpg");
    ExpectRefused(Bytes(jpeg.begin(), jpeg.begin() + 100), "header.jpg");

    const Bytes bmp = WriteBmp(Gradient(9, 9, 3), 24, false);
    auto withSize = [&](int32_t width, int32_t height) {
        Bytes b = bmp;
        for (int k = 0; k < 4; ++k)
            b[18 + k] = uint8_t(uint32_t(width) >> (8 * k)), b[22 + k] = uint8_t(uint32_t(height) >> (8 * k));
        return b;
    };
    ExpectRefused(withSize(-9, 9), "negative.bmp", "-9 x 9");
    ExpectRefused(withSize(9, INT32_MIN), "lowest.bmp");
    ExpectRefused(withSize(1 << 30, 2), "wide.bmp", "larger than");
    ExpectRefused(withSize(16384, 16384), "many.bmp", "Mpixels");
    ExpectRefused(Bytes(bmp.begin(), bmp.end() - 40), "cut.bmp");

    const std::vector<uint32_t> values(21 * 6, 5);
    const Bytes cmap(48, 9);
    ExpectRefused(WriteIlbm(21, 6, 4, values, cmap, false, 0, 10), "short.iff", "BODY");
    ExpectRefused(WriteIlbm(21, 6, 4, values, cmap, true, 0, 4), "short.lbm");
    ExpectRefused(WriteIlbm(21, 6, 12, values, cmap, false), "twelve.iff", "12 bit planes");
    Bytes squeezed = WriteIlbm(21, 6, 4, values, cmap, false);
    squeezed[8 + 4 + 8 + 10] = 3;  // BMHD compression: only none and ByteRun1 exist
    ExpectRefused(squeezed, "squeezed.iff", "compression 3");
    Bytes lying = WriteIlbm(21, 6, 4, values, cmap, false);
    lying[8 + 4 + 8 + 2] = 0xFF;  // BMHD height 65,535 + 6
    ExpectRefused(lying, "lying.iff");
    ExpectRefused(Bytes(lying.begin(), lying.begin() + 30), "header.iff");

    ExpectRefused({}, "empty.png", "no PNG signature");
    Load({}, "missing/none.jpg");
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "jpg.dll r_Load2D : Error, could not open " + (dir / "missing/none.jpg").string() +
                                 " (cannot be opened)\n");
}

TEST_F(ImagePlugins, PngScreenshotsReadBackAndOtherFormatsRefuseToWrite) {
    Bytes bgr(3 * 40 * 3);  // 40x3 in rows of 3*40+... bytes: B,G,R as the back buffer holds them
    for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = uint8_t(i * 13);
    const std::string path = (dir / "ts000.png").string();
    const ImagePluginTable& png = Fns("png");
    for (int bits : {24, 32}) {
        SCOPED_TRACE(bits);
        const int width = 120 / (bits / 8) - 1, pitch = 120;  // rows 120 bytes apart, one pixel unused
        ASSERT_EQ(png.Save2D(path.c_str(), bgr.data(), bits, 3, width, pitch, 0, Collect), 0);
        EXPECT_EQ(MaxDifference(LoadFile(path), Expected(width, 3, 3,
                                                         [&](int x, int y, uint8_t* o) {
                                                             const uint8_t* in =
                                                                 bgr.data() + y * pitch + x * (bits / 8);
                                                             o[0] = in[2], o[1] = in[1], o[2] = in[0];
                                                         })),
                  0);
    }
    g_messages.clear();
    const std::string missing = (dir / "missing" / "ts.png").string();
    EXPECT_EQ(png.Save2D(missing.c_str(), bgr.data(), 24, 3, 40, 120, 0, Collect), -1);
    EXPECT_EQ(g_messages.back(), "png.dll r_Save2D : Error, could not create " + missing + "\n");
    for (const char* extension : {"jpg", "bmp", "iff"}) {
        g_messages.clear();
        const std::string shot = (dir / "ts.").string() + extension;
        EXPECT_EQ(Fns(extension).Save2D(shot.c_str(), bgr.data(), 24, 3, 40, 120, 0, Collect), -1);
        EXPECT_EQ(g_messages.size(), 1u);
        EXPECT_FALSE(fs::exists(shot));
    }
}

}  // namespace
