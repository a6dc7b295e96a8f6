// Loads t7dxraster.so the way the engine does and drives its device, surface,
// frame and text exports headless.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tessaly/raster_interface.h"
#include "tests/platform/platform_test_support.h"

namespace {

// Every export of the back-end, bound by name as the engine binds them.
struct Backend {
    void* library = nullptr;
#define MEMBER(field, type, exportName, ...) type field = nullptr;
    TESSALY_RASTER_ENTRIES(MEMBER)
    TESSALY_RASTER_SURVEY_EXPORTS(MEMBER)
#undef MEMBER
    void BindAll() {
#define BIND(field, type, exportName, ...)                       \
    field = reinterpret_cast<type>(dlsym(library, #exportName)); \
    ASSERT_NE(field, nullptr) << #exportName;
        TESSALY_RASTER_ENTRIES(BIND)
        TESSALY_RASTER_SURVEY_EXPORTS(BIND)
#undef BIND
    }
};

std::vector<std::string> g_messages;
int Collect(const char* message) {
    g_messages.emplace_back(message);
    return 7;
}

// One pixel of a locked 24-bit copy as 0xRRGGBB.
uint32_t Rgb(const uint8_t* copy, int pitch, int x, int y) {
    const uint8_t* p = copy + size_t(y) * pitch + 3 * x;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

class RasterDevice : public ::testing::Test {
protected:
    static Backend b;

    static void SetUpTestSuite() {
        ASSERT_EQ(platform_test::ConfigureHeadless(), 0);
        b.library = plat_LoadLibrary("t7dxraster.dll");
        ASSERT_NE(b.library, nullptr);
        b.BindAll();
    }
    static void TearDownTestSuite() { plat_FreeLibrary(b.library); }
    void SetUp() override {
        ASSERT_EQ(b.GetSysInfo(), 1);
        g_messages.clear();
    }
    void TearDown() override {
        b.DeInitEngine();
        b.FreeAllocatedTextures(nullptr);
        b.FreeAllocatedImages(nullptr);
    }

    // Full screen (offscreen, no window) in a mode of the card; whole-frame viewport.
    int frameWidth = 0, frameHeight = 0;
    void InitFrame(int width, int height, int bits) {
        PlatWindow* window = nullptr;
        ASSERT_EQ(b.InitEngine(0, b.SeekMode(0, width, height, bits, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
        b.SetViewportArea(0, 0, 1, 1, nullptr);
        frameWidth = width;
        frameHeight = height;
    }

    // The back buffer as 0xRRGGBB values, row by row.
    std::vector<uint32_t> Frame() {
        int pitch = 0, bits = 0;
        uint8_t* copy = b.LockBackBufferPointer(&pitch, &bits);
        EXPECT_NE(copy, nullptr);
        EXPECT_EQ(bits, 24);
        EXPECT_GE(pitch, 3 * frameWidth);
        std::vector<uint32_t> pixels;
        for (int y = 0; copy && y < frameHeight; ++y)
            for (int x = 0; x < frameWidth; ++x) pixels.push_back(Rgb(copy, pitch, x, y));
        b.ReleaseBackBufferPointer();
        return pixels;
    }
};
Backend RasterDevice::b;

// ---------------------------------------------------------------- survey and set-up

TEST_F(RasterDevice, SurveyQueriesAndModeSearch) {
    int modes = b.GetVideoModesNum(0);
    ASSERT_EQ(b.GetSysInfo(), 1);  // a second survey replaces the first
    EXPECT_EQ(b.GetVideoModesNum(0), modes);
    EXPECT_EQ(b.GetDDONum(), 1);
    EXPECT_EQ(b.GetCardsNum(), 1);
    RasterCardRecord card{};
    ASSERT_TRUE(b.GetDDData(0, &card));
    EXPECT_STREQ(card.description, "Offscreen");
    EXPECT_FALSE(b.GetDDData(1, &card));

    for (int i = 0; i < modes; ++i) {  // palette modes are dropped
        int w, h, bits;
        b.GetVideoModeData(0, i, &w, &h, &bits, nullptr);
        EXPECT_TRUE(bits == 16 || bits == 32) << "mode " << i;
    }
    int w = -1, h = -1, bits = -1;
    char reserved = 9;
    b.GetVideoModeData(0, modes, &w, &h, &bits, &reserved);
    EXPECT_EQ(w + h + bits + reserved, 0);
    EXPECT_EQ(b.GetVideoModesNum(-1), 0);
    EXPECT_STREQ(b.GetVideoModeDataStr(0, modes), "0x0x0");
    EXPECT_STREQ(b.GetVideoModeDataStr(0, b.SeekMode(0, 640, 480, 16, 0)), "640x480x16");
    EXPECT_STREQ(b.GetVideoModeDataStr(0, b.SeekMode(0, 640, 480, 32, 0)), "640x480x32");

    // No hardware device: asking for one finds nothing; only the low byte counts.
    EXPECT_EQ(b.SeekMode(0, 640, 480, 16, 1), -1);
    EXPECT_EQ(b.SeekMode(0, 640, 480, 16, 0x100), b.SeekMode(0, 640, 480, 16, 0));
    EXPECT_EQ(b.SeekMode(0, 320, 200, 8, 0), -1);
    EXPECT_EQ(b.SeekMode(1, 640, 480, 16, 0), -1);
}

// A private copy of the library is a back-end in its first state: no survey
// yet, no viewport area set.
TEST_F(RasterDevice, FreshBackEndHasNoCardsAndAnEmptyClearArea) {
    namespace fs = std::filesystem;
    fs::path copy = fs::temp_directory_path() / ("t7dxraster-fresh-" + std::to_string(getpid()) + ".so");
    fs::copy_file(fs::path(TESSALY_BIN_DIR) / "t7dxraster.so", copy, fs::copy_options::overwrite_existing);
    Backend fresh;
    fresh.library = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    fs::remove(copy);
    ASSERT_NE(fresh.library, nullptr) << dlerror();
    fresh.BindAll();

    EXPECT_EQ(fresh.GetCardsNum(), 0);
    EXPECT_EQ(fresh.SeekMode(0, 640, 480, 16, 0), -1);
    PlatWindow* window = nullptr;
    EXPECT_EQ(fresh.InitEngine(0, 0, 0, &window, EXCLUSIVEFULLSCREEN, Collect), -1);
    std::vector<std::string> expected = {"r_InitEngine : Begin\n",
                                         "r_InitEngine : Error, DirectDraw Object Index out of range (0, 0 - -1)\n"};
    EXPECT_EQ(g_messages, expected);

    ASSERT_EQ(fresh.GetSysInfo(), 1);
    ASSERT_EQ(fresh.InitEngine(0, fresh.SeekMode(0, 320, 200, 32, 0), 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
    EXPECT_EQ(fresh.ClearScreen(0xFFFFFFFF, nullptr), 0);
    int pitch = 0, bits = 0;
    uint8_t* pixels = fresh.LockBackBufferPointer(&pitch, &bits);
    ASSERT_NE(pixels, nullptr);
    int touched = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) touched += Rgb(pixels, pitch, x, y) != 0;
    EXPECT_EQ(touched, 0);
    fresh.ReleaseBackBufferPointer();
    fresh.DeInitEngine();
    dlclose(fresh.library);
}

TEST_F(RasterDevice, FullScreenInitSendsFiveMessages) {
    PlatWindow* window = nullptr;
    ASSERT_EQ(b.InitEngine(0, b.SeekMode(0, 640, 480, 16, 0), 0, &window, EXCLUSIVEFULLSCREEN, Collect), 0);
    std::vector<std::string> expected = {"r_InitEngine : Begin\n", "r_InitEngine : 640x480 screen size\n",
                                         "r_InitEngine : r_InitFullScreenEngine Ok\n",
                                         "r_InitEngine : Initialization Successful\n", "r_InitEngine : End\n"};
    EXPECT_EQ(g_messages, expected);

    // The software device takes the last depth format, 32 bits.
    int pitch = 0, depthBits = 0;
    EXPECT_NE(b.LockZBufferPointer(&pitch, &depthBits), nullptr);
    EXPECT_EQ(depthBits, 32);
    EXPECT_EQ(pitch, 640 * 4);
    b.ReleaseZBufferPointer();

    long before = plat_PresentedFrames();  // headless, presenting only counts
    b.SwapBuffers(0);
    EXPECT_EQ(plat_PresentedFrames(), before + 1);
}

TEST_F(RasterDevice, InitArgumentErrors) {
    PlatWindow* window = nullptr;
    std::string last = std::to_string(b.GetVideoModesNum(0) - 1);
    std::string badFlags = "r_InitEngine : Error, Invalid flags, Please select WINDOWED or EXCLUSIVEFULLSCREEN\n";
    struct Case {
        int card, mode, flags;
        std::string error;
    } cases[] = {
        {1, 0, 1, "r_InitEngine : Error, DirectDraw Object Index out of range (1, 0 - 0)\n"},
        {-1, 0, 1, "r_InitEngine : Error, DirectDraw Object Index out of range (-1, 0 - 0)\n"},
        {0, -1, 1, "r_InitEngine : Error, Video Mode Index out of range (-1, 0 - " + last + ")\n"},
        {0, 0, 0, badFlags},
        {0, 0, NOFRONTBUFFER, badFlags},
    };
    for (const Case& c : cases) {
        g_messages.clear();
        EXPECT_EQ(b.InitEngine(c.card, c.mode, 0, &window, c.flags, Collect), -1);
        std::vector<std::string> expected = {"r_InitEngine : Begin\n", c.error};
        EXPECT_EQ(g_messages, expected);
        EXPECT_EQ(b.InitEngine(c.card, c.mode, 0, nullptr, c.flags, nullptr), -1);  // silent, same result
    }
}

TEST_F(RasterDevice, WindowedInitTakesTheClientSizeAndHasNoFrontBuffer) {
    PlatWindow* window = plat_CreateWindow("test", 200, 100);
    ASSERT_EQ(b.InitEngine(0, b.SeekMode(0, 640, 480, 16, 0), 0, &window, WINDOWED | EXCLUSIVEFULLSCREEN, Collect), 0);
    ASSERT_EQ(g_messages.size(), 5u);
    EXPECT_EQ(g_messages[1], "r_InitEngine : 200x100 window size\n");
    EXPECT_EQ(g_messages[2], "r_InitEngine : r_InitWindowedEngine Ok\n");
    int pitch = 0, bits = 0;
    ASSERT_NE(b.LockBackBufferPointer(&pitch, &bits), nullptr);
    EXPECT_GE(pitch, 600);
    b.ReleaseBackBufferPointer();

    ASSERT_EQ(b.AllocMaxImages(1, nullptr), 0);
    uint8_t rgb[3] = {1, 2, 3};
    ASSERT_EQ(b.AddImage(-1, 1, 1, 24, rgb, "dot", nullptr), 0);
    g_messages.clear();
    b.DrawBitmap(0, 0, 0, 1, 1, DRAWBITMAP_FRONT, Collect);
    EXPECT_EQ(g_messages, std::vector<std::string>{"r_DrawBitmap : Error, Frontbuffer Not Available"});
    b.DeInitEngine();
    plat_DestroyWindow(window);
}

TEST_F(RasterDevice, FrameAllocationFailureIsFatal) {
    EXPECT_EXIT(
        {
            PlatWindow* window = plat_CreateWindow("huge", 100000, 100000);
            b.InitEngine(0, 0, 0, &window, WINDOWED, nullptr);
        },
        ::testing::ExitedWithCode(1),
        "InitSurf : Creting SW2 Back Surf: DirectDraw does not have enough memory to perform the operation.");
}

// ---------------------------------------------------------------- stores

TEST_F(RasterDevice, TextureAndImageStoresFillReplaceAndRefuse) {
    uint8_t texels[4 * 4 * 4] = {};
    EXPECT_EQ(b.AddTexture(-1, 4, 4, 24, texels, "T", 0, Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddTexture : Error, Textures Not Allocated\n");
    ASSERT_EQ(b.AllocMaxTextures(4, nullptr), 0);
    EXPECT_EQ(b.AllocMaxTextures(8, Collect), -1);
    EXPECT_EQ(g_messages.back(),
              "t7dxraster r_AllocMaxTextures : 4 Textures Already Allocated , use r_FreeAllocatedTextures first\n");

    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.AddTexture(-1, 4, 2, 24, texels, "WALL.TGA", 0, Collect), i);
        EXPECT_EQ(g_messages.back(),
                  "t7dxraster.dll r_AddTexture : Loaded WALL.TGA (" + std::to_string(i) + " : 4x2x24)\n");
    }
    EXPECT_EQ(b.AddTexture(-1, 4, 4, 24, texels, "T", 0, Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddTexture : Error, Not Enough Allocated Textures\n");
    g_messages.clear();  // replacing an occupied slot says nothing about the release
    EXPECT_EQ(b.AddTexture(2, 4, 4, 32, texels, "NEW", TEXTURE_NOMIPMAP, Collect), 2);
    EXPECT_EQ(g_messages, std::vector<std::string>{"t7dxraster.dll r_AddTexture : Loaded NEW (2 : 4x4x32)\n"});
    for (int bad : {4, -2}) {
        EXPECT_EQ(b.AddTexture(bad, 4, 4, 24, texels, "T", 0, Collect), -1);
        EXPECT_EQ(g_messages.back(),
                  "t7dxraster.dll r_AddTexture : Error, Handle Out Of Range (" + std::to_string(bad) + " , 0 - 3)\n");
    }
    // An empty size or missing pixels are refused instead of making an unusable texture.
    EXPECT_EQ(b.AddTexture(1, 0, 4, 24, texels, "FLAT", 0, Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddTexture : Error, Invalid Texture FLAT (0x4)\n");
    EXPECT_EQ(b.AddTexture(1, 4, 4, 24, nullptr, "NONE", 0, nullptr), -1);
    EXPECT_EQ(b.FreeAllocatedTextures(Collect), 0);
    EXPECT_EQ(g_messages.back(), "t7dxraster r_FreeAllocatedTextures : Textures Deallocated\n");
    ASSERT_EQ(b.AllocMaxTextures(2, nullptr), 0);
    EXPECT_EQ(b.AddTexture(-1, 4, 4, 24, texels, "T", 0, nullptr), 0);

    ASSERT_EQ(b.AllocMaxImages(1, nullptr), 0);
    EXPECT_EQ(b.AddImage(-1, 2, 2, 32, texels, "CREDITS.TGA", Collect), 0);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Loaded CREDITS.TGA (0 : 2x2x32)\n");
    EXPECT_EQ(b.AddImage(-1, 2, 2, 24, texels, "I", Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Error, Not Enough Allocated Images\n");
    EXPECT_EQ(b.AddImage(-5, 2, 2, 24, texels, "I", Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Error, Handle Out Of Range (-5 , 0 - 0)\n");
    EXPECT_EQ(b.FreeAllocatedImages(Collect), 0);
    EXPECT_EQ(g_messages.back(), "t7dxraster r_FreeAllocatedImages : Images Deallocated\n");
    EXPECT_EQ(b.AddImage(-1, 2, 2, 24, texels, "I", Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Error, Images Not Allocated\n");
}

TEST_F(RasterDevice, TextureLockCopiesLevelZeroAndWritesBack) {
    ASSERT_EQ(b.AllocMaxTextures(3, nullptr), 0);
    uint8_t texels[3 * 2 * 3];  // 3x2, red, green, blue per pixel
    for (int i = 0; i < 18; ++i) texels[i] = static_cast<uint8_t>(10 * i);
    ASSERT_EQ(b.AddTexture(1, 3, 2, 24, texels, "T", 0, nullptr), 1);

    for (int empty : {0, 3, -1}) {  // an empty slot or a handle beyond the store
        int w = -1, h = -1, pitch = -1, bits = -1;
        EXPECT_EQ(b.LockTexturePointer(empty, &w, &h, &pitch, &bits), nullptr);
        EXPECT_EQ(w + h + pitch + bits, 0);
    }
    EXPECT_EQ(b.ReleaseTexturePointer(0, 1), 0);  // nothing locked: harmless

    int w, h, pitch, bits;
    uint8_t* copy = b.LockTexturePointer(1, &w, &h, &pitch, &bits);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(w * 10 + h, 32);
    EXPECT_EQ(bits, 24);
    ASSERT_GE(pitch, 9);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Rgb(copy, pitch, i % 3, i / 3),
                  uint32_t(texels[3 * i]) << 16 | texels[3 * i + 1] << 8 | texels[3 * i + 2]);
    copy[pitch + 3] = 0xAB;                           // blue of pixel (1, 1)
    EXPECT_EQ(b.ReleaseTexturePointer(1, 0x100), 0);  // low byte 0: no write-back
    copy = b.LockTexturePointer(1, &w, &h, &pitch, &bits);
    EXPECT_EQ(copy[pitch + 3], texels[3 * 4 + 2]);
    copy[pitch + 3] = 0xAB;
    EXPECT_EQ(b.ReleaseTexturePointer(1, 1), 0);
    EXPECT_EQ(b.ReleaseTexturePointer(1, 1), 0);  // second release: harmless
    copy = b.LockTexturePointer(1, &w, &h, &pitch, &bits);
    EXPECT_EQ(copy[pitch + 3], 0xAB);
    b.ReleaseTexturePointer(1, 0);
}

// ---------------------------------------------------------------- drawing

TEST_F(RasterDevice, DrawBitmapChecksItsSourceAndDestination) {
    b.DrawBitmap(0, 0, 0, 1, 1, 0, Collect);
    b.DrawBitmap(0, 0, 0, 1, 1, DRAWBITMAP_TEXTURE, Collect);
    ASSERT_EQ(b.AllocMaxImages(5, nullptr), 0);
    ASSERT_EQ(b.AllocMaxTextures(3, nullptr), 0);
    b.DrawBitmap(7, 0, 0, 1, 1, 0, Collect);
    b.DrawBitmap(-1, 0, 0, 1, 1, DRAWBITMAP_TEXTURE, Collect);
    b.DrawBitmap(0, 0, 0, 1, 1, 0, Collect);  // before any set-up
    InitFrame(320, 200, 32);                  // offscreen full screen: no front surface
    b.DrawBitmap(0, 0, 0, 1, 1, DRAWBITMAP_FRONT, Collect);
    std::vector<std::string> expected = {
        "r_DrawBitmap : Error, Images Not Allocated",
        "r_DrawBitmap : Error, Textures Not Allocated",
        "r_DrawBitmap : Error, Image Handle Out Of Range (7 , 0 - 4)",
        "r_DrawBitmap : Error, Texture Handle Out Of Range (-1 , 0 - 2)",
        "r_DrawBitmap : Error, Backbuffer Not Available",
        "r_DrawBitmap : Error, Frontbuffer Not Available",
    };
    EXPECT_EQ(g_messages, expected);
}

TEST_F(RasterDevice, DrawBitmapScalesAndClipsToTheFrame) {
    InitFrame(320, 200, 32);
    ASSERT_EQ(b.AllocMaxImages(1, nullptr), 0);
    ASSERT_EQ(b.AllocMaxTextures(1, nullptr), 0);
    uint8_t rgb[2 * 2 * 3];  // pixel (x, y): red 100 + x, green 100 + y, blue 7
    for (int i = 0; i < 4; ++i)
        rgb[3 * i] = uint8_t(100 + i % 2), rgb[3 * i + 1] = uint8_t(100 + i / 2), rgb[3 * i + 2] = 7;
    auto expected = [](int sx, int sy) { return uint32_t(100 + sx) << 16 | uint32_t(100 + sy) << 8 | 7; };
    ASSERT_EQ(b.AddImage(0, 2, 2, 24, rgb, "I", nullptr), 0);
    ASSERT_EQ(b.AddTexture(0, 2, 2, 24, rgb, "T", 0, nullptr), 0);

    for (unsigned flags : {0u, DRAWBITMAP_TEXTURE}) {
        b.DrawBitmap(0, 0, 0, 640, 480, flags, Collect);  // larger than the frame
        b.ClearScreen(0, nullptr);
        b.DrawBitmap(0, 10, 20, 4, 6, flags, Collect);  // each source pixel becomes 2x3
        b.DrawBitmap(0, -3, -5, 4, 6, flags, Collect);  // only the bottom-right corner shows
        b.DrawBitmap(0, 318, 198, 4, 4, flags, Collect);
        EXPECT_TRUE(g_messages.empty());
        std::vector<uint32_t> f = Frame();
        ASSERT_EQ(f.size(), 320u * 200u);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(f[(20 + y) * 320 + 10 + x], expected(x / 2, y / 3));
        EXPECT_EQ(f[0], expected(1, 1));  // (-3, -5) + (3, 5)
        EXPECT_EQ(f[1 * 320 + 0], 0u);
        EXPECT_EQ(f[0 * 320 + 1], 0u);
        EXPECT_EQ(f[199 * 320 + 319], expected(0, 0));
    }
}

TEST_F(RasterDevice, ClearsFillOnlyTheViewportArea) {
    InitFrame(320, 240, 32);
    b.ClearScreen(0xFF0000FF, nullptr);
    b.ClearZBuffer(1.0f, nullptr);
    b.SetViewportArea(0, 0, 0.5f, 1, nullptr);
    EXPECT_EQ(b.ClearScreen(0x80FF8000, nullptr), 0);
    EXPECT_EQ(b.ClearZBuffer(0.5f, nullptr), 0);
    std::vector<uint32_t> f = Frame();
    int pitch = 0, depthBits = 0;
    auto* depth = static_cast<const uint32_t*>(b.LockZBufferPointer(&pitch, &depthBits));
    ASSERT_NE(depth, nullptr);
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; ++x) {
            ASSERT_EQ(f[y * 320 + x], x < 160 ? 0xFF8000u : 0x0000FFu) << x << "," << y;
            ASSERT_EQ(depth[y * (pitch / 4) + x], x < 160 ? 0x80000000u : 0xFFFFFFFFu) << x << "," << y;
        }
    b.ReleaseZBufferPointer();

    b.DeInitEngine();  // without a set-up the clears report the missing device
    g_messages.clear();
    EXPECT_EQ(b.ClearScreen(0, Collect), 7);
    EXPECT_EQ(b.ClearZBuffer(1.0f, Collect), 7);
    std::vector<std::string> expected = {"r_ClearScreen : Error, D3DERR_VIEWPORTHASNODEVICE",
                                         "r_ClearZBuffer : Error, D3DERR_VIEWPORTHASNODEVICE"};
    EXPECT_EQ(g_messages, expected);
}

TEST_F(RasterDevice, NaNAndOutOfRangeViewportEdgesMeanTheWholeFrame) {
    InitFrame(320, 200, 32);
    b.ClearScreen(0xFFFFFFFF, nullptr);
    for (auto area : {std::vector<float>{0.75f, 0, 0.25f, 1}, {2, 3, 1, 1}, {INFINITY, 0, 1, 1}}) {
        b.SetViewportArea(area[0], area[1], area[2], area[3], nullptr);  // inverted or outside: empty
        b.ClearScreen(0, nullptr);
        b.ClearZBuffer(0, nullptr);
    }
    std::vector<uint32_t> white = Frame();
    EXPECT_EQ(std::count(white.begin(), white.end(), 0xFFFFFFu), 320 * 200);
    const float nan = std::nanf("");
    const float areas[][4] = {{nan, nan, nan, nan}, {-0.5f, 0, 2, 1}, {0, -1, 1, 5}};
    for (const auto& a : areas) {
        b.SetViewportArea(0, 0, 0, 0, nullptr);  // empty: clears change nothing
        b.ClearScreen(0xFFFFFFFF, nullptr);
        b.SetViewportArea(a[0], a[1], a[2], a[3], nullptr);
        b.ClearScreen(0x10, nullptr);
        std::vector<uint32_t> f = Frame();
        EXPECT_EQ(std::count(f.begin(), f.end(), 0x10u), 320 * 200) << a[0] << " " << a[1] << " " << a[2];
    }
}

TEST_F(RasterDevice, BackBufferCopyWidensRgb565ByBitReplication) {
    struct Case {
        int bits;
        uint32_t clear, seen;
    } cases[] = {
        {16, 0xFF123456, 0x103452},  // r 0x12 -> 2 -> 0x10, g 0x34 -> 13 -> 0x34, b 0x56 -> 10 -> 0x52
        {16, 0x00FFFFFF, 0xFFFFFF},
        {32, 0xFF123456, 0x123456},
    };
    for (const Case& c : cases) {
        InitFrame(640, 480, c.bits);
        b.ClearScreen(c.clear, nullptr);
        std::vector<uint32_t> f = Frame();
        EXPECT_EQ(std::count(f.begin(), f.end(), c.seen), 640 * 480) << c.bits << " bits, " << std::hex << c.clear;
        b.DeInitEngine();
    }
    EXPECT_EQ(b.ReleaseBackBufferPointer(), 0);  // no copy: harmless
    int pitch = -1, bits = -1;
    EXPECT_EQ(b.LockBackBufferPointer(&pitch, &bits), nullptr);  // no set-up
}

TEST_F(RasterDevice, SysPrintDrawsGlyphPixelsOnlyInTheirCells) {
    const uint32_t background = 0x0000FF;  // blue
    for (int bits : {32, 16}) {
        InitFrame(320, 200, bits);
        b.ClearScreen(0xFF000000 | background, nullptr);
        EXPECT_NE(b.SysPrint("Hi!", 40, 30, 0x000000FF), 0);  // 0x00BBGGRR: red
        std::vector<uint32_t> f = Frame();
        int lit = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x) {
                if (f[y * 320 + x] == background) continue;
                EXPECT_TRUE(x >= 40 && x < 40 + 3 * 8 && y >= 30 && y < 30 + 16) << x << "," << y;
                EXPECT_EQ(f[y * 320 + x], 0xFF0000u) << x << "," << y;
                ++lit;
            }
        EXPECT_GT(lit, 20);

        // Partly off the frame, the visible part is the same glyphs shifted.
        b.ClearScreen(0xFF000000 | background, nullptr);
        b.SysPrint("Hi!", -11, -7, 0x000000FF);
        b.SysPrint("Hi!", 310, 190, 0x000000FF);
        b.SysPrint("Hi!", -100000, 2000000000, 0x000000FF);
        std::vector<uint32_t> g = Frame();
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x) EXPECT_EQ(g[y * 320 + x], f[(37 + y) * 320 + 51 + x]) << x << "," << y;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) EXPECT_EQ(g[(190 + y) * 320 + 310 + x], f[(30 + y) * 320 + 40 + x]);
        b.DeInitEngine();
    }
    EXPECT_EQ(b.SysPrint("after", 0, 0, 0xFFFFFF), 0);  // no back surface
}

}  // namespace
