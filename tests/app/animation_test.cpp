// Key search, track poses, parent chains, detail levels, fades and the demo
// script's view switches and slot changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "app/app_state.h"
#include "app/frames.h"
#include "app/scene_slots.h"
#include "fake_engine.h"
#include "platform/platform.h"

namespace {

Track TrackWithFrames(std::initializer_list<int> frames) {
    Track track;
    float x = 0;
    for (int f : frames) {
        KeyFrameRecord key{};
        key.frame = f;
        key.position[0] = x;
        x += 10;
        track.keys.push_back(key);
    }
    return track;
}

void ExpectSpan(const KeySpan& s, int a, int b, float f) {
    EXPECT_EQ(s.first, a);
    EXPECT_EQ(s.second, b);
    EXPECT_FLOAT_EQ(s.fraction, f);
}

TEST(KeySearch, BetweenOnAndBeyondKeys) {
    const Track track = TrackWithFrames({0, 10, 20});
    ExpectSpan(SearchKeys(track, 15), 1, 2, 0.5f);
    ExpectSpan(SearchKeys(track, 10), 1, 1, 0.0f);
    ExpectSpan(SearchKeys(track, 25), 1, 2, 1.5f);
    ExpectSpan(SearchKeys(track, 0), 0, 0, 0.0f);
}

TEST(KeySearch, NoQualifyingKeyGivesTheFirstKey) {
    ExpectSpan(SearchKeys(Track{}, 5), 0, 0, 0.0f);
    ExpectSpan(SearchKeys(TrackWithFrames({7}), 5), 0, 0, 0.0f);
    ExpectSpan(SearchKeys(TrackWithFrames({10, 20}), 3), 0, 0, 0.0f);
    // Two keys on one frame: no division by a zero span.
    const KeySpan same = SearchKeys(TrackWithFrames({0, 0, 10}), 0.5f);
    EXPECT_TRUE(std::isfinite(same.fraction));
}

TEST(TrackPose, InterpolatesAndExtrapolatesPosition) {
    const Track track = TrackWithFrames({0, 10, 20});  // x = 0, 10, 20
    EXPECT_FLOAT_EQ(TrackPose(track, SearchKeys(track, 15)).at(3, 0), 15.0f);
    EXPECT_FLOAT_EQ(TrackPose(track, SearchKeys(track, 25)).at(3, 0), 25.0f);
    // Indices beyond the keys are clamped; no keys at all is the identity.
    EXPECT_FLOAT_EQ(TrackPose(track, KeySpan{7, 9, 0}).at(3, 0), 20.0f);
    const Matrix44 pose = TrackPose(Track{}, KeySpan{});
    const Matrix44 identity = MatIdentity();
    EXPECT_EQ(std::memcmp(&pose, &identity, sizeof pose), 0);
}

TEST(TrackPose, HeadingThenPitchAboutOwnAxesThenWorldTranslation) {
    Track track;
    KeyFrameRecord key{};
    key.rotation[0] = 0.5f;  // pitch
    key.rotation[1] = 1.0f;  // heading
    key.position[0] = 3;
    key.position[1] = 4;
    key.position[2] = 5;
    track.keys.push_back(key);
    Matrix44 expected = MatIdentity();
    MatRotateEuler(expected, Vector3{0, 1.0f, 0}, true);
    MatRotateEuler(expected, Vector3{0.5f, 0, 0}, true);
    const Matrix44 pose = FirstKeyPose(track);
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(pose.m[i], expected.m[i], 1e-6f) << i;
    EXPECT_FLOAT_EQ(pose.at(3, 0), 3);
    EXPECT_FLOAT_EQ(pose.at(3, 1), 4);
    EXPECT_FLOAT_EQ(pose.at(3, 2), 5);
}

Matrix44 Translation(float x) {
    Matrix44 m = MatIdentity();
    m.at(3, 0) = x;
    return m;
}

TEST(ParentChain, FollowsParentsAndStopsOnBadLinks) {
    std::vector<Track> objects(3);
    std::vector<Matrix44> matrices = {Translation(1), Translation(10), Translation(100)};
    objects[2].parent = 1;
    objects[1].parent = 0;
    EXPECT_FLOAT_EQ(WithParents(Translation(0.5f), 2, objects, matrices).at(3, 0), 111.5f);
    // An index outside the objects ends the chain at once.
    EXPECT_FLOAT_EQ(WithParents(Translation(0.5f), 7, objects, matrices).at(3, 0), 0.5f);
    objects[0].parent = 99;
    EXPECT_FLOAT_EQ(WithParents(Translation(0), 1, objects, matrices).at(3, 0), 11.0f);
    // A cycle is cut after as many steps as there are objects.
    objects[0].parent = 2;
    EXPECT_FLOAT_EQ(WithParents(Translation(0), 2, objects, matrices).at(3, 0), 111.0f);
}

TEST(DetailLevel, OneLevelPerFourRadiiUpToTheCount) {
    EXPECT_EQ(DetailLevel(95, 10, 3), 2);
    EXPECT_EQ(DetailLevel(500, 10, 3), 3);
    EXPECT_EQ(DetailLevel(39, 10, 3), 0);
    EXPECT_EQ(DetailLevel(1e30f, 1e-30f, 3), 3);
    // A radius of zero (or garbage) has no finite ratio: the full model.
    EXPECT_EQ(DetailLevel(95, 0, 3), 0);
    EXPECT_EQ(DetailLevel(95, -1, 3), 0);
    EXPECT_EQ(DetailLevel(NAN, 10, 3), 0);
}

TEST(DetailLevel, NamesSplitAtTheFirstDot) {
    char name[256];
    ASSERT_TRUE(DetailLevelName("ROCK.LWO", 2, name, sizeof name));
    EXPECT_STREQ(name, "ROCK_MM2.LWO");
    ASSERT_TRUE(DetailLevelName("A.B.LWO", 1, name, sizeof name));
    EXPECT_STREQ(name, "A_MM1.B.LWO");
    ASSERT_TRUE(DetailLevelName("NULL", 1, name, sizeof name));
    EXPECT_STREQ(name, "NULL_MM1");
    char small[8];
    EXPECT_FALSE(DetailLevelName("ROCK.LWO", 1, small, sizeof small));
}

TEST(Fades, IntroGlowAndEndTitle) {
    EXPECT_EQ(IntroGlowColour(40), 0u);
    EXPECT_EQ(IntroGlowColour(105), 0x017F7F7Fu);
    EXPECT_EQ(IntroGlowColour(160), 0xFFFFFFFFu);
    EXPECT_EQ(IntroGlowColour(1000), 0xFFFFFFFFu);
    EXPECT_EQ(EndTitleColour(1.5f), 0xFFFFFFFFu);
    EXPECT_EQ(EndTitleColour(3.5f), 0x017F7F7Fu);
    // Past the fade the grey stays black instead of wrapping into garbage.
    EXPECT_EQ(EndTitleColour(9.0f), 0x01000000u);
}

TEST(Director, ViewSwitchesOfTheMainAndInnerScenes) {
    EXPECT_EQ(DirectorViewTrack(1, 3400, 12), 14);
    EXPECT_EQ(DirectorViewTrack(1, 3500, 14), 13);
    EXPECT_EQ(DirectorViewTrack(1, 549, 0), 0);
    EXPECT_EQ(DirectorViewTrack(1, 550, 0), 1);
    EXPECT_EQ(DirectorViewTrack(2, 1100, 0), 4);
    EXPECT_EQ(DirectorViewTrack(2, 324, 0), 0);
    EXPECT_EQ(DirectorViewTrack(0, 300, 0), 0);
    EXPECT_EQ(DirectorViewTrack(3, 300, 5), 0);
}

class DirectorSlots : public testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        PlatOptions options{};
        options.headless = 1;
        options.fixedFps = 24;
        plat_Configure(&options);
        ResetAppState();
        ReleaseSlots();
    }
    void TearDown() override { ReleaseSlots(); }
};

TEST_F(DirectorSlots, EachSlotChangesAtItsFrame) {
    const float ends[3] = {399, 3699, 1274};
    const float rates[4] = {60, 24, 24, 24};
    for (int slot = 0; slot < 3; ++slot) {
        g_app.slotIndex = slot;
        g_app.viewTrack = 0;
        g_app.sceneTime = ends[slot] - 0.5f;
        DirectScene();
        EXPECT_EQ(g_app.slotIndex, slot) << slot;
        EXPECT_EQ(g_app.animRate, rates[slot]);
        EXPECT_EQ(g_app.clearBackground, slot == 0);

        const int lightsBefore = fake::g_engine.CountCalls("r_KillAllLights");
        g_app.sceneTime = ends[slot];
        DirectScene();
        EXPECT_EQ(g_app.slotIndex, slot + 1) << slot;
        EXPECT_EQ(g_app.sceneTime, 0.0f);
        EXPECT_EQ(g_app.viewTrack, 0);
        EXPECT_EQ(fake::g_engine.CountCalls("r_KillAllLights"), lightsBefore + 1);
    }
    // The last slot stays at frame 0 and never moves on.
    g_app.sceneTime = 50000;
    DirectScene();
    EXPECT_EQ(g_app.slotIndex, 3);
    EXPECT_EQ(g_app.sceneTime, 0.0f);
    EXPECT_TRUE(g_app.clearBackground);
}

}  // namespace
