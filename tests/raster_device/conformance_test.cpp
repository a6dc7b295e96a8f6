// Loads t7dxraster.so the way the engine does and drives its device, surface,
// frame and text exports headless.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tessaly/raster_interface.h"

namespace {

struct Backend {
    void* library = nullptr;
    RasterFn_GetSysInfo GetSysInfo;
    RasterFn_GetDDONum GetDDONum;
    RasterFn_GetDDData GetDDData;
    RasterFn_GetCardsNum GetCardsNum;
    RasterFn_GetVideoModesNum GetVideoModesNum;
    RasterFn_GetVideoModeData GetVideoModeData;
    RasterFn_GetVideoModeDataStr GetVideoModeDataStr;
    RasterFn_SeekMode SeekMode;
    RasterFn_InitEngine InitEngine;
    RasterFn_DeInitEngine DeInitEngine;
    RasterFn_SetViewportArea SetViewportArea;
    RasterFn_ClearScreen ClearScreen;
    RasterFn_ClearZBuffer ClearZBuffer;
    RasterFn_SwapBuffers SwapBuffers;
    RasterFn_AllocMaxTextures AllocMaxTextures;
    RasterFn_FreeAllocatedTextures FreeAllocatedTextures;
    RasterFn_AllocMaxImages AllocMaxImages;
    RasterFn_FreeAllocatedImages FreeAllocatedImages;
    RasterFn_AddTexture AddTexture;
    RasterFn_AddImage AddImage;
    RasterFn_DrawBitmap DrawBitmap;
    RasterFn_LockTexturePointer LockTexturePointer;
    RasterFn_ReleaseTexturePointer ReleaseTexturePointer;
    RasterFn_LockBackBufferPointer LockBackBufferPointer;
    RasterFn_ReleaseBackBufferPointer ReleaseBackBufferPointer;
    RasterFn_LockZBufferPointer LockZBufferPointer;
    RasterFn_ReleaseZBufferPointer ReleaseZBufferPointer;
    RasterFn_SysPrint SysPrint;

    template <typename Fn>
    void Bind(Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(dlsym(library, name));
        ASSERT_NE(fn, nullptr) << name;
    }
    void BindAll() {
        Bind(GetSysInfo, "GetSysInfo");
        Bind(GetDDONum, "GetDDONum");
        Bind(GetDDData, "GetDDData");
        Bind(GetCardsNum, "r_GetCardsNum");
        Bind(GetVideoModesNum, "r_GetVideoModesNum");
        Bind(GetVideoModeData, "r_GetVideoModeData");
        Bind(GetVideoModeDataStr, "r_GetVideoModeDataStr");
        Bind(SeekMode, "r_SeekMode");
        Bind(InitEngine, "r_InitEngine");
        Bind(DeInitEngine, "r_DeInitEngine");
        Bind(SetViewportArea, "r_SetViewportArea");
        Bind(ClearScreen, "r_ClearScreen");
        Bind(ClearZBuffer, "r_ClearZBuffer");
        Bind(SwapBuffers, "r_SwapBuffers");
        Bind(AllocMaxTextures, "r_AllocMaxTextures");
        Bind(FreeAllocatedTextures, "r_FreeAllocatedTextures");
        Bind(AllocMaxImages, "r_AllocMaxImages");
        Bind(FreeAllocatedImages, "r_FreeAllocatedImages");
        Bind(AddTexture, "r_AddTexture");
        Bind(AddImage, "r_AddImage");
        Bind(DrawBitmap, "r_DrawBitmap");
        Bind(LockTexturePointer, "r_LockTexturePointer");
        Bind(ReleaseTexturePointer, "r_ReleaseTexturePointer");
        Bind(LockBackBufferPointer, "r_LockBackBufferPointer");
        Bind(ReleaseBackBufferPointer, "r_ReleaseBackBufferPointer");
        Bind(LockZBufferPointer, "r_LockZBufferPointer");
        Bind(ReleaseZBufferPointer, "r_ReleaseZBufferPointer");
        Bind(SysPrint, "r_SysPrint");
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
        PlatOptions options{};
        options.headless = 1;
        ASSERT_EQ(plat_Configure(&options), 0);
        b.library = plat_LoadLibrary("t7dxraster.dll");
        ASSERT_NE(b.library, nullptr);
        b.BindAll();
    }
    static void TearDownTestSuite() {
        if (b.library) plat_FreeLibrary(b.library);
        b.library = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(b.GetSysInfo(), 1);
        g_messages.clear();
    }
    void TearDown() override {
        b.DeInitEngine();
        b.FreeAllocatedTextures(nullptr);
        b.FreeAllocatedImages(nullptr);
    }

    // Initialises in the given mode of the offscreen card; whole-frame viewport.
    void Init(int width, int height, int bits, int flags = EXCLUSIVEFULLSCREEN, PlatWindow* window = nullptr) {
        int mode = b.SeekMode(0, width, height, bits, 0);
        ASSERT_GE(mode, 0);
        PlatWindow* w = window;
        ASSERT_EQ(b.InitEngine(0, mode, 0, &w, flags, nullptr), 0);
        b.SetViewportArea(0, 0, 1, 1, nullptr);
    }

    int frameWidth = 0, frameHeight = 0;
    void InitFrame(int width, int height, int bits) {
        Init(width, height, bits);
        frameWidth = width;
        frameHeight = height;
    }

    // The back buffer of the InitFrame set-up as 0xRRGGBB values, row by row.
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

// ---------------------------------------------------------------- survey

TEST_F(RasterDevice, SurveyIsStableAndOffersFilteredModes) {
    ASSERT_EQ(b.GetSysInfo(), 1);
    int modes = b.GetVideoModesNum(0);
    ASSERT_EQ(b.GetSysInfo(), 1);
    EXPECT_EQ(b.GetVideoModesNum(0), modes);
    EXPECT_EQ(b.GetDDONum(), 1);
    EXPECT_EQ(b.GetCardsNum(), 1);

    RasterCardRecord card{};
    ASSERT_TRUE(b.GetDDData(0, &card));
    EXPECT_STREQ(card.description, "Offscreen");
    for (uint8_t byte : card.identifier) EXPECT_EQ(byte, 0);
    EXPECT_FALSE(b.GetDDData(1, &card));
    EXPECT_FALSE(b.GetDDData(-1, &card));

    ASSERT_GT(modes, 0);
    for (int i = 0; i < modes; ++i) {
        int w = -1, h = -1, bits = -1;
        char reserved = 9;
        b.GetVideoModeData(0, i, &w, &h, &bits, &reserved);
        EXPECT_TRUE(bits == 16 || bits == 32) << "mode " << i;
        EXPECT_EQ(reserved, 0);
    }
    int w = -1, h = -1, bits = -1;
    b.GetVideoModeData(0, modes, &w, &h, &bits, nullptr);
    EXPECT_EQ(w + h + bits, 0);
    EXPECT_EQ(b.GetVideoModesNum(1), 0);
    EXPECT_EQ(b.GetVideoModesNum(-1), 0);
    EXPECT_STREQ(b.GetVideoModeDataStr(0, modes), "0x0x0");
    EXPECT_STREQ(b.GetVideoModeDataStr(5, 0), "0x0x0");
}

TEST_F(RasterDevice, SeekModeFindsSoftwareModesOnly) {
    for (int bits : {16, 32}) {
        int mode = b.SeekMode(0, 640, 480, bits, 0);
        ASSERT_GE(mode, 0);
        char text[32];
        std::snprintf(text, sizeof text, "640x480x%d", bits);
        EXPECT_STREQ(b.GetVideoModeDataStr(0, mode), text);
        // No hardware device: asking for one finds nothing; only the low byte counts.
        EXPECT_EQ(b.SeekMode(0, 640, 480, bits, 1), -1);
        EXPECT_EQ(b.SeekMode(0, 640, 480, bits, 0x100), mode);
    }
    EXPECT_EQ(b.SeekMode(0, 320, 200, 8, 0), -1);  // palette modes are dropped
    EXPECT_EQ(b.SeekMode(0, 641, 480, 16, 0), -1);
    EXPECT_EQ(b.SeekMode(1, 640, 480, 16, 0), -1);
    EXPECT_EQ(b.SeekMode(-1, 640, 480, 16, 0), -1);
}

// A private copy of the library is a back-end in its first state: no survey yet,
// no viewport area set.
TEST_F(RasterDevice, FreshBackEndReportsNoCardsAndClearsNothing) {
    namespace fs = std::filesystem;
    fs::path copy = fs::temp_directory_path() / ("t7dxraster-fresh-" + std::to_string(getpid()) + ".so");
    fs::copy_file(fs::path(TESSALY_BIN_DIR) / "t7dxraster.so", copy, fs::copy_options::overwrite_existing);
    Backend fresh;
    fresh.library = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    fs::remove(copy);
    ASSERT_NE(fresh.library, nullptr) << dlerror();
    fresh.BindAll();

    EXPECT_EQ(fresh.GetCardsNum(), 0);
    EXPECT_EQ(fresh.GetVideoModesNum(0), 0);
    EXPECT_EQ(fresh.SeekMode(0, 640, 480, 16, 0), -1);
    PlatWindow* window = nullptr;
    EXPECT_EQ(fresh.InitEngine(0, 0, 0, &window, EXCLUSIVEFULLSCREEN, Collect), -1);
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[0], "r_InitEngine : Begin\n");
    EXPECT_EQ(g_messages[1], "r_InitEngine : Error, DirectDraw Object Index out of range (0, 0 - -1)\n");

    ASSERT_EQ(fresh.GetSysInfo(), 1);
    int mode = fresh.SeekMode(0, 320, 200, 32, 0);
    ASSERT_EQ(fresh.InitEngine(0, mode, 0, &window, EXCLUSIVEFULLSCREEN, nullptr), 0);
    EXPECT_EQ(fresh.ClearScreen(0xFFFFFFFF, nullptr), 0);
    int pitch = 0, bits = 0;
    uint8_t* pixels = fresh.LockBackBufferPointer(&pitch, &bits);
    ASSERT_NE(pixels, nullptr);
    bool untouched = true;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x) untouched = untouched && Rgb(pixels, pitch, x, y) == 0;
    EXPECT_TRUE(untouched);
    fresh.ReleaseBackBufferPointer();
    fresh.DeInitEngine();
    dlclose(fresh.library);
}

// ---------------------------------------------------------------- set-up

TEST_F(RasterDevice, FullScreenInitSendsFiveMessages) {
    int mode = b.SeekMode(0, 640, 480, 16, 0);
    PlatWindow* window = nullptr;
    ASSERT_EQ(b.InitEngine(0, mode, 0, &window, EXCLUSIVEFULLSCREEN, Collect), 0);
    std::vector<std::string> expected = {
        "r_InitEngine : Begin\n", "r_InitEngine : 640x480 screen size\n", "r_InitEngine : r_InitFullScreenEngine Ok\n",
        "r_InitEngine : Initialization Successful\n", "r_InitEngine : End\n"};
    EXPECT_EQ(g_messages, expected);

    // The software device takes the last depth format, 32 bits.
    int pitch = 0, depthBits = 0;
    EXPECT_NE(b.LockZBufferPointer(&pitch, &depthBits), nullptr);
    EXPECT_EQ(depthBits, 32);
    EXPECT_EQ(pitch, 640 * 4);
    b.ReleaseZBufferPointer();

    // Headless, presenting only counts the frame.
    long before = plat_PresentedFrames();
    b.SwapBuffers(0);
    EXPECT_EQ(plat_PresentedFrames(), before + 1);
}

TEST_F(RasterDevice, SwapHandsTheFrameToCaptureAsBlueGreenRed) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("t7dxraster-capture-" + std::to_string(getpid()));
    std::string dirText = dir.string();
    PlatOptions options{};
    options.headless = 1;
    options.captureDir = dirText.c_str();
    ASSERT_EQ(plat_Configure(&options), 0);
    InitFrame(320, 200, 16);
    b.ClearScreen(0xFF123456, nullptr);
    b.SwapBuffers(0);
    options.captureDir = nullptr;
    plat_Configure(&options);

    std::FILE* file = std::fopen((dir / "frame00000.tga").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> tga(18 + 320 * 200 * 3 + 64);
    size_t got = std::fread(tga.data(), 1, tga.size(), file);
    std::fclose(file);
    fs::remove_all(dir);
    ASSERT_GE(got, 18u + 320 * 200 * 3);
    size_t start = 18 + tga[0];
    size_t same = 0;
    for (size_t i = 0; i < 320 * 200; ++i) {
        const uint8_t* p = &tga[start + 3 * i];
        same += p[0] == 0x52 && p[1] == 0x34 && p[2] == 0x10;
    }
    EXPECT_EQ(same, 320u * 200u);
}

TEST_F(RasterDevice, InitArgumentErrors) {
    PlatWindow* window = nullptr;
    int modes = b.GetVideoModesNum(0);
    struct Case {
        int card, mode, flags;
        std::string error;
    } cases[] = {
        {1, 0, 1, "r_InitEngine : Error, DirectDraw Object Index out of range (1, 0 - 0)\n"},
        {-1, 0, 1, "r_InitEngine : Error, DirectDraw Object Index out of range (-1, 0 - 0)\n"},
        {0, modes, 1,
         "r_InitEngine : Error, Video Mode Index out of range (" + std::to_string(modes) + ", 0 - " +
             std::to_string(modes - 1) + ")\n"},
        {0, -1, 1, "r_InitEngine : Error, Video Mode Index out of range (-1, 0 - " + std::to_string(modes - 1) + ")\n"},
        {0, 0, 0, "r_InitEngine : Error, Invalid flags, Please select WINDOWED or EXCLUSIVEFULLSCREEN\n"},
        {0, 0, NOFRONTBUFFER, "r_InitEngine : Error, Invalid flags, Please select WINDOWED or EXCLUSIVEFULLSCREEN\n"},
    };
    for (const Case& c : cases) {
        g_messages.clear();
        EXPECT_EQ(b.InitEngine(c.card, c.mode, 0, &window, c.flags, Collect), -1);
        ASSERT_EQ(g_messages.size(), 2u);
        EXPECT_EQ(g_messages[0], "r_InitEngine : Begin\n");
        EXPECT_EQ(g_messages[1], c.error);
        // A null callback changes nothing but the silence.
        EXPECT_EQ(b.InitEngine(c.card, c.mode, 0, &window, c.flags, nullptr), -1);
    }
    EXPECT_EQ(b.InitEngine(0, 0, 0, nullptr, 0, nullptr), -1);
}

TEST_F(RasterDevice, WindowedInitTakesClientSizeAndHasNoFrontBuffer) {
    PlatWindow* window = plat_CreateWindow("test", 200, 100);
    ASSERT_NE(window, nullptr);
    int mode = b.SeekMode(0, 640, 480, 16, 0);
    // Both flags: windowed wins.
    ASSERT_EQ(b.InitEngine(0, mode, 0, &window, WINDOWED | EXCLUSIVEFULLSCREEN, Collect), 0);
    ASSERT_EQ(g_messages.size(), 5u);
    EXPECT_EQ(g_messages[1], "r_InitEngine : 200x100 window size\n");
    EXPECT_EQ(g_messages[2], "r_InitEngine : r_InitWindowedEngine Ok\n");

    int pitch = 0, bits = 0;
    ASSERT_NE(b.LockBackBufferPointer(&pitch, &bits), nullptr);
    EXPECT_GE(pitch, 600);
    b.ReleaseBackBufferPointer();

    ASSERT_EQ(b.AllocMaxImages(2, nullptr), 0);
    uint8_t rgb[3] = {1, 2, 3};
    ASSERT_EQ(b.AddImage(-1, 1, 1, 24, rgb, "dot", nullptr), 0);
    g_messages.clear();
    b.DrawBitmap(0, 0, 0, 1, 1, DRAWBITMAP_FRONT, Collect);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "r_DrawBitmap : Error, Frontbuffer Not Available");
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

TEST_F(RasterDevice, TextureStoreFillsReplacesAndRefuses) {
    uint8_t texels[4 * 4 * 4] = {};
    g_messages.clear();
    EXPECT_EQ(b.AddTexture(-1, 4, 4, 24, texels, "T", 0, Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddTexture : Error, Textures Not Allocated\n");

    ASSERT_EQ(b.AllocMaxTextures(4, nullptr), 0);
    g_messages.clear();
    EXPECT_EQ(b.AllocMaxTextures(8, Collect), -1);
    EXPECT_EQ(g_messages.back(),
              "t7dxraster r_AllocMaxTextures : 4 Textures Already Allocated , use r_FreeAllocatedTextures first\n");

    for (int i = 0; i < 4; ++i) {
        g_messages.clear();
        EXPECT_EQ(b.AddTexture(-1, 4, 2, 24, texels, "WALL.TGA", 0, Collect), i);
        ASSERT_EQ(g_messages.size(), 1u);
        EXPECT_EQ(g_messages[0], "t7dxraster.dll r_AddTexture : Loaded WALL.TGA (" + std::to_string(i) + " : 4x2x24)\n");
    }
    g_messages.clear();
    EXPECT_EQ(b.AddTexture(-1, 4, 4, 24, texels, "T", 0, Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddTexture : Error, Not Enough Allocated Textures\n");

    // Replacing an occupied slot says nothing about the release.
    g_messages.clear();
    EXPECT_EQ(b.AddTexture(2, 4, 4, 32, texels, "NEW", TEXTURE_NOMIPMAP, Collect), 2);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "t7dxraster.dll r_AddTexture : Loaded NEW (2 : 4x4x32)\n");

    for (int bad : {4, -2, 1000}) {
        g_messages.clear();
        EXPECT_EQ(b.AddTexture(bad, 4, 4, 24, texels, "T", 0, Collect), -1);
        EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddTexture : Error, Handle Out Of Range (" +
                                         std::to_string(bad) + " , 0 - 3)\n");
    }

    g_messages.clear();
    EXPECT_EQ(b.FreeAllocatedTextures(Collect), 0);
    EXPECT_EQ(g_messages.back(), "t7dxraster r_FreeAllocatedTextures : Textures Deallocated\n");
    ASSERT_EQ(b.AllocMaxTextures(2, nullptr), 0);
    EXPECT_EQ(b.AddTexture(-1, 4, 4, 24, texels, "T", 0, nullptr), 0);
}

TEST_F(RasterDevice, ImageStoreFillsAndRefuses) {
    uint8_t pixels[2 * 2 * 4] = {};
    g_messages.clear();
    EXPECT_EQ(b.AddImage(-1, 2, 2, 24, pixels, "I", Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Error, Images Not Allocated\n");
    ASSERT_EQ(b.AllocMaxImages(2, nullptr), 0);
    g_messages.clear();
    EXPECT_EQ(b.AllocMaxImages(2, Collect), -1);
    EXPECT_EQ(g_messages.back(),
              "t7dxraster r_AllocMaxImages : 2 Images Already Allocated , use r_FreeAllocatedImages first\n");
    g_messages.clear();
    EXPECT_EQ(b.AddImage(-1, 2, 2, 32, pixels, "CREDITS.TGA", Collect), 0);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Loaded CREDITS.TGA (0 : 2x2x32)\n");
    EXPECT_EQ(b.AddImage(-1, 2, 2, 24, pixels, "I", nullptr), 1);
    g_messages.clear();
    EXPECT_EQ(b.AddImage(-1, 2, 2, 24, pixels, "I", Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Error, Not Enough Allocated Images\n");
    g_messages.clear();
    EXPECT_EQ(b.AddImage(-5, 2, 2, 24, pixels, "I", Collect), -1);
    EXPECT_EQ(g_messages.back(), "t7dxraster.dll r_AddImage : Error, Handle Out Of Range (-5 , 0 - 1)\n");
    EXPECT_EQ(b.AddImage(1, 2, 2, 24, pixels, "I", nullptr), 1);
    g_messages.clear();
    EXPECT_EQ(b.FreeAllocatedImages(Collect), 0);
    EXPECT_EQ(g_messages.back(), "t7dxraster r_FreeAllocatedImages : Images Deallocated\n");
    ASSERT_EQ(b.AllocMaxImages(1, nullptr), 0);
    EXPECT_EQ(b.AddImage(-1, 2, 2, 24, pixels, "I", nullptr), 0);
}

TEST_F(RasterDevice, TextureLockCopiesLevelZeroAndWritesBack) {
    ASSERT_EQ(b.AllocMaxTextures(3, nullptr), 0);
    // 3x2 texture, red/green/blue bytes per pixel.
    uint8_t texels[3 * 2 * 3];
    for (int i = 0; i < 18; ++i) texels[i] = static_cast<uint8_t>(10 * i);
    ASSERT_EQ(b.AddTexture(1, 3, 2, 24, texels, "T", 0, nullptr), 1);

    int w = -1, h = -1, pitch = -1, bits = -1;
    EXPECT_EQ(b.LockTexturePointer(0, &w, &h, &pitch, &bits), nullptr);  // empty slot
    EXPECT_EQ(w + h + pitch + bits, 0);
    w = h = pitch = bits = -1;
    EXPECT_EQ(b.LockTexturePointer(3, &w, &h, &pitch, &bits), nullptr);  // beyond the store
    EXPECT_EQ(w + h + pitch + bits, 0);
    EXPECT_EQ(b.ReleaseTexturePointer(0, 1), 0);  // nothing locked: harmless

    uint8_t* copy = b.LockTexturePointer(1, &w, &h, &pitch, &bits);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(bits, 24);
    ASSERT_GE(pitch, 9);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* src = texels + 3 * (y * 3 + x);
            EXPECT_EQ(Rgb(copy, pitch, x, y), uint32_t(src[0]) << 16 | uint32_t(src[1]) << 8 | src[2]);
        }
    copy[pitch + 3] = 0xAB;  // blue of pixel (1, 1)
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
    struct Case {
        unsigned flags;
        int handle;
        const char* message;
    };
    g_messages.clear();
    b.DrawBitmap(0, 0, 0, 1, 1, 0, Collect);
    b.DrawBitmap(0, 0, 0, 1, 1, DRAWBITMAP_TEXTURE, Collect);
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[0], "r_DrawBitmap : Error, Images Not Allocated");
    EXPECT_EQ(g_messages[1], "r_DrawBitmap : Error, Textures Not Allocated");

    ASSERT_EQ(b.AllocMaxImages(5, nullptr), 0);
    ASSERT_EQ(b.AllocMaxTextures(3, nullptr), 0);
    g_messages.clear();
    b.DrawBitmap(7, 0, 0, 1, 1, 0, Collect);
    b.DrawBitmap(-1, 0, 0, 1, 1, DRAWBITMAP_TEXTURE, Collect);
    b.DrawBitmap(0, 0, 0, 1, 1, 0, Collect);  // before any set-up
    ASSERT_EQ(g_messages.size(), 3u);
    EXPECT_EQ(g_messages[0], "r_DrawBitmap : Error, Image Handle Out Of Range (7 , 0 - 4)");
    EXPECT_EQ(g_messages[1], "r_DrawBitmap : Error, Texture Handle Out Of Range (-1 , 0 - 2)");
    EXPECT_EQ(g_messages[2], "r_DrawBitmap : Error, Backbuffer Not Available");

    // Full screen without a display has no front surface either.
    InitFrame(320, 200, 32);
    g_messages.clear();
    b.DrawBitmap(0, 0, 0, 1, 1, DRAWBITMAP_FRONT, Collect);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "r_DrawBitmap : Error, Frontbuffer Not Available");
}

TEST_F(RasterDevice, DrawBitmapScalesAndClipsToTheFrame) {
    InitFrame(320, 200, 32);
    ASSERT_EQ(b.AllocMaxImages(1, nullptr), 0);
    ASSERT_EQ(b.AllocMaxTextures(1, nullptr), 0);
    // 2x2 source: pixel (x, y) has red 100 + x, green 100 + y, blue 7.
    uint8_t rgb[2 * 2 * 3];
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            uint8_t* p = rgb + 3 * (2 * y + x);
            p[0] = uint8_t(100 + x), p[1] = uint8_t(100 + y), p[2] = 7;
        }
    auto expected = [](int sx, int sy) { return uint32_t(100 + sx) << 16 | uint32_t(100 + sy) << 8 | 7; };
    ASSERT_EQ(b.AddImage(0, 2, 2, 24, rgb, "I", nullptr), 0);
    ASSERT_EQ(b.AddTexture(0, 2, 2, 24, rgb, "T", 0, nullptr), 0);

    for (unsigned flags : {0u, DRAWBITMAP_TEXTURE}) {
        b.ClearScreen(0, nullptr);
        g_messages.clear();
        b.DrawBitmap(0, 10, 20, 4, 6, flags, Collect);  // each source pixel becomes 2x3
        b.DrawBitmap(0, -3, -5, 4, 6, flags, Collect);  // only the bottom-right corner shows
        b.DrawBitmap(0, 318, 198, 4, 4, flags, Collect);
        b.DrawBitmap(0, 0, 0, 640, 480, flags, Collect);  // larger than the frame
        b.DrawBitmap(0, 0, 0, 640, 480, flags, Collect);
        EXPECT_TRUE(g_messages.empty());
        b.ClearScreen(0, nullptr);
        b.DrawBitmap(0, 10, 20, 4, 6, flags, nullptr);
        b.DrawBitmap(0, -3, -5, 4, 6, flags, nullptr);
        b.DrawBitmap(0, 318, 198, 4, 4, flags, nullptr);
        std::vector<uint32_t> f = Frame();
        ASSERT_EQ(f.size(), 320u * 200u);
        const int w = 320;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(f[(20 + y) * w + 10 + x], expected(x / 2, y / 3));
        EXPECT_EQ(f[0], expected(1, 1));  // (-3, -5) + (3, 5)
        EXPECT_EQ(f[1 * w + 0], 0u);
        EXPECT_EQ(f[0 * w + 1], 0u);
        EXPECT_EQ(f[198 * w + 318], expected(0, 0));
        EXPECT_EQ(f[199 * w + 319], expected(0, 0));
    }
}

TEST_F(RasterDevice, ImagesMadeBeforeTheSetUpAreConvertedToTheFrameFormat) {
    ASSERT_EQ(b.AllocMaxImages(1, nullptr), 0);
    const uint8_t rgb[3] = {0x12, 0x34, 0x56};
    ASSERT_EQ(b.AddImage(0, 1, 1, 24, rgb, "I", nullptr), 0);
    InitFrame(320, 200, 16);
    b.DrawBitmap(0, 5, 5, 2, 2, 0, nullptr);
    std::vector<uint32_t> f = Frame();
    ASSERT_EQ(f.size(), 320u * 200u);
    EXPECT_EQ(f[5 * 320 + 5], 0x103452u);  // through RGB565 and back
    EXPECT_EQ(f[6 * 320 + 6], 0x103452u);
    EXPECT_EQ(f[7 * 320 + 7], 0u);
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
    ASSERT_EQ(depthBits, 32);
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; ++x) {
            bool left = x < 160;
            ASSERT_EQ(f[y * 320 + x], left ? 0xFF8000u : 0x0000FFu) << x << "," << y;
            ASSERT_EQ(depth[y * (pitch / 4) + x], left ? 0x80000000u : 0xFFFFFFFFu) << x << "," << y;
        }
    b.ReleaseZBufferPointer();
}

TEST_F(RasterDevice, NaNAndOutOfRangeViewportEdgesMeanTheWholeFrame) {
    InitFrame(320, 200, 32);
    const float nan = std::nanf("");
    const float areas[][4] = {{nan, nan, nan, nan}, {-0.5f, 0, 2, 1}, {0, -1, 1, 5}};
    uint32_t colour = 0x10;
    for (const auto& a : areas) {
        b.SetViewportArea(0, 0, 0, 0, nullptr);  // empty: clears change nothing
        b.ClearScreen(0xFFFFFFFF, nullptr);
        b.SetViewportArea(a[0], a[1], a[2], a[3], nullptr);
        b.ClearScreen(colour, nullptr);
        std::vector<uint32_t> f = Frame();
        size_t covered = 0;
        for (uint32_t p : f) covered += p == colour;
        EXPECT_EQ(covered, f.size()) << a[0] << " " << a[1] << " " << a[2] << " " << a[3];
        colour += 0x10;
    }
}

TEST_F(RasterDevice, BackBufferCopyWidensRgb565ByBitReplication) {
    struct Case {
        int bits;
        uint32_t clear, seen;
    } cases[] = {
        // r 0x12 -> 2 -> 0x10, g 0x34 -> 13 -> 0x34, b 0x56 -> 10 -> 0x52
        {16, 0xFF123456, 0x103452},
        {16, 0x00FFFFFF, 0xFFFFFF},
        {16, 0xFF080400, 0x080400},
        {32, 0xFF123456, 0x123456},
        {32, 0x00FEDCBA, 0xFEDCBA},
    };
    for (const Case& c : cases) {
        InitFrame(640, 480, c.bits);
        b.ClearScreen(c.clear, nullptr);
        std::vector<uint32_t> f = Frame();
        ASSERT_EQ(f.size(), 640u * 480u);
        EXPECT_EQ(f[0], c.seen) << c.bits << " bits, clear " << std::hex << c.clear;
        EXPECT_EQ(f[479 * 640 + 639], c.seen);
        b.DeInitEngine();
    }
    EXPECT_EQ(b.ReleaseBackBufferPointer(), 0);  // no copy: harmless
    int pitch = -1, bits = -1;
    EXPECT_EQ(b.LockBackBufferPointer(&pitch, &bits), nullptr);  // no set-up
}

TEST_F(RasterDevice, SysPrintDrawsGlyphPixelsOnlyInTheirCells) {
    for (int bits : {32, 16}) {
        InitFrame(320, 200, bits);
        const uint32_t background = 0x0000FF;  // blue, as the frame reads it back
        b.ClearScreen(0xFF000000 | background, nullptr);
        // 0x00BBGGRR: pure red.
        EXPECT_NE(b.SysPrint("Hi!", 40, 30, 0x000000FF), 0);
        std::vector<uint32_t> f = Frame();
        int lit = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x) {
                uint32_t p = f[y * 320 + x];
                bool inCells = x >= 40 && x < 40 + 3 * 8 && y >= 30 && y < 30 + 16;
                if (p == background) continue;
                EXPECT_TRUE(inCells) << x << "," << y;
                EXPECT_EQ(p, 0xFF0000u) << x << "," << y;
                ++lit;
            }
        EXPECT_GT(lit, 20);

        // Drawn partly off the frame, the visible part is the same glyphs shifted.
        b.ClearScreen(0xFF000000 | background, nullptr);
        b.SysPrint("Hi!", -11, -7, 0x000000FF);
        b.SysPrint("Hi!", 310, 190, 0x000000FF);
        b.SysPrint("Hi!", -100000, 2000000000, 0x000000FF);
        std::vector<uint32_t> g = Frame();
        for (int y = 0; y + 7 < 16; ++y)
            for (int x = 0; x + 11 < 24; ++x)
                EXPECT_EQ(g[y * 320 + x], f[(30 + y + 7) * 320 + 40 + x + 11]) << x << "," << y;
        for (int y = 190; y < 200; ++y)
            for (int x = 310; x < 320; ++x)
                EXPECT_EQ(g[y * 320 + x], f[(30 + y - 190) * 320 + 40 + x - 310]) << x << "," << y;
        b.DeInitEngine();
    }
    EXPECT_EQ(b.SysPrint("after", 0, 0, 0xFFFFFF), 0);  // no back surface
}

TEST_F(RasterDevice, ClearsBeforeSetUpReportTheFailure) {
    g_messages.clear();
    EXPECT_EQ(b.ClearScreen(0, Collect), 7);
    EXPECT_EQ(b.ClearZBuffer(1.0f, Collect), 7);
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[0], "r_ClearScreen : Error, D3DERR_VIEWPORTHASNODEVICE");
    EXPECT_EQ(g_messages[1], "r_ClearZBuffer : Error, D3DERR_VIEWPORTHASNODEVICE");
    EXPECT_EQ(b.ClearScreen(0, nullptr), 0);
}

}  // namespace
