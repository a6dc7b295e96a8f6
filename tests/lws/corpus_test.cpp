// Scene files written by other programs: item counts, names, key frames and
// the channel values at merged keys, worked out by hand from the files.
#include <gtest/gtest.h>

#include <numbers>

#include "scene_test_support.h"

using namespace lws_test;

namespace {

class Corpus : public SceneTest {
protected:
    void Load(const char* name) { ASSERT_EQ(r_LoadAnim(CorpusScene(name).c_str(), 0), 0) << name; }
};

TEST_F(Corpus, EveryFileHasOneCubeOneLightOneCamera) {
    for (const char* name :
         {"move_x.lws", "move_x_oldformat_56.lws", "move_x_oldformat_6.lws", "move_x_post_constant.lws",
          "move_x_post_linear.lws", "move_x_post_offset_repeat.lws", "move_x_post_repeat.lws", "move_x_post_reset.lws",
          "move_xz_bezier.lws", "move_xz_hermite.lws", "move_xz_linear.lws", "move_xz_spline.lws",
          "move_xz_stepped.lws", "move_y_pre_ofrep_post_osc.lws"}) {
        SCOPED_TRACE(name);
        Load(name);
        EXPECT_EQ(r_GetObjectsInAnim(), 1);
        EXPECT_EQ(r_GetAnimLightsNum(), 1);
        EXPECT_EQ(r_GetAnimCamerasNum(), 1);
        EXPECT_STREQ(r_GetAnimObjectName(0), "simple_cube.lwo");
        EXPECT_EQ(r_GetAnimParent(0), -1);
        EXPECT_EQ(r_GetLightAnimParent(0), -1);
        EXPECT_EQ(r_GetLightKeysNum(0), 1);
        EXPECT_EQ(r_GetCamKeysNum(0), 1);
    }
}

// The same scene saved as versions 5, 3 and 2 (angles in degrees): x keys at
// 0, 2/3 and 4/3 s, every other channel one key at 0.
TEST_F(Corpus, MoveXIsTheSameInAllThreeLayouts) {
    for (const char* name : {"move_x.lws", "move_x_oldformat_6.lws", "move_x_oldformat_56.lws"}) {
        SCOPED_TRACE(name);
        Load(name);
        const auto keys = Keys(Track::Object, 0);
        ASSERT_EQ(Frames(keys), (std::vector<int>{0, 20, 40}));
        const float x[] = {0.0f, 2.0691125f, -2.3748658f};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(keys[k].position[0], x[k], kTol);
            EXPECT_NEAR(keys[k].position[1], -0.04f, kTol);
            EXPECT_NEAR(keys[k].scale[2], 0.9549159f, kTol);
        }
        // Light: heading 45 degrees about Y, pitch 35 about X.
        const KeyFrameRecord light = Keys(Track::Light, 0).at(0);
        EXPECT_NEAR(light.position[1], 2.0f, kTol);
        EXPECT_NEAR(light.rotation[0], 35.0 * std::numbers::pi / 180.0, kTol);
        EXPECT_NEAR(light.rotation[1], std::numbers::pi / 4.0, kTol);
        EXPECT_EQ(light.rotation[2], 0.0f);
        // The camera lists six channels: its scale keeps the default 1.
        const KeyFrameRecord camera = Keys(Track::Camera, 0).at(0);
        EXPECT_NEAR(camera.position[2], -6.384f, kTol);
        EXPECT_EQ(camera.scale[0], 1.0f);
    }
    Load("MOVE_X_POST_RESET.LWS");  // found without regard to case; the last key at 1.3 s
    EXPECT_EQ(Frames(Keys(Track::Object, 0)), (std::vector<int>{0, 20, 39}));
}

// The five post behaviours of one x curve: the behaviour shapes the curve
// after its last key, and the keys stay the three the file lists.
TEST_F(Corpus, PostBehavioursKeepTheListedKeys) {
    for (const char* name : {"move_x_post_constant.lws", "move_x_post_linear.lws", "move_x_post_offset_repeat.lws",
                             "move_x_post_repeat.lws", "move_x_post_reset.lws"}) {
        SCOPED_TRACE(name);
        Load(name);
        const auto keys = Keys(Track::Object, 0);
        ASSERT_EQ(Frames(keys), (std::vector<int>{0, 20, 39}));
        const float x[] = {0.0f, 2.1381860f, -1.6381832f};
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(keys[k].position[0], x[k], kTol) << k;
    }
}

// x has keys at frames 0, 20 and 60, z at 0, 40 and 89. Each channel follows
// its own curve between its keys and holds its last value after them.
TEST_F(Corpus, MergedKeysFollowEachChannelsCurve) {
    struct Case {
        const char* file;
        float x1, x40, z20, z60, z2;
    };
    const float x1 = 1.9249185f, x2 = -0.5230035f, z1 = -2.6561167f, z2 = -0.0958004f;
    const Case cases[] = {
        {"move_xz_linear.lws", x1, 0.7009575f, -1.3280584f, -1.6110897f, z2},
        {"move_xz_stepped.lws", x1, x1, 0.0f, z1, z2},
        // Hermite with the tangents the file lists; TCB with t, c, b all 0.
        {"move_xz_hermite.lws", x1, 0.9633004f, -1.6546217f, -1.9842675f, z2},
        {"move_xz_spline.lws", 2.0153337f, 1.0198736f, -1.6536665f, -1.9909435f, -0.1140342f},
        // 2D Bezier: the handles the file lists, the curve solved for time.
        {"move_xz_bezier.lws", x1, 0.9682041f, -1.6769075f, -2.0015011f, z2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Load(c.file);
        const auto keys = Keys(Track::Object, 0);
        ASSERT_EQ(Frames(keys), (std::vector<int>{0, 20, 40, 60, 89}));
        const float x[] = {0.0f, c.x1, c.x40, x2, x2};
        const float z[] = {0.0f, c.z20, z1, c.z60, c.z2};
        for (int k = 0; k < 5; ++k) {
            EXPECT_NEAR(keys[k].position[0], x[k], kTol) << "frame " << keys[k].frame;
            EXPECT_NEAR(keys[k].position[2], z[k], kTol) << "frame " << keys[k].frame;
        }
    }
    Load("move_y_pre_ofrep_post_osc.lws");  // y has one key more than the rest
    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 30, 51}));
    EXPECT_NEAR(keys[2].position[1], 0.9890987f, kTol);
}

}  // namespace
