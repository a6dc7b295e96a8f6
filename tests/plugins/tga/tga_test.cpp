// The TGA image plug-in loaded with dlopen, driven as the engine drives it.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tessaly/plugin_interface.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

std::string g_message;
int Capture(const char* text) { return g_message = text, 0; }

struct Loaded {
    int width = -1, height = -1, bits = -1;
    Bytes pixels;
};

class Tga : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library = dlopen(TESSALY_BIN_DIR "/tga.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
#define BIND(field, type, exportName) fns.field = reinterpret_cast<type>(dlsym(library, #exportName));
        TESSALY_IMAGE_PLUGIN_ENTRIES(BIND)
#undef BIND
        ASSERT_TRUE(fns.Load2D && fns.GetImageData && fns.GetImagePointer && fns.Save2D);
        dir = fs::temp_directory_path() / ("tessaly_tga_" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    static void TearDownTestSuite() {
        fs::remove_all(dir);
        if (library) dlclose(library);
    }

    static Loaded Load(const std::string& path) {
        Loaded r;
        g_message.clear();
        fns.Load2D(path.c_str(), Capture);
        fns.GetImageData(&r.width, &r.height, &r.bits, Capture);
        const uint8_t* p = fns.GetImagePointer(Capture);
        EXPECT_EQ(p, fns.GetImagePointer(Capture));  // the same pixels on every call
        EXPECT_EQ(p != nullptr, r.width > 0);
        if (p) r.pixels.assign(p, p + size_t(r.width) * r.height * (r.bits / 8));
        return r;
    }
    static Loaded LoadBytes(const Bytes& bytes, const char* name = "picture.tga") {
        const std::string path = (dir / name).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        if (f) std::fclose(f);
        return Load(path);
    }

    static inline void* library = nullptr;
    static inline ImagePluginTable fns{};
    static inline fs::path dir;
};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes r;
    for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
    return r;
}

// 18-byte header, then the image-ID field, the colour map and the data.
Bytes File(int type, int width, int height, int bits, int descriptor, const Bytes& data, const Bytes& map = {},
           int mapFirst = 0, int mapLength = 0, int mapBits = 0, const Bytes& id = {}) {
    return Cat(
        {{uint8_t(id.size()), uint8_t(mapLength ? 1 : 0), uint8_t(type), uint8_t(mapFirst), uint8_t(mapFirst >> 8),
          uint8_t(mapLength), uint8_t(mapLength >> 8), uint8_t(mapBits), 0, 0, 0, 0, uint8_t(width),
          uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8), uint8_t(bits), uint8_t(descriptor)},
         id,
         map,
         data});
}

// Stored B,G,R pixels, and the 2x2 picture red, green / blue, white as read (R,G,B, top row first).
const Bytes kRed = {0, 0, 255}, kGreen = {0, 255, 0}, kBlue = {255, 0, 0}, kWhite = {255, 255, 255};
const Bytes k2x2 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};

TEST_F(Tga, SavedScreenshotsReadBackAndFailuresAreReported) {
    Bytes bgr(32);  // 3x2 rows, 16 bytes apart, as the back-buffer lock gives them
    for (int i = 0; i < 32; ++i) bgr[i] = uint8_t(i * 7);
    const std::string path = (dir / "shot000.tga").string();
    ASSERT_EQ(fns.Save2D(path.c_str(), bgr.data(), 24, 2, 3, 16, 0, Capture), 0);
    EXPECT_EQ(fs::file_size(path), 18u + 3 * 2 * 3);
    const Loaded r = Load(path);
    ASSERT_EQ((std::array{r.width, r.height, r.bits}), (std::array{3, 2, 24}));
    for (int i = 0; i < 18; ++i) EXPECT_EQ(r.pixels[i], bgr[i / 9 * 16 + i % 9 / 3 * 3 + 2 - i % 3]) << i;
    const Bytes bgra = {1, 2, 3, 9, 4, 5, 6, 9};  // 32-bit rows save as 24 bits
    ASSERT_EQ(fns.Save2D(path.c_str(), bgra.data(), 32, 1, 2, 8, 0, Capture), 0);
    EXPECT_EQ(Load(path).pixels, (Bytes{3, 2, 1, 6, 5, 4}));

    const std::string missing = (dir / "missing" / "shot.tga").string();
    EXPECT_EQ(fns.Save2D(missing.c_str(), bgr.data(), 24, 2, 2, 6, 0, Capture), -1);
    EXPECT_EQ(g_message, "tga.dll r_Save2D : Error, could not create " + missing + "\n");
    const std::string ok = (dir / "shot.tga").string();
    EXPECT_EQ(fns.Save2D(ok.c_str(), nullptr, 24, 2, 2, 6, 0, Capture), -1);
    EXPECT_EQ(fns.Save2D(ok.c_str(), bgr.data(), 16, 2, 2, 6, 0, Capture), -1);
    EXPECT_EQ(fns.Save2D(ok.c_str(), bgr.data(), 24, 2, 2, 5, 0, Capture), -1);  // pitch below a row
    EXPECT_FALSE(fs::exists(ok));
}

TEST_F(Tga, ReadsEveryRowOrderAlphaSixteenBitAndGrey) {
    Loaded r = LoadBytes(File(2, 2, 2, 24, 0x00, Cat({kBlue, kWhite, kRed, kGreen}), {}, 0, 0, 0, {'i', 'd'}));
    EXPECT_EQ(r.bits, 24);
    EXPECT_EQ(r.pixels, k2x2);  // bottom-up, with an image-ID field
    EXPECT_EQ(LoadBytes(File(2, 2, 2, 24, 0x20, Cat({kRed, kGreen, kBlue, kWhite}))).pixels, k2x2);
    EXPECT_EQ(LoadBytes(File(2, 2, 2, 24, 0x30, Cat({kGreen, kRed, kWhite, kBlue}))).pixels, k2x2);
    EXPECT_EQ(LoadBytes(File(2, 2, 2, 24, 0x10, Cat({kWhite, kBlue, kGreen, kRed}))).pixels, k2x2);
    // A colour map in a true-colour file is skipped.
    EXPECT_EQ(LoadBytes(File(2, 2, 2, 24, 0x20, Cat({kRed, kGreen, kBlue, kWhite}), Bytes(6), 0, 2, 24)).pixels, k2x2);

    r = LoadBytes(File(2, 2, 1, 32, 0x28, {10, 20, 30, 0, 40, 50, 60, 200}));
    EXPECT_EQ(r.bits, 32);
    EXPECT_EQ(r.pixels, (Bytes{30, 20, 10, 0, 60, 50, 40, 200}));
    // 5-5-5 with the attribute bit: red 16, green 8, blue 1; then pure blue.
    const int v = (1 << 15) | (16 << 10) | (8 << 5) | 1;
    r = LoadBytes(File(2, 2, 1, 16, 0x20, {uint8_t(v), uint8_t(v >> 8), 31, 0}));
    EXPECT_EQ(r.bits, 24);
    EXPECT_EQ(r.pixels, (Bytes{132, 66, 8, 0, 0, 255}));
    EXPECT_EQ(LoadBytes(File(2, 1, 1, 15, 0x20, {0, 0x7C})).pixels, (Bytes{255, 0, 0}));
    EXPECT_EQ(LoadBytes(File(3, 1, 2, 8, 0x00, {7, 250})).pixels, (Bytes{250, 250, 250, 7, 7, 7}));  // grey
}

TEST_F(Tga, ReadsColourMappedAndRunLengthPictures) {
    // Map entries 1..4 (first entry index 1); 16-bit entries; 32-bit entries carry alpha.
    EXPECT_EQ(LoadBytes(File(1, 2, 2, 8, 0x20, {1, 2, 3, 4}, Cat({kRed, kGreen, kBlue, kWhite}), 1, 4, 24)).pixels,
              k2x2);
    EXPECT_EQ(LoadBytes(File(1, 2, 1, 8, 0x20, {1, 0}, {0, 0x7C, 0x1F, 0}, 0, 2, 16)).pixels,
              (Bytes{0, 0, 255, 255, 0, 0}));
    const Loaded r = LoadBytes(File(1, 1, 1, 8, 0x28, {0}, {1, 2, 3, 4}, 0, 1, 32));
    EXPECT_EQ(r.bits, 32);
    EXPECT_EQ(r.pixels, (Bytes{3, 2, 1, 4}));

    // 3x2 top-down: a run of 4 reds over the row end, then 2 raw pixels.
    const Bytes R = {255, 0, 0}, G = {0, 255, 0}, B = {0, 0, 255}, W = {255, 255, 255};
    EXPECT_EQ(LoadBytes(File(10, 3, 2, 24, 0x20, Cat({{0x83}, kRed, {0x01}, kGreen, kBlue}))).pixels,
              Cat({R, R, R, R, G, B}));
    // Bottom-up: a raw packet of 4 over the row end, then a run of 2.
    EXPECT_EQ(LoadBytes(File(10, 3, 2, 24, 0, Cat({{0x03}, kRed, kGreen, kBlue, kWhite, {0x81}, kGreen}))).pixels,
              Cat({W, G, G, R, G, B}));
    EXPECT_EQ(LoadBytes(File(11, 2, 2, 8, 0x20, {0x83, 9})).pixels, Bytes(12, 9));
    EXPECT_EQ(LoadBytes(File(9, 2, 2, 8, 0x20, {0x81, 0, 0x01, 1, 1}, Cat({kRed, kBlue}), 0, 2, 24)).pixels,
              Cat({R, R, B, B}));
    // A run longer than the picture is cut off at its end.
    EXPECT_EQ(LoadBytes(File(10, 2, 1, 24, 0x20, Cat({{0xFF}, kGreen}))).pixels, Cat({G, G}));
}

TEST_F(Tga, DamagedAndLyingFilesNeverLoad) {
    const Bytes whole = File(10, 3, 2, 24, 0x20, Cat({{0x83}, kRed, {0x01}, kGreen, kBlue}), {}, 0, 0, 0, {'x'});
    ASSERT_EQ(LoadBytes(whole).width, 3);
    for (size_t n = 0; n < whole.size(); ++n) {
        const Loaded r = LoadBytes(Bytes(whole.begin(), whole.begin() + n));
        EXPECT_EQ(r.width + r.height + r.bits, 0) << n;
        EXPECT_FALSE(g_message.empty()) << n;
    }
    const Bytes raw = File(2, 2, 2, 24, 0x20, Cat({kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(LoadBytes(Bytes(raw.begin(), raw.end() - 1)).width, 0);

    const std::string lying = (dir / "lying.tga").string();
    EXPECT_EQ(LoadBytes(File(2, 16384, 16384, 32, 0x20, Bytes(10, 1)), "lying.tga").width, 0);
    EXPECT_EQ(g_message, "tga.dll r_Load2D : Error, " + lying + " is truncated or damaged\n");
    EXPECT_EQ(LoadBytes(File(10, 16384, 16384, 24, 0x20, Bytes(100, 0xFF))).width, 0);
    // Colour maps beyond the file, indices outside the map (above, below its first entry, in a run).
    EXPECT_EQ(LoadBytes(File(1, 1, 1, 8, 0x20, {0}, kRed, 0, 300, 24)).width, 0);
    EXPECT_EQ(LoadBytes(File(1, 2, 1, 8, 0x20, {0, 2}, Cat({kRed, kBlue}), 0, 2, 24)).width, 0);
    EXPECT_EQ(LoadBytes(File(1, 1, 1, 8, 0x20, {0}, kRed, 1, 1, 24)).width, 0);
    EXPECT_EQ(LoadBytes(File(9, 2, 1, 8, 0x20, {0x81, 5}, kRed, 0, 1, 24)).width, 0);

    const std::string big = (dir / "big.tga").string();
    EXPECT_EQ(LoadBytes(File(2, 20000, 1, 24, 0x20, Bytes(60000, 1)), "big.tga").width, 0);
    EXPECT_EQ(g_message, "tga.dll r_Load2D : Error, " + big + " is not a supported TGA file\n");
    EXPECT_EQ(LoadBytes(File(2, 0, 1, 24, 0x20, {})).width, 0);                   // no pixels
    EXPECT_EQ(LoadBytes(File(3, 1, 1, 16, 0x20, {1, 2})).width, 0);               // 16-bit grey
    EXPECT_EQ(LoadBytes(File(1, 1, 1, 8, 0x20, {0})).width, 0);                   // mapped without a map
    EXPECT_EQ(LoadBytes(File(32, 1, 1, 8, 0x20, {0}, kRed, 0, 1, 24)).width, 0);  // other compression
}

TEST_F(Tga, MissingFileGivesWidthZeroAndAMessage) {
    ASSERT_EQ(LoadBytes(File(3, 1, 1, 8, 0, {1})).width, 1);
    const std::string path = (dir / "nowhere.tga").string();
    const Loaded r = Load(path);
    EXPECT_EQ(r.width + r.height + r.bits, 0);  // the picture read before is gone too
    EXPECT_EQ(g_message, "tga.dll r_Load2D : Error, could not open " + path + "\n");
}

}  // namespace
