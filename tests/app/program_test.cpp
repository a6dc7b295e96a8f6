// Whole runs of the program's logic over the recording engine: start-up and
// shutdown order, the card and mode search, scene slots, the demo from the
// first scene to the credits, walk mode, quitting, the console.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/frames.h"
#include "app/scene_slots.h"
#include "app/startup.h"
#include "demo_data.h"
#include "fake_engine.h"
#include "platform/platform.h"
#include "recorded_runs.h"

namespace {

namespace fs = std::filesystem;

class Program : public demo::RecordedRuns {
protected:
    static void TearDownTestSuite() {
        RecordedRuns::TearDownTestSuite();
        std::remove(TempName("big.lws").c_str());
    }

    void SetUp() override {
        RecordedRuns::SetUp();
        auto& names = fake::g_engine.meshNames;
        names["GLOW.LWO"] = {"glow"};
        names["HALFMASK1.LWO"] = {"Mask"};
        names["HALFMASK2.LWO"] = {"MASK2"};
        names["SKY.LWO"] = {"STARS", "Clouds"};
        names["ENDTITLE.LWO"] = {"ENDSURF"};
    }

    // Runs the program headless at 24 fixed frames a second with extra options.
    int Run(const std::vector<std::string>& extra = {}, const std::string& script = "") {
        return RunWith(extra, script);
    }

    // Every prefix appears in the call log, each after the one before.
    static void ExpectInOrder(const std::vector<std::string>& prefixes) {
        int at = 0;
        for (const std::string& prefix : prefixes) {
            const int found = fake::g_engine.FindCall(prefix, at);
            ASSERT_GE(found, 0) << "missing after call " << at << ": " << prefix;
            at = found + 1;
        }
    }

    static CMesh* Mesh(const char* model, int mesh) {
        for (const auto& m : fake::g_engine.models)
            if (m->name == model) return m->meshes.at(static_cast<size_t>(mesh)).get();
        return nullptr;
    }
};

TEST_F(Program, StartsUpAndShutsDownInOrder) {
    EXPECT_EQ(Run({"--frames", "12"}), 0);
    const std::string maps = dataDir_ + "/maps/";
    ExpectInOrder({"r_LinkRaster t7dxraster.dll",
                   "r_GetSysInfo",
                   "r_SeekMode 0 640 480 16 1",
                   "r_InitEngine 0 3 1 1 window",
                   "r_AllocMaxModels 400",
                   "r_AllocMaxVtcs 20000",
                   "r_AllocMaxTextures 100",
                   "r_AllocMaxImages 40",
                   "r_AllocMaxAlphaMeshes 100",
                   "r_AllocMaxLights 60 10000 silent",
                   "r_SetViewportArea 0 0 1 1",
                   "r_SetFrustum 1 1 0.5 1000",
                   "r_ClearScreen 0xa07000",
                   "r_ClearZBuffer 1",
                   "r_GetVideoModeData 0 3",
                   "r_ConsoleInit 256 25 256",
                   "r_ClearScreen 0",
                   "r_SysPrint Initializing, Please Wait...|5 5 0xff00",
                   "r_SwapBuffers",
                   "r_LoadTexture 0 fx_flare.tga " + maps + " 0x8000",
                   "r_LoadTexture 1 fx_Phire.tga",
                   "r_LoadTexture 2 terrain_lake.tga",
                   "r_LoadImage 0 credits.tga " + dataDir_ + "/images/",
                   "r_LockTexturePointer 2",
                   "r_LoadModel GLOW.LWO",
                   "r_LoadModel ENDTITLE.LWO",
                   "r_SetAmbient 0.2 0.2 0.2",
                   "r_SetRenderState 32 1",
                   "r_ClearScreen 0",
                   "r_SwapBuffers",
                   "r_ClearScreen 0",
                   "r_SwapBuffers",
                   "r_DeinitEngine",
                   "r_FreeAllocatedImages",
                   "r_FreeAllocatedTextures",
                   "r_FreeAllocatedAlphaMeshes",
                   "r_FreeRaster",
                   "r_FreeAllocatedModels",
                   "r_FreeAllocatedLights"});
    // A 480-line frame: 31 rows, a console showing 30 lines of the 256 it keeps.
    EXPECT_EQ(g_app.consoleRows, 31);
}

TEST_F(Program, CardAndModeSearchPasses) {
    PlatOptions options{};
    options.headless = 1;
    plat_Configure(&options);
    auto& e = fake::g_engine;
    e.cards = 3;
    e.hardwareModes = {{0, 5}, {2, 7}};
    ASSERT_TRUE(SetUpEngine());
    EXPECT_GE(e.FindCall("r_InitEngine 2 7 1 1"), 0);  // the highest card wins the hardware pass
    EXPECT_EQ(e.CountCalls("r_InitEngine"), 1);

    fake::Reset();
    fake::g_engine.cards = 3;
    fake::g_engine.anyModes = {{1, 3}, {2, 4}};
    ASSERT_TRUE(SetUpEngine());
    EXPECT_GE(fake::g_engine.FindCall("r_InitEngine 1 3 0 1"), 0);  // the lowest card wins the second pass
    EXPECT_EQ(fake::g_engine.CountCalls("r_InitEngine"), 1);

    fake::Reset();
    ASSERT_TRUE(SetUpEngine());
    EXPECT_GE(fake::g_engine.FindCall("r_InitEngine 0 0 0 2"), 0);

    fake::Reset();
    fake::g_engine.hardwareModes = {{0, 5}};
    fake::g_engine.anyModes = {{0, 3}};
    options.windowed = 1;
    plat_Configure(&options);
    ASSERT_TRUE(SetUpEngine());
    // A window asked for skips the full-screen passes and shows the 640x480 mode.
    EXPECT_EQ(fake::g_engine.CountCalls("r_SeekMode"), 1);
    EXPECT_GE(fake::g_engine.FindCall("r_SeekMode 0 640 480 16 0"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_InitEngine 0 3 0 2"), 0);
    EXPECT_EQ(g_app.mode, 3);

    // Without that mode it takes the first one.
    fake::Reset();
    ASSERT_TRUE(SetUpEngine());
    EXPECT_GE(fake::g_engine.FindCall("r_InitEngine 0 0 0 2"), 0);
}

TEST_F(Program, EngineThatCannotStartEndsWithExitCode1) {
    fake::g_engine.hardwareModes.clear();
    fake::g_engine.windowedResult = -1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Fatal Error: Could not initialize 3D Engine"), std::string::npos) << err;
    EXPECT_EQ(fake::g_engine.CountCalls("r_AllocMaxModels"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_FreeRaster"), 0);
}

TEST_F(Program, UnusableOptionsAndDataDirectory) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run({"--bogus"}), 2);
    EXPECT_EQ(Run({"--data", dataDir_ + "/missing"}), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fake::g_engine.calls.empty());
}

TEST_F(Program, SlotsHoldTracksDetailLevelsAndSpecialMeshes) {
    ResetAppState();
    std::snprintf(g_app.meshesPath, kPathSize, "%s/meshes/", dataDir_.c_str());
    std::snprintf(g_app.scenesPath, kPathSize, "%s/scenes/", dataDir_.c_str());
    LoadAllSlots();
    EXPECT_TRUE(g_app.scenesLoaded);

    const SceneSlot& main = g_slots[1];
    ASSERT_EQ(main.ObjectCount(), 3);
    EXPECT_STREQ(main.objects[1].name, "ROCK.LWO");
    EXPECT_EQ(main.detailCounts[1], 2);
    EXPECT_EQ(main.detailCounts[0], 0);
    const int rock = main.modelHandles[1];
    EXPECT_GE(fake::g_engine.FindCall("r_LoadModel ROCK_MM1.LWO -> " + std::to_string(rock + 1)), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_LoadModel ROCK_MM2.LWO -> " + std::to_string(rock + 2)), 0);
    EXPECT_EQ(main.LightCount(), 15);
    EXPECT_EQ(main.lights[5].parent, 1);
    EXPECT_EQ(main.objects[1].keys.size(), 2u);
    EXPECT_EQ(main.objects[1].keys[1].frame, 3699);
    // The rock of the inner scene shares the loaded model and its levels.
    EXPECT_EQ(g_slots[2].modelHandles[1], rock);
    EXPECT_EQ(g_slots[2].detailCounts[1], 2);

    EXPECT_EQ(g_specialMeshes[kClouds].model, main.modelHandles[0]);
    EXPECT_EQ(g_specialMeshes[kClouds].mesh, 1);
    EXPECT_EQ(g_specialMeshes[kMask].model, g_slots[0].modelHandles[1]);
    EXPECT_EQ(g_specialMeshes[kSecondMask].mesh, 0);
    EXPECT_EQ(g_specialMeshes[kEndTitle].model, g_slots[3].modelHandles[0]);
    // Model lights of every slot are added, none removed while loading.
    EXPECT_EQ(fake::g_engine.CountCalls("r_KillAllLights"), 0);
    EXPECT_EQ(fake::g_engine.CountCalls("r_AddModelLights"), 3 + 3 + 2 + 1);
}

TEST_F(Program, LargeSlotsAndBadViewIndicesStayInBounds) {
    ResetAppState();
    std::snprintf(g_app.meshesPath, kPathSize, "%s/meshes/", dataDir_.c_str());
    std::vector<demo::Item> objects, lights;
    for (int i = 0; i < 250; ++i) objects.push_back({"ROCK.LWO", {{0, float(i), 0, 0}, {100, 0, 0, 0}}, i - 1});
    for (int i = 0; i < 50; ++i) lights.push_back({"", {{0, 0, 0, float(-i)}}, 249});
    const std::string path = TempName("big.lws");
    demo::WriteText(path, demo::SceneText(objects, lights));
    LoadScene(path.c_str(), 0);
    LoadScene(path.c_str(), 0);  // loading again replaces the tables
    ASSERT_EQ(g_slots[0].ObjectCount(), 250);
    ASSERT_EQ(g_slots[0].LightCount(), 50);

    PlatOptions options{};
    options.headless = 1;
    options.fixedFps = 24;
    plat_Configure(&options);
    g_app.sceneWatch.Start();
    g_app.viewTrack = 45;
    DemoFrame();
    ASSERT_EQ(fake::g_engine.drawnHandles.size(), 250u);
    // The view rides on light 45, which hangs from the end of a 250-long chain.
    EXPECT_FLOAT_EQ(fake::g_engine.camera.at(3, 2), -45.0f);
    g_app.viewTrack = 50;  // past the light tracks: the identity view
    DemoFrame();
    const Matrix44 identity = MatIdentity();
    EXPECT_EQ(std::memcmp(&fake::g_engine.camera, &identity, sizeof identity), 0);
}

TEST_F(Program, DemoPlaysEverySlotThenTheCreditsAndEnds) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run(), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Scene slot 1\nScene slot 2\nScene slot 3\n"), std::string::npos) << out;
    EXPECT_EQ(g_app.slotIndex, 3);
    EXPECT_TRUE(g_app.quit);
    ExpectInOrder({"r_SysPrint 4.9", "r_ClearScreen 0", "r_SwapBuffers", "r_ClearScreen 0",
                   "r_DrawBitmap 0 0 0 640 480 0", "r_SwapBuffers", "r_ClearScreen 0", "r_SwapBuffers",
                   "r_DeinitEngine"});
    // 399/60 + 3699/24 + 1274/24 seconds of scenes at 24 frames a second, roughly.
    EXPECT_GT(fake::g_engine.swaps, 5000);
    EXPECT_LT(fake::g_engine.swaps, 5400);

    const CMesh* glow = Mesh("GLOW.LWO", 0);
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->coloursA[0], 0xFFFFFFFFu);
    EXPECT_EQ(glow->coloursB[3], 0xFFFFFFFFu);
    EXPECT_EQ(Mesh("HALFMASK1.LWO", 0)->coloursA[2], 0xA0FFFFFFu);
    EXPECT_EQ(Mesh("ENDTITLE.LWO", 0)->coloursA[0] >> 24, 0x01u);  // faded
    EXPECT_GT(Mesh("SKY.LWO", 1)->texCoords[0][0].u, 1000.0f);     // drifted 0.25 a frame
    EXPECT_EQ(Mesh("SKY.LWO", 0)->texCoords[0][0].u, 0.0f);
}

TEST_F(Program, WalkModeMovesTheCameraWithTheArrowKeys) {
    const std::string script =
        "10 key F4 down\n11 key F4 up\n"
        "20 key UP down\n30 key UP up\n"
        "40 key LEFT down\n44 key LEFT up\n"
        "60 key ESCAPE down\n";
    EXPECT_EQ(Run({}, script), 0);
    EXPECT_FALSE(g_app.demoMode);
    EXPECT_NEAR(g_app.walkPosition.z, 10 * 0.5f, 0.01f);
    EXPECT_NEAR(g_app.walkPosition.x, -4 * 0.5f, 0.01f);
    EXPECT_EQ(g_app.walkPosition.y, 0.0f);
    EXPECT_GE(fake::g_engine.FindCall("r_SysPrint 0.000 Fps|0 0 0x7f"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_RenderLightEffects"), 0);
    EXPECT_LT(fake::g_engine.swaps, 70);
}

TEST_F(Program, F4InWalkModeRestartsTheDemo) {
    const std::string script =
        "10 key F4 down\n11 key F4 up\n"
        "14 key F4 down\n15 key F4 up\n"
        "30 key F10 down\n";
    EXPECT_EQ(Run({}, script), 0);
    EXPECT_TRUE(g_app.demoMode);
    EXPECT_EQ(g_app.slotIndex, 0);
    EXPECT_GE(fake::g_engine.FindCall("r_KillAllLights"), 0);  // slot 0's lights only
}

TEST_F(Program, F3SavesScreenshotsOfTheChosenType) {
    const std::string shots = dataDir_ + "/shots/";
    EXPECT_EQ(Run({"--frames", "12"}, "5 key F3 down\n6 key F3 up\n"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_ScreenShot ts tga " + shots), 0);

    fake::Reset();
    EXPECT_EQ(Run({"--frames", "12", "--shot-format", "png"}, "5 key F3 down\n6 key F3 up\n"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_ScreenShot ts png " + shots), 0);
    EXPECT_EQ(fake::g_engine.FindCall("r_ScreenShot ts tga"), -1);
}

TEST_F(Program, F10AndEscapeQuitThroughTheShutdown) {
    EXPECT_EQ(Run({}, "20 key F10 down\n"), 0);
    EXPECT_EQ(g_app.slotIndex, 0);
    EXPECT_LT(fake::g_engine.swaps, 25);
    EXPECT_GE(fake::g_engine.FindCall("r_FreeAllocatedLights"), 0);

    fake::Reset();
    EXPECT_EQ(Run({}, "20 key ESCAPE down\n"), 0);
    EXPECT_LT(fake::g_engine.swaps, 25);
    EXPECT_GE(fake::g_engine.FindCall("r_FreeAllocatedLights"), 0);
}

TEST_F(Program, CloseAndQuitMessagesEndTheRun) {
    EXPECT_EQ(Run({"--frames", "30"}), 0);  // the frame limit arrives as a close message
    EXPECT_EQ(fake::g_engine.swaps, 30);
    EXPECT_GE(fake::g_engine.FindCall("r_FreeAllocatedLights"), 0);

    fake::Reset();
    fake::g_engine.quitAtSwap = 20;
    fake::g_engine.quitCode = 7;
    EXPECT_EQ(Run(), 7);
    EXPECT_GE(fake::g_engine.FindCall("r_FreeAllocatedLights"), 0);
}

TEST_F(Program, ConsoleTakesTypedCommands) {
    const std::string script =
        "10 key GRAVE down\n11 key GRAVE up\n"
        "14 type bilinear\n"
        "40 key RETURN down\n41 key RETURN up\n"
        "44 type mystery\n"
        "70 key RETURN down\n71 key RETURN up\n"
        "74 key ESCAPE down\n75 key ESCAPE up\n"  // no effect while the console is shown
        "80 key F10 down\n";
    EXPECT_EQ(Run({}, script), 0);
    EXPECT_TRUE(g_app.consoleVisible);
    EXPECT_FALSE(g_app.quit);
    const auto& lines = fake::g_engine.consoleLines;
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Ambient set to 0.200 R ,0.200 G ,0.200 B");
    EXPECT_EQ(lines[1], "Bilinear Filter On");
    EXPECT_EQ(lines[2], "Bilinear Filter Off");
    EXPECT_EQ(lines[3], "Unknown Command!");
    EXPECT_GE(fake::g_engine.FindCall("r_ClearScreen 0x300000"), 0);
    // 30 console lines at y = 0 ... 435, the input line at 460.
    EXPECT_GE(fake::g_engine.FindCall("r_SysPrint |0 435 0xffff"), 0);
    EXPECT_GE(fake::g_engine.FindCall("r_SysPrint |0 460 0xffff"), 0);
}

}  // namespace
