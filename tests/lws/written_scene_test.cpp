// Scenes written by the tests: version 1 key lists, parents in both
// notations, object names, TCB parameters, and the library's current-scene
// state and bad-index answers.
#include <gtest/gtest.h>

#include <cstring>
#include <numbers>

#include "scene_test_support.h"

using namespace lws_test;

namespace {

constexpr float kTolerance = 1e-4f;
constexpr double kPi = std::numbers::pi;

class WrittenScene : public testing::Test {
protected:
    void TearDown() override { r_ResetAnim(); }

    void Load(const std::string& name, const std::string& text)
    {
        ASSERT_EQ(r_LoadAnim(WriteScene(name, text).c_str(), 0), 0);
    }
};

const char kVersion1Scene[] =
    "LWSC\r\n"
    "1\r\n"
    "\r\n"
    "FirstFrame 1\r\n"
    "LoadObject Work:Objects/ship.lwo\r\n"
    "ObjectMotion (unnamed)\r\n"
    "  9\r\n"
    "  3\r\n"
    "  1 2 3 90 45 30 2 2 2\r\n"
    "  30 1 0.5 0 0\r\n"
    "  0 0 0 0 0 0 1 1 1\r\n"
    "  0 0 0 0 0\r\n"
    "  4 5 6 0 0 0 1 1 1\r\n"
    "  60 0 0 0 0\r\n"
    "EndBehavior 1\r\n"
    "\r\n"
    "AddNullObject Pivot Null\r\n"
    "ObjectMotion (unnamed)\r\n"
    "  9\r\n"
    "  1\r\n"
    "  5 0 0 0 0 0 1 1 1\r\n"
    "  0 0 0 0 0\r\n"
    "EndBehavior 1\r\n"
    "ParentObject 1\r\n"
    "PivotPoint 1 2 3\r\n"
    "\r\n"
    "LoadObject C:\\Objects\\Rock.LWO\r\n"
    "ParentObject 2\r\n"
    "\r\n"
    "AddLight\r\n"
    "LightName Light\r\n"
    "LightMotion (unnamed)\r\n"
    "  9\r\n"
    "  2\r\n"
    "  0 10 0 0 90 0 1 1 1\r\n"
    "  0 0 0 0 0\r\n"
    "  0 10 0 180 90 0 1 1 1\r\n"
    "  100 0 0 0 0\r\n"
    "EndBehavior 1\r\n"
    "ParentObject 2\r\n"
    "LightColor 255 255 255\r\n"
    "\r\n"
    "ShowCamera 1 0\r\n"
    "CameraMotion (unnamed)\r\n"
    "  9\r\n"
    "  1\r\n"
    "  0 0 -10 0 0 0 1 1 1\r\n"
    "  0 0 0 0 0\r\n"
    "EndBehavior 1\r\n"
    "PivotPoint 0 1 0\r\n"
    "ZoomFactor 3.2\r\n";

TEST_F(WrittenScene, Version1ItemsNamesParentsAndPivots)
{
    Load("v1.lws", kVersion1Scene);
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
    EXPECT_EQ(r_GetCamAnimParent(0), -1);

    const Vector3 pivot = r_GetAnimPivotPoint(1);
    EXPECT_EQ(pivot.x, 1.0f);
    EXPECT_EQ(pivot.y, 2.0f);
    EXPECT_EQ(pivot.z, 3.0f);
    EXPECT_EQ(r_GetCamPivotPoint(0).y, 1.0f);
    EXPECT_EQ(r_GetKeysNum(2), 0);  // no motion block
}

TEST_F(WrittenScene, Version1KeysInFrameOrderWithAnglesInRadians)
{
    Load("v1.lws", kVersion1Scene);
    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 30, 60}));
    const KeyFrameRecord& turned = keys[1];
    EXPECT_EQ(turned.position[0], 1.0f);
    EXPECT_EQ(turned.position[1], 2.0f);
    EXPECT_EQ(turned.position[2], 3.0f);
    EXPECT_NEAR(turned.rotation[0], kPi / 4, kTolerance);  // pitch 45
    EXPECT_NEAR(turned.rotation[1], kPi / 2, kTolerance);  // heading 90
    EXPECT_NEAR(turned.rotation[2], kPi / 6, kTolerance);  // bank 30
    EXPECT_EQ(turned.scale[0], 2.0f);
    EXPECT_EQ(turned.linear, 1);
    EXPECT_EQ(turned.tension, 0.5f);
    EXPECT_EQ(keys[2].position[2], 6.0f);

    const auto light = Keys(Track::Light, 0);
    ASSERT_EQ(Frames(light), (std::vector<int>{0, 100}));
    EXPECT_NEAR(light[1].rotation[1], kPi, kTolerance);
    EXPECT_NEAR(light[1].rotation[0], kPi / 2, kTolerance);

    const auto camera = Keys(Track::Camera, 0);
    ASSERT_EQ(camera.size(), 1u);
    EXPECT_EQ(camera[0].position[2], -10.0f);
}

TEST_F(WrittenScene, Version1CameraMayStartAtItsMotion)
{
    Load("v1cam.lws",
         "LWSC\n1\nCameraMotion (unnamed)\n 9\n 1\n 7 8 9 0 0 0 1 1 1\n 12 0 0 0 0\n"
         "EndBehavior 1\nZoomFactor 3.2\n");
    ASSERT_EQ(r_GetAnimCamerasNum(), 1);
    const auto camera = Keys(Track::Camera, 0);
    ASSERT_EQ(Frames(camera), (std::vector<int>{12}));
    EXPECT_EQ(camera[0].position[1], 8.0f);
}

TEST_F(WrittenScene, Version1KeysOnOneFrameKeepTheLast)
{
    Load("v1dup.lws",
         "LWSC\n1\nLoadObject a.lwo\nObjectMotion (unnamed)\n 9\n 3\n"
         " 1 0 0 0 0 0 1 1 1\n 10 0 0 0 0\n 2 0 0 0 0 0 1 1 1\n 10 0 0 0 0\n"
         " 3 0 0 0 0 0 1 1 1\n 5 0 0 0 0\nEndBehavior 1\n");
    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(Frames(keys), (std::vector<int>{5, 10}));
    EXPECT_EQ(keys[1].position[0], 2.0f);
}

TEST_F(WrittenScene, ObjectNamesLoseTheirDirectories)
{
    std::string longName(400, 'n');
    Load("names.lws",
         "LWSC\n5\n"
         "LoadObjectLayer 1 10000000 Objects/sub dir/My Ship.lwo\n"
         "LoadObjectLayer 2 10000001 Work:Scenes:Sky.lwo\n"
         "LoadObject D:\\Demo\\Meshes\\GLOW.LWO\n"
         "LoadObjectLayer 1 10000003 plain.lwo\n"
         "AddNullObject 10000004 Null (1)\n"
         "LoadObject /long/" + longName + "\n"
         "LoadObjectLayer 1 10000006 Objects/\n");
    ASSERT_EQ(r_GetObjectsInAnim(), 7);
    EXPECT_STREQ(r_GetAnimObjectName(0), "My Ship.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(1), "Sky.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(2), "GLOW.LWO");
    EXPECT_STREQ(r_GetAnimObjectName(3), "plain.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(4), "Null (1)");
    EXPECT_EQ(std::string(r_GetAnimObjectName(5)), longName.substr(0, 255));
    EXPECT_STREQ(r_GetAnimObjectName(6), "");
}

TEST_F(WrittenScene, Version3LayerWithoutItemId)
{
    Load("v3names.lws", "LWSC\n3\nLoadObjectLayer 1 Objects/x.lwo\nAddNullObject Target\n");
    EXPECT_STREQ(r_GetAnimObjectName(0), "x.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(1), "Target");
}

// Item ids: 1 object, 2 light, 3 camera, 4 bone; only objects are parents.
TEST_F(WrittenScene, ParentItemsNameObjectsOnly)
{
    Load("parents.lws",
         "LWSC\n5\n"
         "LoadObjectLayer 1 10000000 a.lwo\nParentItem 10000009\n"
         "LoadObjectLayer 1 10000001 b.lwo\nParentItem 10000000\n"
         "LoadObjectLayer 1 10000002 c.lwo\nParentItem 20000000\n"
         "AddBone 40000000\nBoneName Bone\nParentItem 10000001\n"
         "LoadObjectLayer 1 10000003 d.lwo\nParentItem 40000000\n"
         "AddLight 20000000\nParentItem 10000001\n"
         "AddCamera 30000000\nParentItem 30000000\nPivotPosition 1 2 3\n");
    EXPECT_EQ(r_GetAnimParent(0), -1);  // no such object
    EXPECT_EQ(r_GetAnimParent(1), 0);
    EXPECT_EQ(r_GetAnimParent(2), -1);  // a light
    EXPECT_EQ(r_GetAnimParent(3), -1);  // a bone
    EXPECT_EQ(r_GetLightAnimParent(0), 1);
    EXPECT_EQ(r_GetCamAnimParent(0), -1);
    EXPECT_EQ(r_GetCamPivotPoint(0).z, 3.0f);
}

// Callers follow parents until -1: a chain that leads back to itself is cut.
TEST_F(WrittenScene, ParentCyclesAreCut)
{
    Load("cycle.lws",
         "LWSC\n2\n"
         "LoadObject a.lwo\nParentObject 2\n"
         "LoadObject b.lwo\nParentObject 3\n"
         "LoadObject c.lwo\nParentObject 1\n"
         "LoadObject d.lwo\nParentObject 4\n"
         "LoadObject e.lwo\nParentObject 1\n");
    const int count = r_GetObjectsInAnim();
    ASSERT_EQ(count, 5);
    for (int i = 0; i < count; ++i) {
        int steps = 0;
        for (int p = r_GetAnimParent(i); p != -1 && steps <= count; p = r_GetAnimParent(p))
            ++steps;
        EXPECT_LE(steps, count) << "object " << i;
    }
    EXPECT_EQ(r_GetAnimParent(3), -1);  // its own parent
    EXPECT_EQ(r_GetAnimParent(4), 0);   // outside the cycle: kept
}

// Three keys at 0, 1 and 2 s on x, z and heading with a TCB middle key; a y
// key at 0.5 s adds a merged key inside the first span. At 24 frames per
// second the keys fall on frames 0, 12, 24 and 48.
TEST_F(WrittenScene, TcbTensionContinuityAndBias)
{
    auto channel = [](int index, const std::string& middle) {
        return "Channel " + std::to_string(index) + "\n{ Envelope\n  3\n" +
               "  Key 0 0 0 0 0 0 0 0 0\n  Key 10 1 0 " + middle + " 0 0 0\n" +
               "  Key 0 2 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n";
    };
    Load("tcb.lws", "LWSC\n3\nFramesPerSecond 24\nLoadObjectLayer 1 a.lwo\nObjectMotion\n"
                    "NumChannels 9\n" +
                        channel(0, "0.5 0 0") +
                        "Channel 1\n{ Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0\n"
                        "  Key 1 0.5 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\n" +
                        channel(2, "0 0 0.5") + channel(3, "0 0.5 0") + "IKInitialState 0\n");
    const auto keys = Keys(Track::Object, 0);
    ASSERT_EQ(Frames(keys), (std::vector<int>{0, 12, 24, 48}));
    // Hermite at u = 0.5 with outgoing 10 at the first key; the incoming
    // tangent at the middle key is 0 (tension 0.5), 5 (bias 0.5), -5
    // (continuity 0.5).
    EXPECT_NEAR(keys[1].position[0], 6.25f, kTolerance);
    EXPECT_NEAR(keys[1].position[2], 5.625f, kTolerance);
    EXPECT_NEAR(keys[1].rotation[1], 6.875f, kTolerance);
    EXPECT_NEAR(keys[1].position[1], 1.0f, kTolerance);
    EXPECT_NEAR(keys[2].position[0], 10.0f, kTolerance);
    EXPECT_NEAR(keys[3].position[1], 1.0f, kTolerance);  // y holds after its last key
    EXPECT_EQ(keys[1].rotation[0], 0.0f);                // pitch has no keys
    EXPECT_EQ(keys[1].scale[0], 1.0f);                   // nor has the scale
}

TEST_F(WrittenScene, BadIndicesAnswerNeutrally)
{
    Load("v1.lws", kVersion1Scene);
    KeyFrameRecord record;
    for (auto bad : {-1, 3, 1 << 30}) {
        SCOPED_TRACE(bad);
        std::memset(&record, 0x5a, sizeof record);
        EXPECT_EQ(r_GetKeyFrame(bad, 0, &record), -1);
        EXPECT_EQ(record.frame, 0);
        EXPECT_EQ(record.position[0], 0.0f);
        EXPECT_STREQ(r_GetAnimObjectName(bad), "");
        EXPECT_EQ(r_GetKeysNum(bad), 0);
        EXPECT_EQ(r_GetAnimParent(bad), -1);
        EXPECT_EQ(r_GetAnimPivotPoint(bad).x, 0.0f);
        EXPECT_EQ(r_GetLightKeysNum(bad), 0);
        EXPECT_EQ(r_GetCamKeysNum(bad), 0);
        EXPECT_EQ(r_GetCamPivotPoint(bad).y, 0.0f);
    }
    std::memset(&record, 0x5a, sizeof record);
    EXPECT_EQ(r_GetKeyFrame(0, 3, &record), -1);
    EXPECT_EQ(record.scale[0], 0.0f);
    EXPECT_EQ(r_GetLightKeyFrame(0, -1, &record), -1);
    EXPECT_EQ(r_GetCamKeyFrame(0, 1, &record), -1);
    EXPECT_EQ(r_GetKeyFrame(0, 0, nullptr), -1);
}

TEST_F(WrittenScene, LoadReplacesAndResetReleases)
{
    Load("v1.lws", kVersion1Scene);
    ASSERT_EQ(r_GetObjectsInAnim(), 3);
    Load("one.lws", "LWSC\n1\nLoadObject one.lwo\n");
    EXPECT_EQ(r_GetObjectsInAnim(), 1);
    EXPECT_EQ(r_GetAnimLightsNum(), 0);
    EXPECT_STREQ(r_GetAnimObjectName(0), "one.lwo");

    EXPECT_EQ(r_ResetAnim(), 0);
    EXPECT_EQ(r_GetObjectsInAnim(), 0);
    EXPECT_STREQ(r_GetAnimObjectName(0), "");

    // A failed load leaves no scene behind.
    Load("v1.lws", kVersion1Scene);
    EXPECT_EQ(r_LoadAnim((testing::TempDir() + "missing.lws").c_str(), 0), -1);
    EXPECT_EQ(r_GetObjectsInAnim(), 0);
    EXPECT_EQ(r_GetAnimCamerasNum(), 0);
    EXPECT_EQ(r_LoadAnim(nullptr, 0), -1);
}

TEST_F(WrittenScene, OnlyScenesOfVersions1To5Load)
{
    for (const char* text : {"", "LWSC", "LWSC\n", "LWSC\n0\n", "LWSC\n6\n", "LWSC\n-1\n",
                             "LWSC\nthree\n", "LWOB\n1\n", "FORM\n", "lwsc\n1\n"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(r_LoadAnim(WriteScene("notscene.lws", text).c_str(), 0), -1);
    }
    EXPECT_EQ(r_LoadAnim(WriteScene("bom.lws", "\xEF\xBB\xBFLWSC\n4\n").c_str(), 0), 0);
    EXPECT_EQ(r_LoadAnim(WriteScene("empty5.lws", "LWSC\n5\n").c_str(), 0), 0);
    EXPECT_EQ(r_GetObjectsInAnim(), 0);
}

}  // namespace
