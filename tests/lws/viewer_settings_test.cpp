// What a viewer reads beyond the demo's calls: frame range and rate, colours
// in both scales, camera zoom and field of view, lights, object paths,
// visibility and dissolve, and motions evaluated between keys.
#include <gtest/gtest.h>

#include <cmath>

#include "scene_test_support.h"

using namespace lws_test;

namespace {

class ViewerSettings : public SceneTest {};

TEST_F(ViewerSettings, CorpusSceneOfVersion5) {
    ASSERT_EQ(r_LoadAnim(CorpusScene("move_xz_bezier.lws").c_str(), 0), 0);
    EXPECT_EQ(r_GetAnimFirstFrame(), 1);
    EXPECT_EQ(r_GetAnimLastFrame(), 120);
    EXPECT_EQ(r_GetAnimFramesPerSecond(), 30.0f);
    EXPECT_STREQ(r_GetAnimObjectPath(0), "simple_cube.lwo");
    EXPECT_EQ(r_GetAnimObjectHasFile(0), 1);
    EXPECT_EQ(r_GetAnimObjectVisible(0), 1);

    float rgb[3] = {9, 9, 9};
    ASSERT_EQ(r_GetAnimAmbient(rgb), 0);
    EXPECT_NEAR(rgb[0], 0.05f, kTol);  // white x 0.05
    ASSERT_EQ(r_GetAnimBackground(rgb), 0);
    EXPECT_EQ(rgb[2], 0.0f);

    EXPECT_NEAR(r_GetCamZoomFactor(0, 0), 3.2f, kTol);
    // tan(horizontal / 2) = aspect / zoom.
    EXPECT_NEAR(std::tan(r_GetCamFieldOfView(0, 0, 4.0f / 3.0f) / 2), (4.0 / 3.0) / 3.2, kTol);
    EXPECT_NEAR(std::tan(r_GetCamFieldOfView(0, 0, 1.0f) / 2), 1 / 3.2, kTol);

    SceneLightInfo light{};
    ASSERT_EQ(r_GetLightInfo(0, 0, &light), 0);
    EXPECT_EQ(light.type, SCENE_LIGHT_DISTANT);
    EXPECT_EQ(light.colour[1], 1.0f);
    EXPECT_EQ(light.intensity, 1.0f);
    EXPECT_EQ(light.range, 0.0f);

    // Between keys the pose follows the curve; at a key it is the merged record.
    const auto keys = Keys(Track::Object, 0);
    ASSERT_GE(keys.size(), 3u);
    KeyFrameRecord pose{};
    ASSERT_EQ(r_GetAnimPose(SCENE_ITEM_OBJECT, 0, static_cast<float>(keys[1].frame), &pose), 0);
    EXPECT_NEAR(pose.position[0], keys[1].position[0], kTol);
    EXPECT_NEAR(pose.position[2], keys[1].position[2], kTol);
    EXPECT_EQ(pose.scale[0], 1.0f);
    KeyFrameRecord mid{};
    ASSERT_EQ(r_GetAnimPose(SCENE_ITEM_OBJECT, 0, (keys[0].frame + keys[1].frame) / 2.0f, &mid), 0);
    const float linear = (keys[0].position[0] + keys[1].position[0]) / 2;
    EXPECT_GT(std::fabs(mid.position[0] - linear), 0.01f) << "a Bezier span is not a straight line";
    // Camera motion with six channels: scale stays 1.
    ASSERT_EQ(r_GetAnimPose(SCENE_ITEM_CAMERA, 0, 10.0f, &pose), 0);
    EXPECT_NEAR(pose.position[2], -6.384f, kTol);
    EXPECT_EQ(pose.scale[2], 1.0f);
}

TEST_F(ViewerSettings, Version2ColoursCountTo255) {
    ASSERT_EQ(r_LoadAnim(CorpusScene("move_x_oldformat_56.lws").c_str(), 0), 0);
    float rgb[3] = {};
    ASSERT_EQ(r_GetAnimAmbient(rgb), 0);
    EXPECT_NEAR(rgb[0], 0.05f, kTol);
    SceneLightInfo light{};
    ASSERT_EQ(r_GetLightInfo(0, 0, &light), 0);
    EXPECT_NEAR(light.colour[0], 1.0f, kTol);
}

// Version 1: a spot light with its angles in degrees and a falloff, a hidden
// object, an object that dissolves over an envelope, a path with a drive letter.
const char kVersion1[] =
    "LWSC\n1\nFirstFrame 0\nLastFrame 48\nFramesPerSecond 24\nBGColor 255 0 51\n"
    "AmbientColor 255 255 0\nAmbIntensity 0.5\n"
    "LoadObject C:\\Content\\Objects\\Ship.lwo\nShowObject 0 7\n"
    "LoadObject Work:Objects/rock.lwo\nObjectDissolve (envelope)\n  1\n  2\n  0\n  0 0 0 0 0\n  1\n  48 0 0 0 0\n"
    "EndBehavior 1\n"
    "AddNullObject Pivot\n"
    "AddLight\nLightColor 255 128 0\nLgtIntensity 0.75\nLightType 2\nLightConeAngle 40\nLightEdgeAngle 10\n"
    "LightFalloff 0.25\n"
    "AddLight\nLightType 1\n"
    "ShowCamera 1 0\nCameraMotion (unnamed)\n  9\n  2\n  0 0 -10 0 0 0 1 1 1\n  0 0 0 0 0\n"
    "  10 0 -10 0 0 0 1 1 1\n  48 0 0 0 0\nZoomFactor 6.4\n";

TEST_F(ViewerSettings, Version1ItemsAndSettings) {
    ASSERT_EQ(LoadText(kVersion1), 0);
    EXPECT_EQ(r_GetAnimFirstFrame(), 0);
    EXPECT_EQ(r_GetAnimLastFrame(), 48);
    EXPECT_EQ(r_GetAnimFramesPerSecond(), 24.0f);
    float rgb[3] = {};
    ASSERT_EQ(r_GetAnimBackground(rgb), 0);
    EXPECT_NEAR(rgb[0], 1.0f, kTol);
    EXPECT_NEAR(rgb[2], 0.2f, kTol);
    ASSERT_EQ(r_GetAnimAmbient(rgb), 0);
    EXPECT_NEAR(rgb[1], 0.5f, kTol);
    EXPECT_NEAR(rgb[2], 0.0f, kTol);

    EXPECT_STREQ(r_GetAnimObjectPath(0), "C:\\Content\\Objects\\Ship.lwo");
    EXPECT_STREQ(r_GetAnimObjectName(0), "Ship.lwo");
    EXPECT_STREQ(r_GetAnimObjectPath(1), "Work:Objects/rock.lwo");
    EXPECT_EQ(r_GetAnimObjectHasFile(2), 0);
    EXPECT_EQ(r_GetAnimObjectVisible(0), 0);
    EXPECT_EQ(r_GetAnimObjectVisible(1), 1);
    EXPECT_NEAR(r_GetAnimObjectDissolve(1, 0), 0.0f, kTol);
    EXPECT_NEAR(r_GetAnimObjectDissolve(1, 24), 0.5f, 0.1f);
    EXPECT_NEAR(r_GetAnimObjectDissolve(1, 48), 1.0f, kTol);
    EXPECT_EQ(r_GetAnimObjectDissolve(0, 10), 0.0f);

    SceneLightInfo spot{};
    ASSERT_EQ(r_GetLightInfo(0, 0, &spot), 0);
    EXPECT_EQ(spot.type, SCENE_LIGHT_SPOT);
    EXPECT_NEAR(spot.colour[1], 128 / 255.0f, kTol);
    EXPECT_EQ(spot.intensity, 0.75f);
    EXPECT_NEAR(spot.coneAngle, 40 * kPi / 180, kTol);
    EXPECT_NEAR(spot.edgeAngle, 10 * kPi / 180, kTol);
    EXPECT_NEAR(spot.range, 4.0f, kTol);
    SceneLightInfo point{};
    ASSERT_EQ(r_GetLightInfo(1, 0, &point), 0);
    EXPECT_EQ(point.type, SCENE_LIGHT_POINT);
    EXPECT_EQ(point.range, 0.0f);

    EXPECT_NEAR(r_GetCamZoomFactor(0, 0), 6.4f, kTol);
    KeyFrameRecord pose{};
    ASSERT_EQ(r_GetAnimPose(SCENE_ITEM_CAMERA, 0, 24, &pose), 0);
    EXPECT_NEAR(pose.position[0], 5.0f, kTol);  // halfway between the keys
    EXPECT_EQ(pose.frame, 24);
    ASSERT_EQ(r_GetAnimPose(SCENE_ITEM_CAMERA, 0, 100, &pose), 0);
    EXPECT_NEAR(pose.position[0], 10.0f, kTol);  // the last key holds
}

// Version 3+: radians for light angles, envelopes in braces, falloff switched off.
TEST_F(ViewerSettings, Version3EnvelopesAndRadians) {
    const char text[] =
        "LWSC\n3\nLoadObjectLayer 1 Objects/box.lwo\nObjectDissolve (envelope)\n{ Envelope\n  2\n"
        "  Key 0 0 3 0 0 0 0 0 0\n  Key 1 2 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\n"
        "AddLight\nLightColor 0.5 0.25 1\nLightIntensity 2\nLightType 2\nConeAngle 0.5\nEdgeAngle 0.1\n"
        "LightRange 7\nLightFalloffType 0\n"
        "AddCamera\nZoomFactor (envelope)\n{ Envelope\n  2\n  Key 2 0 3 0 0 0 0 0 0\n"
        "  Key 4 1 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\n";
    ASSERT_EQ(LoadText(text), 0);
    EXPECT_NEAR(r_GetAnimObjectDissolve(0, 30), 0.5f, kTol);  // 1 s of 2 at 30 fps
    SceneLightInfo light{};
    ASSERT_EQ(r_GetLightInfo(0, 0, &light), 0);
    EXPECT_NEAR(light.colour[1], 0.25f, kTol);
    EXPECT_EQ(light.intensity, 2.0f);
    EXPECT_NEAR(light.coneAngle, 0.5f, kTol);
    EXPECT_NEAR(light.edgeAngle, 0.1f, kTol);
    EXPECT_EQ(light.range, 0.0f);
    EXPECT_NEAR(r_GetCamZoomFactor(0, 15), 3.0f, kTol);
    EXPECT_NEAR(r_GetCamZoomFactor(0, 60), 4.0f, kTol);
}

TEST_F(ViewerSettings, NoSceneAndBadIndices) {
    EXPECT_EQ(r_GetAnimFirstFrame(), 0);
    EXPECT_EQ(r_GetAnimFramesPerSecond(), 0.0f);
    float rgb[3];
    EXPECT_EQ(r_GetAnimAmbient(rgb), -1);
    EXPECT_EQ(r_GetAnimBackground(rgb), -1);
    ASSERT_EQ(LoadText("LWSC\n1\nLoadObject a.lwo\n"), 0);
    EXPECT_EQ(r_GetAnimBackground(nullptr), -1);
    EXPECT_STREQ(r_GetAnimObjectPath(5), "");
    EXPECT_EQ(r_GetAnimObjectVisible(-1), 1);
    KeyFrameRecord pose{};
    pose.frame = 7;
    EXPECT_EQ(r_GetAnimPose(7, 0, 0, &pose), -1);
    EXPECT_EQ(pose.frame, 0);
    EXPECT_EQ(r_GetAnimPose(SCENE_ITEM_LIGHT, 0, 0, &pose), -1);
    EXPECT_EQ(r_GetAnimPose(SCENE_ITEM_OBJECT, 0, NAN, &pose), 0);
    EXPECT_EQ(r_GetAnimPose(SCENE_ITEM_OBJECT, 0, 0, nullptr), -1);
    EXPECT_EQ(r_GetCamZoomFactor(0, 0), 3.2f);  // no camera
    SceneLightInfo light{};
    EXPECT_EQ(r_GetLightInfo(0, 0, &light), -1);
    EXPECT_EQ(light.intensity, 1.0f);
    EXPECT_EQ(r_GetLightInfo(0, 0, nullptr), -1);
}

}  // namespace

namespace {

double XAt(float frame, int channel = 0) {
    KeyFrameRecord pose{};
    EXPECT_EQ(r_GetAnimPose(SCENE_ITEM_OBJECT, 0, frame, &pose), 0);
    return pose.position[channel];
}

// The corpus's post behaviours: x keyed over frames 0 to 39, then each file's
// own behaviour; the key records themselves stay as listed.
TEST_F(ViewerSettings, PosesFollowPreAndPostBehaviours) {
    const float last = 39.0f;  // 1.3 s at 30 per second
    ASSERT_EQ(r_LoadAnim(CorpusScene("move_x_post_constant.lws").c_str(), 0), 0);
    const double end = XAt(last), start = XAt(0), early = XAt(11);
    EXPECT_NEAR(XAt(80), end, 1e-4);

    ASSERT_EQ(r_LoadAnim(CorpusScene("move_x_post_reset.lws").c_str(), 0), 0);
    EXPECT_NEAR(XAt(50), 0.0, 1e-4);
    EXPECT_NEAR(XAt(20), XAt(20), 1e-6);

    ASSERT_EQ(r_LoadAnim(CorpusScene("move_x_post_repeat.lws").c_str(), 0), 0);
    EXPECT_NEAR(XAt(last + 11), early, 1e-3);
    EXPECT_NEAR(XAt(2 * last + 11), early, 1e-3);

    ASSERT_EQ(r_LoadAnim(CorpusScene("move_x_post_offset_repeat.lws").c_str(), 0), 0);
    EXPECT_NEAR(XAt(last + 11), early + (end - start), 1e-3);
    EXPECT_NEAR(XAt(2 * last + 11), early + 2 * (end - start), 1e-3);

    ASSERT_EQ(r_LoadAnim(CorpusScene("move_x_post_linear.lws").c_str(), 0), 0);
    const double slope = (XAt(last) - XAt(last - 0.03f)) / 0.03;
    EXPECT_NEAR(XAt(last + 10), end + 10 * slope, 0.05 * std::fabs(10 * slope) + 1e-3);
    EXPECT_NE(XAt(last + 10), XAt(last + 20));

    // y: offset repeat before the keys (0 to 1.7 s), oscillation after them.
    ASSERT_EQ(r_LoadAnim(CorpusScene("move_y_pre_ofrep_post_osc.lws").c_str(), 0), 0);
    const float span = 51.0f;  // 1.7 s
    const double y0 = XAt(0, 1), y1 = XAt(span, 1), y10 = XAt(10, 1);
    EXPECT_NEAR(XAt(10 - span, 1), y10 - (y1 - y0), 1e-3);
    EXPECT_NEAR(XAt(span + 10, 1), XAt(span - 10, 1), 1e-3);  // mirrored
    EXPECT_NEAR(XAt(2 * span + 10, 1), y10, 1e-3);            // and forth again
}

}  // namespace

namespace {

TEST_F(ViewerSettings, TargetsNameObjects) {
    ASSERT_EQ(LoadText("LWSC\n1\nLoadObject a.lwo\nAddNullObject Aim\nAddLight\nTargetObject 2\n"
                       "ShowCamera 1 0\nTargetObject 1\n"),
              0);
    EXPECT_EQ(r_GetAnimTarget(SCENE_ITEM_LIGHT, 0), 1);
    EXPECT_EQ(r_GetAnimTarget(SCENE_ITEM_CAMERA, 0), 0);
    EXPECT_EQ(r_GetAnimTarget(SCENE_ITEM_OBJECT, 0), -1);
    EXPECT_EQ(r_GetAnimTarget(SCENE_ITEM_CAMERA, 3), -1);
    EXPECT_EQ(r_GetAnimTarget(9, 0), -1);
    ASSERT_EQ(LoadText("LWSC\n5\nLoadObjectLayer 1 10000000 a.lwo\nAddCamera 30000000\nTargetItem 10000000\n"
                       "AddLight 20000000\nTargetItem 10000007\nAddLight 20000001\nTargetItem 20000000\n"),
              0);
    EXPECT_EQ(r_GetAnimTarget(SCENE_ITEM_CAMERA, 0), 0);
    EXPECT_EQ(r_GetAnimTarget(SCENE_ITEM_LIGHT, 0), -1);  // no object 7
    EXPECT_EQ(r_GetAnimTarget(SCENE_ITEM_LIGHT, 1), -1);  // a light is no target here
}

}  // namespace
