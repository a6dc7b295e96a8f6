// The TGA image plug-in loaded with dlopen, driven as the engine drives it.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tessaly/plugin_interface.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string g_message;
int Capture(const char* text)
{
    g_message = text;
    return 0;
}

struct Loaded {
    int width = -1, height = -1, bits = -1;
    Bytes pixels;
};

class Tga : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        library = dlopen(TESSALY_BIN_DIR "/tga.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        fns.Load2D = reinterpret_cast<ImageFn_Load2D>(dlsym(library, "r_Load2D"));
        fns.GetImageData = reinterpret_cast<ImageFn_GetImageData>(dlsym(library, "r_GetImageData"));
        fns.GetImagePointer = reinterpret_cast<ImageFn_GetImagePointer>(dlsym(library, "r_GetImagePointer"));
        fns.Save2D = reinterpret_cast<ImageFn_Save2D>(dlsym(library, "r_Save2D"));
        ASSERT_TRUE(fns.Load2D && fns.GetImageData && fns.GetImagePointer && fns.Save2D);
        dir = std::filesystem::temp_directory_path() / ("tessaly_tga_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
    }
    static void TearDownTestSuite()
    {
        std::filesystem::remove_all(dir);
        if (library)
            dlclose(library);
    }
    void SetUp() override { g_message.clear(); }

    static std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = (dir / name).string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }
    static Loaded Load(const std::string& path)
    {
        Loaded r;
        fns.Load2D(path.c_str(), Capture);
        fns.GetImageData(&r.width, &r.height, &r.bits, Capture);
        const uint8_t* p = fns.GetImagePointer(Capture);
        if (r.width > 0) {
            EXPECT_NE(p, nullptr);
            EXPECT_EQ(p, fns.GetImagePointer(Capture));  // the same pixels on every call
            r.pixels.assign(p, p + size_t(r.width) * r.height * (r.bits / 8));
        } else {
            EXPECT_EQ(p, nullptr);
        }
        return r;
    }
    static Loaded LoadBytes(const Bytes& bytes) { return Load(Write("picture.tga", bytes)); }

    static inline void* library = nullptr;
    static inline ImagePluginTable fns{};
    static inline std::filesystem::path dir;
};

// 18-byte header followed by an image-ID field, the colour map and the data.
Bytes File(int type, int width, int height, int bits, int descriptor, const Bytes& data,
           const Bytes& map = {}, int mapFirst = 0, int mapLength = 0, int mapBits = 0, const Bytes& id = {})
{
    Bytes b = {uint8_t(id.size()), uint8_t(mapLength ? 1 : 0), uint8_t(type),
               uint8_t(mapFirst), uint8_t(mapFirst >> 8), uint8_t(mapLength), uint8_t(mapLength >> 8), uint8_t(mapBits),
               0, 0, 0, 0,
               uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8), uint8_t(bits),
               uint8_t(descriptor)};
    b.insert(b.end(), id.begin(), id.end());
    b.insert(b.end(), map.begin(), map.end());
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// The 2x2 picture used below, top row first, as R,G,B: red, green / blue, white.
const Bytes kRgb2x2 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
// Its pixels as stored B,G,R.
const Bytes kRed = {0, 0, 255}, kGreen = {0, 255, 0}, kBlue = {255, 0, 0}, kWhite = {255, 255, 255};

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes r;
    for (const auto& p : parts)
        r.insert(r.end(), p.begin(), p.end());
    return r;
}

TEST_F(Tga, SavedScreenshotsReadBack)
{
    // 3x2 blue-green-red rows with a padded pitch, as the back-buffer lock gives them.
    const int width = 3, height = 2, pitch = 16;
    Bytes bgr(pitch * height, 0xCD);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                bgr[y * pitch + x * 3 + c] = uint8_t(y * 100 + x * 30 + c);
    const std::string path = (dir / "shot000.tga").string();
    ASSERT_EQ(fns.Save2D(path.c_str(), bgr.data(), 24, height, width, pitch, 0, Capture), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 18u + width * height * 3);
    const Loaded r = Load(path);
    ASSERT_EQ(r.width, width);
    ASSERT_EQ(r.height, height);
    ASSERT_EQ(r.bits, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(r.pixels[(y * width + x) * 3 + c], bgr[y * pitch + x * 3 + 2 - c]) << x << "," << y;

    // 32-bit rows save as 24 bits; the fourth byte is dropped.
    const Bytes bgra = {1, 2, 3, 9, 4, 5, 6, 9};
    ASSERT_EQ(fns.Save2D(path.c_str(), bgra.data(), 32, 1, 2, 8, 0, Capture), 0);
    const Loaded r32 = Load(path);
    EXPECT_EQ(r32.bits, 24);
    EXPECT_EQ(r32.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
}

TEST_F(Tga, SaveFailuresAreReported)
{
    const Bytes bgr(12, 0);
    const std::string path = (dir / "missing" / "shot.tga").string();
    EXPECT_EQ(fns.Save2D(path.c_str(), bgr.data(), 24, 2, 2, 6, 0, Capture), -1);
    EXPECT_EQ(g_message, "tga.dll r_Save2D : Error, could not create " + path + "\n");
    const std::string ok = (dir / "shot.tga").string();
    g_message.clear();
    EXPECT_EQ(fns.Save2D(ok.c_str(), nullptr, 24, 2, 2, 6, 0, Capture), -1);
    EXPECT_EQ(fns.Save2D(ok.c_str(), bgr.data(), 16, 2, 2, 6, 0, Capture), -1);
    EXPECT_EQ(fns.Save2D(ok.c_str(), bgr.data(), 24, 2, 2, 5, 0, Capture), -1);  // pitch below a row
    EXPECT_EQ(fns.Save2D(ok.c_str(), bgr.data(), 24, 0, 2, 6, 0, Capture), -1);
    EXPECT_NE(g_message.find("r_Save2D : Error"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(ok));
}

TEST_F(Tga, ReadsTrueColourInEveryRowOrder)
{
    const Bytes id = {'h', 'e', 'l', 'l', 'o'};
    // Bottom-up (the default origin), with an image-ID field.
    Loaded r = LoadBytes(File(2, 2, 2, 24, 0x00, Cat({kBlue, kWhite, kRed, kGreen}), {}, 0, 0, 0, id));
    EXPECT_EQ(r.bits, 24);
    EXPECT_EQ(r.pixels, kRgb2x2);
    r = LoadBytes(File(2, 2, 2, 24, 0x20, Cat({kRed, kGreen, kBlue, kWhite})));
    EXPECT_EQ(r.pixels, kRgb2x2);
    r = LoadBytes(File(2, 2, 2, 24, 0x30, Cat({kGreen, kRed, kWhite, kBlue})));  // right to left
    EXPECT_EQ(r.pixels, kRgb2x2);
    r = LoadBytes(File(2, 2, 2, 24, 0x10, Cat({kWhite, kBlue, kGreen, kRed})));
    EXPECT_EQ(r.pixels, kRgb2x2);
    // A colour map in a true-colour file is skipped.
    r = LoadBytes(File(2, 2, 2, 24, 0x20, Cat({kRed, kGreen, kBlue, kWhite}), Bytes(6, 7), 0, 2, 24));
    EXPECT_EQ(r.pixels, kRgb2x2);
}

TEST_F(Tga, ReadsAlphaSixteenBitAndGrey)
{
    Loaded r = LoadBytes(File(2, 2, 1, 32, 0x28, {10, 20, 30, 0, 40, 50, 60, 200}));
    EXPECT_EQ(r.bits, 32);
    EXPECT_EQ(r.pixels, (Bytes{30, 20, 10, 0, 60, 50, 40, 200}));

    // 5-5-5: red 16, green 8, blue 1 (attribute bit set) and pure blue; both 24 bits out.
    const int v = (1 << 15) | (16 << 10) | (8 << 5) | 1;
    r = LoadBytes(File(2, 2, 1, 16, 0x20, {uint8_t(v), uint8_t(v >> 8), 31, 0}));
    EXPECT_EQ(r.bits, 24);
    EXPECT_EQ(r.pixels, (Bytes{132, 66, 8, 0, 0, 255}));
    r = LoadBytes(File(2, 1, 1, 15, 0x20, {0, 0x7C}));
    EXPECT_EQ(r.pixels, (Bytes{255, 0, 0}));

    r = LoadBytes(File(3, 1, 2, 8, 0x00, {7, 250}));  // grey, bottom-up
    EXPECT_EQ(r.bits, 24);
    EXPECT_EQ(r.pixels, (Bytes{250, 250, 250, 7, 7, 7}));
}

TEST_F(Tga, ReadsColourMappedPictures)
{
    // Map entries 1..4 (first entry index 1), 24 bits.
    const Bytes map24 = Cat({kRed, kGreen, kBlue, kWhite});
    Loaded r = LoadBytes(File(1, 2, 2, 8, 0x20, {1, 2, 3, 4}, map24, 1, 4, 24));
    EXPECT_EQ(r.bits, 24);
    EXPECT_EQ(r.pixels, kRgb2x2);
    // 16-bit map entries.
    r = LoadBytes(File(1, 2, 1, 8, 0x20, {1, 0}, {0x00, 0x7C, 0x1F, 0x00}, 0, 2, 16));
    EXPECT_EQ(r.pixels, (Bytes{0, 0, 255, 255, 0, 0}));
    // 32-bit map entries carry alpha.
    r = LoadBytes(File(1, 1, 1, 8, 0x28, {0}, {1, 2, 3, 4}, 0, 1, 32));
    EXPECT_EQ(r.bits, 32);
    EXPECT_EQ(r.pixels, (Bytes{3, 2, 1, 4}));
}

TEST_F(Tga, ReadsRunLengthPacketsAcrossRows)
{
    // 3x2 top-down: a run of 4 reds over the row end, then 2 raw pixels.
    const Bytes data = Cat({{0x83}, kRed, {0x01}, kGreen, kBlue});
    Loaded r = LoadBytes(File(10, 3, 2, 24, 0x20, data));
    ASSERT_EQ(r.width, 3);
    EXPECT_EQ(r.pixels, (Bytes{255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
    // Bottom-up: a raw packet of 4 crossing the row end, then a run of 2.
    r = LoadBytes(File(10, 3, 2, 24, 0x00, Cat({{0x03}, kRed, kGreen, kBlue, kWhite, {0x81}, kGreen})));
    EXPECT_EQ(r.pixels, (Bytes{255, 255, 255, 0, 255, 0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
    // Run-length grey and colour-mapped.
    r = LoadBytes(File(11, 2, 2, 8, 0x20, {0x83, 9}));
    EXPECT_EQ(r.pixels, Bytes(12, 9));
    r = LoadBytes(File(9, 2, 2, 8, 0x20, {0x81, 0, 0x01, 1, 1}, Cat({kRed, kBlue}), 0, 2, 24));
    EXPECT_EQ(r.pixels, (Bytes{255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255}));
    // A run longer than the picture is cut off at its end.
    r = LoadBytes(File(10, 2, 1, 24, 0x20, Cat({{0xFF}, kGreen})));
    EXPECT_EQ(r.pixels, (Bytes{0, 255, 0, 0, 255, 0}));
}

TEST_F(Tga, TruncatedFilesNeverLoad)
{
    const Bytes whole = File(10, 3, 2, 24, 0x20, Cat({{0x83}, kRed, {0x01}, kGreen, kBlue}), {}, 0, 0, 0, {'x'});
    ASSERT_EQ(LoadBytes(whole).width, 3);
    for (size_t n = 0; n < whole.size(); ++n) {
        const Loaded r = LoadBytes(Bytes(whole.begin(), whole.begin() + n));
        EXPECT_EQ(r.width, 0) << n;
        EXPECT_EQ(r.height, 0) << n;
        EXPECT_EQ(r.bits, 0) << n;
        EXPECT_FALSE(g_message.empty()) << n;
    }
    const Bytes raw = File(2, 2, 2, 24, 0x20, Cat({kRed, kGreen, kBlue, kWhite}));
    EXPECT_EQ(LoadBytes(Bytes(raw.begin(), raw.end() - 1)).width, 0);
}

TEST_F(Tga, LyingAndUnsupportedHeadersAreRefused)
{
    const std::string path = Write("bad.tga", File(2, 16384, 16384, 32, 0x20, Bytes(10, 1)));
    EXPECT_EQ(Load(path).width, 0);
    EXPECT_EQ(g_message, "tga.dll r_Load2D : Error, " + path + " is truncated or damaged\n");
    EXPECT_EQ(LoadBytes(File(10, 16384, 16384, 24, 0x20, Bytes(100, 0xFF))).width, 0);  // runs do not cover it

    const std::string big = Write("big.tga", File(2, 20000, 1, 24, 0x20, Bytes(60000, 1)));
    EXPECT_EQ(Load(big).width, 0);
    EXPECT_EQ(g_message, "tga.dll r_Load2D : Error, " + big + " is not a supported TGA file\n");
    EXPECT_EQ(LoadBytes(File(2, 0, 1, 24, 0x20, {})).width, 0);           // no pixels
    EXPECT_EQ(LoadBytes(File(2, 1, 1, 8, 0x20, {1})).width, 0);           // 8-bit true colour
    EXPECT_EQ(LoadBytes(File(3, 1, 1, 16, 0x20, {1, 2})).width, 0);       // 16-bit grey
    EXPECT_EQ(LoadBytes(File(1, 1, 1, 8, 0x20, {0})).width, 0);           // mapped without a map
    EXPECT_EQ(LoadBytes(File(32, 1, 1, 8, 0x20, {0}, kRed, 0, 1, 24)).width, 0);  // other compression
    // Colour-map sizes beyond the file, and indices outside the map.
    EXPECT_EQ(LoadBytes(File(1, 1, 1, 8, 0x20, {0}, kRed, 0, 300, 24)).width, 0);
    EXPECT_EQ(LoadBytes(File(1, 2, 1, 8, 0x20, {0, 2}, Cat({kRed, kBlue}), 0, 2, 24)).width, 0);
    EXPECT_EQ(LoadBytes(File(1, 1, 1, 8, 0x20, {0}, kRed, 1, 1, 24)).width, 0);  // below the first entry
    EXPECT_EQ(LoadBytes(File(9, 2, 1, 8, 0x20, {0x81, 5}, kRed, 0, 1, 24)).width, 0);
    EXPECT_EQ(g_message.find("is truncated or damaged"), g_message.size() - 24);
}

TEST_F(Tga, MissingFileGivesWidthZeroAndAMessage)
{
    ASSERT_EQ(LoadBytes(File(3, 1, 1, 8, 0, {1})).width, 1);
    const std::string path = (dir / "nowhere.tga").string();
    const Loaded r = Load(path);
    EXPECT_EQ(r.width, 0);  // the picture read before is gone too
    EXPECT_EQ(r.height, 0);
    EXPECT_EQ(r.bits, 0);
    EXPECT_EQ(g_message, "tga.dll r_Load2D : Error, could not open " + path + "\n");
}

}  // namespace
