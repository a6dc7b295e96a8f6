// The engine's raster link, driven through libt7gfx.so's exports against test
// back-ends built beside the tests (testraster_full.so and one
// testraster_missing_NN.so per entry).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tessaly/engine_api.h"

namespace {

std::vector<std::string> g_messages;
int g_callbackResult = 0;

int Collect(const char* message) {
    g_messages.emplace_back(message);
    return g_callbackResult;
}

// The recording side of the full test back-end, reached through the copy the
// engine has loaded.
struct Recorder {
    void* handle = nullptr;
    const char* (*lastCall)() = nullptr;
    int (*callCount)() = nullptr;

    Recorder() {
        handle = dlopen(TESSALY_BIN_DIR "/testraster_full.so", RTLD_NOW | RTLD_NOLOAD);
        if (!handle) return;
        lastCall = reinterpret_cast<const char* (*)()>(dlsym(handle, "testraster_LastCall"));
        callCount = reinterpret_cast<int (*)()>(dlsym(handle, "testraster_CallCount"));
    }
    ~Recorder() {
        if (handle) dlclose(handle);
    }
    std::string Last() const { return lastCall(); }
};

std::string Pointer(const void* p) {
    char text[32];
    snprintf(text, sizeof text, "%p", p);
    return text;
}

class RasterLink : public ::testing::Test {
protected:
    void SetUp() override {
        r_FreeRaster(nullptr);  // every test starts unlinked
        g_messages.clear();
        g_callbackResult = 0;
    }
    void TearDown() override { r_FreeRaster(nullptr); }
};

TEST_F(RasterLink, LinkTwiceAndFreeTwice) {
    g_callbackResult = 77;
    EXPECT_EQ(r_LinkRaster("testraster_full.dll", Collect), 0);
    EXPECT_EQ(r_LinkRaster("testraster_other.dll", Collect), -1);
    EXPECT_EQ(r_FreeRaster(Collect), 77);  // the callback's result
    EXPECT_EQ(r_FreeRaster(Collect), 77);
    EXPECT_EQ(r_FreeRaster(nullptr), 0);
    const std::vector<std::string> expected = {
        "r_LinkRaster : Linked testraster_full.dll\n",
        "r_LinkRaster : testraster_full.dll Already Linked , use r_FreeRaster first\n",
        "r_FreeRaster : testraster_full.dll Released\n",
        "r_FreeRaster : Error, No Raster Linked\n",
    };
    EXPECT_EQ(g_messages, expected);
}

TEST_F(RasterLink, MissingLibraryStaysUnlinked) {
    EXPECT_EQ(r_LinkRaster("no_such_raster.dll", Collect), -1);
    EXPECT_EQ(r_FreeRaster(Collect), 0);
    const std::vector<std::string> expected = {
        "r_LinkRaster : Failed to Link no_such_raster.dll\n",
        "r_FreeRaster : Error, No Raster Linked\n",
    };
    EXPECT_EQ(g_messages, expected);
    EXPECT_EQ(r_LinkRaster(nullptr, Collect), -1);
}

TEST_F(RasterLink, OverlongNameIsCutToTheMessageBuffer) {
    const std::string name(3000, 'x');
    EXPECT_EQ(r_LinkRaster(name.c_str(), Collect), -1);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].size(), 1023u);
    EXPECT_EQ(g_messages[0].rfind("r_LinkRaster : Failed to Link xxx", 0), 0u);
}

TEST_F(RasterLink, NullCallbacksAreSilent) {
    EXPECT_EQ(r_LinkRaster("testraster_full.dll", nullptr), 0);
    EXPECT_EQ(r_LinkRaster("testraster_full.dll", nullptr), -1);
    EXPECT_EQ(r_FreeRaster(nullptr), 0);
    EXPECT_EQ(r_FreeRaster(nullptr), 0);
    EXPECT_EQ(r_LinkRaster("no_such_raster.dll", nullptr), -1);
    EXPECT_EQ(r_LinkRaster("testraster_missing_22.dll", nullptr), -1);
    EXPECT_TRUE(g_messages.empty());
}

// The name each entry is reported under when the back-end lacks it.
const char* const kShownNames[42] = {
    "r_GetSysInfo",
    "r_InitEngine",
    "r_DeinitEngine",
    "r_SetViewportArea",
    "r_ClearScreen",
    "r_SwapBuffers",
    "r_SetFrustum",
    "r_ClearZBuffer",
    "r_SimpleTLRender",
    "r_TransformIntoCamSpace",
    "r_AllocMaxVtcs",
    "r_FreeAllocatedVtcs",
    "r_RenderSBM",
    "r_AllocMaxTextures",
    "r_AllocMaxImages",
    "r_FreeAllocatedTextures",
    "r_FreeAllocatedImages",
    "r_SetCamMatrix",
    "r_SetModelMatrix",
    "r_3DStart",
    "r_3DEnd",
    "r_SetRenerState",
    "r_DrawBitmap",
    "r_AddImage",
    "r_AddTexture",
    "r_SetTexture",
    "r_SysPrint",
    "r_SeekMode",
    "r_LockZBufferPointer",
    "r_ReleaseZBufferPointer",
    "r_LockBackBufferPointer",
    "r_ReleaseBackBufferPointer",
    "r_GetCardsNum",
    "r_GetVideoModesNum",
    "r_GetVideoModeData",
    "r_GetVideoModeDataStr",
    "r_ZTest",
    "r_FullVertexCamWork",
    "r_SimpleIndexedTLRender",
    "r_TransformInto2DSpace",
    "r_LockTexturePointer",
    "r_ReleaseTexturePointer",
};

class MissingEntry : public RasterLink, public ::testing::WithParamInterface<int> {};

// A lookup failure leaves the library loaded: a second link is refused and the
// release names the last successfully linked file.
TEST_P(MissingEntry, ReportsTheEntryAndStaysLoaded) {
    const int entry = GetParam();
    ASSERT_EQ(r_LinkRaster("testraster_full.dll", nullptr), 0);
    ASSERT_EQ(r_FreeRaster(nullptr), 0);

    char name[64];
    snprintf(name, sizeof name, "testraster_missing_%02d.dll", entry);
    EXPECT_EQ(r_LinkRaster(name, Collect), -1);
    EXPECT_EQ(r_LinkRaster("testraster_full.dll", Collect), -1);
    r_FreeRaster(Collect);

    ASSERT_EQ(g_messages.size(), 3u);
    EXPECT_EQ(g_messages[0],
              std::string("r_LinkRaster : Error, Unable to load ") + kShownNames[entry - 1] + " from " + name + "\n");
    EXPECT_EQ(g_messages[1], "r_LinkRaster : testraster_full.dll Already Linked , use r_FreeRaster first\n");
    EXPECT_EQ(g_messages[2], "r_FreeRaster : testraster_full.dll Released\n");
}

INSTANTIATE_TEST_SUITE_P(AllEntries, MissingEntry, ::testing::Range(1, 43));

TEST_F(RasterLink, PassThroughsHandArgumentsOnAndReturnTheResult) {
    ASSERT_EQ(r_LinkRaster("testraster_full.dll", nullptr), 0);
    Recorder rec;
    ASSERT_NE(rec.lastCall, nullptr);
    ASSERT_NE(rec.callCount, nullptr);
    const std::string cb = Pointer(reinterpret_cast<void*>(&Collect));
    PlatWindow* window = nullptr;
    const std::string win = Pointer(&window);
    int a = 0, b = 0, c = 0;
    char reserved[4];
    TLVertex vertices[3] = {};
    Vector3 in[2] = {}, out[2] = {};
    Matrix44 m;
    for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i) + 0.5f;

    EXPECT_EQ(r_GetSysInfo(), 101);
    EXPECT_EQ(rec.Last(), "GetSysInfo");
    EXPECT_EQ(r_InitEngine(3, 17, 2, &window, 5, Collect), 102);
    EXPECT_EQ(rec.Last(), "r_InitEngine 3 17 2 " + win + " 5 " + cb);
    EXPECT_EQ(r_DeinitEngine(), 103);
    EXPECT_EQ(rec.Last(), "r_DeInitEngine");
    EXPECT_EQ(r_SetViewportArea(0.25f, 1.5f, 639.0f, -2.0f, Collect), 104);
    EXPECT_EQ(rec.Last(), "r_SetViewportArea 0.25 1.5 639 -2 " + cb);
    EXPECT_EQ(r_ClearScreen(0xFF102030u, Collect), 105);
    EXPECT_EQ(rec.Last(), "r_ClearScreen ff102030 " + cb);
    EXPECT_EQ(r_ClearZBuffer(0.75f, Collect), 108);
    EXPECT_EQ(rec.Last(), "r_ClearZBuffer 0.75 " + cb);
    EXPECT_EQ(r_SwapBuffers(9), 106);
    EXPECT_EQ(rec.Last(), "r_SwapBuffers 9");
    EXPECT_EQ(r_SetFrustum(1.25f, 0.75f, 0.5f, 5000.0f, Collect), 107);
    EXPECT_EQ(rec.Last(), "r_SetFrustum 1.25 0.75 0.5 5000 " + cb);
    EXPECT_EQ(r_SimpleTLRender(vertices, 3, 1, -4), 109);
    EXPECT_EQ(rec.Last(), "r_SimpleTLRender " + Pointer(vertices) + " 3 1 -4");
    EXPECT_EQ(r_TransformIntoCamSpace(in, out, 2, m, 11), 110);
    EXPECT_EQ(rec.Last(), "r_TransformIntoCamSpace " + Pointer(in) + " " + Pointer(out) +
                              " 2 [0.5 1.5 2.5 3.5 4.5 5.5 6.5 7.5 8.5 9.5 10.5 11.5 12.5 13.5 14.5 15.5] 11");
    EXPECT_EQ(r_AllocMaxVtcs(20000, Collect), 111);
    EXPECT_EQ(rec.Last(), "r_AllocMaxVtcs 20000 " + cb);
    EXPECT_EQ(r_FreeAllocatedVtcs(Collect), 112);
    EXPECT_EQ(rec.Last(), "r_FreeAllocatedVtcs " + cb);
    EXPECT_EQ(r_SetRenderState(RS_BLENDMODE, BLEND_ADDITIVE), 122);
    EXPECT_EQ(rec.Last(), "r_SetRenderState 16 4");
    EXPECT_EQ(r_DrawBitmap(7, -3, 4, 320, 200, DRAWBITMAP_TEXTURE | DRAWBITMAP_FRONT, Collect), 123);
    EXPECT_EQ(rec.Last(), "r_DrawBitmap 7 -3 4 320 200 5 " + cb);
    EXPECT_EQ(r_SysPrint("hello", 8, 16, 0x00FF00FFu), 127);
    EXPECT_EQ(rec.Last(), "r_SysPrint hello 8 16 00ff00ff");
    EXPECT_EQ(r_SeekMode(1, 640, 480, 16, 1), 128);
    EXPECT_EQ(rec.Last(), "r_SeekMode 1 640 480 16 1");
    void* z = r_LockZBufferPointer(&a, &b);
    EXPECT_NE(z, nullptr);
    EXPECT_EQ(rec.Last(), "r_LockZBufferPointer " + Pointer(&a) + " " + Pointer(&b));
    EXPECT_EQ(r_ReleaseZBufferPointer(), 130);
    EXPECT_EQ(rec.Last(), "r_ReleaseZBufferPointer");
    EXPECT_EQ(r_GetCardsNum(), 133);
    EXPECT_EQ(rec.Last(), "r_GetCardsNum");
    EXPECT_EQ(r_GetVideoModesNum(2), 134);
    EXPECT_EQ(rec.Last(), "r_GetVideoModesNum 2");
    EXPECT_EQ(r_GetVideoModeData(1, 12, &a, &b, &c, reserved), 135);
    EXPECT_EQ(rec.Last(), "r_GetVideoModeData 1 12 " + Pointer(&a) + " " + Pointer(&b) + " " + Pointer(&c) + " " +
                              Pointer(reserved));
    EXPECT_STREQ(r_GetVideoModeDataStr(0, 3), "test mode text");
    EXPECT_EQ(rec.Last(), "r_GetVideoModeDataStr 0 3");

    // A null text never reaches the back-end.
    const int calls = rec.callCount();
    EXPECT_EQ(r_SysPrint(nullptr, 1, 2, 3), 0);
    EXPECT_EQ(rec.callCount(), calls);
}

}  // namespace
