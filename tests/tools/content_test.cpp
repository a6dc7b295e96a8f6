// The generator's own notations and conventions: chord names and melody
// motifs of the music, and view keys aimed the way the program turns them.
#include <gtest/gtest.h>

#include <cmath>

#include "common/vecmath.h"
#include "tools/content/flight.h"
#include "tools/content/music.h"

namespace {

using namespace demo;

TEST(ChordNames, RootsAndQualities) {
    int root = -1;
    bool minor = false;
    ASSERT_TRUE(ParseChord("Am", root, minor));
    EXPECT_EQ(root, 9);
    EXPECT_TRUE(minor);
    ASSERT_TRUE(ParseChord("Bb", root, minor));
    EXPECT_EQ(root, 10);
    EXPECT_FALSE(minor);
    ASSERT_TRUE(ParseChord("C#m", root, minor));
    EXPECT_EQ(root, 1);
    EXPECT_TRUE(minor);
    for (const char* bad : {"", "H", "am", "Amaj", "C##"}) EXPECT_FALSE(ParseChord(bad, root, minor)) << bad;
}

TEST(Motifs, StepsRestsAndErrors) {
    const std::vector<MotifNote> notes = ParseMotif("0:4 -2:6 r:2 7:1");
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[1].step, -2);
    EXPECT_EQ(notes[1].rows, 6);
    EXPECT_TRUE(notes[2].isRest);
    EXPECT_EQ(notes[3].step, 7);
    for (const char* bad : {"4", "x:2", "1:0", ":3", "2:"}) EXPECT_TRUE(ParseMotif(bad).empty()) << bad;
}

// The program turns a view by heading about Y, then pitch about its own X,
// and looks along the placement's z axis (Part of the track pose).
Vector3 ProgramLookDirection(const SceneKey& key) {
    constexpr float kRadians = 3.14159265f / 180;
    Matrix44 m = MatIdentity();
    MatRotateEuler(m, {0, key.heading * kRadians, 0}, true);
    MatRotateEuler(m, {key.pitch * kRadians, 0, 0}, true);
    return {m.m[8], m.m[9], m.m[10]};
}

TEST(ViewKeys, LookAtTheirTargetTheWayTheProgramTurnsThem) {
    const Vec3 from{3, 4, -5};
    for (Vec3 to : {Vec3{3, 4, 20}, Vec3{-30, 10, -5}, Vec3{40, -20, 7}, Vec3{3, -4, -50}, Vec3{10, 60, 0}}) {
        const SceneKey key = LookKey(0, from, to);
        const Vec3 want = Normalized(to - from);
        const Vector3 got = ProgramLookDirection(key);
        EXPECT_NEAR(got.x, want.x, 1e-4);
        EXPECT_NEAR(got.y, want.y, 1e-4);
        EXPECT_NEAR(got.z, want.z, 1e-4);
        const Vec3 back = LookDirection(key);
        EXPECT_NEAR(Dot(back, want), 1.0f, 1e-5);
    }
}

TEST(ViewKeys, FlightsEndOnTheirLastFrameAndNeverTurnTheLongWayRound) {
    // A full circle round a point: headings must keep going, not jump back by 360.
    const std::vector<SceneKey> keys = Flight(10, 250, Orbit({0, 0, 0}, 10, 2, 0, 720), Still({0, 0, 0}), 12);
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys.front().frame, 10);
    EXPECT_EQ(keys.back().frame, 250);
    for (size_t k = 1; k < keys.size(); ++k) {
        EXPECT_LT(std::fabs(keys[k].heading - keys[k - 1].heading), 180.0f);
        EXPECT_GT(keys[k].frame, keys[k - 1].frame);
    }
    EXPECT_GT(std::fabs(keys.back().heading - keys.front().heading), 600.0f);
}

}  // namespace
