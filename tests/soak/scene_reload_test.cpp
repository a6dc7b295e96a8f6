// Loading scenes again and again over the real engine: the model store takes
// back what a replaced slot held, so it neither grows nor fills up, and the
// slots keep drawable models with their detail levels in place.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/app_state.h"
#include "app/scene_slots.h"
#include "tests/engine/console/headless_engine.h"
#include "tools/content/demo_set.h"

namespace {

namespace fs = std::filesystem;

const auto* const kEngine = ::testing::AddGlobalTestEnvironment(new engine_test::HeadlessEngine);

constexpr int kModels = 400;

int LoadedModels() {
    int count = 0;
    for (int h = 0; h < kModels; ++h)
        if (r_GetMeshesNum(h, SilentMessage) > 0) ++count;
    return count;
}

class SceneReload : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAppState();
        ReleaseSlots();
        ASSERT_TRUE(demo::WriteDemoSet(root_.string()).ok);
        const std::string base = root_.string() + "/";
        std::snprintf(g_app.meshesPath, kPathSize, "%smeshes/", base.c_str());
        std::snprintf(g_app.mapsPath, kPathSize, "%smaps/", base.c_str());
        std::snprintf(g_app.scenesPath, kPathSize, "%sscenes/", base.c_str());
        ASSERT_EQ(r_AllocMaxModels(kModels, nullptr), 0);
        ASSERT_EQ(r_AllocMaxTextures(100, nullptr), 0);
        ASSERT_EQ(r_AllocMaxLights(60, 10000, SilentMessage), 0);
    }
    void TearDown() override {
        ReleaseSlots();
        r_FreeAllocatedTextures(nullptr);
        r_FreeAllocatedModels(nullptr);
        r_FreeAllocatedLights(nullptr);
        fs::remove_all(root_);
    }
    std::string Scene(const char* name) const { return root_.string() + "/scenes/" + name + ".lws"; }

    const fs::path root_ = fs::temp_directory_path() / ("scene_reload_" + std::to_string(getpid()));
};

// Every object's model and detail levels are loaded, consecutive and named as the loader expects.
void ExpectDrawable(int slot) {
    const SceneSlot& s = g_slots[slot];
    ASSERT_GT(s.ObjectCount(), 0);
    for (int i = 0; i < s.ObjectCount(); ++i) {
        const int model = s.modelHandles[static_cast<size_t>(i)];
        ASSERT_NE(model, -1) << s.objects[static_cast<size_t>(i)].name;
        for (int level = 0; level <= s.detailCounts[static_cast<size_t>(i)]; ++level)
            EXPECT_GT(r_GetMeshesNum(model + level, SilentMessage), 0) << s.objects[static_cast<size_t>(i)].name;
    }
}

TEST_F(SceneReload, LoadingAgainKeepsTheStoreAsItWas) {
    LoadAllSlots();
    const int afterStart = LoadedModels();
    ASSERT_GT(afterStart, 0);
    const SpecialMesh glow = g_specialMeshes[kGlow];
    ASSERT_NE(glow.mesh, -1);

    // Other scenes into slot 0 and back: more cycles than the store could hold copies for.
    for (int round = 0; round < 4; ++round) {
        for (const char* scene : {"main", "inner", "endtitle", "intromask"}) {
            LoadScene(Scene(scene).c_str(), 0);
            ExpectDrawable(0);
        }
        EXPECT_EQ(LoadedModels(), afterStart) << "round " << round;
    }
    for (int slot = 1; slot < kSceneSlots; ++slot) ExpectDrawable(slot);
    // The same scene back in slot 0 takes the same store slots, special meshes included.
    EXPECT_EQ(g_specialMeshes[kGlow].model, glow.model);
    EXPECT_EQ(g_specialMeshes[kGlow].mesh, glow.mesh);
}

TEST_F(SceneReload, ALargerSceneIntoASmallerGapAndBack) {
    LoadAllSlots();
    // Slot 0 (the intro) leaves a gap at the start of the store that the main
    // scene, with its detail levels, does not fit into: the rest goes after
    // the other slots, and a detail level cut off by the gap goes back.
    LoadScene(Scene("main").c_str(), 0);
    ExpectDrawable(0);
    LoadScene(Scene("intromask").c_str(), 0);
    ExpectDrawable(0);
    const int models = LoadedModels();
    LoadScene(Scene("main").c_str(), 0);
    LoadScene(Scene("intromask").c_str(), 0);
    EXPECT_EQ(LoadedModels(), models);
}

TEST_F(SceneReload, FreeModelEmptiesOneSlotForTheNextLoad) {
    EXPECT_EQ(r_FreeModel(-1, nullptr), -1);
    EXPECT_EQ(r_FreeModel(kModels, nullptr), -1);
    LoadScene(Scene("intromask").c_str(), 0);
    const int model = g_slots[0].modelHandles[0];
    ASSERT_NE(model, -1);
    const int meshes = r_GetMeshesNum(model, SilentMessage);
    EXPECT_EQ(r_FreeModel(model, nullptr), 0);
    EXPECT_LE(r_GetMeshesNum(model, SilentMessage), 0);
    EXPECT_EQ(r_GetMeshPointer(model, 0, SilentMessage), nullptr);
    // The first free slot is taken again, and the name is read from its file anew.
    char name[256];
    std::snprintf(name, sizeof name, "%s", g_slots[0].objects[0].name);
    EXPECT_EQ(r_LoadModel(-1, name, g_app.meshesPath, g_app.mapsPath, 0, SilentMessage), model);
    EXPECT_EQ(r_GetMeshesNum(model, SilentMessage), meshes);
}

}  // namespace
