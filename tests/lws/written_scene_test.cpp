// Scenes written by the tests: version 1 key lists, parents in both
// notations, object names, TCB parameters, and the library's current-scene
// state and bad-index answers.
#include <gtest/gtest.h>

#include <cstring>

#include "scene_test_support.h"

using namespace lws_test;

namespace {

class Written : public SceneTest {};

// Keys out of order; a null object parented to the first object, a rock to the
// null, a light to the null; one camera without AddCamera.
const char kVersion1[] =
    "LWSC\r\n1\r\n\r\nLoadObject Work:Objects/ship.lwo\r\nObjectMotion (unnamed)\r\n  9\r\n  3\r\n"
    "  1 2 3 90 45 30 2 2 2\r\n  30 1 0.5 0 0\r\n  0 0 0 0 0 0 1 1 1\r\n  0 0 0 0 0\r\n"
    "  4 5 6 0 0 0 1 1 1\r\n  60 0 0 0 0\r\nEndBehavior 1\r\n\r\n"
    "AddNullObject Pivot Null\r\nParentObject 1\r\nPivotPoint 1 2 3\r\n"
    "LoadObject C:\\Objects\\Rock.LWO\r\nParentObject 2\r\n\r\n"
    "AddLight\r\nLightMotion (unnamed)\r\n  9\r\n  1\r\n  0 10 0 180 90 0 1 1 1\r\n  100 0 0 0 0\r\n"
    "EndBehavior 1\r\nParentObject 2\r\n"
    "ShowCamera 1 0\r\nCameraMotion (unnamed)\r\n  9\r\n  1\r\n  0 0 -10\r\n  0 0 0 0 0\r\n"
    "PivotPoint 0 1 0\r\n";

TEST_F(Written, Version1Scene) {
    ASSERT_EQ(LoadText(kVersion1), 0);
    ASSERT_EQ(r_GetObjectsInAnim(), 3);
    EXPECT_EQ(r_GetAnimLightsNum(), 1);
    EXPECT_EQ(r_GetAnimCamerasNum(), 1);
    EXPECT_STREQ(r_GetAnimObjectName(0), "ship.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(1), "Pivot Null");
    EXPECT_STREQ(r_GetAnimObjectName(2), "Rock.LWO");
    EXPECT_EQ(r_GetAnimParent(0), -1);
    EXPECT_EQ(r_GetAnimParent(1), 0);
    EXPECT_EQ(r_GetAnimParent(2), 1);
    EXPECT_EQ(r_GetLightAnimParent(0), 1);
    EXPECT_EQ(r_GetAnimPivotPoint(1).z, 3.0f);
    EXPECT_EQ(r_GetCamPivotPoint(0).y, 1.0f);

    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 30, 60}));
    EXPECT_EQ(keys[1].position[2], 3.0f);
    EXPECT_NEAR(keys[1].rotation[0], kPi / 4, kTol);  // pitch 45
    EXPECT_NEAR(keys[1].rotation[1], kPi / 2, kTol);  // heading 90
    EXPECT_NEAR(keys[1].rotation[2], kPi / 6, kTol);  // bank 30
    EXPECT_EQ(keys[1].scale[0], 2.0f);
    EXPECT_EQ(keys[1].linear, 1);
    EXPECT_EQ(keys[1].tension, 0.5f);
    EXPECT_EQ(keys[2].position[0], 4.0f);
    EXPECT_NEAR(Keys(Track::Light, 0).at(0).rotation[1], kPi, kTol);
    const KeyFrameRecord camera = Keys(Track::Camera, 0).at(0);
    EXPECT_EQ(camera.position[2], -10.0f);
    EXPECT_EQ(camera.scale[1], 1.0f);  // not on the line: default

    // A camera starting at its motion; two keys on one frame keep the last.
    ASSERT_EQ(LoadText("LWSC\n1\nCameraMotion (unnamed)\n 9\n 2\n 7\n 12 0 0 0 0\n 8\n 12\n"), 0);
    const auto cam = Keys(Track::Camera, 0);
    ASSERT_EQ(Frames(cam), (std::vector<int>{12}));
    EXPECT_EQ(cam[0].position[0], 8.0f);
}

TEST_F(Written, ObjectNamesLoseTheirDirectoriesAndKeepTheirLayers) {
    const std::string longName(400, 'n');
    ASSERT_EQ(LoadText("LWSC\n5\nLoadObjectLayer 1 10000000 Objects/sub dir/My Ship.lwo\n"
                       "LoadObjectLayer 2 10000001 Work:Sky.lwo\nLoadObject D:\\Demo\\GLOW.LWO\n"
                       "AddNullObject 10000003 Null (1)\nLoadObject /x/" +
                       longName + "\n"),
              0);
    ASSERT_EQ(r_GetObjectsInAnim(), 5);
    EXPECT_STREQ(r_GetAnimObjectName(0), "My Ship.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(1), "Sky.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(2), "GLOW.LWO");
    EXPECT_STREQ(r_GetAnimObjectName(3), "Null (1)");
    EXPECT_EQ(r_GetAnimObjectName(4), longName.substr(0, 255));
    // The layer each item shows: LoadObjectLayer's number, 0 for a whole object.
    EXPECT_EQ(r_GetAnimObjectLayer(0), 1);
    EXPECT_EQ(r_GetAnimObjectLayer(1), 2);
    EXPECT_EQ(r_GetAnimObjectLayer(2), 0);
    EXPECT_EQ(r_GetAnimObjectLayer(3), 0);
    EXPECT_EQ(r_GetAnimObjectLayer(9), 0);
    ASSERT_EQ(LoadText("LWSC\n3\nLoadObjectLayer 1 Objects/x.lwo\nAddNullObject Target\n"), 0);
    EXPECT_STREQ(r_GetAnimObjectName(0), "x.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(1), "Target");
}

// Item ids: 1 object, 2 light, 3 camera, 4 bone; only objects are parents,
// and a chain of parents that leads back to itself is cut.
TEST_F(Written, ParentsAreObjectsAndChainsEnd) {
    ASSERT_EQ(LoadText("LWSC\n5\nLoadObjectLayer 1 10000000 a.lwo\nParentItem 10000009\n"
                       "LoadObjectLayer 1 10000001 b.lwo\nParentItem 10000000\n"
                       "LoadObjectLayer 1 10000002 c.lwo\nParentItem 20000000\n"
                       "AddBone 40000000\nParentItem 10000001\n"
                       "AddLight 20000000\nParentItem 10000001\nAddCamera 30000000\n"
                       "ParentItem 30000000\nPivotPosition 1 2 3\n"),
              0);
    EXPECT_EQ(r_GetAnimParent(0), -1);
    EXPECT_EQ(r_GetAnimParent(1), 0);
    EXPECT_EQ(r_GetAnimParent(2), -1);  // a light; the bone's parent stays the bone's
    EXPECT_EQ(r_GetLightAnimParent(0), 1);
    EXPECT_EQ(r_GetCamAnimParent(0), -1);
    EXPECT_EQ(r_GetCamPivotPoint(0).z, 3.0f);

    ASSERT_EQ(LoadText("LWSC\n2\nLoadObject a\nParentObject 2\nLoadObject b\nParentObject 3\n"
                       "LoadObject c\nParentObject 1\nLoadObject d\nParentObject 4\n"
                       "LoadObject e\nParentObject 1\n"),
              0);
    for (int i = 0; i < 5; ++i) {
        int steps = 0;
        for (int p = r_GetAnimParent(i); p != -1 && steps <= 5; p = r_GetAnimParent(p)) ++steps;
        EXPECT_LE(steps, 4) << "object " << i;
    }
    EXPECT_EQ(r_GetAnimParent(3), -1);  // its own parent
    EXPECT_EQ(r_GetAnimParent(4), 0);   // outside the cycle: kept
}

// x, z and heading: keys 0, 10, 0 at 0, 1 and 2 s, the middle one TCB with one
// parameter at 0.5; y adds a key at 0.5 s. At 24 frames per second: Hermite at
// u = 0.5 with outgoing tangent 10 and incoming 0 (tension), 5 (bias), -5
// (continuity).
TEST_F(Written, TcbTensionContinuityAndBias) {
    auto channel = [](int index, const char* middle) {
        return "Channel " + std::to_string(index) + "\n{ Envelope\n 3\n Key 0 0 0 0 0 0 0 0 0\n" + " Key 10 1 0 " +
               middle + " 0 0 0\n Key 0 2 0 0 0 0 0 0 0\n Behaviors 1 1\n}\n";
    };
    ASSERT_EQ(LoadText("LWSC\n3\nFramesPerSecond 24\nLoadObjectLayer 1 a.lwo\nObjectMotion\n"
                       "NumChannels 9\n" +
                       channel(0, "0.5 0 0") +
                       "Channel 1\n{ Envelope\n 2\n Key 0 0 3 0 0 0 0 0 0\n Key 1 0.5 3 0 0 0 0 0 0\n}\n" +
                       channel(2, "0 0 0.5") + channel(3, "0 0.5 0")),
              0);
    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 12, 24, 48}));
    EXPECT_NEAR(keys[1].position[0], 6.25f, kTol);
    EXPECT_NEAR(keys[1].position[2], 5.625f, kTol);
    EXPECT_NEAR(keys[1].rotation[1], 6.875f, kTol);
    EXPECT_NEAR(keys[3].position[1], 1.0f, kTol);  // y holds after its last key
    EXPECT_EQ(keys[1].rotation[0], 0.0f);          // pitch has no keys
    EXPECT_EQ(keys[1].scale[0], 1.0f);             // nor has the scale
}

TEST_F(Written, BadIndicesAnswerNeutrally) {
    ASSERT_EQ(LoadText(kVersion1), 0);
    KeyFrameRecord record;
    for (auto [object, key] : {std::pair{-1, 0}, {3, 0}, {1 << 30, 0}, {0, 3}, {0, -1}}) {
        std::memset(&record, 0x5a, sizeof record);
        EXPECT_EQ(r_GetKeyFrame(object, key, &record), -1);
        EXPECT_EQ(record.frame, 0);
        EXPECT_EQ(record.scale[0], 0.0f);
        EXPECT_EQ(r_GetLightKeyFrame(object, key, &record), -1);
        EXPECT_EQ(r_GetCamKeyFrame(object, key, &record), -1);
    }
    EXPECT_STREQ(r_GetAnimObjectName(3), "");
    EXPECT_EQ(r_GetKeysNum(-1) + r_GetLightKeysNum(1) + r_GetCamKeysNum(1), 0);
    EXPECT_EQ(r_GetAnimParent(3) + r_GetCamAnimParent(-1) + r_GetLightAnimParent(1), -3);
    EXPECT_EQ(r_GetAnimPivotPoint(-1).x + r_GetCamPivotPoint(1).y, 0.0f);
    EXPECT_EQ(r_GetKeyFrame(0, 0, nullptr), -1);
}

TEST_F(Written, LoadReplacesResetReleasesFailureLeavesNothing) {
    ASSERT_EQ(LoadText(kVersion1), 0);
    ASSERT_EQ(LoadText("LWSC\n1\nLoadObject one.lwo\n"), 0);
    EXPECT_EQ(r_GetObjectsInAnim(), 1);
    EXPECT_EQ(r_GetAnimLightsNum(), 0);
    EXPECT_EQ(r_ResetAnim(), 0);
    EXPECT_EQ(r_GetObjectsInAnim(), 0);

    ASSERT_EQ(LoadText(kVersion1), 0);
    EXPECT_EQ(r_LoadAnim((testing::TempDir() + "missing.lws").c_str(), 0), -1);
    EXPECT_EQ(r_GetObjectsInAnim() + r_GetAnimCamerasNum(), 0);
    EXPECT_EQ(r_LoadAnim(nullptr, 0), -1);
    for (const char* text :
         {"", "LWSC", "LWSC\n0\n", "LWSC\n6\n", "LWSC\n-1\n", "LWSC\nthree\n", "LWOB\n1\n", "lwsc\n1\n"})
        EXPECT_EQ(LoadText(text), -1) << text;
    EXPECT_EQ(LoadText("\xEF\xBB\xBFLWSC\n4\n"), 0);
}

}  // namespace
